// Properties: the checked LZDecode never reads past the source or writes
// past the destination, and reports a destination too small as a failure.
#include <KesLZ.h>

#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> src(data, data + size);
    for (DWORD capacity : {DWORD(0), DWORD(16), DWORD(4096), DWORD(65536)}) {
        std::vector<unsigned char> dst(capacity);
        DWORD written = 0;
        const int ok = LZDecode(src.data(), DWORD(src.size()), dst.data(), capacity, &written);
        if (written > capacity || (ok && written > capacity)) __builtin_trap();
    }
    return 0;
}
