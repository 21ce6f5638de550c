# archive_round_trip's data, made at build time as a game's is: the folder
# gfx/ packed by kesto-wdf into gfx.wdf, beside the program in
# archive_round_trip-data/. The tool is the tree's own when Kesto is built
# here; for an installed Kesto it is the kesto-wdf installed with it (or
# the first on PATH).
if(TARGET kesto-wdf)
  set(KESTO_EXAMPLES_WDF kesto-wdf)
else()
  # <prefix>/lib/cmake/Kesto -> <prefix>/bin
  find_program(KESTO_EXAMPLES_WDF kesto-wdf HINTS "${Kesto_DIR}/../../../bin")
  if(NOT KESTO_EXAMPLES_WDF)
    message(FATAL_ERROR "archive_round_trip packs its data with kesto-wdf, installed with Kesto's tools; "
                        "put it on PATH or set KESTO_EXAMPLES_WDF")
  endif()
endif()

set(KESTO_EXAMPLES_GFX ${CMAKE_CURRENT_LIST_DIR}/gfx)
set(KESTO_EXAMPLES_ROUND_TRIP_DATA ${CMAKE_CURRENT_BINARY_DIR}/archive_round_trip-data)
file(GLOB KESTO_EXAMPLES_GFX_FILES CONFIGURE_DEPENDS ${KESTO_EXAMPLES_GFX}/*)
add_custom_command(
  OUTPUT ${KESTO_EXAMPLES_ROUND_TRIP_DATA}/gfx.wdf
  COMMAND ${KESTO_EXAMPLES_WDF} pack ${KESTO_EXAMPLES_GFX} ${KESTO_EXAMPLES_ROUND_TRIP_DATA}/gfx.wdf --force
  DEPENDS ${KESTO_EXAMPLES_GFX_FILES} ${KESTO_EXAMPLES_WDF}
  COMMENT "Packing archive_round_trip's gfx.wdf"
  VERBATIM)
add_custom_target(archive_round_trip_data ALL DEPENDS ${KESTO_EXAMPLES_ROUND_TRIP_DATA}/gfx.wdf)
add_dependencies(archive_round_trip archive_round_trip_data)
# Run without arguments, the program finds the archive where the build put it.
target_compile_definitions(archive_round_trip PRIVATE
  "KESTO_EXAMPLE_DATA=\"${KESTO_EXAMPLES_ROUND_TRIP_DATA}\"")
