// LoadXYJPEG: 4:2:0 tiles held in memory. A file's headers followed by its
// scan without stuffing decode as the file does; row slices cut out of a
// scan (each with the predictors and bit offset of its starting point)
// decode as the whole scan; the caller's width and height decide the
// picture; restart intervals, grey and 4:4:4 tiles are left undecoded;
// refused headers give null.
#include "JpegFixtures.h"
#include "KesJpeg.h"
#include "RenderFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

using kes::test::ByteVec;
using kes::test::EncodeOptions;
using kes::test::Rgb;
using kes::test::ScratchDir;

class JpegTile : public kes::test::RenderTest {
protected:
    // The file's own decode by LoadJPEG.
    std::vector<uint16_t> FilePixels(const ByteVec& file)
    {
        const std::string name = "tile" + std::to_string(m_serial++) + ".jpg";
        m_dir.Write(name, std::string(file.begin(), file.end()));
        MImage* img = m_app->LoadJPEG(name.c_str());
        if (!img) return {};
        std::vector<uint16_t> px = kes::test::ReadImage(img);
        m_app->CloseImage(img);
        return px;
    }

    // A tile's pixels, or empty when the loader returns null. The buffers
    // are copies of exactly the given sizes (the form without a length of
    // rowData aside), so that a read past them is a fault under
    // AddressSanitizer.
    std::vector<uint16_t> Tile(const ByteVec& headers, int width, int height, const ByteVec* rows, bool bounded,
                               MImage** keep = nullptr)
    {
        std::vector<uint8_t> h(headers);
        std::vector<uint8_t> r = rows ? *rows : std::vector<uint8_t>();
        // Without a length the reader may look up to 8 bytes past the last
        // slice: callers of that form keep that much readable.
        if (rows && !bounded) r.resize(r.size() + 8, 0);
        MImage* img = bounded ? m_app->LoadXYJPEG(h.data(), int(h.size()), width, height, rows ? r.data() : nullptr,
                                                   int(r.size()))
                              : m_app->LoadXYJPEG(h.data(), int(h.size()), width, height, rows ? r.data() : nullptr);
        if (!img) return {};
        EXPECT_EQ(img->m_id, 0u);
        EXPECT_EQ(img->m_format, KES_FMT_R5G6B5);
        std::vector<uint16_t> px = kes::test::ReadImage(img);
        if (keep)
            *keep = img;
        else
            img->Release();
        return px;
    }

    ScratchDir m_dir;
    int m_serial = 0;
};

ByteVec Photo420(int w, int h, unsigned seed, int quality = 85)
{
    EncodeOptions o;
    o.quality = quality;
    return kes::test::Encode(kes::test::PhotoLike(w, h, seed), o);
}

TEST_F(JpegTile, HeadersAndScanDecodeAsTheFile)
{
    for (const auto& size : std::vector<std::pair<int, int>>{{16, 16}, {33, 65}, {227, 131}, {256, 256}}) {
        const ByteVec file = Photo420(size.first, size.second, unsigned(size.first));
        const std::vector<uint16_t> want = FilePixels(file);
        ASSERT_FALSE(want.empty());
        const ByteVec tile = kes::test::TileFromFile(file);
        for (bool bounded : {false, true}) {
            MImage* img = nullptr;
            EXPECT_EQ(Tile(tile, 0, 0, nullptr, bounded, &img), want) << size.first << "x" << size.second;
            ASSERT_NE(img, nullptr);
            EXPECT_EQ(img->m_width, size.first);
            EXPECT_EQ(img->m_height, size.second);
            img->Release();
        }
    }
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0) << "tiles are not cached";
}

TEST_F(JpegTile, RowSlicesDecodeAsTheWholeScan)
{
    struct Case {
        int w, h, extra;
        size_t slices;
    };
    for (const Case& k : {Case{256, 256, 0, 16}, Case{256, 256, 2, 16}, Case{200, 72, 0, 5}, Case{31, 17, 1, 2}}) {
        const ByteVec file = Photo420(k.w, k.h, unsigned(k.h));
        const std::vector<uint16_t> want = FilePixels(file);
        const kes::test::RowSlices slices = kes::test::SliceRows(file, k.extra);
        ASSERT_EQ(slices.sliceStart.size(), k.slices);
        // Most rows end inside a byte; the next slice still starts on the next byte.
        int partial = 0;
        for (size_t s = 0; s < slices.sliceStart.size(); ++s) partial += (slices.rows[slices.sliceStart[s] + 6] % 8) != 0;
        EXPECT_GT(partial, 0);
        // The headers alone (SOS must not be their last byte) and the slices.
        ByteVec headers = slices.headers;
        headers.push_back(0);
        const std::string what = std::to_string(k.w) + "x" + std::to_string(k.h) + " skip " + std::to_string(k.extra);
        EXPECT_EQ(Tile(headers, 0, 0, &slices.rows, false), want) << what;
        EXPECT_EQ(Tile(headers, 0, 0, &slices.rows, true), want) << what << " (bounded)";
        EXPECT_EQ(Tile(headers, k.w, k.h, &slices.rows, true), want) << what << " (sized)";
    }
}

// Without a length, the slices are trusted with up to 8 readable bytes past
// the last byte the decoder uses. Row slices are placed so that exactly 8
// bytes follow their end and then an inaccessible page: reading further
// faults. The tiles are chosen so that their scans end at every bit
// position within a byte.
TEST_F(JpegTile, ReadsStayWithinEightBytesOfTheSlicesEnd)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    bool endsAt[8] = {};
    int covered = 0;
    for (unsigned seed = 0; seed < 200 && covered < 8; ++seed) {
        const int w = 16 + int(seed % 7) * 16, h = 16 + int(seed % 5) * 8;
        const ByteVec file = Photo420(w, h, seed, 60 + int(seed % 30));
        const kes::test::RowSlices slices = kes::test::SliceRows(file, 0);
        if (endsAt[slices.endBit]) continue;
        endsAt[slices.endBit] = true;
        const std::vector<uint16_t> want = FilePixels(file);
        ASSERT_FALSE(want.empty());
        ++covered;

        const size_t bytes = slices.rows.size() + 8;
        const size_t span = (bytes + page - 1) / page * page;
        uint8_t* map = static_cast<uint8_t*>(mmap(nullptr, span + page, PROT_READ | PROT_WRITE,
                                                  MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        ASSERT_NE(map, MAP_FAILED);
        ASSERT_EQ(mprotect(map + span, page, PROT_NONE), 0);
        uint8_t* rows = map + span - bytes;
        memcpy(rows, slices.rows.data(), slices.rows.size());
        memset(rows + slices.rows.size(), 0, 8);

        ByteVec headers = slices.headers;
        headers.push_back(0);
        MImage* img = m_app->LoadXYJPEG(headers.data(), int(headers.size()), 0, 0, rows);
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(kes::test::ReadImage(img), want) << w << "x" << h << " seed " << seed;
        img->Release();
        munmap(map, span + page);
    }
    EXPECT_EQ(covered, 8) << "tiles ending at every bit of a byte";
}

// A tile's scan is taken bit for bit: FF 00 there is two bytes of data.
// The file whose scan stuffs every FF of the tile's scan decodes the same bits.
TEST_F(JpegTile, StuffedPairsAreTwoDataBytes)
{
    const ByteVec file = Photo420(227, 131, 8, 95);
    const kes::test::JpegParts parts = kes::test::FindParts(file);
    const ByteVec raw(file.begin() + ptrdiff_t(parts.scan), file.begin() + ptrdiff_t(parts.scanEnd));
    int pairs = 0;
    for (size_t i = 0; i + 1 < raw.size(); ++i) pairs += raw[i] == 0xFF && raw[i + 1] == 0x00;
    ASSERT_GT(pairs, 0);

    ByteVec tile(file.begin(), file.begin() + ptrdiff_t(parts.scan));
    ByteVec restuffed = tile;
    tile.insert(tile.end(), raw.begin(), raw.end());
    for (uint8_t b : raw) {
        restuffed.push_back(b);
        if (b == 0xFF) restuffed.push_back(0x00);
    }
    restuffed.insert(restuffed.end(), {0xFF, 0xD9});
    const std::vector<uint16_t> want = FilePixels(restuffed);
    ASSERT_FALSE(want.empty());
    EXPECT_EQ(Tile(tile, 0, 0, nullptr, true), want);
    EXPECT_NE(want, FilePixels(file)) << "the extra bytes must have changed the picture";
}

TEST_F(JpegTile, CallerSizeDecidesThePicture)
{
    const ByteVec file = Photo420(48, 64, 9);
    const std::vector<uint16_t> full = FilePixels(file);
    const ByteVec tile = kes::test::TileFromFile(file);

    // The frame's size given: the file's picture.
    EXPECT_EQ(Tile(tile, 48, 64, nullptr, true), full);

    // Fewer rows: exactly that size, the rows there are the file's.
    MImage* img = nullptr;
    const std::vector<uint16_t> top = Tile(tile, 48, 40, nullptr, true, &img);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->m_width, 48);
    EXPECT_EQ(img->m_height, 40);
    img->Release();
    EXPECT_EQ(top, std::vector<uint16_t>(full.begin(), full.begin() + 48 * 40));

    // Other widths change the grid: the picture has that size, whatever it shows.
    ASSERT_EQ(Tile(tile, 100, 20, nullptr, true, &img).size(), 100u * 20u);
    EXPECT_EQ(img->m_width, 100);
    EXPECT_EQ(img->m_height, 20);
    img->Release();

    // One of the two zero: both come from the frame.
    for (auto wh : {std::make_pair(0, 10), std::make_pair(10, 0)}) {
        ASSERT_FALSE(Tile(tile, wh.first, wh.second, nullptr, true, &img).empty());
        EXPECT_EQ(img->m_width, 48);
        EXPECT_EQ(img->m_height, 64);
        img->Release();
    }
}

TEST_F(JpegTile, OtherLayoutsAreLeftUndecoded)
{
    const Rgb picture = kes::test::PhotoLike(40, 40, 10);
    struct Case {
        const char* what;
        EncodeOptions o;
    };
    EncodeOptions grey, full, restart;
    grey.sampling = kes::test::SAMP_GREY;
    full.sampling = kes::test::SAMP_444;
    restart.restartMcus = 2;
    for (const Case& k : {Case{"grey", grey}, Case{"4:4:4", full}, Case{"restart interval", restart}}) {
        const ByteVec tile = kes::test::TileFromFile(kes::test::Encode(picture, k.o));
        const std::vector<uint16_t> px = Tile(tile, 0, 0, nullptr, true);
        ASSERT_EQ(px.size(), 40u * 40u) << k.what;
        // The new texture's pixels, untouched.
        EXPECT_EQ(px, std::vector<uint16_t>(px.size(), 0)) << k.what;
    }
    // The same picture as a 4:2:0 tile does get pixels.
    const std::vector<uint16_t> decoded = Tile(kes::test::TileFromFile(kes::test::Encode(picture, EncodeOptions())), 0, 0,
                                               nullptr, true);
    EXPECT_NE(decoded, std::vector<uint16_t>(decoded.size(), 0));
}

TEST_F(JpegTile, RefusedHeadersGiveNoImage)
{
    const ByteVec good = kes::test::TileFromFile(Photo420(32, 32, 11));
    const kes::test::JpegParts parts = kes::test::FindParts(Photo420(32, 32, 11));
    ByteVec noSoi = good;
    noSoi[0] = 0;
    ByteVec noFrame;
    for (size_t i = 0; i < good.size();) {
        if (i >= 2 && i < parts.scan && good[i] == 0xFF && good[i + 1] == 0xC0) {
            i += 2 + (size_t(good[i + 2]) << 8 | good[i + 3]);
            continue;
        }
        noFrame.push_back(good[i++]);
    }
    EncodeOptions o422;
    o422.sampling = kes::test::SAMP_422;
    const ByteVec tile422 = kes::test::TileFromFile(kes::test::Encode(kes::test::PhotoLike(32, 32, 11), o422));
    const ByteVec headersOnly(good.begin(), good.begin() + ptrdiff_t(parts.scan));

    struct Case {
        const char* what;
        const ByteVec* bytes;
        int w, h;
    };
    for (const Case& k : {Case{"no SOI", &noSoi, 32, 32}, Case{"no SOI, size from the frame", &noSoi, 0, 0},
                          Case{"no frame, size from the frame", &noFrame, 0, 0},
                          Case{"no frame, size given", &noFrame, 32, 32}, Case{"4:2:2", &tile422, 0, 0},
                          Case{"nothing after the scan header", &headersOnly, 32, 32},
                          Case{"negative width", &good, -32, 32}}) {
        for (bool bounded : {false, true})
            EXPECT_TRUE(Tile(*k.bytes, k.w, k.h, nullptr, bounded).empty()) << k.what << (bounded ? " (bounded)" : "");
    }

    kes::test::AssertRecorder reports;
    EXPECT_EQ(m_app->LoadXYJPEG(nullptr, 10, 0, 0, nullptr), nullptr);
    EXPECT_TRUE(reports.SawOnly(L"jpegdata", L"Core/KesLoadImage"));
}

} // namespace
