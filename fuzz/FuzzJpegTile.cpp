// Property: the bounded tile loader never reads past either buffer, whatever
// the headers and the row slices hold. The input is split in two: headers,
// then row data.
#include "FuzzSupport.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MApp& app = kes::fuzz::App();
    if (size < 4) return 0;
    const size_t split = (size_t(data[0]) << 8 | data[1]) % (size - 2);
    std::vector<unsigned char> headers(data + 2, data + 2 + split);
    std::vector<unsigned char> rows(data + 2 + split, data + size);
    const int width = data[2 % size] % 64, height = data[3 % size] % 64;
    if (MImage* img = app.LoadXYJPEG(headers.data(), int(headers.size()), width, height, rows.data(), int(rows.size())))
        img->Release();
    if (MImage* img = app.LoadXYJPEG(headers.data(), int(headers.size()), width, height, nullptr, 0)) img->Release();
    return 0;
}
