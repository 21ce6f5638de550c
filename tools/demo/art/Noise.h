// Repeatable randomness for the generated pictures: a hash of integer
// coordinates, smooth value noise and its sum over octaves. The same build
// always makes the same bytes, so the data only changes with the code.
#ifndef KESTO_DEMO_ART_NOISE_H
#define KESTO_DEMO_ART_NOISE_H

#include <cmath>
#include <stdint.h>

namespace kes::demo::art {

// 0..1 from integer coordinates and a seed.
inline float Hash(int x, int y, uint32_t seed)
{
    uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return float(h >> 8) / float(1u << 24);
}

inline float Smooth(float t)
{
    return t * t * (3 - 2 * t);
}

// Value noise, 0..1, with features about one unit apart.
inline float ValueNoise(float x, float y, uint32_t seed)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const float tx = Smooth(x - fx), ty = Smooth(y - fy);
    const float a = Hash(ix, iy, seed), b = Hash(ix + 1, iy, seed);
    const float c = Hash(ix, iy + 1, seed), d = Hash(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Octaves of value noise, each twice as fine and half as strong; 0..1.
inline float Fractal(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0, weight = 0, amplitude = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(x, y, seed + uint32_t(i)) * amplitude;
        weight += amplitude;
        amplitude *= 0.5f;
        x *= 2;
        y *= 2;
    }
    return sum / weight;
}

inline float SmoothStep(float e0, float e1, float v)
{
    const float t = (v - e0) / (e1 - e0);
    return Smooth(t < 0 ? 0 : t > 1 ? 1 : t);
}

} // namespace kes::demo::art

#endif
