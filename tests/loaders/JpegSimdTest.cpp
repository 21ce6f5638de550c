// Every set of SIMD block routines (SSE2, and AVX2 where the processor has
// it) held to the portable ones: the inverse DCT of single blocks and of
// pairs on every DC value, on extreme coefficients that saturate each
// stage, and on random blocks; and the stores over every luma and chroma
// combination.
#include "KesJpeg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

namespace {

struct Block {
    alignas(32) int16_t cells[64];
};

std::vector<const JpegBlockRoutines*> SimdSets()
{
    std::vector<const JpegBlockRoutines*> sets;
    if (JpegSse2Routines()) sets.push_back(JpegSse2Routines());
    if (JpegAvx2Routines()) sets.push_back(JpegAvx2Routines());
    return sets;
}

class JpegSimd : public ::testing::Test {
protected:
    void SetUp() override
    {
        JpegInitTables();
        sets = SimdSets();
        if (sets.empty()) GTEST_SKIP() << "no SIMD routines on this processor";
    }
    void TearDown() override { JpegSelectRoutines(JpegSimdRoutines()); }
    std::vector<const JpegBlockRoutines*> sets;
};

// Each set's single and paired transform of `a` and `b` against the
// portable transform of each.
void ExpectSameTransform(const std::vector<const JpegBlockRoutines*>& sets, const Block& a, const Block& b,
                         const char* what, int index)
{
    Block wantA = a, wantB = b;
    kJpegScalarRoutines.idct(wantA.cells);
    kJpegScalarRoutines.idct(wantB.cells);
    for (const JpegBlockRoutines* r : sets) {
        Block gotA = a, gotB = b, single = a;
        r->idctPair(gotA.cells, gotB.cells);
        r->idct(single.cells);
        ASSERT_EQ(memcmp(single.cells, wantA.cells, 64), 0) << r->name << " single, " << what << " " << index;
        ASSERT_EQ(memcmp(gotA.cells, wantA.cells, 64), 0) << r->name << " pair (first), " << what << " " << index;
        ASSERT_EQ(memcmp(gotB.cells, wantB.cells, 64), 0) << r->name << " pair (second), " << what << " " << index;
    }
}

TEST_F(JpegSimd, InverseDctOfEveryDcValue)
{
    // Paired with the block of the next DC value, so each half meets every value.
    for (int dc = -32768; dc <= 32767; ++dc) {
        Block a = {}, b = {};
        a.cells[0] = int16_t(dc);
        b.cells[0] = int16_t(dc == 32767 ? -32768 : dc + 1);
        ExpectSameTransform(sets, a, b, "DC", dc);
        if (HasFatalFailure()) return;
    }
}

TEST_F(JpegSimd, InverseDctOfExtremeCoefficients)
{
    const int16_t extremes[] = {32767, -32768, 32766, -32767, 16384, -16384, 4095, -4096, 1, -1};
    int index = 0;
    // One extreme cell at each position, beside a flat block of the opposite sign.
    for (int16_t v : extremes)
        for (int cell = 0; cell < 64; ++cell, ++index) {
            Block a = {}, b;
            a.cells[cell] = v;
            for (int16_t& c : b.cells) c = int16_t(v > 0 ? -32768 : 32767);
            ExpectSameTransform(sets, a, b, "extreme cell", index);
            if (HasFatalFailure()) return;
        }
    // Whole blocks of extremes: every stage saturates.
    std::mt19937 rng(5);
    for (int it = 0; it < 20000; ++it) {
        Block a, b;
        for (int c = 0; c < 64; ++c) {
            a.cells[c] = extremes[rng() % 4];
            b.cells[c] = rng() % 3 ? extremes[rng() % 10] : int16_t(rng());
        }
        ExpectSameTransform(sets, a, b, "saturating block", it);
        if (HasFatalFailure()) return;
    }
}

TEST_F(JpegSimd, InverseDctOfRandomBlocks)
{
    std::mt19937 rng(17);
    for (int it = 0; it < 40000; ++it) {
        Block blocks[2];
        for (Block& blk : blocks) {
            const int range = it % 4 == 0 ? 65536 : it % 4 == 1 ? 4096 : it % 4 == 2 ? 256 : 64;
            const unsigned density = 1 + unsigned(rng() % 8);
            for (int16_t& c : blk.cells) c = int16_t(rng() % density == 0 ? int(rng() % unsigned(range)) - range / 2 : 0);
        }
        ExpectSameTransform(sets, blocks[0], blocks[1], "random block", it);
        if (HasFatalFailure()) return;
    }
}

// The 4:2:0 store over every (Y, Cb, Cr): each MCU carries 64 chroma
// pairs, and 64 MCUs give each pair all 256 luma levels (four pixels of a
// pair's 2 x 2 square per MCU). The grey and 4:4:4 stores on the same
// blocks.
TEST_F(JpegSimd, StoresAgreeOnEveryLumaAndChromaCombination)
{
    const int pitch = 16 * 2 + 6;
    std::vector<uint8_t> want(size_t(pitch) * 16 + 16), got(want.size());
    for (int pairs = 0; pairs < 65536; pairs += 64) {
        for (int ySet = 0; ySet < 64; ++ySet) {
            alignas(16) int16_t blocks[6][64];
            uint8_t* cb = reinterpret_cast<uint8_t*>(blocks[JPEG_CB]);
            uint8_t* cr = reinterpret_cast<uint8_t*>(blocks[JPEG_CR]);
            for (int i = 0; i < 64; ++i) {
                cb[i] = uint8_t((pairs + i) >> 8);
                cr[i] = uint8_t(pairs + i);
            }
            // Pixel (x, y) of the MCU: its chroma pair's four pixels take
            // luma levels 4 * ySet .. 4 * ySet + 3.
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    uint8_t* luma = reinterpret_cast<uint8_t*>(blocks[JPEG_Y0 + (y >> 3) * 2 + (x >> 3)]);
                    luma[(y & 7) * 8 + (x & 7)] = uint8_t(4 * ySet + (y & 1) * 2 + (x & 1));
                }
            for (int which = 0; which < 3; ++which) {
                auto store = [&](const JpegBlockRoutines* r) {
                    return which == 0 ? r->storeGrey : which == 1 ? r->store444 : r->store420;
                };
                std::fill(want.begin(), want.end(), 0xCD);
                store(&kJpegScalarRoutines)(want.data() + 8, pitch, blocks);
                for (const JpegBlockRoutines* r : sets) {
                    std::fill(got.begin(), got.end(), 0xCD);
                    store(r)(got.data() + 8, pitch, blocks);
                    ASSERT_EQ(got, want) << r->name << " store " << which << ", pairs from " << pairs << ", luma set "
                                         << ySet;
                }
            }
        }
    }
}

} // namespace
