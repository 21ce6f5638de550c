# The examples as a user builds them after installing Kesto: install into a
# scratch prefix, configure examples/ on its own with CMAKE_PREFIX_PATH
# (find_package(Kesto), kesto-wdf found beside the prefix to pack
# archive_round_trip's data), build, and run archive_round_trip headless.
#   -DKESTO_BUILD_DIR= -DKESTO_EXAMPLES_SOURCE= -DKESTO_SCRATCH= -DKESTO_GENERATOR= -DKESTO_CONSUMER_FLAGS=
include(${CMAKE_CURRENT_LIST_DIR}/../install/Run.cmake)

set(prefix ${KESTO_SCRATCH}/prefix)
file(REMOVE_RECURSE ${KESTO_SCRATCH})
file(MAKE_DIRECTORY ${KESTO_SCRATCH})

run(${CMAKE_COMMAND} --install ${KESTO_BUILD_DIR} --prefix ${prefix})
run(${CMAKE_COMMAND} -S ${KESTO_EXAMPLES_SOURCE} -B ${KESTO_SCRATCH}/build-examples -G ${KESTO_GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} "-DCMAKE_CXX_FLAGS=${KESTO_CONSUMER_FLAGS}")
run(${CMAKE_COMMAND} --build ${KESTO_SCRATCH}/build-examples -j2)
foreach(example archive_reader hello_window walking_sprite effects music_and_clicks input archive_round_trip)
  if(NOT EXISTS ${KESTO_SCRATCH}/build-examples/${example})
    message(FATAL_ERROR "not built against the installed Kesto: ${example}")
  endif()
endforeach()

# A sanitizer build's programs carry the tree's ASan defaults; this one
# needs them said (support/SanitizerDefaults.cpp tells why).
run(${CMAKE_COMMAND} -E env SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy ASAN_OPTIONS=intercept_tls_get_addr=0
    ${KESTO_SCRATCH}/build-examples/archive_round_trip --frames 3 --screenshot ${KESTO_SCRATCH}/round_trip.png)
if(NOT LAST_OUTPUT MATCHES "gfx/badge.tga: id 0x[0-9A-F]+, [0-9]+ bytes, from gfx.wdf")
  message(FATAL_ERROR "archive_round_trip did not read its picture from its archive: ${LAST_OUTPUT}")
endif()
if(NOT EXISTS ${KESTO_SCRATCH}/round_trip.png)
  message(FATAL_ERROR "archive_round_trip wrote no screenshot")
endif()
message("examples built against the installed Kesto: ok")
