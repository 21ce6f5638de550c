// The one convention that the demo's art and the demo's game must share: how
// a sprite's eight groups map to facing directions, and how the ground is
// seen on screen.
//
// Group g faces g * 45 degrees clockwise on screen from "down the screen":
// 0 south (towards the viewer), 1 south-west, 2 west, 3 north-west, 4 north,
// 5 north-east, 6 east, 7 south-east.
//
// The camera looks down at the ground from 30 degrees above it, so a step
// across the screen is a step on the ground, and a step down the screen is
// only half a step on the ground (sin 30 degrees). The art is drawn with that
// camera and the game moves sprites with the same squash, so feet do not slide.
#ifndef KESTO_DEMO_DIRECTIONS_H
#define KESTO_DEMO_DIRECTIONS_H

#include <cmath>

namespace kes::demo {

constexpr int kDirections = 8;
constexpr float kPi = 3.14159265358979f;
constexpr float kCameraElevation = kPi / 6; // 30 degrees
// Screen pixels per ground unit along the screen's y axis.
constexpr float kGroundSquash = 0.5f; // sin(kCameraElevation)

// The ground direction (x right, z towards the viewer) that group g faces.
inline void GroupFacing(int g, float* x, float* z)
{
    const float a = float(g) * (kPi / 4);
    *x = -std::sin(a);
    *z = std::cos(a);
}

// The group that faces most nearly along the ground direction (x, z);
// `fallback` when the direction has no length.
inline int FacingGroup(float x, float z, int fallback)
{
    if (x == 0 && z == 0) return fallback;
    const float a = std::atan2(-x, z); // 0 south, pi/2 west, ...
    int g = int(std::lround(a / (kPi / 4)));
    return ((g % kDirections) + kDirections) % kDirections;
}

} // namespace kes::demo

#endif
