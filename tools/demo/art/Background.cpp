// The background: a meadow with patches of earth and scattered flowers
// around a paved plaza with an inlaid star, seen under the same 30-degree
// camera as the sprites (the plaza's circle is squashed accordingly).
// Written as a baseline 4:2:0 JPEG through TurboJPEG.
#include "Art.h"
#include "Noise.h"
#include "Raster.h"

#include "../Directions.h"

#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace kes::demo::art {
namespace {

constexpr int kWidth = 800, kHeight = 600;
constexpr float kPlazaX = 400, kPlazaY = 318, kPlazaRadius = 280;
constexpr float kStone = 30; // paving stone size on the ground

// Distance from the plaza's centre in plaza radii (1 at its edge), on the ground.
float PlazaDistance(float x, float y)
{
    const float gx = (x - kPlazaX) / kPlazaRadius, gy = (y - kPlazaY) / (kPlazaRadius * 0.6f);
    return std::sqrt(gx * gx + gy * gy);
}

Rgb Grass(float x, float y)
{
    const float patches = Fractal(x / 110, y / 110, 4, 1);
    const float blades = ValueNoise(x / 2.2f, y / 5.5f, 7);
    const float grain = Hash(int(x), int(y), 3);
    Rgb c = Mix(FromBytes(46, 86, 36), FromBytes(112, 152, 62), patches);
    c = Scale(c, 0.8f + 0.24f * blades + 0.08f * grain);
    const float earth = SmoothStep(0.6f, 0.7f, Fractal(x / 150 + 20, y / 150, 3, 11));
    const Rgb soil = Scale(FromBytes(128, 100, 66), 0.85f + 0.3f * Fractal(x / 6, y / 6, 2, 13));
    return Mix(c, soil, earth);
}

// Paving: a jittered grid of stones (nearest feature point wins), darker
// mortar where two stones meet, bevelled edges, and the inlaid star.
Rgb Paving(float x, float y, float q)
{
    const float u = x / kStone, v = (y - kPlazaY) / (kStone * 0.6f);
    const int cu = int(std::floor(u)), cv = int(std::floor(v));
    float f1 = 1e9f, f2 = 1e9f;
    int id = 0;
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const float px = float(cu + i) + 0.15f + 0.7f * Hash(cu + i, cv + j, 41);
            const float py = float(cv + j) + 0.15f + 0.7f * Hash(cu + i, cv + j, 43);
            const float d = std::hypot(u - px, v - py);
            if (d < f1) {
                f2 = f1;
                f1 = d;
                id = (cu + i) * 7919 + (cv + j);
            } else if (d < f2) {
                f2 = d;
            }
        }
    }
    const float edge = (f2 - f1) * kStone; // about twice the distance to the joint
    Rgb base = Mix(FromBytes(160, 148, 126), FromBytes(138, 140, 150), Hash(id, 0, 47));
    base = Scale(base, 0.8f + 0.32f * Hash(id, 1, 53));

    // The inlay, measured on the ground from the plaza's centre.
    const float gx = x - kPlazaX, gy = (y - kPlazaY) / 0.6f;
    const float r = std::hypot(gx, gy), a = std::atan2(gy, gx);
    const float star = 70 * (0.22f + 0.78f * std::pow(std::fabs(std::cos(2 * a)), 5.0f));
    const float minor = 46 * (0.25f + 0.75f * std::pow(std::fabs(std::sin(2 * a)), 5.0f));
    if (r < star)
        base = FromBytes(168, 72, 52);
    else if (r < minor)
        base = FromBytes(78, 92, 120);
    else if (r > 78 && r < 84)
        base = FromBytes(96, 88, 80);
    if (q > 0.93f) base = Scale(base, 0.78f); // the kerb

    const float detail = 0.88f + 0.18f * Fractal(x / 4, y / 4, 2, 21);
    const float bevel = 0.7f + 0.3f * SmoothStep(0.5f, 6, edge);
    Rgb c = Scale(base, detail * bevel);
    if (edge < 1.3f) c = Mix(c, FromBytes(62, 58, 50), 1 - edge / 1.3f * 0.5f);
    return c;
}

// Flowers on the grass: a few in every 22-pixel cell, none on the plaza.
Rgb Flowers(float x, float y, Rgb c)
{
    static const Rgb petals[3] = {FromBytes(244, 244, 252), FromBytes(250, 212, 64), FromBytes(232, 96, 146)};
    const int cx = int(std::floor(x / 22)), cy = int(std::floor(y / 22));
    for (int j = -1; j <= 1; ++j) {
        for (int i = -1; i <= 1; ++i) {
            const int fx = cx + i, fy = cy + j;
            if (Hash(fx, fy, 31) > 0.16f) continue;
            const float px = (float(fx) + Hash(fx, fy, 33)) * 22, py = (float(fy) + Hash(fx, fy, 35)) * 22;
            if (PlazaDistance(px, py) < 1.08f) continue;
            const float radius = 1.4f + 0.9f * Hash(fx, fy, 37);
            const float d = std::hypot(x - px, y - py);
            const float cover = std::min(1.0f, std::max(0.0f, radius - d + 0.5f));
            if (cover <= 0) continue;
            const Rgb petal = petals[int(Hash(fx, fy, 39) * 3) % 3];
            c = Mix(c, d < 0.7f ? FromBytes(240, 170, 40) : petal, cover);
        }
    }
    return c;
}

Rgb Ground(float x, float y)
{
    const float q = PlazaDistance(x, y) + 0.035f * (ValueNoise(x / 25, y / 25, 17) - 0.5f);
    Rgb c = Flowers(x, y, Grass(x, y));
    if (q < 1.0f + 0.07f) c = Scale(c, 0.75f + 0.25f * SmoothStep(1.0f, 1.07f, q)); // the plaza's shade
    if (q < 1.02f) c = Mix(c, Paving(x, y, q), 1 - SmoothStep(0.985f, 1.015f, q));
    const float vx = (x - kWidth / 2.0f) / (kWidth / 2.0f), vy = (y - kHeight / 2.0f) / (kHeight / 2.0f);
    return Scale(c, 1 - 0.3f * (vx * vx + vy * vy) * 0.5f);
}

} // namespace

bool WriteBackground(const std::string& path, std::string* error)
{
    std::vector<unsigned char> rgb(size_t(kWidth) * kHeight * 3);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Rgb c = Ground(x + 0.5f, y + 0.5f);
            unsigned char* p = &rgb[(size_t(y) * kWidth + x) * 3];
            p[0] = (unsigned char)std::lround(std::min(1.0f, std::max(0.0f, c.r)) * 255);
            p[1] = (unsigned char)std::lround(std::min(1.0f, std::max(0.0f, c.g)) * 255);
            p[2] = (unsigned char)std::lround(std::min(1.0f, std::max(0.0f, c.b)) * 255);
        }
    }

    tjhandle tj = tjInitCompress();
    if (!tj) {
        *error = "TurboJPEG: cannot start the compressor";
        return false;
    }
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    // Huffman-coded, sequential, no restart markers: the baseline the engine reads.
    const int rc = tjCompress2(tj, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &jpeg, &size, TJSAMP_420, 88,
                               TJFLAG_ACCURATEDCT);
    bool ok = rc == 0;
    if (!ok) *error = std::string("TurboJPEG: ") + tjGetErrorStr2(tj);
    if (ok) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ok = f && std::fwrite(jpeg, 1, size, f) == size;
        if (f && std::fclose(f) != 0) ok = false;
        if (!ok) *error = path + ": cannot write";
    }
    tjFree(jpeg);
    tjDestroy(tj);
    return ok;
}

} // namespace kes::demo::art
