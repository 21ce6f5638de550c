# Fails when the program defines any of the engine's or the platform
# layer's functions itself instead of taking them from libkesto.so.
execute_process(COMMAND nm -C --defined-only ${PROGRAM} OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm cannot read ${PROGRAM}")
endif()
string(REGEX MATCHALL "[^\n]* [TtWw] (MApp::|MImage|MFile::Load|MFile::Open|KesPlatform|PostMessageA|CreateWindowExA|Direct3DCreate9|IDirect3D)[^\n]*" found "${symbols}")
if(found)
  list(JOIN found "\n" shown)
  message(FATAL_ERROR "${PROGRAM} carries the engine's own code:\n${shown}")
endif()
