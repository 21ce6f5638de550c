#include "Tga.h"

#include <cstdio>
#include <vector>

namespace kes::demo::art {
namespace {

void Put16(std::vector<unsigned char>& out, unsigned v)
{
    out.push_back((unsigned char)(v & 0xFF));
    out.push_back((unsigned char)(v >> 8 & 0xFF));
}

void PutPixel(std::vector<unsigned char>& out, uint32_t argb)
{
    // Stored blue, green, red, alpha: the bytes of the little-endian word.
    for (int i = 0; i < 4; ++i) out.push_back((unsigned char)(argb >> (8 * i) & 0xFF));
}

} // namespace

bool WriteTga(const std::string& path, const kes::was::tool::PngPicture& picture, std::string* error)
{
    if (picture.width <= 0 || picture.height <= 0 || picture.width > 0xFFFF || picture.height > 0xFFFF) {
        *error = path + ": a TGA side is 1 to 65535 pixels";
        return false;
    }
    std::vector<unsigned char> out;
    out.push_back(0);  // no image id
    out.push_back(0);  // no colour map
    out.push_back(10); // run-length true colour
    for (int i = 0; i < 5; ++i) out.push_back(0); // colour map: first entry, length, entry size
    Put16(out, 0);     // x origin
    Put16(out, 0);     // y origin
    Put16(out, unsigned(picture.width));
    Put16(out, unsigned(picture.height));
    out.push_back(32);
    out.push_back(0x28); // 8 alpha bits, first row at the top

    // Packets stay inside a row, as readers older than version 2 expect.
    for (int y = 0; y < picture.height; ++y) {
        const uint32_t* row = &picture.argb[size_t(y) * size_t(picture.width)];
        int x = 0;
        while (x < picture.width) {
            int run = 1;
            while (x + run < picture.width && run < 128 && row[x + run] == row[x]) ++run;
            if (run >= 2) {
                out.push_back((unsigned char)(0x80 | (run - 1)));
                PutPixel(out, row[x]);
                x += run;
                continue;
            }
            // Raw pixels up to the next pair of equal ones.
            int n = 1;
            while (x + n < picture.width && n < 128 &&
                   !(x + n + 1 < picture.width && row[x + n] == row[x + n + 1]))
                ++n;
            out.push_back((unsigned char)(n - 1));
            for (int i = 0; i < n; ++i) PutPixel(out, row[x + i]);
            x += n;
        }
    }
    // Version 2 footer: no extension or developer area.
    for (int i = 0; i < 8; ++i) out.push_back(0);
    const char signature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), signature, signature + sizeof signature); // with its zero byte

    FILE* f = std::fopen(path.c_str(), "wb");
    bool ok = f && std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok) *error = path + ": cannot write";
    return ok;
}

} // namespace kes::demo::art
