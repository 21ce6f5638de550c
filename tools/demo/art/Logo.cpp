// The logo: KESTO in gold strokes with a dark rim and a soft drop shadow,
// so that its alpha has both hard and gradual edges to show.
#include "Art.h"
#include "Raster.h"
#include "Tga.h"

#include "../Directions.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace kes::demo::art {
namespace {

constexpr int kWidth = 264, kHeight = 88;
constexpr float kTop = 14, kLetterHeight = 56, kStroke = 4;

struct Stroke {
    float ax, ay, bx, by;
};

// An arc as short strokes: centre, radii, from angle a0 to a1 (radians, y down).
void Arc(std::vector<Stroke>* out, float ox, float oy, float cx, float cy, float rx, float ry, float a0, float a1)
{
    const int steps = 24;
    for (int i = 0; i < steps; ++i) {
        const float s = a0 + (a1 - a0) * float(i) / steps, t = a0 + (a1 - a0) * float(i + 1) / steps;
        out->push_back({ox + cx + rx * std::cos(s), oy + cy + ry * std::sin(s), ox + cx + rx * std::cos(t),
                        oy + cy + ry * std::sin(t)});
    }
}

std::vector<Stroke> Letters()
{
    std::vector<Stroke> s;
    auto line = [&s](float ox, float ax, float ay, float bx, float by) {
        s.push_back({ox + ax, kTop + ay, ox + bx, kTop + by});
    };
    float x = 14;
    line(x, 0, 0, 0, 56); // K
    line(x, 34, 0, 4, 30);
    line(x, 13, 22, 36, 56);
    x += 48;
    line(x, 0, 0, 0, 56); // E
    line(x, 0, 0, 32, 0);
    line(x, 0, 28, 26, 28);
    line(x, 0, 56, 32, 56);
    x += 48;
    const float deg = kPi / 180; // S: two bowls meeting in the middle
    Arc(&s, x, kTop, 18, 14, 16, 14, -20 * deg, -270 * deg);
    Arc(&s, x, kTop, 18, 42, 16, 14, -90 * deg, 160 * deg);
    x += 48;
    line(x, 0, 0, 38, 0); // T
    line(x, 19, 0, 19, 56);
    x += 48;
    Arc(&s, x, kTop, 19, 28, 18, 28, 0, 2 * kPi); // O
    return s;
}

} // namespace

bool WriteLogo(const std::string& path, std::string* error)
{
    const std::vector<Stroke> strokes = Letters();
    auto distance = [&strokes](float x, float y) {
        float d = 1e9f;
        for (const Stroke& s : strokes) d = std::min(d, SegmentDistance(x, y, s.ax, s.ay, s.bx, s.by));
        return d;
    };
    Canvas canvas(kWidth, kHeight);
    // The shadow's edge spreads over about three pixels.
    canvas.FillShape([&](float x, float y) { return (distance(x - 4, y - 5) - kStroke - 2) / 3; },
                     [](float, float) { return Rgb{0, 0, 0}; }, 0.55f);
    canvas.FillShape([&](float x, float y) { return distance(x, y) - kStroke - 2.5f; },
                     [](float, float) { return FromBytes(48, 26, 12); }, 1.0f);
    canvas.FillShape([&](float x, float y) { return distance(x, y) - kStroke; },
                     [](float, float y) {
                         const float t = (y - kTop) / kLetterHeight;
                         return t < 0.5f ? Mix(FromBytes(255, 238, 150), FromBytes(246, 178, 52), t * 2)
                                         : Mix(FromBytes(246, 178, 52), FromBytes(190, 104, 26), t * 2 - 1);
                     },
                     1.0f);
    // A shine along the upper half of each stroke.
    canvas.FillShape([&](float x, float y) { return y - kTop > 22 ? 1e9f : distance(x + 1, y + 1) - 1.2f; },
                     [](float, float) { return Rgb{1, 1, 1}; }, 0.45f);
    return WriteTga(path, canvas.ToPicture(0, 0), error);
}

} // namespace kes::demo::art
