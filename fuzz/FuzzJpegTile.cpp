// Properties: the bounded tile loader never reads past either buffer, whatever
// the headers, the size asked for and the row slices hold; the fast and the
// reference decoders give the same picture.
//
// Input: two bytes (big-endian) that split the body into headers and row
// data, the width and the height asked for (0 in either: the frame's size),
// then the body.
#include "FuzzSupport.h"

#include <KesD3D9.h>
#include <KesJpeg.h>

#include <cstring>
#include <memory>

namespace {

// A tile's decode takes time with its pixels, not with its bytes: a frame
// that asks for more than this would slow every run down without reaching
// any other code. Frames the device refuses are kept; that refusal is a path.
constexpr int kMostFramePixels = 512 * 512;

// A copy of its own, so that AddressSanitizer sees a read past it; never
// null, even when empty.
std::unique_ptr<unsigned char[]> Copy(const uint8_t* bytes, size_t n)
{
    std::unique_ptr<unsigned char[]> copy(new unsigned char[n]);
    if (n) memcpy(copy.get(), bytes, n);
    return copy;
}

bool FrameTooSlow(MApp& app, const unsigned char* headers, size_t size)
{
    int width = 0, height = 0;
    if (!JpegFindSize(headers, size, &width, &height)) return false;
    return app.m_pRender->CanCreateTexture(unsigned(width), unsigned(height)) &&
           int64_t(width) * height > kMostFramePixels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MApp& app = kes::fuzz::App();
    if (size < 4) return 0;
    const uint8_t* body = data + 4;
    const size_t bodySize = size - 4;
    const size_t split = (size_t(data[0]) << 8 | data[1]) % (bodySize + 1);
    const size_t rowsSize = bodySize - split;
    const std::unique_ptr<unsigned char[]> headers = Copy(body, split), rows = Copy(body + split, rowsSize);
    const int width = data[2], height = data[3];
    if ((width == 0 || height == 0) && FrameTooSlow(app, headers.get(), split)) return 0;

    // With the row-sliced scan, and with the scan after the headers.
    for (unsigned char* rowData : {rows.get(), static_cast<unsigned char*>(nullptr)}) {
        kes::fuzz::DecodeBothWays([&] {
            return kes::fuzz::TakePixels(app, app.LoadXYJPEG(headers.get(), int(split), width, height, rowData,
                                                             rowData ? int(rowsSize) : 0));
        });
    }
    return 0;
}
