// Properties: loading any file as a JPEG never faults; what loads is given
// back cleanly (and leaves the cache); the fast and the reference decoders
// give the same picture.
#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MApp& app = kes::fuzz::App();
    const std::string name = kes::fuzz::WriteInput("fuzz.jpg", data, size);
    kes::fuzz::DecodeBothWays([&] { return kes::fuzz::TakePixels(app, app.LoadJPEG(name.c_str())); });
    return 0;
}
