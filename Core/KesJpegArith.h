// One lane of the JPEG block back end's packed arithmetic: what a 16-bit
// or 8-bit SIMD lane computes, written for one value, so that the portable
// routines and the SIMD ones produce the same bits.
#ifndef KESTO_CORE_KESJPEGARITH_H
#define KESTO_CORE_KESJPEGARITH_H

#include "KesJpeg.h"

namespace kes::jpeg {

inline int16_t Sat16(int v)
{
    return int16_t(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

inline int8_t Sat8(int v)
{
    return int8_t(v > 127 ? 127 : v < -128 ? -128 : v);
}

// Saturating add and subtract (paddsw, psubsw).
inline int16_t Adds(int16_t a, int16_t b)
{
    return Sat16(int(a) + int(b));
}

inline int16_t Subs(int16_t a, int16_t b)
{
    return Sat16(int(a) - int(b));
}

// Doubling with saturation (paddsw of a value with itself).
inline int16_t Twice(int16_t a)
{
    return Adds(a, a);
}

// The high half of the signed 32-bit product (pmulhw): rounds toward minus infinity.
inline int16_t MulHi(int16_t a, int16_t b)
{
    const int32_t p = int32_t(a) * int32_t(b);
    return int16_t(p >= 0 ? p >> 16 : -((-int64_t(p) + 65535) >> 16));
}

// Arithmetic shift right (psraw): rounds toward minus infinity.
inline int16_t Sra(int16_t a, int n)
{
    return int16_t(a >= 0 ? a >> n : -((-int(a) + (1 << n) - 1) >> n));
}

// The inverse DCT's products. The first pass works at twice the scale of
// the second, so it doubles its input once where the second doubles twice.
enum : int16_t { kC4 = 23170, kC2p6Half = 21407, kC2m6 = 17734, kS2x2 = 25080 };

// x * sqrt(2)
template <bool First>
inline int16_t Mul141(int16_t x)
{
    return First ? Twice(MulHi(Twice(x), kC4)) : MulHi(Twice(Twice(x)), kC4);
}

// x * 2 (cos pi/8 + sin pi/8) = x * 2.613
template <bool First>
inline int16_t Mul261(int16_t x)
{
    return First ? Twice(Twice(MulHi(Twice(x), kC2p6Half))) : Twice(MulHi(Twice(Twice(x)), kC2p6Half));
}

// x * 2 (cos pi/8 - sin pi/8) = x * 1.082
template <bool First>
inline int16_t Mul108(int16_t x)
{
    return First ? Twice(MulHi(Twice(x), kC2m6)) : MulHi(Twice(Twice(x)), kC2m6);
}

// x * 2 sin pi/8 = x * 0.765
inline int16_t Mul077(int16_t x)
{
    return MulHi(Twice(x), kS2x2);
}

// One pixel from a luma sample and two chroma samples, each given as the
// inverse DCT leaves it (sample - 128 as a signed byte, here its raw byte).
// The channels are computed as 7-bit halves with signed byte saturation.
inline uint16_t ColourPixel(uint8_t ySample, uint8_t cb, uint8_t cr)
{
    const int y2 = uint8_t(ySample ^ 0x80) >> 1;
    int r2 = Sat8(y2 + g_jpegTR[cr]);
    int g2 = Sat8(y2 + Sat8(g_jpegTGb[cb] + g_jpegTGr[cr]));
    int b2 = Sat8(y2 + g_jpegTB[cb]);
    if (r2 < 0) r2 = 0;
    if (g2 < 0) g2 = 0;
    if (b2 < 0) b2 = 0;
    return uint16_t((r2 >> 2) << 11 | (g2 >> 1) << 5 | (b2 >> 2));
}

} // namespace kes::jpeg

#endif
