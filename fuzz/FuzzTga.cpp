// Property: loading any file as this format never faults; what loads is
// given back cleanly (and leaves the cache).
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MApp& app = kes::fuzz::App();
    const std::string name = kes::fuzz::WriteInput("fuzz.tga", data, size);
    if (MImage* img = app.LoadTGA(name.c_str())) app.CloseImage(img);
    return 0;
}
