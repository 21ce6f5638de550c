#include "Showcase.h"

#include "Hud.h"

#include "../Directions.h"

#include <cmath>

namespace kes::demo {
namespace {

constexpr DWORD kPanelFill = 0x90101828;
constexpr DWORD kPanelEdge = 0xFF8090C0;
constexpr DWORD kNeutral = 0x80808080; // tint 1 in each channel, hue not turned

void Panel(MApp& app, float x, float y, float w, float h)
{
    app.DrawRect(x, y, w, h, kPanelFill, 0);
    app.DrawRect(x, y, w, h, kPanelEdge, 1);
}

MImage* GemFrame(const Assets& a, float seconds)
{
    return a.gem->GetImage(0, int(seconds * 12) % a.gem->m_frameCount);
}

// Left: four tints, four hue turns, four alphas, and the hero turning
// through its eight directions while its hue goes round.
void ColourPanel(MApp& app, const Assets& a, float seconds)
{
    Panel(app, 8, 104, 176, 410);
    RECTF whole(0, 0, 1, 1);
    MImage* gem = GemFrame(a, seconds);
    // Tints double each channel at 0xFF and halve it near 0x40; 0 switches them off.
    const DWORD tints[4] = {0, 0x80FF5A5A, 0x805AFF5A, 0x805A5AFF};
    // The alpha byte turns the hue: 0x80 not at all, each 0x2A about a sixth.
    const DWORD hues[4] = {0x2B808080, 0x55808080, 0xAA808080, 0xD5808080};
    const float alphas[4] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        const float x = 34 + 42 * float(i);
        app.DrawImage(gem, x, 140, whole, BLEND_NORMAL, tints[i], 1.0f, 1.0f, 1.0f);
        app.DrawImage(gem, x, 198, whole, BLEND_NORMAL, hues[i], 1.0f, 1.0f, 1.0f);
        app.DrawImage(gem, x, 256, whole, BLEND_NORMAL, kNeutral, alphas[i], 1.0f, 1.0f);
    }
    const int group = int(seconds * 2.5f) % kDirections;
    const DWORD hue = 1 + DWORD(seconds * 64) % 255;
    MImage* hero = a.heroStand->GetImage(group, int(seconds * 4) % a.heroStand->m_frameCount);
    app.DrawImage(hero, 96, 470, whole, BLEND_NORMAL, hue << 24 | 0x808080, 1.0f, 1.2f, 1.2f);
}

// Right: three fixed scales, a clock of one-pixel spokes with a thick
// sweeping hand around a pulsing gem, lines of growing width, rectangles.
void ShapePanel(MApp& app, const Assets& a, float seconds)
{
    Panel(app, 616, 104, 176, 410);
    RECTF whole(0, 0, 1, 1);
    MImage* gem = GemFrame(a, seconds);
    app.DrawImage(gem, 640, 150, whole, BLEND_NORMAL, 0, 1.0f, 0.5f, 0.5f);
    app.DrawImage(gem, 672, 150, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
    app.DrawImage(gem, 730, 150, whole, BLEND_NORMAL, 0, 1.0f, 1.5f, 1.5f);

    const float cx = 704, cy = 262, r = 56;
    for (int i = 0; i < 24; ++i) {
        const float t = float(i) * (2 * kPi / 24);
        const float inner = i % 6 == 0 ? r - 16 : r - 8;
        app.DrawLine(cx + inner * std::cos(t), cy + inner * std::sin(t), cx + r * std::cos(t), cy + r * std::sin(t),
                     i % 6 == 0 ? 0xFFFFE080 : 0xFFA0B0D0, 1);
    }
    const float sweep = seconds * 1.2f;
    app.DrawLineEx(cx, cy, cx + (r - 4) * std::cos(sweep), cy + (r - 4) * std::sin(sweep), 0xC0FF6040, 5);
    const float pulse = 0.85f + 0.6f * (0.5f + 0.5f * std::sin(seconds * 3));
    app.DrawImage(gem, cx, cy, whole, BLEND_NORMAL, 0, 1.0f, pulse, pulse);

    const float widths[4] = {1, 2, 3.5f, 6};
    const DWORD colours[4] = {0xFFFFFFFF, 0xFF80E0FF, 0xFFFFC040, 0xFFFF6080};
    for (int i = 0; i < 4; ++i) {
        const float y = 336 + 14 * float(i);
        app.DrawLineEx(632, y + 6, 776, y - 2, colours[i], widths[i]);
    }

    app.DrawRect(630, 400, 40, 30, 0xFF3090E0, 0);  // filled
    app.DrawRect(680, 400, 40, 30, 0xFFFFFFFF, 1);  // outline
    app.DrawRect(730, 400, 50, 30, 0xFFE0A030, 5);  // thick outline, inside
    app.DrawRect(636, 446, 64, 40, 0x80FF4060, 0);  // translucent, overlapping
    app.DrawRect(668, 462, 64, 40, 0x8040FF80, 0);
    app.DrawRect(742, 446, 40, 56, 0xFF60E0FF, 3);
}

// Bottom: the same gem at every blend level, 0 (grey) to 21 (brightest).
void BlendPanel(MApp& app, const Assets& a, float seconds)
{
    Panel(app, 6, 522, 788, 72);
    RECTF whole(0, 0, 1, 1);
    MImage* gem = GemFrame(a, seconds);
    for (int level = BLEND_COLOR; level <= BLEND_LIGHT; ++level) {
        const float x = 24 + 35.6f * float(level);
        app.DrawImage(gem, x, 546, whole, level, kNeutral, 1.0f, 0.8f, 0.8f);
        const float half = (level < 10 ? 6.0f : 12.0f) / 2;
        DrawNumber(app, a, x + half, 572, unsigned(level), 0.5f);
    }
}

} // namespace

void DrawShowcase(MApp& app, const Assets& assets, float seconds)
{
    ColourPanel(app, assets, seconds);
    ShapePanel(app, assets, seconds);
    BlendPanel(app, assets, seconds);
}

} // namespace kes::demo
