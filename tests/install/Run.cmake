# For the install tests' CTest scripts: run(<command>...) runs a command,
# stops the test with its output when it fails, and leaves its standard
# output in LAST_OUTPUT.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

# The consumer game (KESTO_CONSUMER_SOURCE) configured with find_package
# against `prefix` and built in `folder`; further arguments go to the
# configure step.
function(build_consumer folder prefix)
  run(${CMAKE_COMMAND} -S ${KESTO_CONSUMER_SOURCE} -B ${folder} -G ${KESTO_GENERATOR} -DCMAKE_PREFIX_PATH=${prefix}
      "-DCMAKE_CXX_FLAGS=${KESTO_CONSUMER_FLAGS}" ${ARGN})
  run(${CMAKE_COMMAND} --build ${folder})
endfunction()

# Runs a built consumer game in KESTO_SCRATCH; it must say it is well.
function(run_consumer program)
  run(${program} ${KESTO_SCRATCH})
  if(NOT LAST_OUTPUT MATCHES "consumer ok")
    message(FATAL_ERROR "${program}: unexpected output: ${LAST_OUTPUT}")
  endif()
endfunction()
