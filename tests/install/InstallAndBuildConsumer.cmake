# Runs as a CTest script: install, then build and run a consumer two ways.
include(${CMAKE_CURRENT_LIST_DIR}/Run.cmake)

set(prefix ${KESTO_SCRATCH}/prefix)
file(REMOVE_RECURSE ${KESTO_SCRATCH})
file(MAKE_DIRECTORY ${KESTO_SCRATCH})

run(${CMAKE_COMMAND} --install ${KESTO_BUILD_DIR} --prefix ${prefix})
foreach(f include/kesto/KesApp.h include/kesto/KesExport.h include/kesto/KesFile.h include/kesto/KesFont.h
          include/kesto/KesImage.h include/kesto/KesLZ.h include/kesto/KesPlatform.h include/kesto/KesSound.h
          include/kesto/KesUtility.h include/kesto/KesVersion.h include/kesto/windows.h lib/cmake/Kesto/KestoConfig.cmake lib/pkgconfig/kesto.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

# find_package(Kesto)
build_consumer(${KESTO_SCRATCH}/cmake-build ${prefix})
run_consumer(${KESTO_SCRATCH}/cmake-build/consumer)

# pkg-config, with the README's commands as they stand (tests/install/pkg_config_build.sh).
run(sh ${CMAKE_CURRENT_LIST_DIR}/pkg_config_build.sh ${prefix} ${KESTO_CONSUMER_SOURCE}/main.cpp
    ${KESTO_SCRATCH}/consumer-pc "${KESTO_CONSUMER_FLAGS}")
run_consumer(${KESTO_SCRATCH}/consumer-pc)

# Versions: the package refuses a game that asks for a newer release, and
# pkg-config and the tools say the one installed.
execute_process(COMMAND ${CMAKE_COMMAND} -S ${KESTO_CONSUMER_SOURCE} -B ${KESTO_SCRATCH}/too-new -G ${KESTO_GENERATOR}
                        -DCMAKE_PREFIX_PATH=${prefix} -DKESTO_CONSUMER_ASK=${KESTO_VERSION_MAJOR}.99
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(rc EQUAL 0 OR NOT err MATCHES "version")
  message(FATAL_ERROR "find_package(Kesto ${KESTO_VERSION_MAJOR}.99) was not refused (${rc}): ${err}")
endif()
run(${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig pkg-config --modversion kesto)
if(NOT LAST_OUTPUT STREQUAL "${KESTO_VERSION}\n")
  message(FATAL_ERROR "pkg-config says version '${LAST_OUTPUT}', not ${KESTO_VERSION}")
endif()
