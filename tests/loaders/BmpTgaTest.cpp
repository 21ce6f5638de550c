// LoadBMP and LoadTGA: every accepted layout in both orientations, row
// padding, the colour key, packets that cross rows, refused files, the image
// cache shared by the loaders, archives, and damaged files of every kind.
// Expected pixels are worked out from the two formats' rules, independently
// of the loaders, and read back through MImage::Lock.
#include "BmpTgaFixtures.h"
#include "RenderFixture.h"
#include "TestSupport.h"
#include "WdfWriter.h"

#include <KesPlatform.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

namespace {

using kes::test::AssertRecorder;
using kes::test::BmpFile;
using kes::test::ImagePixels;
using kes::test::PackTga;
using kes::test::ScratchDir;
using kes::test::StoredOrder;
using kes::test::TgaFile;
using kes::test::TgaPacket;

// What a loader should make of a file.
struct Expected {
    int width = 0;
    int height = 0;
    int format = 0;
    std::vector<uint32_t> pixels; // image rows from the top; R5G6B5 words for format 23
};

Expected FromBmp(const BmpFile& f)
{
    Expected e;
    e.width = f.width;
    e.height = f.Rows();
    e.format = f.depth == 16 ? KES_FMT_R5G6B5 : KES_FMT_X8R8G8B8;
    for (uint32_t v : f.pixels) {
        if (f.depth == 8) e.pixels.push_back(f.palette[v]); // the whole entry, reserved byte on top
        if (f.depth == 16) e.pixels.push_back(v);           // the word as it is
        if (f.depth == 24) e.pixels.push_back(0xFF000000u | v);
    }
    return e;
}

Expected FromTga(const TgaFile& f)
{
    Expected e;
    e.width = f.width;
    e.height = f.height;
    e.format = KES_FMT_A8R8G8B8;
    const std::vector<uint32_t> stored = StoredOrder(f.pixels, f.width, f.height, f.TopFirst());
    const std::vector<uint32_t> stream =
        f.type == 2 ? stored : kes::test::Unpack(f.packets.empty() ? PackTga(stored) : f.packets);
    const uint32_t key = 0xFF000000u | (stream[0] & 0xFFFFFFu);
    e.pixels.assign(size_t(f.width) * size_t(f.height), 0);
    for (int r = 0; r < f.height; ++r) {
        const int y = f.TopFirst() ? r : f.height - 1 - r;
        for (int x = 0; x < f.width; ++x) {
            uint32_t v = stream[size_t(r) * size_t(f.width) + size_t(x)];
            if (f.depth == 24) {
                v = 0xFF000000u | (v & 0xFFFFFFu);
                if (v == key) v = 0;
            }
            e.pixels[size_t(y) * size_t(f.width) + size_t(x)] = v;
        }
    }
    return e;
}

uint32_t Rand(uint32_t* s)
{
    *s ^= *s << 13;
    *s ^= *s >> 17;
    *s ^= *s << 5;
    return *s;
}

std::vector<uint32_t> RandomValues(size_t n, uint32_t seed, uint32_t mask)
{
    std::vector<uint32_t> out(n);
    uint32_t s = seed * 2654435761u + 7;
    for (uint32_t& v : out) v = Rand(&s) & mask;
    return out;
}

BmpFile MakeBmp(int depth, int width, int height, uint32_t seed)
{
    BmpFile f;
    f.depth = depth;
    f.width = width;
    f.height = height;
    const size_t n = size_t(width) * size_t(height < 0 ? -height : height);
    if (depth == 8) {
        // Reserved bytes that are not zero show where they land.
        f.palette = RandomValues(256, seed + 1000, 0xFFFFFFFFu);
        f.pixels = RandomValues(n, seed, 0xFF);
    } else {
        f.pixels = RandomValues(n, seed, depth == 16 ? 0xFFFFu : 0xFFFFFFu);
    }
    return f;
}

TgaFile MakeTga(int depth, int type, uint8_t descriptor, int width, int height, uint32_t seed)
{
    TgaFile f;
    f.depth = depth;
    f.type = type;
    f.descriptor = descriptor;
    f.width = width;
    f.height = height;
    f.pixels = kes::test::MixedPicture(width, height, seed);
    return f;
}

class BmpTgaTest : public kes::test::RenderTest {
protected:
    ScratchDir m_dir;

    // Compares an image with what was expected; reports at most a few pixels.
    void ExpectPicture(MImage* img, const Expected& e, const std::string& what)
    {
        ASSERT_NE(img, nullptr) << what;
        EXPECT_EQ(img->m_width, e.width) << what;
        EXPECT_EQ(img->m_height, e.height) << what;
        EXPECT_EQ(img->m_format, e.format) << what;
        EXPECT_EQ(img->m_keyX, 0) << what;
        EXPECT_EQ(img->m_keyY, 0) << what;
        if (img->m_width != e.width || img->m_height != e.height) return;
        kes::test::ExpectSamePixels(ImagePixels(img), e.pixels, e.width, what);
    }

    MImage* Load(const std::string& name, const std::string& bytes)
    {
        m_dir.Write(name, bytes);
        const bool tga = name.size() > 4 && name.compare(name.size() - 4, 4, ".tga") == 0;
        return tga ? m_app->LoadTGA(name.c_str()) : m_app->LoadBMP(name.c_str());
    }

    // A name not used before in this test: rewriting one file over and over
    // makes the file system flush it on every close, which is slow.
    std::string Fresh(const std::string& name)
    {
        return std::to_string(++m_files) + name;
    }
    int m_files = 0;

    bool Cached(const std::string& name) { return m_app->FindImageCache(WString2ID(name.c_str())) != nullptr; }

    // Loads, compares, checks the registration, and gives the image back.
    void LoadAndCompare(const std::string& name, const std::string& bytes, const Expected& e,
                        const std::string& what)
    {
        MImage* img = Load(name, bytes);
        ExpectPicture(img, e, what);
        if (!img) return;
        EXPECT_EQ(img->m_id, WString2ID(name.c_str())) << what;
        EXPECT_EQ(m_app->FindImageCache(img->m_id), img) << what;
        EXPECT_EQ(img->RefCount(), 1) << what;
        m_app->CloseImage(img);
        EXPECT_FALSE(Cached(name)) << what;
    }

    // A file the loaders must refuse: null, nothing cached, no report.
    void ExpectRefused(const std::string& name, const std::string& bytes, const std::string& what)
    {
        AssertRecorder reports;
        MImage* img = Load(name, bytes);
        EXPECT_EQ(img, nullptr) << what;
        if (img) m_app->CloseImage(img);
        EXPECT_FALSE(Cached(name)) << what;
        EXPECT_TRUE(reports.Reports().empty()) << what;
    }
};

// ---- layouts ---------------------------------------------------------------------------

TEST_F(BmpTgaTest, HandWrittenBitmapsStandUprightWithTheirRowsPadded)
{
    // 3 x 2, 8 bits: rows of 3 indices and 1 byte of padding, bottom row
    // first; the palette follows the 40-byte information header.
    const unsigned char bmp8[] = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,           // file header: pixels at 62
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 8, 0,          // 3 x 2, 8 bits
        0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
        0x10, 0x20, 0x30, 0x00, 0x01, 0x02, 0x03, 0x44,           // palette: 2 entries
        1, 0, 1, 0x99,                                            // stored row 0 = bottom
        0, 1, 0, 0x99,                                            // stored row 1 = top
    };
    Expected e8{3, 2, KES_FMT_X8R8G8B8, {0x00302010, 0x44030201, 0x00302010, 0x44030201, 0x00302010, 0x44030201}};
    LoadAndCompare("hand8.bmp", std::string(reinterpret_cast<const char*>(bmp8), sizeof bmp8), e8, "8-bit 3 x 2");

    // 2 x 2, 24 bits: rows of 6 bytes and 2 of padding.
    const unsigned char bmp24[] = {
        'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0,
        0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xAA, 0xBB, // bottom row: blue, green, red
        0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0xCC, 0xDD, // top row
    };
    Expected e24{2, 2, KES_FMT_X8R8G8B8, {0xFF131211, 0xFF161514, 0xFF030201, 0xFF060504}};
    LoadAndCompare("hand24.bmp", std::string(reinterpret_cast<const char*>(bmp24), sizeof bmp24), e24,
                   "24-bit 2 x 2");

    // 3 x 1, 16 bits in the 5-5-5 layout: the words go in unchanged and read
    // as 5-6-5 (pure 5-5-5 red 0x7C00 becomes half red with half green).
    const unsigned char bmp16[] = {
        'B', 'M', 62, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
        40, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 1, 0, 16, 0,
        0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0x77, 0x77,
    };
    Expected e16{3, 1, KES_FMT_R5G6B5, {0x7C00, 0x03E0, 0x001F}};
    LoadAndCompare("hand16.bmp", std::string(reinterpret_cast<const char*>(bmp16), sizeof bmp16), e16,
                   "16-bit 5-5-5");
}

TEST_F(BmpTgaTest, EveryBitmapLayoutWidthAndOrientation)
{
    int n = 0;
    for (int depth : {8, 16, 24})
        for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 37})
            for (int rows : {1, 3})
                for (int sign : {1, -1}) {
                    const BmpFile f = MakeBmp(depth, width, sign * rows, uint32_t(++n));
                    const std::string what = std::to_string(depth) + "-bit " + std::to_string(width) + " x " +
                                             std::to_string(sign * rows);
                    LoadAndCompare("b" + std::to_string(n) + ".bmp", f.Bytes(), FromBmp(f), what);
                }
}

TEST_F(BmpTgaTest, BitmapHeadersPlaceThePaletteAndTheRows)
{
    struct Case {
        const char* what;
        uint32_t infoSize;
        uint32_t gap;
        bool padLastRow;
        int paletteSize;
    } cases[] = {
        {"108-byte header moves the palette", 108, 0, true, 256},
        {"124-byte header and a gap before the rows", 124, 13, true, 256},
        {"short palette, pixels right after it", 40, 0, true, 16},
        {"last row without its padding", 40, 0, false, 256},
    };
    int n = 0;
    for (const Case& c : cases) {
        for (int depth : {8, 24}) {
            BmpFile f = MakeBmp(depth, 5, 3, uint32_t(50 + n));
            f.infoSize = c.infoSize;
            f.gap = c.gap;
            f.padLastRow = c.padLastRow;
            if (depth == 8) {
                f.palette.resize(size_t(c.paletteSize));
                for (uint32_t& v : f.pixels) v %= uint32_t(c.paletteSize);
            }
            LoadAndCompare("h" + std::to_string(++n) + ".bmp", f.Bytes(), FromBmp(f),
                           std::string(c.what) + ", " + std::to_string(depth) + "-bit");
        }
    }
}

TEST_F(BmpTgaTest, EveryTgaLayoutAndOrientation)
{
    int n = 0;
    for (int depth : {24, 32})
        for (int type : {2, 10, 9})
            for (uint8_t descriptor : {uint8_t(0x00), uint8_t(0x20), uint8_t(0x28)})
                for (auto size : {std::pair<int, int>{1, 1}, {5, 3}, {37, 9}, {130, 2}}) {
                    TgaFile f = MakeTga(depth, type, descriptor, size.first, size.second, uint32_t(++n));
                    // The ID field is skipped; the origin fields are not read.
                    if (n % 2) f.id = "kesto picture";
                    f.originX = uint16_t(n * 7);
                    f.originY = uint16_t(n * 3);
                    const std::string what = std::to_string(depth) + "-bit type " + std::to_string(type) +
                                             " descriptor " + std::to_string(descriptor) + " " +
                                             std::to_string(size.first) + " x " + std::to_string(size.second);
                    LoadAndCompare("t" + std::to_string(n) + ".tga", f.Bytes(), FromTga(f), what);
                }
}

TEST_F(BmpTgaTest, DescriptorBitFiveAloneDecidesTheRowOrder)
{
    // The same stored bytes read top row first and bottom row first are each
    // other's mirror image; the origin fields change nothing.
    TgaFile top = MakeTga(32, 2, 0x20, 4, 3, 9);
    TgaFile bottom = top;
    bottom.descriptor = 0x00;
    bottom.pixels = StoredOrder(top.pixels, 4, 3, false); // same stored bytes
    bottom.originY = 3;
    ASSERT_EQ(top.Bytes().substr(18), bottom.Bytes().substr(18));
    MImage* a = Load("top.tga", top.Bytes());
    MImage* b = Load("bottom.tga", bottom.Bytes());
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    const std::vector<uint32_t> pa = ImagePixels(a), pb = ImagePixels(b);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(pa[size_t(y * 4 + x)], pb[size_t((2 - y) * 4 + x)]) << x << "," << y;
    EXPECT_EQ(pa, top.pixels);
    m_app->CloseImage(a);
    m_app->CloseImage(b);
}

// ---- colour key and packets -----------------------------------------------------------

TEST_F(BmpTgaTest, TheFirstPixelOfA24BitTgaIsItsTransparentColour)
{
    const uint32_t M = 0xFFFF00FF, A = 0xFF123456, nearM = 0xFFFF00FE, B = 0xFF000000;
    // Top row first; stored alpha is lost in 24-bit files.
    const std::vector<uint32_t> pixels = {M, A, M, nearM, B, M, 0x00FF00FF, A};
    for (int type : {2, 10}) {
        TgaFile f;
        f.depth = 24;
        f.type = type;
        f.width = 4;
        f.height = 2;
        f.pixels = pixels;
        MImage* img = Load("key" + std::to_string(type) + ".tga", f.Bytes());
        ASSERT_NE(img, nullptr);
        const std::vector<uint32_t> want = {0, A, 0, nearM, B, 0, 0, A};
        EXPECT_EQ(ImagePixels(img), want) << "type " << type;
        m_app->CloseImage(img);

        // With alpha stored, nothing is keyed: 32-bit pixels keep theirs.
        f.depth = 32;
        img = Load("nokey" + std::to_string(type) + ".tga", f.Bytes());
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(ImagePixels(img), pixels) << "type " << type;
        m_app->CloseImage(img);
    }
}

TEST_F(BmpTgaTest, PackedKeyIsThePixelAfterTheFirstHeaderAndAppliesToRunsAndRawPixels)
{
    const uint32_t K = 0xFF00FF00, C = 0xFF0000FF, D = 0xFFABCDEF;
    const struct {
        const char* what;
        std::vector<TgaPacket> packets;
    } cases[] = {
        {"first packet a run", {{true, 3, {K}}, {false, 3, {C, K, D}}, {true, 2, {K}}}},
        {"first packet raw", {{false, 2, {K, C}}, {true, 4, {K}}, {false, 2, {D, K}}}},
        {"key only at the start", {{false, 1, {K}}, {true, 6, {C}}, {false, 1, {D}}}},
    };
    int n = 0;
    for (const auto& c : cases) {
        for (uint8_t descriptor : {uint8_t(0x20), uint8_t(0x00)}) {
            TgaFile f;
            f.depth = 24;
            f.type = 10;
            f.descriptor = descriptor;
            f.width = 4;
            f.height = 2;
            f.packets = c.packets;
            f.pixels.assign(8, 0); // unused: the packets are written as they are
            LoadAndCompare("pk" + std::to_string(++n) + ".tga", f.Bytes(), FromTga(f), c.what);
        }
    }
}

TEST_F(BmpTgaTest, PacketsCarryOnAcrossRowEnds)
{
    const uint32_t P = 0x80112233, Q = 0xFF445566, R = 0x01778899;
    std::vector<uint32_t> raw9;
    for (uint32_t i = 0; i < 9; ++i) raw9.push_back(0xFF000000u | i * 0x010203u);
    const struct {
        const char* what;
        int width, height;
        std::vector<TgaPacket> packets;
    } cases[] = {
        {"a run over a row end", 5, 3, {{true, 7, {P}}, {false, 6, {Q, R, P, Q, R, P}}, {true, 2, {R}}}},
        {"a raw packet over three rows", 2, 5, {{true, 1, {Q}}, {false, 9, raw9}}},
        {"one run for the whole picture", 6, 4, {{true, 24, {R}}}},
        {"runs of 128 over many rows", 3, 100, {{true, 128, {P}}, {true, 128, {Q}}, {true, 44, {R}}}},
        {"the last packet runs past the picture", 3, 2, {{false, 4, {P, Q, R, P}}, {true, 100, {Q}}}},
    };
    for (const auto& c : cases) {
        for (int depth : {32, 24}) {
            for (uint8_t descriptor : {uint8_t(0x20), uint8_t(0x00)}) {
                TgaFile f;
                f.depth = depth;
                f.type = 10;
                f.descriptor = descriptor;
                f.width = c.width;
                f.height = c.height;
                f.packets = c.packets;
                f.pixels.assign(size_t(c.width * c.height), 0);
                LoadAndCompare("rows.tga", f.Bytes(), FromTga(f),
                               std::string(c.what) + ", " + std::to_string(depth) + "-bit");
            }
        }
    }
}

TEST_F(BmpTgaTest, SurplusOfTheLastPacketIsNeverRead)
{
    // A raw packet that claims 100 pixels where 2 are left: the file ends
    // after those two, and the picture is still whole.
    TgaFile f;
    f.depth = 32;
    f.type = 10;
    f.width = 2;
    f.height = 2;
    f.pixels.assign(4, 0);
    f.packets = {{true, 2, {0xFF010203}}, {false, 2, {0xFF040506, 0xFF070809}}};
    std::string bytes = f.Bytes();
    bytes[bytes.size() - 9] = char(0x63); // the raw header now says 100 pixels
    MImage* img = Load("surplus.tga", bytes);
    ASSERT_NE(img, nullptr);
    const std::vector<uint32_t> want = {0xFF010203, 0xFF010203, 0xFF040506, 0xFF070809};
    EXPECT_EQ(ImagePixels(img), want);
    m_app->CloseImage(img);
}

// ---- refused files ---------------------------------------------------------------------

TEST_F(BmpTgaTest, UnsupportedDepthsAndSignaturesAreRefused)
{
    const std::string bmp = MakeBmp(24, 4, 2, 1).Bytes();
    const std::string tga = MakeTga(32, 2, 0x20, 4, 2, 1).Bytes();
    for (int depth : {0, 1, 4, 15, 32, 48}) {
        std::string b = bmp;
        b[28] = char(depth);
        ExpectRefused("depth.bmp", b, "BMP depth " + std::to_string(depth));
    }
    for (int depth : {0, 8, 15, 16, 31, 64}) {
        for (int type : {2, 10}) {
            std::string t = tga;
            t[2] = char(type);
            t[16] = char(depth);
            ExpectRefused("depth.tga", t, "TGA depth " + std::to_string(depth) + " type " + std::to_string(type));
        }
    }
    for (const char* sig : {"BN", "MB", "bm", "\0\0"}) {
        std::string b = bmp;
        b[0] = sig[0];
        b[1] = sig[1];
        ExpectRefused("sig.bmp", b, std::string("signature ") + sig);
    }
    ExpectRefused("empty.bmp", "", "empty BMP");
    ExpectRefused("empty.tga", "", "empty TGA");
    EXPECT_EQ(m_app->LoadBMP("missing.bmp"), nullptr);
    EXPECT_EQ(m_app->LoadTGA("missing.tga"), nullptr);
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
}

TEST_F(BmpTgaTest, DimensionsOutsideWhatTheDeviceHoldsAreRefused)
{
    const auto withSize = [](std::string bytes, int at, uint32_t w, uint32_t h, int fieldBytes) {
        for (int i = 0; i < fieldBytes; ++i) {
            bytes[size_t(at + i)] = char(w >> (8 * i));
            bytes[size_t(at + fieldBytes + i)] = char(h >> (8 * i));
        }
        return bytes;
    };
    const std::string bmp = MakeBmp(24, 4, 2, 3).Bytes();
    const std::string tga = MakeTga(32, 2, 0x20, 4, 2, 3).Bytes();
    const struct {
        uint32_t w, h;
    } bmpSizes[] = {{0, 2}, {4, 0}, {0xFFFFFFFFu, 2}, {0x80000000u, 2}, {4, 0x80000000u}, {0x7FFFFFFF, 1},
                    {1, 0x7FFFFFFF}, {0x40000000, 4}};
    for (const auto& s : bmpSizes)
        ExpectRefused("size.bmp", withSize(bmp, 18, s.w, s.h, 4),
                      "BMP " + std::to_string(s.w) + " x " + std::to_string(int32_t(s.h)));
    for (const auto& s : {std::pair<uint32_t, uint32_t>{0, 2}, {4, 0}, {0, 0}, {65535, 65535}})
        for (int type : {2, 10}) {
            std::string t = withSize(tga, 12, s.first, s.second, 2);
            t[2] = char(type);
            ExpectRefused("size.tga", t, "TGA " + std::to_string(s.first) + " x " + std::to_string(s.second));
        }

    // Pictures whose data is all there but that are wider than the largest
    // texture: texture creation would end the process, so they never get there.
    BmpFile wide = MakeBmp(24, 16385, 1, 4);
    ExpectRefused("wide.bmp", wide.Bytes(), "BMP 16385 wide");
    TgaFile tall = MakeTga(24, 2, 0x20, 1, 16385, 4);
    ExpectRefused("tall.tga", tall.Bytes(), "TGA 16385 high");
    // The largest size itself loads.
    BmpFile widest = MakeBmp(24, 16384, 1, 5);
    LoadAndCompare("widest.bmp", widest.Bytes(), FromBmp(widest), "BMP 16384 wide");
}

// The most a run-length TGA can ask for: packets of 128 pixels in four bytes
// each, about 32 pixels per byte of file. Exactly that loads; a header that
// claims more pixels than its packets can cover is refused before a texture
// is made, whatever size it claims.
TEST_F(BmpTgaTest, RunLengthTgaAsksForAtMost32PixelsPerByte)
{
    const auto packed = [](unsigned width, unsigned height, size_t packets) {
        std::string t(18, '\0');
        t[2] = 10; // run-length true colour
        t[12] = char(width);
        t[13] = char(width >> 8);
        t[14] = char(height);
        t[15] = char(height >> 8);
        t[16] = 24;
        t[17] = 0x20;
        for (size_t i = 0; i < packets; ++i) t += std::string("\xFF\x10\x20\x30", 4); // 128 x one colour
        return t;
    };
    const std::string densest = packed(2048, 64, 2048 * 64 / 128);
    MImage* img = Load("densest.tga", densest);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->m_width, 2048);
    EXPECT_EQ(img->m_height, 64);
    EXPECT_LE(uint64_t(img->m_width) * img->m_height, 32 * densest.size());
    m_app->CloseImage(img);

    ExpectRefused("short.tga", densest.substr(0, densest.size() - 1), "one byte short of its packets");
    ExpectRefused("claims.tga", packed(16384, 16384, 2048 * 64 / 128), "16384 x 16384 over 4 KB of packets");
}

TEST_F(BmpTgaTest, HeadersPointingOutsideTheFileAreRefused)
{
    const auto put32 = [](std::string bytes, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char(v >> (8 * i));
        return bytes;
    };
    BmpFile f8 = MakeBmp(8, 3, 2, 11);
    f8.pixels[4] = 255;
    const std::string b8 = f8.Bytes();
    const std::string b24 = MakeBmp(24, 3, 2, 12).Bytes();
    const uint32_t size8 = uint32_t(b8.size());
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"rows start at the end", put32(b24, 10, uint32_t(b24.size()))},
        {"rows start past their room", put32(b24, 10, 58)},
        {"rows start far beyond", put32(b24, 10, 0xFFFFFFF0u)},
        {"palette beyond the end", put32(b8, 14, size8)},
        {"palette start wraps in 32 bits", put32(b8, 14, 0xFFFFFFF8u)},
        {"palette of less than one entry", put32(b8, 14, size8 - 14 - 3)},
        {"the file holds 8 entries, indices go to 255", put32(b8, 14, size8 - 14 - 32)},
    };
    for (const auto& c : cases) ExpectRefused("bad.bmp", c.bytes, c.what);

    // The palette's length comes from the file, not from the header: with
    // every index covered by the entries the file holds, the picture loads.
    BmpFile small = MakeBmp(8, 3, 2, 13);
    for (uint32_t& v : small.pixels) v &= 1;
    std::string bytes = small.Bytes();
    const size_t start = bytes.size() - 8; // two entries: the last row's bytes
    bytes = put32(bytes, 14, uint32_t(start - 14));
    Expected e = FromBmp(small);
    for (size_t i = 0; i < e.pixels.size(); ++i) {
        const size_t at = start + 4 * small.pixels[i];
        e.pixels[i] = uint32_t(uint8_t(bytes[at])) | uint32_t(uint8_t(bytes[at + 1])) << 8 |
                      uint32_t(uint8_t(bytes[at + 2])) << 16 | uint32_t(uint8_t(bytes[at + 3])) << 24;
    }
    LoadAndCompare("tail.bmp", bytes, e, "palette at the file's tail");

    const std::string tga = MakeTga(32, 10, 0x20, 3, 2, 14).Bytes();
    std::string longId = tga;
    longId[0] = char(255);
    ExpectRefused("id.tga", longId, "image ID past the end");
    std::string noPixel = tga.substr(0, 18);
    noPixel.push_back(char(0x80));
    ExpectRefused("nopixel.tga", noPixel, "run header without its pixel");
}

// A small well-formed file and what it decodes to.
struct Fixture {
    std::string name;
    std::string bytes;
    Expected expected;
    size_t needed; // the shortest prefix that still holds the whole picture
};

std::vector<Fixture> SmallFixtures()
{
    std::vector<Fixture> out;
    for (int depth : {8, 16, 24}) {
        for (int sign : {1, -1}) {
            const BmpFile f = MakeBmp(depth, 5, 3 * sign, uint32_t(depth * sign));
            out.push_back({"cut.bmp", f.Bytes(), FromBmp(f), f.PixelOffset() + f.Stride() * 2 + f.RowBytes()});
        }
    }
    for (int depth : {24, 32})
        for (int type : {2, 10})
            for (uint8_t descriptor : {uint8_t(0x00), uint8_t(0x20)}) {
                TgaFile f = MakeTga(depth, type, descriptor, 7, 5, uint32_t(depth + type + descriptor));
                f.id = "id";
                const std::string bytes = f.Bytes();
                out.push_back({"cut.tga", bytes, FromTga(f), bytes.size()});
            }
    // Rows wide enough for the packed decoder's whole-word stores.
    for (int depth : {24, 32})
        for (uint8_t descriptor : {uint8_t(0x00), uint8_t(0x20)}) {
            const TgaFile f = MakeTga(depth, 10, descriptor, 21, 4, uint32_t(depth * 3 + descriptor));
            const std::string bytes = f.Bytes();
            out.push_back({"cut.tga", bytes, FromTga(f), bytes.size()});
        }
    return out;
}

TEST_F(BmpTgaTest, FilesCutAtEveryLengthAreRefusedUntilThePictureIsWhole)
{
    for (const Fixture& fx : SmallFixtures()) {
        for (size_t len = 0; len <= fx.bytes.size(); ++len) {
            const std::string what = fx.name + " of " + std::to_string(fx.bytes.size()) + " bytes cut to " +
                                     std::to_string(len);
            const std::string name = Fresh(fx.name);
            if (len < fx.needed)
                ExpectRefused(name, fx.bytes.substr(0, len), what);
            else
                LoadAndCompare(name, fx.bytes.substr(0, len), fx.expected, what);
            if (HasFailure()) return;
        }
    }
}

TEST_F(BmpTgaTest, CorruptedFilesNeverFault)
{
    // Under AddressSanitizer a read outside the file or a write outside the
    // texture stops the run; here every load must merely finish, and whatever
    // loads must be readable whole and leave the cache with its last reference.
    int loaded = 0, refused = 0;
    for (const Fixture& fx : SmallFixtures()) {
        for (uint32_t seed = 1; seed <= 600; ++seed) {
            uint32_t s = seed * 0x9E3779B9u;
            std::string bytes = fx.bytes;
            const int edits = 1 + int(Rand(&s) % 6);
            for (int i = 0; i < edits; ++i) {
                // Half the damage goes to the headers, where it matters most.
                const size_t at = (Rand(&s) & 1) ? Rand(&s) % 32 : Rand(&s) % bytes.size();
                if (at < bytes.size()) bytes[at] = char(Rand(&s));
            }
            if (Rand(&s) % 4 == 0) bytes.resize(Rand(&s) % (bytes.size() + 1));
            if (Rand(&s) % 8 == 0) bytes += kes::test::Bytes(Rand(&s) % 300, seed);
            const std::string name = Fresh(fx.name);
            MImage* img = Load(name, bytes);
            if (!img) {
                ++refused;
                ASSERT_FALSE(Cached(name)) << fx.name << " seed " << seed;
                continue;
            }
            ++loaded;
            ASSERT_GT(img->m_width, 0);
            ASSERT_GT(img->m_height, 0);
            ASSERT_EQ(ImagePixels(img).size(), size_t(img->m_width) * size_t(img->m_height));
            ASSERT_EQ(img->RefCount(), 1);
            m_app->CloseImage(img);
            ASSERT_FALSE(Cached(name));
        }
    }
    // Both outcomes occur, so the damage reached the decoders as well as the checks.
    EXPECT_GT(loaded, 100);
    EXPECT_GT(refused, 100);
}

TEST_F(BmpTgaTest, NoNameIsReportedAndGivesNull)
{
    for (int tga : {0, 1}) {
        AssertRecorder reports;
        EXPECT_EQ(tga ? m_app->LoadTGA(nullptr) : m_app->LoadBMP(nullptr), nullptr);
        EXPECT_TRUE(reports.SawOnly(L"fname", L"Core/KesLoadImage"));
    }
}

// ---- the cache -------------------------------------------------------------------------

TEST_F(BmpTgaTest, ASecondLoadReturnsTheCachedImageWithoutReadingTheFile)
{
    const BmpFile bmp = MakeBmp(24, 3, 3, 21);
    const TgaFile tga = MakeTga(32, 10, 0x20, 3, 3, 21);
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {{"again.bmp", bmp.Bytes()}, {"again.tga", tga.Bytes()}};
    for (const auto& f : files) {
        MImage* first = Load(f.name, f.bytes);
        ASSERT_NE(first, nullptr);
        ASSERT_EQ(remove(f.name), 0); // a second read would fail now
        MImage* second = std::string(f.name).find(".tga") != std::string::npos ? m_app->LoadTGA(f.name)
                                                                                : m_app->LoadBMP(f.name);
        EXPECT_EQ(second, first) << f.name;
        EXPECT_EQ(first->RefCount(), 2) << f.name;
        m_app->CloseImage(first);
        EXPECT_EQ(m_app->FindImageCache(WString2ID(f.name)), first) << f.name;
        m_app->CloseImage(first);
        EXPECT_FALSE(Cached(f.name)) << f.name;
    }
}

TEST_F(BmpTgaTest, TheLoadersShareOneCacheByName)
{
    // The cache knows names, not formats: LoadTGA (and LoadJPEG) of a name
    // that LoadBMP loaded returns that image, and the other way round.
    const BmpFile bmp = MakeBmp(16, 3, 2, 31);
    MImage* img = Load("shared.pic", bmp.Bytes());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(m_app->LoadTGA("shared.pic"), img);
    EXPECT_EQ(m_app->LoadJPEG("shared.pic"), img);
    EXPECT_EQ(img->RefCount(), 3);
    EXPECT_EQ(img->m_format, KES_FMT_R5G6B5);

    const TgaFile tga = MakeTga(24, 2, 0x20, 2, 2, 32);
    m_dir.Write("other.pic", tga.Bytes());
    MImage* t = m_app->LoadTGA("other.pic");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(m_app->LoadBMP("other.pic"), t);
    EXPECT_EQ(m_app->LoadJPEG("other.pic"), t);
    EXPECT_EQ(t->RefCount(), 3);

    // An image that another loader registered (LoadJPEG registers its
    // pictures the same way) is found by name before any file is read.
    MImage* jpeg = m_render->CreateTextureImage(8, 8, KES_FMT_R5G6B5);
    jpeg->m_id = WString2ID("title.jpg");
    m_app->InsertImageCache(jpeg);
    EXPECT_EQ(m_app->LoadBMP("title.jpg"), jpeg);
    EXPECT_EQ(m_app->LoadTGA("title.jpg"), jpeg);
    EXPECT_EQ(jpeg->RefCount(), 3);

    for (MImage* i : {img, img, img, t, t, t, jpeg, jpeg, jpeg}) m_app->CloseImage(i);
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
}

TEST_F(BmpTgaTest, AfterTheLastCloseTheFileIsDecodedAgain)
{
    TgaFile f = MakeTga(32, 2, 0x20, 2, 1, 41);
    f.pixels = {0xFFFF0000, 0xFFFF0000};
    MImage* img = Load("fresh.tga", f.Bytes());
    ASSERT_NE(img, nullptr);
    m_app->CloseImage(img);
    f.pixels = {0xFF0000FF, 0x800000FF};
    img = Load("fresh.tga", f.Bytes());
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(ImagePixels(img), f.pixels);
    m_app->CloseImage(img);
}

// ---- where the bytes come from -----------------------------------------------------------

TEST_F(BmpTgaTest, PicturesLoadFromAnArchive)
{
    const BmpFile bmp = MakeBmp(8, 6, -4, 51);
    const TgaFile tga = MakeTga(24, 10, 0x00, 9, 4, 52);
    kes::wdf::ArchiveWriter w;
    w.AddNamed("pics/ui/panel.bmp", bmp.Bytes());
    w.AddNamed("pics/ui/cursor.tga", tga.Bytes());
    std::string error;
    ASSERT_TRUE(w.Write("pics.wdf", &error)) << error;
    ASSERT_EQ(MFile::OpenDataFile("pics.wdf"), 1);

    MImage* a = m_app->LoadBMP("pics/ui/panel.bmp");
    ExpectPicture(a, FromBmp(bmp), "archived BMP");
    MImage* b = m_app->LoadTGA("pics/ui/cursor.tga");
    ExpectPicture(b, FromTga(tga), "archived TGA");
    if (a) m_app->CloseImage(a);
    if (b) m_app->CloseImage(b);
    EXPECT_EQ(m_app->LoadTGA("pics/ui/missing.tga"), nullptr);
}

TEST_F(BmpTgaTest, RowsFollowThePitchOfRoundedUpTextures)
{
    KesPlatformSetPow2Textures(1);
    const BmpFile bmp = MakeBmp(16, 5, 3, 61);
    const TgaFile tga = MakeTga(24, 10, 0x00, 5, 3, 62);
    MImage* a = Load("pow2.bmp", bmp.Bytes());
    ExpectPicture(a, FromBmp(bmp), "BMP in a rounded-up texture");
    MImage* b = Load("pow2.tga", tga.Bytes());
    ExpectPicture(b, FromTga(tga), "TGA in a rounded-up texture");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->m_texU, 5.0f / 8.0f);
    EXPECT_EQ(b->m_texV, 3.0f / 4.0f);
    m_app->CloseImage(a);
    m_app->CloseImage(b);
}

} // namespace
