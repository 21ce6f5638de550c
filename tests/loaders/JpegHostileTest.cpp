// Damaged and hostile JPEG input: files cut short at every length, random
// bytes changed anywhere, header fields set to values no encoder writes,
// tiles whose headers or row slices are cut or scrambled. Each load must
// give an image or null, with no read or write outside the buffers (the
// suite runs under AddressSanitizer), no leak, and no end of the process
// (a texture that cannot be made would end it).
#include "JpegFixtures.h"
#include "KesJpeg.h"
#include "RenderFixture.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using kes::test::ByteVec;
using kes::test::EncodeOptions;
using kes::test::HandMadeJpeg;
using kes::test::ScratchDir;

class JpegHostile : public kes::test::RenderTest {
protected:
    // 1 when LoadJPEG made an image of the file, 0 when it returned null.
    int LoadFile(const ByteVec& bytes)
    {
        const std::string name = "h" + std::to_string(m_serial++) + ".jpg";
        m_dir.Write(name, std::string(bytes.begin(), bytes.end()));
        MImage* img = m_app->LoadJPEG(name.c_str());
        if (!img) return 0;
        m_app->CloseImage(img);
        return 1;
    }

    // The same for a tile, from copies of exactly the sizes given.
    int LoadTile(const ByteVec& headers, int w, int h, const ByteVec* rows)
    {
        std::vector<uint8_t> hd(headers);
        std::vector<uint8_t> r = rows ? *rows : std::vector<uint8_t>();
        uint8_t none = 0; // an empty buffer still has an address
        MImage* img = m_app->LoadXYJPEG(hd.empty() ? &none : hd.data(), int(hd.size()), w, h,
                                        rows ? (r.empty() ? &none : r.data()) : nullptr, int(r.size()));
        if (!img) return 0;
        img->Release();
        return 1;
    }

    ScratchDir m_dir;
    int m_serial = 0;
};

std::vector<ByteVec> Fixtures()
{
    std::vector<ByteVec> files;
    const kes::test::Sampling samplings[] = {kes::test::SAMP_GREY, kes::test::SAMP_444, kes::test::SAMP_420};
    for (int i = 0; i < 3; ++i) {
        EncodeOptions o;
        o.sampling = samplings[i];
        o.restartMcus = i == 1 ? 2 : 0;
        files.push_back(kes::test::Encode(kes::test::PhotoLike(37, 23, unsigned(i)), o));
    }
    return files;
}

TEST_F(JpegHostile, FilesCutShortAtEveryLength)
{
    for (const ByteVec& file : Fixtures()) {
        const size_t scan = kes::test::FindParts(file).scan;
        // A file cut near its end still loads, the rest reading as zero
        // bits; one that keeps too little of its scan for its size is
        // refused; in between, once a cut loads, every longer one does.
        const size_t nearEnd = scan + (file.size() - scan) * 9 / 10;
        bool loaded = false;
        for (size_t n = 0; n <= file.size(); ++n) {
            const int made = LoadFile(ByteVec(file.begin(), file.begin() + ptrdiff_t(n)));
            if (n <= scan + 1) {
                EXPECT_EQ(made, 0) << "cut at " << n << " of " << file.size();
            } else if (n >= nearEnd || loaded) {
                EXPECT_EQ(made, 1) << "cut at " << n << " of " << file.size();
            }
            loaded = loaded || made;
        }
    }
}

TEST_F(JpegHostile, RandomDamageAnywhere)
{
    std::mt19937 rng(21);
    const std::vector<ByteVec> files = Fixtures();
    int made = 0;
    for (int seed = 0; seed < 1500; ++seed) {
        ByteVec f = files[size_t(seed) % files.size()];
        const int changes = 1 + int(rng() % 8);
        for (int c = 0; c < changes; ++c) {
            const size_t at = rng() % f.size();
            switch (rng() % 4) {
            case 0: f[at] = uint8_t(rng()); break;
            case 1: f[at] ^= uint8_t(1u << (rng() % 8)); break;
            case 2: f[at] = 0xFF; break;
            default: f.erase(f.begin() + ptrdiff_t(at)); break;
            }
        }
        made += LoadFile(f);
    }
    EXPECT_GT(made, 100);
}

TEST_F(JpegHostile, HostileHeaderValues)
{
    const kes::test::HuffTable dc = kes::test::StandardDcTable(), ac = kes::test::StandardAcTable();
    // A grey 8 x 8 picture of one flat block: DC difference 0, EOB.
    kes::test::BitWriter w(true);
    dc.Write(w, 0);
    ac.Write(w, 0);
    w.Flush();
    // Eight of them, for a row of 64 pixels.
    kes::test::BitWriter w8(true);
    for (int b = 0; b < 8; ++b) {
        dc.Write(w8, 0);
        ac.Write(w8, 0);
    }
    w8.Flush();
    const ByteVec eightFlatBlocks = w8.Bytes();
    HandMadeJpeg base;
    base.dqt = {kes::test::Quant8(0, 1)};
    base.dht = {dc.Segment(0x00), ac.Segment(0x10)};
    base.scan = w.Bytes();
    ASSERT_EQ(LoadFile(base.Build()), 1);

    auto edit = [&](auto change) {
        HandMadeJpeg j = base;
        change(j);
        return j.Build();
    };
    // Counts whose codes overflow their lengths, fitting the segment.
    ByteVec overfull = ac.Segment(0x10);
    overfull[1] = 5;  // five codes of one bit
    overfull.insert(overfull.end(), 5, 0x00);
    ByteVec pastSegment = ac.Segment(0x10);
    pastSegment[16] = 200; // more symbols than the segment holds
    uint16_t wide[64];
    for (int k = 0; k < 64; ++k) wide[k] = uint16_t(0xFFFF - k);
    ByteVec shortDqt = kes::test::Quant8(0, 1);
    shortDqt.resize(40);

    struct Case {
        const char* what;
        ByteVec bytes;
        int made;
    };
    const std::vector<Case> cases = {
        {"four components", edit([](HandMadeJpeg& j) { j.components = {{1, 0x11, 0}, {2, 0x11, 0}, {3, 0x11, 0}, {4, 0x11, 0}}; }), 0},
        {"no components", edit([](HandMadeJpeg& j) { j.components = {}; j.scanTables = {}; }), 0},
        {"two components", edit([](HandMadeJpeg& j) {
             j.components = {{1, 0x11, 0}, {2, 0x11, 0}};
             j.scanTables = {{1, 0x00}, {2, 0x00}};
         }), 0},
        {"component id 0", edit([](HandMadeJpeg& j) { j.components = {{0, 0x11, 0}}; j.scanTables = {{0, 0x00}}; }), 0},
        {"component id 4", edit([](HandMadeJpeg& j) { j.components = {{4, 0x11, 0}}; j.scanTables = {{4, 0x00}}; }), 0},
        {"grey component id 2", edit([](HandMadeJpeg& j) { j.components = {{2, 0x11, 0}}; j.scanTables = {{2, 0x00}}; }), 0},
        {"repeated component ids", edit([](HandMadeJpeg& j) {
             j.components = {{1, 0x11, 0}, {1, 0x11, 0}, {3, 0x11, 0}};
             j.scanTables = {{1, 0x00}, {1, 0x00}, {3, 0x00}};
         }), 0},
        {"sampling factor 0", edit([](HandMadeJpeg& j) { j.components = {{1, 0x10, 0}}; }), 0},
        {"sampling factor 3", edit([](HandMadeJpeg& j) { j.components = {{1, 0x33, 0}}; }), 0},
        {"grey sampled 2 x 1", edit([](HandMadeJpeg& j) { j.components = {{1, 0x21, 0}}; }), 0},
        {"grey sampled 2 x 2 (decoded in 8 x 8 blocks)", edit([](HandMadeJpeg& j) { j.components = {{1, 0x22, 0}}; }), 1},
        {"scan names a component count the frame lacks", edit([](HandMadeJpeg& j) { j.scanTables = {{1, 0}, {2, 0}}; }), 0},
        {"scan selector 0", edit([](HandMadeJpeg& j) { j.scanTables = {{0, 0x00}}; }), 0},
        {"scan selector not in the frame", edit([](HandMadeJpeg& j) { j.scanTables = {{3, 0x00}}; }), 0},
        {"scan with no components", edit([](HandMadeJpeg& j) { j.scanTables = {}; }), 0},
        {"scan names a missing Huffman table", edit([](HandMadeJpeg& j) { j.scanTables = {{1, 0x11}}; }), 0},
        {"frame names a missing quantisation table", edit([](HandMadeJpeg& j) { j.components = {{1, 0x11, 2}}; }), 0},
        {"Huffman counts overflowing their lengths", edit([&](HandMadeJpeg& j) { j.dht = {dc.Segment(0x00), overfull}; }), 1},
        {"Huffman table running past its segment", edit([&](HandMadeJpeg& j) { j.dht = {dc.Segment(0x00), pastSegment}; }), 0},
        {"Huffman and quantisation tables defined twice",
         edit([&](HandMadeJpeg& j) {
             j.dht = {ac.Segment(0x00), ac.Segment(0x10), dc.Segment(0x00), ac.Segment(0x10)};
             j.dqt = {kes::test::Quant8(0, 9), kes::test::Quant8(0, 1)};
         }),
         1},
        {"16-bit quantisation entries", edit([&](HandMadeJpeg& j) { j.dqt = {kes::test::Quant16(0, wide)}; }), 1},
        {"quantisation table cut short", edit([&](HandMadeJpeg& j) { j.dqt = {shortDqt}; }), 0},
        {"width 0", edit([](HandMadeJpeg& j) { j.width = 0; }), 0},
        {"height 0", edit([](HandMadeJpeg& j) { j.height = 0; }), 0},
        {"larger than any texture", edit([](HandMadeJpeg& j) { j.width = j.height = 65535; }), 0},
        {"wide beyond the largest texture", edit([](HandMadeJpeg& j) { j.width = 20000; j.height = 1; }), 0},
        {"restart interval without markers", edit([&](HandMadeJpeg& j) {
             j.width = 64;
             j.restartInterval = 1;
             j.scan = eightFlatBlocks;
         }), 1},
        // A few bytes of scan cannot cover 16384 x 16384 pixels (4 M blocks
        // of at least 4 bits each): refused before a 512 MB texture is made.
        {"a huge frame over a scan of a few bytes", edit([](HandMadeJpeg& j) { j.width = j.height = 16384; }), 0},
        {"a frame the scan can only just cover", edit([&](HandMadeJpeg& j) {
             j.width = 64;
             j.scan = eightFlatBlocks;
         }), 1},
        {"restart interval 65535", edit([](HandMadeJpeg& j) { j.restartInterval = 65535; }), 1},
        {"no end of image", edit([](HandMadeJpeg& j) { j.eoi = false; }), 1},
    };
    for (const Case& k : cases) EXPECT_EQ(LoadFile(k.bytes), k.made) << k.what;

    // Segment lengths that cannot be: below their own two bytes, past the
    // end, a DRI too short for its value.
    const ByteVec good = base.Build();
    auto spliced = [&](ByteVec seg) {
        ByteVec f(good.begin(), good.begin() + 2);
        f.insert(f.end(), seg.begin(), seg.end());
        f.insert(f.end(), good.begin() + 2, good.end());
        return f;
    };
    EXPECT_EQ(LoadFile(spliced({0xFF, 0xE0, 0x00, 0x00})), 0) << "length 0";
    EXPECT_EQ(LoadFile(spliced({0xFF, 0xE0, 0x00, 0x01})), 0) << "length 1";
    EXPECT_EQ(LoadFile(spliced({0xFF, 0xE0, 0xFF, 0xFF})), 0) << "length past the end";
    EXPECT_EQ(LoadFile(spliced({0xFF, 0xDD, 0x00, 0x02})), 0) << "DRI without its value";
    EXPECT_EQ(LoadFile(spliced({0xFF, 0xE1, 0x00, 0x04, 0xAB, 0xCD})), 1) << "a segment skipped";
    EXPECT_EQ(LoadFile(spliced({0xFF, 0x01, 0xFF, 0xA0, 0xFF, 0xD8})), 1) << "standalone markers";
    EXPECT_EQ(LoadFile(spliced({0x12, 0x34, 0x00, 0x04, 0xAB, 0xCD})), 1) << "a pair that is no marker, skipped";
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
}

TEST_F(JpegHostile, TilesCutShortOrScrambled)
{
    EncodeOptions o;
    const ByteVec file = kes::test::Encode(kes::test::PhotoLike(64, 48, 31), o);
    const kes::test::RowSlices slices = kes::test::SliceRows(file, 0);
    ByteVec headers = slices.headers;
    headers.push_back(0);
    const ByteVec tile = kes::test::TileFromFile(file);
    ASSERT_EQ(LoadTile(headers, 0, 0, &slices.rows), 1);

    // Row data cut at every length: the rest reads as zeros.
    for (size_t n = 0; n <= slices.rows.size(); ++n) {
        const ByteVec rows(slices.rows.begin(), slices.rows.begin() + ptrdiff_t(n));
        EXPECT_EQ(LoadTile(headers, 0, 0, &rows), 1) << "rows cut at " << n;
    }
    // Headers (and the scan after them) cut at every length.
    for (size_t n = 0; n <= tile.size(); n += (n < 700 ? 1 : 37)) {
        const ByteVec cut(tile.begin(), tile.begin() + ptrdiff_t(n));
        LoadTile(cut, 0, 0, nullptr);
        LoadTile(cut, 64, 48, nullptr);
        LoadTile(cut, 0, 0, &slices.rows);
    }
    // Row headers with any predictors and bit offsets, scrambled data, and
    // a grid larger than the slices cover.
    std::mt19937 rng(33);
    for (int seed = 0; seed < 400; ++seed) {
        ByteVec rows = slices.rows;
        for (int c = 0; c < 1 + seed % 6; ++c) {
            const size_t s = slices.sliceStart[rng() % slices.sliceStart.size()];
            rows[std::min(rows.size() - 1, s + rng() % 8)] = uint8_t(rng());
        }
        if (seed % 3 == 0) rows[rng() % rows.size()] = uint8_t(rng());
        EXPECT_EQ(LoadTile(headers, seed % 5 == 0 ? 200 : 0, seed % 5 == 0 ? 120 : 0, &rows), 1);
    }
    // Negative lengths are empty buffers.
    std::vector<uint8_t> h(headers);
    MImage* img = m_app->LoadXYJPEG(h.data(), -5, 0, 0, nullptr, 0);
    EXPECT_EQ(img, nullptr);
    std::vector<uint8_t> r(slices.rows);
    img = m_app->LoadXYJPEG(h.data(), int(h.size()), 0, 0, r.data(), -1);
    ASSERT_NE(img, nullptr);
    img->Release();
}

} // namespace
