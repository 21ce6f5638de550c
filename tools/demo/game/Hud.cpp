#include "Hud.h"

#include "Caption.h"

#include <cmath>

namespace kes::demo {
namespace {

constexpr float kDigitAdvance = 12; // the digits are 14 wide with a rim to share

} // namespace

float DrawNumber(MApp& app, const Assets& assets, float x, float y, unsigned value, float scale)
{
    RECTF whole(0, 0, 1, 1);
    do {
        x -= kDigitAdvance * scale;
        app.DrawImage(assets.digits->GetImage(0, int(value % 10)), x, y, whole, BLEND_NORMAL, 0, 1.0f, scale, scale);
        value /= 10;
    } while (value);
    return x;
}

void DrawHud(MApp& app, const Assets& assets, float seconds, unsigned fps)
{
    RECTF whole(0, 0, 1, 1);
    const float alpha = 0.8f + 0.2f * std::sin(seconds * 2.0f);
    app.DrawImage(assets.logo, 12, 6, whole, BLEND_NORMAL, 0, alpha, 1.0f, 1.0f);
    DrawCaption(app, assets, seconds);

    const float right = 788, top = 10;
    app.DrawRect(right - 96, top, 96, 36, 0xB0101020, 0);
    app.DrawRect(right - 96, top, 96, 36, 0xFFE8C060, 1);
    DrawNumber(app, assets, right - 10, top + 7, fps, 1.0f);
}

} // namespace kes::demo
