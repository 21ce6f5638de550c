# The demo.headless test, run with cmake -P: a scripted run of the demo
# without a desktop, then its screenshots judged by kesto-demo-shotcheck.
#   -DDEMO=<kesto-demo> -DCHECK=<kesto-demo-shotcheck> -DDATA=<archives folder>
#   -DBACKGROUND=<the background JPEG as packed> -DSCRATCH=<folder to fill>
#   -DFRAMES=<n> -DSHOTS=<k>
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")

# The offscreen driver even on a desktop: the test should not open windows.
execute_process(
  COMMAND "${DEMO}" --video offscreen --data "${DATA}" --frames ${FRAMES} --shots ${SHOTS}
          --screenshots "${SCRATCH}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err
  TIMEOUT 240)
message("${out}${err}")
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "kesto-demo ended with ${status}")
endif()

file(GLOB shots "${SCRATCH}/*.png")
list(LENGTH shots count)
if(NOT count EQUAL SHOTS)
  message(FATAL_ERROR "${count} screenshots in ${SCRATCH}, expected ${SHOTS}")
endif()
foreach(shot IN LISTS shots)
  # The demo says where each picture went.
  string(FIND "${out}" "${shot}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "kesto-demo did not report writing ${shot}")
  endif()
endforeach()

list(SORT shots)
execute_process(COMMAND "${CHECK}" --background "${BACKGROUND}" ${shots} RESULT_VARIABLE status)
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "the screenshots do not show the demo's scene")
endif()
