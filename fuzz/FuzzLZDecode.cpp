// Properties: the checked LZDecode never reads past the source or writes
// past the destination, reports a destination too small as a failure, and
// gives the same result whatever room is left over.
#include <KesLZ.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> src(data, data + size);
    for (DWORD capacity : {DWORD(0), DWORD(16), DWORD(4096), DWORD(65536)}) {
        std::vector<unsigned char> dst(capacity);
        DWORD written = 0;
        const int ok = LZDecode(src.data(), DWORD(src.size()), dst.data(), capacity, &written);
        if (written > capacity) abort();
        if (!ok || written == capacity) continue;
        // Exactly the room it took: the same bytes, and success again.
        std::vector<unsigned char> exact(written);
        DWORD again = 0;
        if (!LZDecode(src.data(), DWORD(src.size()), exact.data(), written, &again) || again != written ||
            (written && memcmp(exact.data(), dst.data(), written) != 0))
            abort();
    }
    return 0;
}
