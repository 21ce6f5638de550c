// The JPEG decoder's block back end, portable version: the fixed-point
// inverse DCT, the colour tables and the three MCU stores, plus the choice
// between these routines and the SIMD ones (KesJpegBlocksSse2.cpp).
//
// Both versions compute exactly the same values: the arithmetic is defined
// as packed 16-bit lanes (saturating adds, high-half products, arithmetic
// shifts) and signed 8-bit lanes (saturating adds), and the portable code
// spells out one lane at a time what the SIMD code does eight or sixteen at
// a time.
#include "KesJpeg.h"
#include "KesJpegArith.h"

#include <math.h>
#include <string.h>

// ---- tables ----------------------------------------------------------------------

int8_t g_jpegTR[256];
int8_t g_jpegTGb[256];
int8_t g_jpegTGr[256];
int8_t g_jpegTB[256];
uint16_t g_jpegGrey[256];

// round(16384 * a(i) * a(j)) with a(0) = 1, a(k) = sqrt(2) cos(k pi / 16),
// the scale factors of Arai, Agui and Nakajima's factorisation. Cells 44-55
// are stored doubled and 56-63 quadrupled so that their small factors keep
// their precision; the first pass shifts those inputs back down.
alignas(16) const uint16_t kJpegPrescale[64] = {
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,  //
    22725, 31521, 29692, 26722, 22725, 17855, 12299, 6270,  //
    21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906,  //
    19266, 26722, 25172, 22654, 19266, 15137, 10426, 5315,  //
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,  //
    12873, 17855, 16819, 15137, 25746, 20228, 13933, 7103,  //
    17734, 24598, 23170, 20853, 17734, 13933, 9598,  4893,  //
    18081, 25080, 23624, 21261, 18081, 14206, 9786,  4989,
};

// Added to the prescaled cells 60-63 (row 7, right half): they round the
// shift that takes those quadrupled inputs back down.
const int16_t kJpegRoundBias[4] = {1, 1, 2, 5};

namespace {

using namespace kes::jpeg;

// trunc(k * s + 1.0) >> 1 (the shift rounding toward minus infinity), from
// k in thousandths or hundred-thousandths: integer division truncates toward
// zero exactly as the formula does, with no floating point in the way.
int8_t HalfContribution(long num, long den, int s, int sign)
{
    const long t = (sign * num * s + den) / den; // trunc(sign * k * s + 1)
    return int8_t(t >= 0 ? t / 2 : -((-t + 1) / 2));
}

void BuildTables()
{
    for (int i = 0; i < 256; ++i) {
        const int s = int8_t(uint8_t(i));
        g_jpegTR[i] = HalfContribution(1402, 1000, s, 1);        // 1.402 Cr
        g_jpegTGb[i] = HalfContribution(34414, 100000, s, -1);   // -0.34414 Cb
        g_jpegTGr[i] = HalfContribution(71414, 100000, s, -1);   // -0.71414 Cr
        g_jpegTB[i] = HalfContribution(1772, 1000, s, 1);        // 1.772 Cb
        g_jpegGrey[i] = uint16_t((i >> 3) << 11 | (i >> 2) << 5 | (i >> 3));
    }
}

// ---- inverse DCT, one lane at a time ---------------------------------------------------

// The 1-D AAN inverse transform of one column (first pass) or row (second
// pass) of prescaled values. The first pass runs at 32 units per sample and
// halves its results; the second runs at 16 units per sample. The products
// are high halves of 2.14 or 1.15 constants: 23170 (cos pi/4), 21407 (half of
// sqrt 2 cos pi/8), 17734 (sqrt 2 cos 3pi/8), 25080 (2 sin pi/8); inputs are
// doubled (saturating) before a product to keep its low bits, and results
// doubled again where the constant stands for a larger factor.
template <bool First>
void Idct1D(int16_t* v)
{
    const int16_t y0 = v[0], y1 = v[1], y2 = v[2], y3 = v[3], y4 = v[4], y5 = v[5], y6 = v[6], y7 = v[7];

    // Even part.
    const int16_t t10 = Adds(y0, y4), t11 = Subs(y0, y4);
    const int16_t t13 = Adds(y2, y6);
    const int16_t t12 = Subs(Mul141<First>(Subs(y2, y6)), t13);
    const int16_t e0 = Adds(t10, t13), e3 = Subs(t10, t13);
    const int16_t e1 = Adds(t11, t12), e2 = Subs(t11, t12);

    // Odd part: the rotation by pi/8 with three products.
    const int16_t z13 = Adds(y5, y3), z10 = Subs(y5, y3);
    const int16_t z11 = Adds(y1, y7), z12 = Subs(y1, y7);
    const int16_t o7 = Adds(z11, z13);
    const int16_t o11 = Mul141<First>(Subs(z11, z13));
    const int16_t s2 = Mul077(Adds(z10, z12));
    const int16_t o12 = Subs(Mul261<First>(z12), s2);
    const int16_t o10 = Subs(0, Adds(Mul108<First>(z10), s2));
    const int16_t o6 = Subs(o12, o7);
    const int16_t o5 = Subs(o11, o6);
    const int16_t o4 = Adds(o10, o5);

    const int shift = First ? 1 : 0;
    v[0] = Sra(Adds(e0, o7), shift);
    v[1] = Sra(Adds(e1, o6), shift);
    v[2] = Sra(Adds(e2, o5), shift);
    v[3] = Sra(Subs(e3, o4), shift);
    v[4] = Sra(Adds(e3, o4), shift);
    v[5] = Sra(Subs(e2, o5), shift);
    v[6] = Sra(Subs(e1, o6), shift);
    v[7] = Sra(Subs(e0, o7), shift);
}

void IdctScalar(int16_t* block)
{
    int16_t p[64];
    for (int c = 0; c < 64; ++c) p[c] = MulHi(block[c], int16_t(kJpegPrescale[c]));
    for (int k = 0; k < 4; ++k) p[60 + k] = int16_t(uint16_t(p[60 + k]) + uint16_t(kJpegRoundBias[k]));

    // First pass along the horizontal frequency u (cell u * 8 + v) for each
    // column v; the doubled and quadrupled rows come back down first. The
    // results land transposed: t[v * 8 + x].
    int16_t t[64];
    for (int v = 0; v < 8; ++v) {
        int16_t col[8];
        for (int u = 0; u < 8; ++u) col[u] = p[u * 8 + v];
        if (v >= 4) col[5] = Sra(col[5], 1);
        col[6] = Sra(col[6], 1);
        col[7] = Sra(col[7], 2);
        Idct1D<true>(col);
        for (int x = 0; x < 8; ++x) t[v * 8 + x] = col[x];
    }

    // Second pass along the vertical frequency for each pixel column x.
    int8_t out[64];
    for (int x = 0; x < 8; ++x) {
        int16_t row[8];
        for (int v = 0; v < 8; ++v) row[v] = t[v * 8 + x];
        Idct1D<false>(row);
        for (int y = 0; y < 8; ++y) out[y * 8 + x] = Sat8(Sra(row[y], 4));
    }
    memcpy(block, out, sizeof out);
}

// ---- stores, one pixel at a time -------------------------------------------------------

inline void Put(uint8_t* p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

inline const uint8_t* Samples(const int16_t (*blocks)[64], int which)
{
    return reinterpret_cast<const uint8_t*>(blocks[which]);
}

void StoreGreyScalar(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    const uint8_t* y = Samples(blocks, JPEG_Y0);
    for (int r = 0; r < 8; ++r, dst += pitch)
        for (int x = 0; x < 8; ++x) Put(dst + 2 * x, g_jpegGrey[uint8_t(y[r * 8 + x] ^ 0x80)]);
}

void Store444Scalar(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    const uint8_t* y = Samples(blocks, JPEG_Y0);
    const uint8_t* cb = Samples(blocks, JPEG_CB);
    const uint8_t* cr = Samples(blocks, JPEG_CR);
    for (int r = 0; r < 8; ++r, dst += pitch)
        for (int x = 0; x < 8; ++x) {
            const int i = r * 8 + x;
            Put(dst + 2 * x, ColourPixel(y[i], cb[i], cr[i]));
        }
}

void Store420Scalar(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    const uint8_t* cb = Samples(blocks, JPEG_CB);
    const uint8_t* cr = Samples(blocks, JPEG_CR);
    for (int r = 0; r < 16; ++r, dst += pitch)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* y = Samples(blocks, JPEG_Y0 + (r >> 3) * 2 + (x >> 3));
            const int c = (r >> 1) * 8 + (x >> 1);
            Put(dst + 2 * x, ColourPixel(y[(r & 7) * 8 + (x & 7)], cb[c], cr[c]));
        }
}

void IdctPairScalar(int16_t* a, int16_t* b)
{
    IdctScalar(a);
    IdctScalar(b);
}

bool g_tablesBuilt = false;

} // namespace

const JpegBlockRoutines kJpegScalarRoutines = {"scalar",       IdctScalar,    StoreGreyScalar, Store444Scalar,
                                               Store420Scalar, IdctPairScalar, 0};

const JpegBlockRoutines* JpegSimdRoutines()
{
    const JpegBlockRoutines* avx2 = JpegAvx2Routines();
    return avx2 ? avx2 : JpegSse2Routines();
}

const JpegBlockRoutines* g_jpegRoutines = &kJpegScalarRoutines;

void JpegInitTables()
{
    if (g_tablesBuilt) return;
    g_tablesBuilt = true;
    BuildTables();
    const JpegBlockRoutines* simd = JpegSimdRoutines();
    g_jpegRoutines = simd ? simd : &kJpegScalarRoutines;
}

void JpegSelectRoutines(const JpegBlockRoutines* routines)
{
    JpegInitTables();
    g_jpegRoutines = routines ? routines : &kJpegScalarRoutines;
}

void JpegIDCT(int16_t* block)
{
    g_jpegRoutines->idct(block);
}

void JpegStoreGrey(uint8_t* dst, int pitch)
{
    g_jpegRoutines->storeGrey(dst, pitch, g_jpeg.blocks);
}

void JpegStore444(uint8_t* dst, int pitch)
{
    g_jpegRoutines->store444(dst, pitch, g_jpeg.blocks);
}

void JpegStore420(uint8_t* dst, int pitch)
{
    g_jpegRoutines->store420(dst, pitch, g_jpeg.blocks);
}
