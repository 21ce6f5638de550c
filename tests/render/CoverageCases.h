// Screen rectangles whose pixels both devices must cover by Direct3D's
// rules: the software device against the rule itself, the OpenGL device
// against the software device.
#ifndef KESTO_TESTS_COVERAGECASES_H
#define KESTO_TESTS_COVERAGECASES_H

namespace kes::test {

struct RectCase {
    const char* name;
    float left, top, right, bottom;
};

// Whole, half, quarter and sub-pixel corners, clipped, reversed, huge,
// outside and empty; in a 160 x 120 target.
inline constexpr RectCase kCoverageRects[] = {
    {"the engine's 64 x 32 image at (100, 100)", 68, 70, 132, 102},
    {"half-pixel corners", 10.5f, 10.5f, 20.5f, 20.5f},
    {"a 1 x 1 quad", 5, 5, 6, 6},
    {"a quad around one centre", 30.5f, 40.5f, 31.5f, 41.5f},
    {"a quad between centres", 5.25f, 5.25f, 5.75f, 5.75f},
    {"quarter-pixel corners", 12.25f, 3.75f, 15.75f, 9.25f},
    {"partly above and left of the target", -10, -10, 5.5f, 3},
    {"partly below and right of the target", 150, 100, 170, 130},
    {"corners in reverse order", 132, 102, 68, 70},
    {"far larger than the target", -1e7f, -1e7f, 1e7f, 1e7f},
    {"wholly outside", 200, 10, 300, 20},
    {"zero width", 40, 10, 40, 20},
};

} // namespace kes::test

#endif
