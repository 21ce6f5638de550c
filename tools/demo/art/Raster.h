// The small renderer behind the demo's art: a canvas of premultiplied colour
// for flat 2-D shapes, and a grid of depth-tested samples for the 3-D figures
// (capsules, spheres, triangles), resolved into a canvas by averaging, which
// is where the soft alpha edges of the sprites come from.
#ifndef KESTO_DEMO_ART_RASTER_H
#define KESTO_DEMO_ART_RASTER_H

#include "Png.h"

#include <functional>
#include <vector>

namespace kes::demo::art {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float Dot(Vec3 a, Vec3 b);
float Length(Vec3 a);
Vec3 Normalize(Vec3 a);
Vec3 Cross(Vec3 a, Vec3 b);
// Turns p about the vertical (y) axis; positive angles turn +z towards +x.
Vec3 TurnY(Vec3 p, float angle);

// Distance from (px, py) to the segment from a to b, in the plane.
float SegmentDistance(float px, float py, float ax, float ay, float bx, float by);

// Colour channels from 0 to 1.
struct Rgb {
    float r = 0, g = 0, b = 0;
};
Rgb Mix(Rgb a, Rgb b, float t);
Rgb Scale(Rgb c, float s);
Rgb FromBytes(int r, int g, int b);

// Lambert lighting from the upper left front, with a highlight of the given
// strength and sharpness. `n` is a view-space normal (x right, y down, z
// towards the viewer).
Rgb Shade(Rgb base, Vec3 n, float highlight, float sharpness);

// Straight-alpha pictures are made from this: each pixel premultiplied.
class Canvas {
public:
    Canvas(int width, int height);
    int Width() const { return m_width; }
    int Height() const { return m_height; }

    // Source-over: `colour` at `alpha` (0..1) over pixel (x, y).
    void Blend(int x, int y, Rgb colour, float alpha);
    // A shape given by its signed distance in pixels (negative inside), its
    // edge anti-aliased over one pixel, coloured per pixel, at `opacity`.
    void FillShape(const std::function<float(float, float)>& distance, const std::function<Rgb(float, float)>& colour,
                   float opacity);

    // Straight alpha: r, g, b, a from 0 to 1.
    void Get(int x, int y, float* r, float* g, float* b, float* a) const;
    kes::was::tool::PngPicture ToPicture(int keyX, int keyY) const;

private:
    int m_width, m_height;
    std::vector<float> m_rgba; // premultiplied
};

// How the figures are looked at: the ground point (0, 0, 0) lands on pixel
// (keyX, keyY); the camera looks down at kCameraElevation.
struct View {
    float keyX = 0, keyY = 0;
    // x right, y down (pixels), depth towards the viewer.
    Vec3 Project(Vec3 world) const;
};

// Material of a 3-D shape. A band across a capsule (from `bandFrom` to
// `bandTo` along it) is coloured `band` instead, for belts and boot tops.
struct Material {
    Rgb base;
    float highlight = 0.15f;
    float sharpness = 12;
    Rgb band;
    float bandFrom = 2, bandTo = 2;
    bool glow = false; // unlit: shows its own colour
};

// Depth-tested samples, `scale` by `scale` of them to a pixel.
class SampleGrid {
public:
    SampleGrid(int width, int height, int scale);

    // A capsule between a and b (world), radius ra at a and rb at b, as
    // the view sees it; a sphere when a == b.
    void Capsule(const View& view, Vec3 a, Vec3 b, float ra, float rb, const Material& m);
    // A flat-shaded triangle given in view space (pixels and depth).
    void Triangle(Vec3 a, Vec3 b, Vec3 c, Rgb colour);
    // A translucent ellipse under everything drawn after it, its edge
    // fading out over `feather` pixels.
    void Ellipse(float cx, float cy, float rx, float ry, Rgb colour, float alpha, float feather);
    // Rings what is drawn so far with `width` pixels of `colour`.
    void Outline(Rgb colour, float width);

    // Average of each pixel's samples.
    Canvas Resolve() const;

private:
    struct Sample {
        float r = 0, g = 0, b = 0, a = 0;
        float depth = -1e30f;
        bool solid = false;
    };
    void Put(int sx, int sy, float depth, Rgb c);
    int m_width, m_height, m_scale;
    std::vector<Sample> m_samples;
};

} // namespace kes::demo::art

#endif
