// The JPEG decoder's parts below the file level: colour tables, the
// fixed-point inverse DCT against the exact transform of T.81 A.3.3, the
// MCU stores against the colour formulas, the SIMD routines against the
// portable ones, the Huffman lookahead against the search of the code list,
// and the decoding of one block's coefficients.
//
// Expected values come from the formulas (worked out here independently of
// the decoder) and from T.81, never from the decoder itself.
#include "JpegFixtures.h"
#include "KesJpeg.h"
#include "KesJpegEntropy.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <random>
#include <set>
#include <vector>

namespace {

using kes::test::BitWriter;
using kes::test::ByteVec;
using kes::test::HuffTable;

// ---- formulas worked out here ---------------------------------------------------------

// trunc(k * s + 1) >> 1 with k = num / den, the shift rounding down.
int HalfTerm(long num, long den, int s)
{
    const double exact = double(num) / double(den) * s + 1.0;
    const long t = long(exact); // truncates toward zero
    return int(floor(t / 2.0));
}

int ExpectTR(int s) { return HalfTerm(1402, 1000, s); }
int ExpectTGb(int s) { return HalfTerm(-34414, 100000, s); }
int ExpectTGr(int s) { return HalfTerm(-71414, 100000, s); }
int ExpectTB(int s) { return HalfTerm(1772, 1000, s); }

int Sat8(int v)
{
    return v < -128 ? -128 : v > 127 ? 127 : v;
}

// One pixel by the conversion steps: 7-bit halves, signed byte saturation,
// negatives to 0, then 5-6-5.
uint16_t ExpectPixel(int y, int cb, int cr)
{
    const int y2 = y >> 1;
    int r2 = Sat8(y2 + ExpectTR(cr));
    int g2 = Sat8(y2 + Sat8(ExpectTGb(cb) + ExpectTGr(cr)));
    int b2 = Sat8(y2 + ExpectTB(cb));
    r2 = r2 < 0 ? 0 : r2;
    g2 = g2 < 0 ? 0 : g2;
    b2 = b2 < 0 ? 0 : b2;
    return uint16_t((r2 >> 2) << 11 | (g2 >> 1) << 5 | (b2 >> 2));
}

uint16_t ExpectGrey(int y)
{
    return uint16_t((y >> 3) << 11 | (y >> 2) << 5 | (y >> 3));
}

double C(int k)
{
    return k == 0 ? M_SQRT1_2 : 1.0;
}

// T.81 A.3.3: the sample (less 128) at row y, column x of a block whose
// coefficient of horizontal frequency u and vertical frequency v is F[u][v].
double ExactIdct(const double F[8][8], int x, int y)
{
    double s = 0;
    for (int u = 0; u < 8; ++u)
        for (int v = 0; v < 8; ++v)
            s += C(u) * C(v) * F[u][v] * cos((2 * x + 1) * u * M_PI / 16) * cos((2 * y + 1) * v * M_PI / 16);
    return s / 4;
}

struct Block {
    alignas(16) int16_t cells[64];
    const int8_t* Samples() const { return reinterpret_cast<const int8_t*>(cells); }
};

std::vector<const JpegBlockRoutines*> AllRoutines()
{
    std::vector<const JpegBlockRoutines*> r{&kJpegScalarRoutines};
    if (JpegSimdRoutines()) r.push_back(JpegSimdRoutines());
    return r;
}

class JpegBlocks : public ::testing::Test {
protected:
    void SetUp() override { JpegInitTables(); }
    void TearDown() override { JpegSelectRoutines(JpegSimdRoutines()); }
};

// ---- tables ----------------------------------------------------------------------------

TEST_F(JpegBlocks, ColourTablesHoldHalfContributions)
{
    std::set<int> seen;
    for (int s = -128; s < 128; ++s) {
        const uint8_t i = uint8_t(int8_t(s));
        ASSERT_EQ(g_jpegTR[i], ExpectTR(s)) << s;
        ASSERT_EQ(g_jpegTGb[i], ExpectTGb(s)) << s;
        ASSERT_EQ(g_jpegTGr[i], ExpectTGr(s)) << s;
        ASSERT_EQ(g_jpegTB[i], ExpectTB(s)) << s;
    }
    // The ranges and the small values the formulas give.
    EXPECT_EQ(g_jpegTR[0x80], -89);
    EXPECT_EQ(g_jpegTR[0x7F], 89);
    EXPECT_EQ(g_jpegTGb[0x80], 22);
    EXPECT_EQ(g_jpegTGb[0x7F], -21);
    EXPECT_EQ(g_jpegTGr[0x80], 46);
    EXPECT_EQ(g_jpegTGr[0x7F], -45);
    EXPECT_EQ(g_jpegTB[0x80], -113);
    EXPECT_EQ(g_jpegTB[0x7F], 113);
    EXPECT_EQ(g_jpegTR[0] | g_jpegTGb[0] | g_jpegTGr[0] | g_jpegTB[0], 0);
    EXPECT_EQ(g_jpegTR[1], 1);
    EXPECT_EQ(g_jpegTGb[1], 0);
    EXPECT_EQ(g_jpegTGr[1], 0);
    EXPECT_EQ(g_jpegTB[1], 1);
    for (int y = 0; y < 256; ++y) ASSERT_EQ(g_jpegGrey[y], ExpectGrey(y)) << y;
    EXPECT_EQ(g_jpegGrey[255], 0xFFFF);
    EXPECT_EQ(g_jpegGrey[128], 0x8410);
    EXPECT_EQ(g_jpegGrey[0], 0x0000);
}

TEST_F(JpegBlocks, PrescaleTableHoldsTheAanFactors)
{
    // round(16384 a(i) a(j)), a(0) = 1, a(k) = sqrt 2 cos(k pi / 16); cells
    // 44-55 doubled, 56-63 quadrupled.
    for (int c = 0; c < 64; ++c) {
        const int i = c / 8, j = c % 8;
        const double a = (i ? M_SQRT2 * cos(i * M_PI / 16) : 1.0) * (j ? M_SQRT2 * cos(j * M_PI / 16) : 1.0);
        const double scale = c >= 56 ? 4 : c >= 44 ? 2 : 1;
        EXPECT_EQ(kJpegPrescale[c], lround(16384 * a * scale)) << c;
    }
    EXPECT_EQ(kJpegPrescale[44], 25746);
    EXPECT_EQ(kJpegPrescale[56], 18081);
}

// ---- inverse DCT -------------------------------------------------------------------------

TEST_F(JpegBlocks, InverseDctOfSingleCoefficientBlocks)
{
    struct Case {
        const char* what;
        int cell;
        int16_t value;
        int low, high; // every sample in low..high, both present
    };
    const Case cases[] = {
        {"all zero", 0, 0, -1, 0},
        {"DC 12800", 0, 12800, 99, 100},
        {"DC 1024", 0, 1024, 7, 8},
    };
    for (const JpegBlockRoutines* r : AllRoutines()) {
        for (const Case& k : cases) {
            Block b = {};
            b.cells[k.cell] = k.value;
            r->idct(b.cells);
            std::set<int> values(b.Samples(), b.Samples() + 64);
            EXPECT_EQ(values, (std::set<int>{k.low, k.high})) << r->name << ": " << k.what;
        }
        // One coefficient of vertical frequency 1: rows of the cosine, flat along each row.
        Block b = {};
        b.cells[1] = 1600;
        r->idct(b.cells);
        const int rows[8] = {17, 14, 9, 3, -4, -10, -15, -18};
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                EXPECT_NEAR(b.Samples()[y * 8 + x], rows[y], 1) << r->name << " row " << y << " column " << x;
    }
}

TEST_F(JpegBlocks, InverseDctFollowsTheExactTransform)
{
    // Blocks as pictures give them: smooth shading, edges and noise,
    // transformed exactly, quantised with T.81 K.1's luminance table, then
    // put back by the decoder. The fixed-point path rounds down at its end,
    // so it sits about half a level below the exact transform.
    static const int kQuant[64] = {16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
                                   14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
                                   18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
                                   49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    std::mt19937 rng(7);
    for (const JpegBlockRoutines* r : AllRoutines()) {
        double sum = 0, sumSq = 0;
        int worst = 0;
        long n = 0;
        for (int it = 0; it < 3000; ++it) {
            double px[8][8];
            const int kind = it % 3, scale = 1 + it % 4;
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    double v = 50 * sin(x * 0.4 + it) * cos(y * 0.3 - it) + int(rng() % 21) - 10;
                    if (kind == 1) v = (x + y + it % 5 > 7) ? 110 : -100;
                    if (kind == 2) v = int(rng() % 256) - 128;
                    px[y][x] = v;
                }
            double F[8][8];
            for (int u = 0; u < 8; ++u)
                for (int v = 0; v < 8; ++v) {
                    double s = 0;
                    for (int y = 0; y < 8; ++y)
                        for (int x = 0; x < 8; ++x)
                            s += px[y][x] * cos((2 * x + 1) * u * M_PI / 16) * cos((2 * y + 1) * v * M_PI / 16);
                    const int q = kQuant[v * 8 + u] * scale / 4 + 1;
                    F[u][v] = double(lround(C(u) * C(v) * s / 4 / q) * q);
                }
            Block b;
            for (int u = 0; u < 8; ++u)
                for (int v = 0; v < 8; ++v) b.cells[u * 8 + v] = int16_t(F[u][v] * 16);
            r->idct(b.cells);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const double exact = ExactIdct(F, x, y);
                    const double e = b.Samples()[y * 8 + x] - (exact > 127 ? 127 : exact < -128 ? -128 : exact);
                    sum += e;
                    sumSq += e * e;
                    worst = std::max(worst, int(ceil(fabs(e))));
                    ++n;
                }
        }
        EXPECT_LE(worst, 4) << r->name;
        EXPECT_LT(sqrt(sumSq / double(n)), 1.0) << r->name;
        EXPECT_NEAR(sum / double(n), -0.5, 0.25) << r->name;
    }
}

TEST_F(JpegBlocks, SimdRoutinesMatchThePortableOnes)
{
    const JpegBlockRoutines* simd = JpegSimdRoutines();
    if (!simd) GTEST_SKIP() << "no SIMD routines on this processor";
    std::mt19937 rng(11);
    // Inverse DCT: small and huge coefficients (the saturating paths), sparse and dense blocks.
    for (int it = 0; it < 20000; ++it) {
        Block a;
        const int range = it % 4 == 0 ? 65536 : it % 4 == 1 ? 4096 : it % 4 == 2 ? 256 : 64;
        const int density = 1 + it % 8;
        for (int c = 0; c < 64; ++c)
            a.cells[c] = int16_t(rng() % unsigned(density) == 0 ? int(rng() % unsigned(range)) - range / 2 : 0);
        if (it % 16 == 0) a.cells[0] = int16_t(it % 32 ? 32767 : -32768);
        Block b = a;
        kJpegScalarRoutines.idct(a.cells);
        simd->idct(b.cells);
        ASSERT_EQ(memcmp(a.cells, b.cells, 64), 0) << "block " << it;
    }
    // The stores, on every sample value, into rows with room on both sides.
    for (int it = 0; it < 2000; ++it) {
        alignas(16) int16_t blocks[6][64];
        for (auto& blk : blocks) {
            uint8_t* s = reinterpret_cast<uint8_t*>(blk);
            for (int i = 0; i < 128; ++i) s[i] = uint8_t(rng());
        }
        // The first passes sweep every chroma value, each with every other.
        if (it < 16) {
            uint8_t* cb = reinterpret_cast<uint8_t*>(blocks[JPEG_CB]);
            uint8_t* cr = reinterpret_cast<uint8_t*>(blocks[JPEG_CR]);
            for (int i = 0; i < 64; ++i) {
                cb[i] = uint8_t((it % 4) * 64 + i);
                cr[i] = uint8_t(cb[i] * 7 + it * 16);
            }
        }
        const int pitch = 40 + 2 * (it % 7);
        for (int which = 0; which < 3; ++which) {
            std::vector<uint8_t> a(size_t(pitch) * 16 + 64, 0xCD), b(a);
            auto store = [&](const JpegBlockRoutines* r) {
                return which == 0 ? r->storeGrey : which == 1 ? r->store444 : r->store420;
            };
            store(&kJpegScalarRoutines)(a.data() + 8, pitch, blocks);
            store(simd)(b.data() + 8, pitch, blocks);
            ASSERT_EQ(a, b) << "store " << which << ", pass " << it;
        }
    }
}

// ---- stores --------------------------------------------------------------------------------

TEST_F(JpegBlocks, StoresConvertEveryPixelByTheFormulas)
{
    std::mt19937 rng(5);
    for (const JpegBlockRoutines* r : AllRoutines()) {
        for (int it = 0; it < 50; ++it) {
            alignas(16) int16_t blocks[6][64];
            for (auto& blk : blocks) {
                uint8_t* s = reinterpret_cast<uint8_t*>(blk);
                for (int i = 0; i < 64; ++i) s[i] = uint8_t(rng());
            }
            auto sample = [&](int block, int i) { return int(reinterpret_cast<const int8_t*>(blocks[block])[i]); };
            const int pitch = 64;
            std::vector<uint8_t> out(pitch * 16);
            auto pixel = [&](int x, int y) { return uint16_t(out[y * pitch + 2 * x] | out[y * pitch + 2 * x + 1] << 8); };

            r->storeGrey(out.data(), pitch, blocks);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) ASSERT_EQ(pixel(x, y), ExpectGrey(sample(JPEG_Y0, y * 8 + x) + 128));

            r->store444(out.data(), pitch, blocks);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    const int i = y * 8 + x;
                    ASSERT_EQ(pixel(x, y),
                              ExpectPixel(sample(JPEG_Y0, i) + 128, sample(JPEG_CB, i), sample(JPEG_CR, i)))
                        << r->name << " 4:4:4 " << x << "," << y;
                }

            r->store420(out.data(), pitch, blocks);
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int yBlock = (y < 8 ? JPEG_Y0 : JPEG_Y2) + (x < 8 ? 0 : 1);
                    const int c = (y / 2) * 8 + x / 2;
                    ASSERT_EQ(pixel(x, y), ExpectPixel(sample(yBlock, (y % 8) * 8 + x % 8) + 128, sample(JPEG_CB, c),
                                                       sample(JPEG_CR, c)))
                        << r->name << " 4:2:0 " << x << "," << y;
                }
        }
    }
}

TEST_F(JpegBlocks, NeutralChromaGivesTheGreyLevels)
{
    // Level 128 with neutral chroma is 0x8410 in all three modes; 255 and 0
    // are white and black.
    for (const JpegBlockRoutines* r : AllRoutines()) {
        for (int level : {0, 128, 255}) {
            alignas(16) int16_t blocks[6][64];
            for (int b = 0; b < 6; ++b)
                for (int i = 0; i < 64; ++i) reinterpret_cast<uint8_t*>(blocks[b])[i] = uint8_t(b < 4 ? level - 128 : 0);
            std::vector<uint8_t> out(32 * 16);
            const uint16_t want = uint16_t(level == 255 ? 0xFFFF : level == 128 ? 0x8410 : 0x0000);
            for (int which = 0; which < 3; ++which) {
                (which == 0 ? r->storeGrey : which == 1 ? r->store444 : r->store420)(out.data(), 32, blocks);
                EXPECT_EQ(out[0] | out[1] << 8, want) << r->name << " store " << which << " level " << level;
            }
        }
    }
}

// ---- Huffman decoding -------------------------------------------------------------------------

// A DHT segment (length field first) holding one table.
ByteVec DhtSegment(int tcth, const uint8_t* counts, const std::vector<uint8_t>& symbols)
{
    ByteVec body{uint8_t(tcth)};
    body.insert(body.end(), counts, counts + 16);
    body.insert(body.end(), symbols.begin(), symbols.end());
    ByteVec seg{uint8_t((body.size() + 2) >> 8), uint8_t(body.size() + 2)};
    seg.insert(seg.end(), body.begin(), body.end());
    return seg;
}

// Random code lengths: a valid prefix code (complete or not), or counts
// that overfill the lengths as a damaged table would.
void RandomTable(std::mt19937& rng, bool damaged, uint8_t* counts, std::vector<uint8_t>& symbols)
{
    memset(counts, 0, 16);
    unsigned total = 0;
    if (damaged) {
        for (int l = 0; l < 16; ++l) counts[l] = uint8_t(rng() % 4 == 0 ? rng() % 40 : rng() % 3);
    } else {
        unsigned room = 2;
        const unsigned wanted = 1 + rng() % 200;
        for (int l = 0; l < 16 && total < wanted; ++l) {
            unsigned take = rng() % 3 == 0 ? 0 : rng() % (std::min(room, 64u) + 1);
            take = std::min(take, wanted - total);
            if (l == 15) take = std::min(room, std::min(wanted - total, 255u));
            counts[l] = uint8_t(take);
            total += take;
            room = (room - take) * 2;
        }
    }
    total = 0;
    for (int l = 0; l < 16; ++l) total += counts[l];
    symbols.resize(total);
    for (uint8_t& s : symbols) s = uint8_t(rng());
}

TEST_F(JpegBlocks, LookaheadDecodesWhatTheCodeSearchDecodes)
{
    std::mt19937 rng(3);
    long symbolsCompared = 0, unmatched = 0;
    for (int table = 0; table < 600; ++table) {
        JpegResetState();
        uint8_t counts[16];
        std::vector<uint8_t> symbols;
        RandomTable(rng, table % 3 == 2, counts, symbols);
        const ByteVec seg = DhtSegment(0x10, counts, symbols);
        ASSERT_NE(JpegReadDHT(seg.data(), seg.data() + seg.size()), nullptr);
        const JpegHuffSlot& slot = g_jpeg.huffSlots[4];

        for (int stream = 0; stream < 4; ++stream) {
            // Random bits; some streams mostly ones or zeros, where long and
            // missing codes live; the stream runs out into zeros.
            ByteVec data(1 + rng() % 300);
            for (uint8_t& b : data)
                b = stream == 1 ? uint8_t(rng() | rng() | rng()) : stream == 2 ? uint8_t(rng() & rng()) : uint8_t(rng());
            JpegBits a, b;
            JpegBitsStart(a, data.data(), data.size(), stream);
            JpegBitsStart(b, data.data(), data.size(), stream);
            while (a.Position() < data.size() * 8 + 40) {
                const uint64_t before = a.Position();
                const int sa = JpegHuffDecodeSearch(a, slot);
                const int sb = JpegHuffDecodeLookahead(b, slot);
                ASSERT_EQ(sa, sb) << "table " << table << " at bit " << before;
                ASSERT_EQ(a.Position(), b.Position()) << "table " << table << " at bit " << before;
                ++symbolsCompared;
                if (a.Position() == before) {
                    // Nothing matched: both stand still; step over one bit to go on.
                    ++unmatched;
                    kes::jpeg::Skip(a, 1);
                    kes::jpeg::Skip(b, 1);
                }
            }
        }
    }
    JpegFreeTables();
    EXPECT_GT(symbolsCompared, 100000);
    EXPECT_GT(unmatched, 100); // the damaged and incomplete tables were exercised
}

// Whole blocks, where the lookahead also hands out the coefficient values:
// random DC and AC tables (damaged ones too), random streams, every block
// compared cell by cell and bit position by bit position.
TEST_F(JpegBlocks, LookaheadDecodesTheSameBlocksAsTheCodeSearch)
{
    std::mt19937 rng(17);
    long blocks = 0;
    for (int table = 0; table < 400; ++table) {
        JpegResetState();
        for (int tc : {0x00, 0x10}) {
            uint8_t counts[16];
            std::vector<uint8_t> symbols;
            RandomTable(rng, table % 4 == 3, counts, symbols);
            // DC sizes are mostly 0-11; now and then anything.
            if (tc == 0)
                for (uint8_t& sym : symbols) sym = table % 5 == 4 ? sym : uint8_t(sym % 12);
            const ByteVec seg = DhtSegment(tc, counts, symbols);
            ASSERT_NE(JpegReadDHT(seg.data(), seg.data() + seg.size()), nullptr);
        }
        uint16_t quant[64];
        for (uint16_t& q : quant) q = uint16_t(rng() % 3 == 0 ? rng() : (1 + rng() % 100) * 16);
        ByteVec data(1 + rng() % 400);
        for (uint8_t& byte : data) byte = uint8_t(table % 2 ? rng() : rng() & rng());
        JpegBits a, b;
        JpegBitsStart(a, data.data(), data.size(), 0);
        JpegBitsStart(b, data.data(), data.size(), 0);
        int16_t predA = int16_t(rng()), predB = predA;
        for (int n = 0; n < 40; ++n, ++blocks) {
            alignas(16) int16_t blockA[64], blockB[64];
            kes::jpeg::DecodeCoefficients<kes::jpeg::SearchDecoder>(a, blockA, quant, g_jpeg.huffSlots[0],
                                                                    g_jpeg.huffSlots[4], predA);
            kes::jpeg::DecodeCoefficients<kes::jpeg::LookaheadDecoder>(b, blockB, quant, g_jpeg.huffSlots[0],
                                                                       g_jpeg.huffSlots[4], predB);
            ASSERT_EQ(memcmp(blockA, blockB, sizeof blockA), 0) << "table " << table << ", block " << n;
            ASSERT_EQ(predA, predB);
            ASSERT_EQ(a.Position(), b.Position()) << "table " << table << ", block " << n;
        }
    }
    JpegFreeTables();
    EXPECT_EQ(blocks, 400 * 40);
}

// ---- scan compaction ----------------------------------------------------------------------

TEST(JpegScanData, CompactionKeepsDataBytesOnly)
{
    struct Case {
        const char* what;
        ByteVec in, out;
    };
    const Case cases[] = {
        {"plain bytes", {1, 2, 3}, {1, 2, 3}},
        {"stuffed FF", {1, 0xFF, 0x00, 2}, {1, 0xFF, 2}},
        {"restart markers leave their FF", {1, 0xFF, 0xD0, 2, 0xFF, 0xD7, 3}, {1, 0xFF, 2, 0xFF, 3}},
        {"fill bytes before a marker", {1, 0xFF, 0xFF, 0xFF, 0xD1, 2}, {1, 0xFF, 2}},
        {"fill bytes before a stuffed FF", {1, 0xFF, 0xFF, 0x00, 2}, {1, 0xFF, 2}},
        {"end of image ends the scan", {1, 0xFF, 0xD9, 2, 3}, {1}},
        {"fill bytes before the end of image", {1, 0xFF, 0xFF, 0xD9, 2}, {1}},
        {"a last lone FF", {1, 2, 0xFF}, {1, 2}},
        {"no end of image", {0xFF, 0x00, 0xFF, 0x00}, {0xFF, 0xFF}},
        {"nothing", {}, {}},
    };
    for (const Case& k : cases) {
        ByteVec buf = k.in;
        buf.push_back(0xEE); // past the given size: never touched
        const size_t n = JpegCompactScan(buf.data(), k.in.size());
        EXPECT_EQ(ByteVec(buf.begin(), buf.begin() + ptrdiff_t(n)), k.out) << k.what;
        EXPECT_EQ(buf.back(), 0xEE) << k.what;
    }
}

// ---- one block's coefficients ----------------------------------------------------------

// The placement of zigzag position k, T[64 - k] of the countdown table.
const uint8_t kPlacement[64] = {0,  63, 55, 62, 61, 54, 47, 39, 46, 53, 60, 59, 52, 45, 38, 31,
                                23, 30, 37, 44, 51, 58, 57, 50, 43, 36, 29, 22, 15, 7,  14, 21,
                                28, 35, 42, 49, 56, 48, 41, 34, 27, 20, 13, 6,  5,  12, 19, 26,
                                33, 40, 32, 25, 18, 11, 4,  3,  10, 17, 24, 16, 9,  2,  1,  8};

int CellOf(int k)
{
    return kPlacement[64 - k];
}

TEST_F(JpegBlocks, ZigzagPositionsLandInTheTransposedCells)
{
    for (int k = 1; k < 64; ++k) EXPECT_EQ(kes::jpeg::kZigzagCell[k], CellOf(k)) << k;
    EXPECT_EQ(kes::jpeg::kZigzagCell[0], 0);
}

struct Ac {
    int run;
    int value; // 0 with run 15: ZRL; run -1: EOB
    int symbol = -1; // forced symbol (its size bits follow only when `value` is nonzero)
};

struct CoefCase {
    const char* what;
    int quant;             // every table entry
    int16_t predBefore;
    int dcDiff;
    std::vector<Ac> ac;
    // expected: cell -> value (all others 0 except cell 0)
    std::vector<std::pair<int, int>> cells;
    int16_t predAfter;
    int dcCell;
    long extraBitsNotRead; // bits written after the block that the decoder must leave alone
};

TEST_F(JpegBlocks, BlockCoefficientsAreDecodedDequantisedAndPlaced)
{
    const HuffTable dc = kes::test::StandardDcTable(), ac = kes::test::StandardAcTable();
    ASSERT_EQ(ac.symbols.size(), 162u);
    ASSERT_EQ(std::set<uint8_t>(ac.symbols.begin(), ac.symbols.end()).size(), 162u);
    const std::vector<CoefCase> cases = {
        {"values in zigzag order", 3, 0, 5, {{0, 7}, {2, -3}, {0, 1}, {-1, 0}},
         {{CellOf(1), 7 * 48}, {CellOf(4), -3 * 48}, {CellOf(5), 48}}, 5, 5 * 48, 0},
        {"ZRL then EOB: sixteen zeros and a zero tail", 1, 0, 0, {{0, 2}, {15, 0}, {-1, 0}},
         {{CellOf(1), 32}}, 0, 0, 0},
        {"ZRL then a value after sixteen zeros", 1, 0, 0, {{0, 2}, {15, 0}, {0, -1}, {-1, 0}},
         {{CellOf(1), 32}, {CellOf(18), -16}}, 0, 0, 0},
        {"AC product beyond 16 bits saturates up", 255, 0, 0, {{0, 1023}, {-1, 0}}, {{CellOf(1), 32767}}, 0, 0, 0},
        {"AC product beyond 16 bits saturates down", 255, 0, 0, {{0, -1023}, {-1, 0}}, {{CellOf(1), -32768}}, 0, 0,
         0},
        {"DC predictor wraps at 16 bits", 1, 32000, 1000, {{-1, 0}}, {}, int16_t(-32536), int16_t(-32536 * 16), 0},
        {"DC product keeps its low 16 bits", 100, 0, 1000, {{-1, 0}}, {}, 1000, int16_t(uint16_t(1000 * 1600)), 0},
        // Three ZRLs and a value reach position 50; a run of 14 then reaches
        // the end: the rest is zero and the symbol's size bit stays unread.
        {"run reaching the end of the block", 1, 0, 0, {{15, 0}, {15, 0}, {15, 0}, {0, 1}, {14, 0, 0xE1}},
         {{CellOf(49), 16}}, 0, 0, 1},
        {"run past the end of the block", 1, 0, 0, {{15, 0}, {15, 0}, {15, 0}, {0, 1}, {15, 0, 0xF1}},
         {{CellOf(49), 16}}, 0, 0, 1},
    };
    for (const CoefCase& k : cases) {
        JpegResetState();
        const ByteVec dcSeg = DhtSegment(0x00, dc.counts, dc.symbols), acSeg = DhtSegment(0x10, ac.counts, ac.symbols);
        ASSERT_TRUE(JpegReadDHT(dcSeg.data(), dcSeg.data() + dcSeg.size()));
        ASSERT_TRUE(JpegReadDHT(acSeg.data(), acSeg.data() + acSeg.size()));

        BitWriter w(false);
        const int cat = kes::test::Category(k.dcDiff);
        dc.Write(w, cat);
        kes::test::PutValue(w, k.dcDiff, cat);
        for (const Ac& a : k.ac) {
            if (a.run < 0) {
                ac.Write(w, 0x00);
            } else if (a.symbol >= 0) {
                ac.Write(w, a.symbol);
            } else {
                const int s = kes::test::Category(a.value);
                ac.Write(w, a.run << 4 | s);
                kes::test::PutValue(w, a.value, s);
            }
        }
        const size_t blockBits = w.BitCount();
        w.Put(0, int(k.extraBitsNotRead)); // the size bit of a cut-off symbol
        w.Put(0x5A5A, 16);
        w.Flush();

        uint16_t quant[64];
        for (uint16_t& q : quant) q = uint16_t(k.quant * 16);
        // Leftovers of an earlier block must not survive.
        int16_t block[64];
        for (int i = 0; i < 64; ++i) block[i] = int16_t(1000 + i);
        int16_t pred = k.predBefore;
        JpegBits bits;
        JpegBitsStart(bits, w.Bytes().data(), w.Bytes().size(), 0);
        kes::jpeg::DecodeCoefficients<kes::jpeg::LookaheadDecoder>(bits, block, quant, g_jpeg.huffSlots[0],
                                                                   g_jpeg.huffSlots[4], pred);
        EXPECT_EQ(pred, k.predAfter) << k.what;
        EXPECT_EQ(block[0], k.dcCell) << k.what;
        int16_t want[64] = {};
        want[0] = int16_t(k.dcCell);
        for (const auto& c : k.cells) want[c.first] = int16_t(c.second);
        for (int i = 1; i < 64; ++i) EXPECT_EQ(block[i], want[i]) << k.what << ", cell " << i;
        EXPECT_EQ(bits.Position(), blockBits) << k.what;
    }
    JpegFreeTables();
}

TEST_F(JpegBlocks, DamagedCodesNeitherReadNorWriteOutsideTheirPlace)
{
    // Tables with one code each ("0"): a stream of 1 bits matches nothing.
    // The DC difference is then 0, the AC symbol 0 ends the block, and no
    // bit is consumed.
    JpegResetState();
    const uint8_t one[16] = {1};
    const ByteVec dcSeg = DhtSegment(0x00, one, {0x03}), acSeg = DhtSegment(0x10, one, {0x01});
    ASSERT_TRUE(JpegReadDHT(dcSeg.data(), dcSeg.data() + dcSeg.size()));
    ASSERT_TRUE(JpegReadDHT(acSeg.data(), acSeg.data() + acSeg.size()));
    uint16_t quant[64];
    for (uint16_t& q : quant) q = 16;
    const uint8_t ones[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    int16_t block[64];
    int16_t pred = 7;
    JpegBits bits;
    JpegBitsStart(bits, ones, sizeof ones, 0);
    kes::jpeg::DecodeCoefficients<kes::jpeg::SearchDecoder>(bits, block, quant, g_jpeg.huffSlots[0],
                                                            g_jpeg.huffSlots[4], pred);
    EXPECT_EQ(bits.Position(), 0u);
    EXPECT_EQ(pred, 7);
    EXPECT_EQ(block[0], 7 * 16);
    for (int i = 1; i < 64; ++i) EXPECT_EQ(block[i], 0);

    // A DC category above 16 (a damaged table) reads no value bits.
    const uint8_t dcCounts[16] = {1};
    const ByteVec bigDc = DhtSegment(0x00, dcCounts, {200});
    ASSERT_TRUE(JpegReadDHT(bigDc.data(), bigDc.data() + bigDc.size()));
    const uint8_t zeros[4] = {0x7F, 0xFF, 0xFF, 0xFF}; // DC code "0", then AC codes that match nothing
    JpegBitsStart(bits, zeros, sizeof zeros, 0);
    pred = 3;
    kes::jpeg::DecodeCoefficients<kes::jpeg::LookaheadDecoder>(bits, block, quant, g_jpeg.huffSlots[0],
                                                               g_jpeg.huffSlots[4], pred);
    EXPECT_EQ(bits.Position(), 1u);
    EXPECT_EQ(pred, 3);
    JpegFreeTables();
}

} // namespace
