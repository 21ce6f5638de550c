// The spinning ruby: a six-sided double pyramid turned a little each frame,
// its facets in two alternating reds so that the turn reads, with a soft
// halo behind it and a glint on the first frames.
#include "Art.h"
#include "FrameFiles.h"
#include "Raster.h"

#include "../Directions.h"

#include <algorithm>
#include <cmath>

namespace kes::demo::art {
namespace {

constexpr int kWidth = 40, kHeight = 48, kKeyX = 20, kKeyY = 24;
constexpr int kFrames = 12;

// Frame f of the spin; the alternating facets repeat every third of a turn,
// so the twelve frames cover that and the loop is seamless.
kes::was::tool::PngPicture DrawFrame(int f)
{
    SampleGrid grid(kWidth, kHeight, 4);
    View view;
    view.keyX = kKeyX;
    view.keyY = kKeyY;
    grid.Ellipse(kKeyX, kKeyY, 19, 19, FromBytes(255, 80, 112), 0.4f, 13);

    const float turn = (2 * kPi / 3) * float(f) / float(kFrames);
    const Vec3 top = view.Project({0, 13, 0}), bottom = view.Project({0, -17, 0});
    Vec3 ring[6];
    for (int i = 0; i < 6; ++i) {
        const float a = turn + float(i) * (kPi / 3);
        ring[i] = view.Project({11 * std::cos(a), 0, 11 * std::sin(a)});
    }
    const Rgb ruby[2] = {FromBytes(214, 30, 64), FromBytes(246, 86, 112)};
    for (int i = 0; i < 6; ++i) {
        const Vec3 a = ring[i], b = ring[(i + 1) % 6];
        const Vec3 tris[2][3] = {{top, a, b}, {bottom, b, a}};
        for (int k = 0; k < 2; ++k) {
            const Vec3* t = tris[k];
            Vec3 n = Normalize(Cross(t[1] - t[0], t[2] - t[0]));
            if (n.z < 0) n = n * -1; // hidden faces lose the depth test anyway
            // The lower half is darker: light enters from above.
            const Rgb base = k == 0 ? ruby[i % 2] : Scale(ruby[(i + 1) % 2], 0.8f);
            grid.Triangle(t[0], t[1], t[2], Shade(base, n, 0.9f, 18));
        }
    }
    grid.Outline(FromBytes(80, 10, 24), 0.75f);
    Canvas canvas = grid.Resolve();

    static const float kGlint[kFrames] = {1.0f, 0.7f, 0.35f};
    if (kGlint[f] > 0) {
        const float cx = 15, cy = 17;
        canvas.FillShape(
            [&](float x, float y) {
                const float across = SegmentDistance(x, y, cx - 7, cy, cx + 7, cy) - 0.25f;
                const float down = SegmentDistance(x, y, cx, cy - 7, cx, cy + 7) - 0.25f;
                const float core = std::hypot(x - cx, y - cy) - 1.5f;
                return std::min({across, down, core});
            },
            [](float, float) { return Rgb{1, 1, 1}; }, kGlint[f]);
    }
    return canvas.ToPicture(kKeyX, kKeyY);
}

} // namespace

bool WriteGem(const std::string& folder, std::string* error)
{
    for (int f = 0; f < kFrames; ++f)
        if (!WriteFrame(folder, 0, f, DrawFrame(f), error)) return false;
    return true;
}

} // namespace kes::demo::art
