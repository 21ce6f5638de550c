# The demo.headless test, run with cmake -P: a scripted run of the demo
# without a desktop, then its screenshots judged by kesto-demo-shotcheck.
#   -DDEMO=<kesto-demo> -DCHECK=<kesto-demo-shotcheck> -DDATA=<archives folder>
#   -DBACKGROUND=<the background JPEG as packed> -DSCRATCH=<folder to fill>
#   -DFRAMES=<n> -DSHOTS=<k>
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")

# The offscreen driver even on a desktop: the test should not open windows.
# Sound goes to SDL's disk audio driver, which writes the mixed output to a
# file as a sound card would play it.
set(audio "${SCRATCH}/audio.raw")
# DEVICE (optional) names the render device, as the demo's --device does.
set(device "")
if(DEVICE)
  set(device --device ${DEVICE})
endif()
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env SDL_AUDIODRIVER=disk "SDL_DISKAUDIOFILE=${audio}"
          "${DEMO}" --video offscreen --data "${DATA}" --frames ${FRAMES} --shots ${SHOTS}
          --screenshots "${SCRATCH}" ${device}
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

# The music plays from the start: past its first moment the output is not
# silence. (Samples of 0 are written as long as nothing plays.)
file(SIZE "${audio}" audioSize)
if(audioSize LESS 65536)
  message(FATAL_ERROR "${audioSize} bytes of sound output in ${audio}: the sound device never played")
endif()
math(EXPR middle "${audioSize} / 2")
file(READ "${audio}" chunk OFFSET ${middle} LIMIT 8192 HEX)
if(NOT chunk MATCHES "[1-9a-f]")
  message(FATAL_ERROR "the sound output is silent in its middle: the demo's music did not play")
endif()
