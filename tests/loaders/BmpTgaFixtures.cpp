#include "BmpTgaFixtures.h"

#include <stddef.h>

#include <algorithm>

namespace kes::test {

void PutLe16(std::string* out, uint32_t v)
{
    out->push_back(char(v & 0xFF));
    out->push_back(char((v >> 8) & 0xFF));
}

void PutLe32(std::string* out, uint32_t v)
{
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

std::string BmpFile::Bytes() const
{
    const int rows = Rows();
    const size_t dataSize = Stride() * size_t(rows) - (padLastRow ? 0 : Stride() - RowBytes());
    std::string out = "BM";
    PutLe32(&out, uint32_t(PixelOffset() + dataSize));
    PutLe32(&out, 0);
    PutLe32(&out, uint32_t(PixelOffset()));
    // BITMAPINFOHEADER
    PutLe32(&out, infoSize);
    PutLe32(&out, uint32_t(width));
    PutLe32(&out, uint32_t(height));
    PutLe16(&out, 1);
    PutLe16(&out, uint32_t(depth));
    PutLe32(&out, 0); // no compression
    PutLe32(&out, uint32_t(dataSize));
    PutLe32(&out, 2835);
    PutLe32(&out, 2835);
    PutLe32(&out, uint32_t(palette.size()));
    PutLe32(&out, 0);
    out.resize(PaletteOffset(), '\0');
    for (uint32_t entry : palette) PutLe32(&out, entry);
    out.append(gap, '\x5A');

    for (int r = 0; r < rows; ++r) {
        const int y = height < 0 ? r : rows - 1 - r;
        const size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const uint32_t v = pixels[size_t(y) * size_t(width) + size_t(x)];
            if (depth == 8) out.push_back(char(v));
            if (depth == 16) PutLe16(&out, v);
            if (depth == 24) {
                out.push_back(char(v & 0xFF));
                out.push_back(char((v >> 8) & 0xFF));
                out.push_back(char((v >> 16) & 0xFF));
            }
        }
        // Padding bytes are not zero, so that reading them as pixels shows.
        if (padLastRow || r + 1 < rows) out.append(Stride() - (out.size() - start), '\xEE');
    }
    return out;
}

namespace {

void PutPixel(std::string* out, uint32_t argb, int depth)
{
    out->push_back(char(argb & 0xFF));
    out->push_back(char((argb >> 8) & 0xFF));
    out->push_back(char((argb >> 16) & 0xFF));
    if (depth == 32) out->push_back(char(argb >> 24));
}

} // namespace

std::string TgaFile::Bytes() const
{
    std::string out;
    out.push_back(char(id.size()));
    out.push_back(0); // no colour map
    out.push_back(char(type));
    out.append(5, '\0'); // colour map fields
    PutLe16(&out, originX);
    PutLe16(&out, originY);
    PutLe16(&out, uint32_t(width));
    PutLe16(&out, uint32_t(height));
    out.push_back(char(depth));
    out.push_back(char(descriptor));
    out += id;

    const std::vector<uint32_t> stored = StoredOrder(pixels, width, height, TopFirst());
    if (type == 2) {
        for (uint32_t p : stored) PutPixel(&out, p, depth);
        return out;
    }
    for (const TgaPacket& packet : packets.empty() ? PackTga(stored) : packets) {
        out.push_back(char((packet.run ? 0x80 : 0) | (packet.count - 1)));
        if (packet.run)
            PutPixel(&out, packet.pixels[0], depth);
        else
            for (uint32_t p : packet.pixels) PutPixel(&out, p, depth);
    }
    return out;
}

std::vector<uint32_t> StoredOrder(const std::vector<uint32_t>& pixels, int width, int height, bool topFirst)
{
    std::vector<uint32_t> out;
    out.reserve(pixels.size());
    for (int r = 0; r < height; ++r) {
        const int y = topFirst ? r : height - 1 - r;
        out.insert(out.end(), pixels.begin() + ptrdiff_t(y) * width, pixels.begin() + ptrdiff_t(y + 1) * width);
    }
    return out;
}

std::vector<TgaPacket> PackTga(const std::vector<uint32_t>& stored)
{
    std::vector<TgaPacket> out;
    size_t i = 0;
    while (i < stored.size()) {
        size_t same = 1;
        while (i + same < stored.size() && same < 128 && stored[i + same] == stored[i]) ++same;
        if (same >= 2) {
            out.push_back({true, unsigned(same), {stored[i]}});
            i += same;
            continue;
        }
        TgaPacket raw;
        while (i < stored.size() && raw.pixels.size() < 128 &&
               !(i + 1 < stored.size() && stored[i + 1] == stored[i]))
            raw.pixels.push_back(stored[i++]);
        if (raw.pixels.empty()) continue;
        raw.count = unsigned(raw.pixels.size());
        out.push_back(raw);
    }
    return out;
}

std::vector<uint32_t> Unpack(const std::vector<TgaPacket>& packets)
{
    std::vector<uint32_t> out;
    for (const TgaPacket& p : packets) {
        if (p.run)
            out.insert(out.end(), p.count, p.pixels[0]);
        else
            out.insert(out.end(), p.pixels.begin(), p.pixels.end());
    }
    return out;
}

std::vector<uint32_t> MixedPicture(int width, int height, unsigned seed)
{
    static const uint32_t kColours[] = {0xFF102030, 0x80FFFFFF, 0x00000000, 0xFFFF00FF, 0x7F0A0B0C, 0xFF00FF00};
    std::vector<uint32_t> out(size_t(width) * size_t(height));
    uint32_t x = seed * 2654435761u + 12345;
    uint32_t current = kColours[0];
    for (uint32_t& p : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        // Mostly stretches of one colour, now and then a change, sometimes a
        // colour of its own.
        if ((x & 7) == 0) current = kColours[(x >> 3) % 6];
        p = (x & 0x70) == 0 ? (x | 0xFF000000u) ^ (x >> 11) : current;
    }
    return out;
}

} // namespace kes::test
