# Runs as a CTest script: install, then build and run a consumer two ways.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

set(prefix ${KESTO_SCRATCH}/prefix)
file(REMOVE_RECURSE ${KESTO_SCRATCH})
file(MAKE_DIRECTORY ${KESTO_SCRATCH})

run(${CMAKE_COMMAND} --install ${KESTO_BUILD_DIR} --prefix ${prefix})
foreach(f include/kesto/KesApp.h include/kesto/KesFile.h include/kesto/KesUtility.h include/kesto/KesLZ.h
          include/kesto/windows.h lib/cmake/Kesto/KestoConfig.cmake lib/pkgconfig/kesto.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package(Kesto)
run(${CMAKE_COMMAND} -S ${KESTO_CONSUMER_SOURCE} -B ${KESTO_SCRATCH}/cmake-build -G ${KESTO_GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${KESTO_CONSUMER_FLAGS}")
run(${CMAKE_COMMAND} --build ${KESTO_SCRATCH}/cmake-build)
run(${KESTO_SCRATCH}/cmake-build/consumer ${KESTO_SCRATCH})
if(NOT LAST_OUTPUT MATCHES "consumer ok")
  message(FATAL_ERROR "unexpected output: ${LAST_OUTPUT}")
endif()

# pkg-config
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
execute_process(COMMAND pkg-config --cflags --libs kesto OUTPUT_VARIABLE pc RESULT_VARIABLE rc
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "pkg-config does not know kesto")
endif()
separate_arguments(pc UNIX_COMMAND "${pc}")
separate_arguments(flags UNIX_COMMAND "${KESTO_CONSUMER_FLAGS}")
run(c++ -std=c++17 ${flags} ${KESTO_CONSUMER_SOURCE}/main.cpp ${pc} -Wl,-rpath,${prefix}/lib
    -o ${KESTO_SCRATCH}/consumer-pc)
run(${KESTO_SCRATCH}/consumer-pc ${KESTO_SCRATCH})
if(NOT LAST_OUTPUT MATCHES "consumer ok")
  message(FATAL_ERROR "unexpected output: ${LAST_OUTPUT}")
endif()
