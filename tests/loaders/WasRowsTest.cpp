// The sprite row decoder that loads use (wide stores, opcodes looked up)
// held to the plain one-opcode-at-a-time decoder: the same pixels, the same
// interlace flag, the same fault row and byte, and not one byte written
// past a row's width.
#include "KesWas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kes::test {
namespace {

using namespace kes::was;

constexpr uint32_t kCanary = 0xDEADBEEFu;

// A frame body at offset 0: header, row offsets, then each row's code.
struct Body {
    std::vector<unsigned char> bytes;
    Frame frame{};
};

Body MakeBody(int width, const std::vector<std::vector<unsigned char>>& rows)
{
    Body b;
    const int height = int(rows.size());
    b.bytes.resize(kFrameHeaderSize + 4 * size_t(height));
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b.bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
    };
    put32(8, uint32_t(width));
    put32(12, uint32_t(height));
    for (int y = 0; y < height; ++y) {
        put32(kFrameHeaderSize + 4 * size_t(y), uint32_t(b.bytes.size()));
        b.bytes.insert(b.bytes.end(), rows[size_t(y)].begin(), rows[size_t(y)].end());
    }
    b.frame.offset = 0;
    b.frame.width = width;
    b.frame.height = height;
    return b;
}

PixelTable RandomTable(std::mt19937& rng)
{
    uint32_t argb[kPaletteColours];
    for (uint32_t& c : argb) c = rng();
    PixelTable t;
    MakePixelTable(argb, &t);
    return t;
}

struct Decoded {
    bool ok = false;
    bool odd = false;
    RowFault fault{-1, 0};
    std::vector<uint32_t> words; // height x pitch words, then a row of canaries
};

template <class Decode>
Decoded Run(Decode decode, const Body& b, size_t size, const PixelTable& table, size_t pitchWords)
{
    Decoded d;
    d.words.assign(pitchWords * size_t(b.frame.height + 1), kCanary);
    d.ok = decode(b.bytes.data(), size, b.frame, table, reinterpret_cast<unsigned char*>(d.words.data()),
                  pitchWords * 4, &d.odd, &d.fault);
    return d;
}

// Decodes `b` cut to `size` bytes both ways and compares everything the
// plain decoder defines; `what` names the case in failures.
void ExpectSame(const Body& b, size_t size, const PixelTable& table, size_t pitchWords, const std::string& what)
{
    const Decoded plain = Run(DecodeFrameOneByOne, b, size, table, pitchWords);
    const Decoded wide = Run(DecodeFrame, b, size, table, pitchWords);
    ASSERT_EQ(wide.ok, plain.ok) << what;
    const size_t w = size_t(b.frame.width);
    if (plain.ok) {
        EXPECT_EQ(wide.odd, plain.odd) << what;
    } else {
        EXPECT_EQ(wide.fault.row, plain.fault.row) << what;
        EXPECT_EQ(wide.fault.position, plain.fault.position) << what;
    }
    for (size_t y = 0; y <= size_t(b.frame.height); ++y) {
        // A failed row's own pixels are undefined; rows after it untouched.
        const bool defined = plain.ok || int(y) != plain.fault.row;
        for (size_t x = defined ? 0 : w; x < pitchWords; ++x) {
            const size_t i = y * pitchWords + x;
            ASSERT_EQ(wide.words[i], plain.words[i]) << what << ": row " << y << ", word " << x;
        }
    }
}

// One opcode with random operands (and a random literal's indices).
void AddOpcode(std::vector<unsigned char>& code, unsigned b, std::mt19937& rng)
{
    code.push_back(uint8_t(b));
    size_t operands = 0;
    if (b >= 0x01 && b < 0x20) operands = 2;
    else if (b >= 0x20 && b < 0x40) operands = 1;
    else if (b >= 0x40 && b < 0x80) operands = b & 0x3F;
    else if (b >= 0x80 && b < 0xC0) operands = 1;
    for (size_t i = 0; i < operands; ++i) code.push_back(uint8_t(rng()));
}

// Rows of random opcodes, weighted as sprites use them (runs, translucent
// edge pixels and literals), with counts of 0, runs past the row's end, and
// rows that end with or without an end-of-row opcode.
std::vector<unsigned char> RandomRow(int width, std::mt19937& rng)
{
    std::vector<unsigned char> code;
    int x = 0;
    while (x < width + 8) {
        const unsigned pick = rng() % 100;
        unsigned b;
        if (pick < 30) b = 0x20 + rng() % 32;      // translucent pixel
        else if (pick < 55) b = 0x80 + rng() % 64; // run
        else if (pick < 70) b = 0x40 + rng() % 64; // literal
        else if (pick < 85) b = 0xC0 + rng() % 64; // skip
        else if (pick < 95) b = 0x01 + rng() % 31; // translucent run
        else b = 0x00;                             // end of row
        AddOpcode(code, b, rng);
        if (b == 0) break;
        x += b >= 0x20 && b < 0x40 ? 1 : int(b & (b < 0x20 ? 0x1F : 0x3F));
    }
    return code;
}

TEST(WasRowsTest, WideStoresGiveThePlainDecodersPixelsOnRandomRows)
{
    std::mt19937 rng(20261211);
    const int widths[] = {1, 3, 15, 16, 17, 31, 32, 63, 64, 65, 67, 100, 200, 257};
    for (int round = 0; round < 60; ++round)
        for (int width : widths) {
            std::vector<std::vector<unsigned char>> rows;
            const int height = 1 + int(rng() % 5);
            for (int y = 0; y < height; ++y) rows.push_back(RandomRow(width, rng));
            const Body b = MakeBody(width, rows);
            const PixelTable table = RandomTable(rng);
            const size_t pitch = size_t(width) + rng() % 4;
            const std::string what = "width " + std::to_string(width) + ", round " + std::to_string(round);
            ExpectSame(b, b.bytes.size(), table, pitch, what);
            if (HasFatalFailure()) return;
        }
}

TEST(WasRowsTest, WideStoresGiveThePlainDecodersFaultsWhereTheFileIsCut)
{
    // Cut at every length: opcodes and literals leave the file at every
    // distance from the fast loop's margin.
    std::mt19937 rng(7);
    for (int width : {16, 70, 130}) {
        std::vector<std::vector<unsigned char>> rows;
        for (int y = 0; y < 3; ++y) rows.push_back(RandomRow(width, rng));
        const Body b = MakeBody(width, rows);
        const PixelTable table = RandomTable(rng);
        for (size_t size = kFrameHeaderSize + 12; size <= b.bytes.size(); ++size) {
            ExpectSame(b, size, table, size_t(width) + 1, "width " + std::to_string(width) + " cut at " +
                                                               std::to_string(size));
            if (HasFatalFailure()) return;
        }
    }
}

TEST(WasRowsTest, EveryOpcodeAtEveryColumnGivesThePlainDecodersPixels)
{
    // A skip to column x, one opcode, then the rest of the row from a
    // second opcode: covers each opcode's count meeting the row's end.
    std::mt19937 rng(3);
    const PixelTable table = RandomTable(rng);
    for (int width : {16, 40, 80}) {
        for (unsigned b = 0; b < 256; ++b) {
            std::vector<std::vector<unsigned char>> rows;
            for (int x = 0; x < width; ++x) {
                std::vector<unsigned char> code;
                if (x > 0) code.push_back(uint8_t(0xC0 | std::min(x, 63)));
                if (x > 63) code.push_back(uint8_t(0xC0 | (x - 63)));
                AddOpcode(code, b, rng);
                AddOpcode(code, 0x80 + rng() % 64, rng);
                code.push_back(0x00);
                rows.push_back(code);
            }
            const Body body = MakeBody(width, rows);
            ExpectSame(body, body.bytes.size(), table, size_t(width) + 2,
                       "opcode " + std::to_string(b) + ", width " + std::to_string(width));
            if (HasFatalFailure()) return;
        }
    }
}

} // namespace
} // namespace kes::test
