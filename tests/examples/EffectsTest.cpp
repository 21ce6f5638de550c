// effects: each copy of the sprite shows its effect against the copy drawn
// as it is: tints pull the colour their way, alpha darkens on black, a
// scale grows the area, blend levels grey, darken and brighten.
#include "ExampleRunner.h"

#include <algorithm>
#include <functional>

namespace kes::examples {
namespace {

// The sprite's part of cell i (two rows of five, 160 x 300), above its label.
Ink Cell(const Shot& shot, int i)
{
    const int left = i % 5 * 160, top = i / 5 * 300;
    return InkIn(shot, Box{left + 8, top + 8, left + 152, top + 232}, 10);
}

double Saturation(const Ink& ink)
{
    return std::max({ink.r, ink.g, ink.b}) - std::min({ink.r, ink.g, ink.b});
}

// Degrees round the colour wheel; -1 for greys, which have no hue.
double Hue(Rgb p)
{
    const int hi = std::max({p.r, p.g, p.b}), lo = std::min({p.r, p.g, p.b});
    if (hi - lo < 24) return -1;
    const double d = hi - lo;
    double h = hi == p.r ? (p.g - p.b) / d : hi == p.g ? 2 + (p.b - p.r) / d : 4 + (p.r - p.g) / d;
    return h < 0 ? h * 60 + 360 : h * 60;
}

// Of the coloured pixels of cell `from`, the share whose hue at the same
// place of cell `to` is more than 30 degrees away.
double HueMoved(const Shot& shot, int from, int to)
{
    int coloured = 0, moved = 0;
    for (int y = 8; y < 232; ++y)
        for (int x = 8; x < 152; ++x) {
            const double a = Hue(shot.At(from % 5 * 160 + x, from / 5 * 300 + y));
            const double b = Hue(shot.At(to % 5 * 160 + x, to / 5 * 300 + y));
            if (a < 0) continue;
            ++coloured;
            const double turn = std::abs(a - b);
            moved += b >= 0 && std::min(turn, 360 - turn) > 30;
        }
    return coloured ? double(moved) / coloured : 0;
}

enum { AS_IT_IS, TINT_RED, HUE_TURNED, ALPHA, SCALE, BLEND_0, BLEND_8, BLEND_14, BLEND_21, TINT_BLUE };

TEST(EffectsExample, EachCopyShowsItsEffect)
{
    const ExampleRun run = RunExample("effects", {DemoData()}, 6, "effects");
    ASSERT_TRUE(Ran(run));
    Ink cells[10];
    for (int i = 0; i < 10; ++i) cells[i] = Cell(run.shot, i);
    const Ink& plain = cells[AS_IT_IS];
    ASSERT_GT(plain.count, 1000);

    struct Case {
        int cell;
        const char* effect;
        std::function<bool(const Ink&)> holds;
    };
    const Case cases[] = {
        {TINT_RED, "redder", [&](const Ink& c) { return c.Share(c.r) > plain.Share(plain.r) + 0.15; }},
        {TINT_BLUE, "bluer", [&](const Ink& c) { return c.Share(c.b) > plain.Share(plain.b) + 0.15; }},
        {HUE_TURNED, "another hue, as bright",
         [&](const Ink& c) {
             return HueMoved(run.shot, AS_IT_IS, HUE_TURNED) > 0.6 &&
                    std::abs(c.Luminance() - plain.Luminance()) < 0.25 * plain.Luminance();
         }},
        {ALPHA, "darker on black, same size",
         [&](const Ink& c) { return c.Luminance() < 0.6 * plain.Luminance() && c.count > 0.8 * plain.count; }},
        {SCALE, "half as large again each way",
         [&](const Ink& c) { return c.count > 1.9 * plain.count && c.count < 2.6 * plain.count; }},
        {BLEND_0, "greyer", [&](const Ink& c) { return Saturation(c) < 0.5 * Saturation(plain); }},
        {BLEND_8, "darker", [&](const Ink& c) { return c.Luminance() < 0.9 * cells[BLEND_14].Luminance(); }},
        {BLEND_21, "brighter", [&](const Ink& c) { return c.Luminance() > 1.1 * cells[BLEND_14].Luminance(); }},
        // 0x80 in every byte is no tint and no hue turn.
        {BLEND_14, "as it is",
         [&](const Ink& c) {
             return std::abs(c.Luminance() - plain.Luminance()) < 3 && std::abs(c.count - plain.count) < 20;
         }},
    };
    for (const Case& c : cases) {
        const Ink& ink = cells[c.cell];
        EXPECT_TRUE(c.holds(ink)) << "cell " << c.cell << " is not " << c.effect << ": " << ink.count
                                  << " pixels of mean (" << ink.r << ", " << ink.g << ", " << ink.b
                                  << "); as it is: " << plain.count << " of (" << plain.r << ", " << plain.g << ", "
                                  << plain.b << ")";
    }
}

} // namespace
} // namespace kes::examples
