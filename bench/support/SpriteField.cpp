#include "SpriteField.h"

#include <cmath>
#include <random>

namespace kes::bench {

std::vector<uint32_t> SpritePixels()
{
    std::vector<uint32_t> px(kSpriteSize * kSpriteSize);
    for (int y = 0; y < kSpriteSize; ++y)
        for (int x = 0; x < kSpriteSize; ++x) {
            const double d = std::hypot(x + 0.5 - kSpriteSize / 2.0, y + 0.5 - kSpriteSize / 2.0);
            const double a = std::fmin(1.0, std::fmax(0.0, (30.0 - d) / 2.0));
            const uint32_t alpha = uint32_t(std::lround(a * 255));
            px[size_t(y) * kSpriteSize + x] =
                alpha << 24 | uint32_t(x * 4) << 16 | uint32_t(y * 4) << 8 | uint32_t(160);
        }
    return px;
}

std::vector<uint8_t> SpriteRgbaBytes()
{
    std::vector<uint8_t> out;
    for (const uint32_t argb : SpritePixels()) {
        out.push_back(uint8_t(argb >> 16));
        out.push_back(uint8_t(argb >> 8));
        out.push_back(uint8_t(argb));
        out.push_back(uint8_t(argb >> 24));
    }
    return out;
}

std::vector<SpritePlace> SpritePlaces(int count)
{
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> px(-kSpriteSize / 2, kFieldWidth - kSpriteSize / 2);
    std::uniform_int_distribution<int> py(-kSpriteSize / 2, kFieldHeight - kSpriteSize / 2);
    std::vector<SpritePlace> out;
    out.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const int x = px(rng);
        out.push_back(SpritePlace{x, py(rng)});
    }
    return out;
}

} // namespace kes::bench
