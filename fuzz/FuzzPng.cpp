// Property: loading any file as a PNG never faults; what loads is given back
// cleanly (and leaves the cache).
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MApp& app = kes::fuzz::App();
    const std::string name = kes::fuzz::WriteInput("fuzz.png", data, size);
    if (MImage* img = app.LoadPNG(name.c_str())) app.CloseImage(img);
    return 0;
}
