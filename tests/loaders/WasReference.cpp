#include "WasReference.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

namespace kes::test::was {
namespace {

// Bytes of the file; every read past the end is nullopt.
struct Bytes {
    const std::string& s;

    std::optional<uint32_t> U8(uint64_t pos) const
    {
        if (pos >= s.size()) return std::nullopt;
        return uint32_t(uint8_t(s[size_t(pos)]));
    }
    std::optional<int> I16(uint64_t pos) const
    {
        if (pos + 2 > s.size()) return std::nullopt;
        return int(int16_t(uint16_t(*U8(pos) | (*U8(pos + 1) << 8))));
    }
    std::optional<uint32_t> U32(uint64_t pos) const
    {
        if (pos + 4 > s.size()) return std::nullopt;
        return *U8(pos) | (*U8(pos + 1) << 8) | (*U8(pos + 2) << 16) | (*U8(pos + 3) << 24);
    }
};

// Decodes one frame the slow way; nullopt when it must be dropped.
std::optional<RefFrame> DecodeFrame(const Bytes& b, int64_t p, uint32_t entry, const uint32_t* rgb,
                                    bool* paletteOnOddRow)
{
    const uint64_t f = uint64_t(p) + entry;
    const auto keyX = b.U32(f), keyY = b.U32(f + 4), w = b.U32(f + 8), h = b.U32(f + 12);
    if (!keyX || !keyY || !w || !h) return std::nullopt;
    RefFrame frame;
    frame.present = true;
    frame.keyX = int32_t(*keyX);
    frame.keyY = int32_t(*keyY);
    frame.width = int32_t(*w);
    frame.height = int32_t(*h);
    if (frame.width <= 0 || frame.height <= 0 || frame.width > 4096 || frame.height > 4096) return std::nullopt;
    if (f + 16 + 4 * uint64_t(frame.height) > b.s.size()) return std::nullopt;
    frame.pixels.assign(size_t(frame.width) * size_t(frame.height), 0);
    *paletteOnOddRow = false;
    for (int y = 0; y < frame.height; ++y) {
        uint64_t pos = f + *b.U32(f + 16 + 4 * uint64_t(y));
        int x = 0;
        auto put = [&](uint32_t argb) {
            if (x < frame.width) frame.pixels[size_t(y) * size_t(frame.width) + size_t(x)] = argb;
            ++x;
        };
        while (x < frame.width) {
            const auto op = b.U8(pos++);
            if (!op) return std::nullopt;
            if (*op == 0) break; // the rest stays transparent
            if (*op <= 0xBF && (y % 2) == 1) *paletteOnOddRow = true;
            if (*op < 0x20) {
                const auto level = b.U8(pos++), index = b.U8(pos++);
                if (!level || !index) return std::nullopt;
                const uint32_t alpha = (*level * 8) % 256;
                for (uint32_t n = *op & 0x1F; n > 0 && x < frame.width; --n) put(alpha << 24 | rgb[*index]);
            } else if (*op < 0x40) {
                const auto index = b.U8(pos++);
                if (!index) return std::nullopt;
                put((((*op & 0x1F) * 8) << 24) | rgb[*index]);
            } else if (*op < 0x80) {
                // Only the indices that land inside the row are read.
                for (uint32_t n = *op & 0x3F; n > 0 && x < frame.width; --n) {
                    const auto index = b.U8(pos++);
                    if (!index) return std::nullopt;
                    put(0xFF000000u | rgb[*index]);
                }
            } else if (*op < 0xC0) {
                const auto index = b.U8(pos++);
                if (!index) return std::nullopt;
                for (uint32_t n = *op & 0x3F; n > 0 && x < frame.width; --n) put(0xFF000000u | rgb[*index]);
            } else {
                for (uint32_t n = *op & 0x3F; n > 0 && x < frame.width; --n) put(0);
            }
        }
    }
    return frame;
}

} // namespace

uint32_t Expand(uint16_t c, uint32_t alpha)
{
    const uint32_t r5 = c >> 11, g6 = (c >> 5) & 63, b5 = c & 31;
    const uint32_t r = (r5 << 3) | (r5 & 7), g = (g6 << 2) | (g6 & 3), b = (b5 << 3) | (b5 & 7);
    return (alpha << 24) | (r << 16) | (g << 8) | b;
}

RefSprite Decode(const std::string& bytes)
{
    RefSprite out;
    const Bytes b{bytes};
    if (bytes.size() < 16 || bytes[0] != 'S' || bytes[1] != 'P') return out;
    const int64_t p = int64_t(*b.I16(2)) + 4;
    if (p < 0 || uint64_t(p) + 512 > bytes.size()) return out;
    out.groups = *b.I16(4);
    out.frames = *b.I16(6);
    out.width = *b.I16(8);
    out.height = *b.I16(10);
    out.keyX = *b.I16(12);
    out.keyY = *b.I16(14);
    const int64_t total = out.groups > 0 && out.frames > 0 ? int64_t(out.groups) * out.frames : 0;
    if (uint64_t(p) + 512 + 4 * uint64_t(total) > bytes.size()) return out;
    out.loads = true;

    uint32_t rgb[256];
    for (int i = 0; i < 256; ++i) {
        const uint64_t at = uint64_t(p) + 2 * uint64_t(i);
        rgb[i] = Expand(uint16_t(*b.U8(at) | *b.U8(at + 1) << 8), 0);
    }

    bool interlace = true;
    out.slots.resize(size_t(total));
    for (int64_t i = 0; i < total; ++i) {
        const uint32_t entry = *b.U32(uint64_t(p) + 512 + 4 * uint64_t(i));
        if (entry == 0) continue;
        bool odd = false;
        std::optional<RefFrame> frame = DecodeFrame(b, p, entry, rgb, &odd);
        if (!frame) continue;
        if (odd) interlace = false;
        if (interlace) {
            const size_t w = size_t(frame->width);
            for (int y = 0; y + 1 < frame->height; y += 2) {
                uint32_t* row = &frame->pixels[size_t(y) * w];
                for (size_t x = 0; x < w; ++x) {
                    row[x] = (row[x] & 0x00FFFFFFu) | ((((row[x] >> 24) * 4) / 5) << 24);
                    row[x + w] = row[x];
                }
            }
        }
        out.slots[size_t(i)] = std::move(*frame);
    }
    return out;
}

std::string Code(std::initializer_list<int> bytes)
{
    std::string s;
    for (int v : bytes) s.push_back(char(uint8_t(v)));
    return s;
}

void TestPalette(uint16_t palette[256])
{
    for (int i = 0; i < 256; ++i) palette[i] = uint16_t(i * 0x0101 ^ 0x5A3C);
    palette[5] = 0xF800;
}

std::string Describe(const std::vector<uint32_t>& pixels, int width)
{
    std::string s;
    char buf[48];
    for (size_t i = 0; i < pixels.size(); ++i) {
        snprintf(buf, sizeof buf, "(%d,%d) %08X ", int(i % size_t(width)), int(i / size_t(width)), pixels[i]);
        s += buf;
    }
    return s;
}

} // namespace kes::test::was
