// The digits sprite, so that the game can show numbers before the engine has
// text: seven rounded segments, slightly slanted, light on a dark rim.
#include "Art.h"
#include "FrameFiles.h"
#include "Raster.h"

#include <algorithm>

namespace kes::demo::art {
namespace {

constexpr int kWidth = 14, kHeight = 22;

struct Segment {
    float ax, ay, bx, by;
};

// a (top), b (top right), c (bottom right), d (bottom), e (bottom left),
// f (top left), g (middle).
const Segment kSegments[7] = {
    {3.5f, 3.5f, 10.5f, 3.5f},   {10.5f, 3.5f, 10.5f, 11},  {10.5f, 11, 10.5f, 18.5f}, {3.5f, 18.5f, 10.5f, 18.5f},
    {3.5f, 11, 3.5f, 18.5f},     {3.5f, 3.5f, 3.5f, 11},    {3.5f, 11, 10.5f, 11},
};

// Bit s set: segment s lit.
const unsigned kLit[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

kes::was::tool::PngPicture DrawDigit(int digit)
{
    auto distance = [digit](float x, float y) {
        // Undo the slant: rows higher up are pushed right.
        const float ux = x - (11 - y) * 0.12f;
        float d = 1e9f;
        for (int s = 0; s < 7; ++s) {
            if (!(kLit[digit] >> s & 1)) continue;
            const Segment& g = kSegments[s];
            d = std::min(d, SegmentDistance(ux, y, g.ax, g.ay, g.bx, g.by));
        }
        return d;
    };
    Canvas canvas(kWidth, kHeight);
    canvas.FillShape([&](float x, float y) { return distance(x, y) - 2.7f; },
                     [](float, float) { return FromBytes(24, 20, 36); }, 1.0f);
    canvas.FillShape([&](float x, float y) { return distance(x, y) - 1.35f; },
                     [](float, float y) { return Mix(FromBytes(255, 250, 220), FromBytes(255, 200, 80), y / kHeight); },
                     1.0f);
    return canvas.ToPicture(0, 0);
}

} // namespace

bool WriteDigits(const std::string& folder, std::string* error)
{
    for (int d = 0; d < 10; ++d)
        if (!WriteFrame(folder, 0, d, DrawDigit(d), error)) return false;
    return true;
}

} // namespace kes::demo::art
