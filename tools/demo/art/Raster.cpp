#include "Raster.h"

#include "../Directions.h"

#include <algorithm>
#include <cmath>

namespace kes::demo::art {

float Dot(Vec3 a, Vec3 b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

float Length(Vec3 a)
{
    return std::sqrt(Dot(a, a));
}

Vec3 Normalize(Vec3 a)
{
    const float l = Length(a);
    return l > 0 ? a * (1 / l) : a;
}

Vec3 Cross(Vec3 a, Vec3 b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vec3 TurnY(Vec3 p, float angle)
{
    const float c = std::cos(angle), s = std::sin(angle);
    return {p.x * c + p.z * s, p.y, -p.x * s + p.z * c};
}

float SegmentDistance(float px, float py, float ax, float ay, float bx, float by)
{
    const float ex = bx - ax, ey = by - ay;
    const float len2 = ex * ex + ey * ey;
    float t = len2 > 0 ? ((px - ax) * ex + (py - ay) * ey) / len2 : 0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    const float dx = px - (ax + ex * t), dy = py - (ay + ey * t);
    return std::sqrt(dx * dx + dy * dy);
}

Rgb Mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Scale(Rgb c, float s)
{
    return {c.r * s, c.g * s, c.b * s};
}

Rgb FromBytes(int r, int g, int b)
{
    return {r / 255.0f, g / 255.0f, b / 255.0f};
}

namespace {

float Clamp01(float v)
{
    return v < 0 ? 0 : v > 1 ? 1 : v;
}

uint32_t Byte(float v)
{
    return uint32_t(std::lround(Clamp01(v) * 255));
}

} // namespace

Rgb Shade(Rgb base, Vec3 n, float highlight, float sharpness)
{
    static const Vec3 light = Normalize({-0.45f, -0.6f, 0.65f});
    static const Vec3 half = Normalize(light + Vec3{0, 0, 1});
    const float diffuse = std::max(0.0f, Dot(n, light));
    const float spot = highlight * std::pow(std::max(0.0f, Dot(n, half)), sharpness);
    const float k = 0.36f + 0.78f * diffuse;
    return {Clamp01(base.r * k + spot), Clamp01(base.g * k + spot), Clamp01(base.b * k + spot)};
}

// ---- Canvas -------------------------------------------------------------------------

Canvas::Canvas(int width, int height)
    : m_width(width), m_height(height), m_rgba(size_t(width) * size_t(height) * 4, 0.0f)
{
}

void Canvas::Blend(int x, int y, Rgb colour, float alpha)
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height || alpha <= 0) return;
    float* p = &m_rgba[(size_t(y) * size_t(m_width) + size_t(x)) * 4];
    const float keep = 1 - alpha;
    p[0] = colour.r * alpha + p[0] * keep;
    p[1] = colour.g * alpha + p[1] * keep;
    p[2] = colour.b * alpha + p[2] * keep;
    p[3] = alpha + p[3] * keep;
}

void Canvas::FillShape(const std::function<float(float, float)>& distance,
                       const std::function<Rgb(float, float)>& colour, float opacity)
{
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float cover = Clamp01(0.5f - distance(px, py));
            if (cover > 0) Blend(x, y, colour(px, py), cover * opacity);
        }
    }
}

void Canvas::Get(int x, int y, float* r, float* g, float* b, float* a) const
{
    const float* p = &m_rgba[(size_t(y) * size_t(m_width) + size_t(x)) * 4];
    *a = p[3];
    const float inv = p[3] > 0 ? 1 / p[3] : 0;
    *r = p[0] * inv;
    *g = p[1] * inv;
    *b = p[2] * inv;
}

kes::was::tool::PngPicture Canvas::ToPicture(int keyX, int keyY) const
{
    kes::was::tool::PngPicture out;
    out.width = m_width;
    out.height = m_height;
    out.argb.resize(size_t(m_width) * size_t(m_height));
    out.hasKey = true;
    out.keyX = keyX;
    out.keyY = keyY;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            float r, g, b, a;
            Get(x, y, &r, &g, &b, &a);
            const uint32_t alpha = Byte(a);
            // Invisible pixels are all zero, so that they cost the encoder
            // nothing and no stray colour enters the palette.
            out.argb[size_t(y) * size_t(m_width) + size_t(x)] =
                alpha == 0 ? 0 : alpha << 24 | Byte(r) << 16 | Byte(g) << 8 | Byte(b);
        }
    }
    return out;
}

// ---- View ---------------------------------------------------------------------------

Vec3 View::Project(Vec3 w) const
{
    static const float c = std::cos(kCameraElevation), s = std::sin(kCameraElevation);
    return {keyX + w.x, keyY - w.y * c + w.z * s, w.y * s + w.z * c};
}

// ---- SampleGrid ---------------------------------------------------------------------

SampleGrid::SampleGrid(int width, int height, int scale)
    : m_width(width * scale), m_height(height * scale), m_scale(scale), m_samples(size_t(m_width) * size_t(m_height))
{
}

void SampleGrid::Put(int sx, int sy, float depth, Rgb c)
{
    Sample& s = m_samples[size_t(sy) * size_t(m_width) + size_t(sx)];
    if (s.solid && depth <= s.depth) return;
    s = {c.r, c.g, c.b, 1, depth, true};
}

void SampleGrid::Capsule(const View& view, Vec3 a, Vec3 b, float ra, float rb, const Material& m)
{
    const Vec3 A = view.Project(a), B = view.Project(b);
    const float r = std::max(ra, rb);
    const float inv = 1.0f / float(m_scale);
    const int x0 = std::max(0, int(std::floor((std::min(A.x, B.x) - r) * m_scale)));
    const int x1 = std::min(m_width - 1, int(std::ceil((std::max(A.x, B.x) + r) * m_scale)));
    const int y0 = std::max(0, int(std::floor((std::min(A.y, B.y) - r) * m_scale)));
    const int y1 = std::min(m_height - 1, int(std::ceil((std::max(A.y, B.y) + r) * m_scale)));
    const float ex = B.x - A.x, ey = B.y - A.y;
    const float len2 = ex * ex + ey * ey;
    for (int sy = y0; sy <= y1; ++sy) {
        for (int sx = x0; sx <= x1; ++sx) {
            const float px = (sx + 0.5f) * inv, py = (sy + 0.5f) * inv;
            float t = len2 > 1e-6f ? ((px - A.x) * ex + (py - A.y) * ey) / len2 : 0;
            t = Clamp01(t);
            const float cx = A.x + ex * t, cy = A.y + ey * t;
            const float rad = ra + (rb - ra) * t;
            const float dx = px - cx, dy = py - cy;
            const float d2 = dx * dx + dy * dy;
            if (d2 >= rad * rad) continue;
            const float nz = std::sqrt(1 - d2 / (rad * rad));
            const float depth = A.z + (B.z - A.z) * t + rad * nz;
            const Rgb base = (t >= m.bandFrom && t <= m.bandTo) ? m.band : m.base;
            const Rgb c = m.glow ? base : Shade(base, {dx / rad, dy / rad, nz}, m.highlight, m.sharpness);
            Put(sx, sy, depth, c);
        }
    }
}

void SampleGrid::Triangle(Vec3 a, Vec3 b, Vec3 c, Rgb colour)
{
    const float inv = 1.0f / float(m_scale);
    const float area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (std::fabs(area) < 1e-6f) return;
    const int x0 = std::max(0, int(std::floor(std::min({a.x, b.x, c.x}) * m_scale)));
    const int x1 = std::min(m_width - 1, int(std::ceil(std::max({a.x, b.x, c.x}) * m_scale)));
    const int y0 = std::max(0, int(std::floor(std::min({a.y, b.y, c.y}) * m_scale)));
    const int y1 = std::min(m_height - 1, int(std::ceil(std::max({a.y, b.y, c.y}) * m_scale)));
    for (int sy = y0; sy <= y1; ++sy) {
        for (int sx = x0; sx <= x1; ++sx) {
            const float px = (sx + 0.5f) * inv, py = (sy + 0.5f) * inv;
            const float wa = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) / area;
            const float wb = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) / area;
            const float wc = 1 - wa - wb;
            if (wa < 0 || wb < 0 || wc < 0) continue;
            Put(sx, sy, wa * a.z + wb * b.z + wc * c.z, colour);
        }
    }
}

void SampleGrid::Ellipse(float cx, float cy, float rx, float ry, Rgb colour, float alpha, float feather)
{
    const float inv = 1.0f / float(m_scale);
    const float inner = std::min(rx, ry);
    for (int sy = 0; sy < m_height; ++sy) {
        for (int sx = 0; sx < m_width; ++sx) {
            const float dx = ((sx + 0.5f) * inv - cx) / rx, dy = ((sy + 0.5f) * inv - cy) / ry;
            const float q = std::sqrt(dx * dx + dy * dy);
            const float cover = Clamp01((1 - q) * inner / feather);
            if (cover <= 0) continue;
            Sample& s = m_samples[size_t(sy) * size_t(m_width) + size_t(sx)];
            if (s.solid) continue;
            const float k = alpha * cover, keep = 1 - k;
            s.r = colour.r * k + s.r * keep;
            s.g = colour.g * k + s.g * keep;
            s.b = colour.b * k + s.b * keep;
            s.a = k + s.a * keep;
        }
    }
}

void SampleGrid::Outline(Rgb colour, float width)
{
    const int reach = std::max(1, int(std::lround(width * m_scale)));
    // Square dilation of the solid samples, a row pass then a column pass.
    std::vector<unsigned char> solid(m_samples.size()), rows(m_samples.size()), grown(m_samples.size());
    for (size_t i = 0; i < m_samples.size(); ++i) solid[i] = m_samples[i].solid;
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            unsigned char hit = 0;
            for (int k = std::max(0, x - reach); k <= std::min(m_width - 1, x + reach) && !hit; ++k)
                hit = solid[size_t(y) * size_t(m_width) + size_t(k)];
            rows[size_t(y) * size_t(m_width) + size_t(x)] = hit;
        }
    }
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            unsigned char hit = 0;
            for (int k = std::max(0, y - reach); k <= std::min(m_height - 1, y + reach) && !hit; ++k)
                hit = rows[size_t(k) * size_t(m_width) + size_t(x)];
            grown[size_t(y) * size_t(m_width) + size_t(x)] = hit;
        }
    }
    for (size_t i = 0; i < m_samples.size(); ++i) {
        // Behind everything drawn later: the ring is the farthest thing there.
        if (grown[i] && !solid[i]) m_samples[i] = {colour.r, colour.g, colour.b, 1, -1e29f, true};
    }
}

Canvas SampleGrid::Resolve() const
{
    const int w = m_width / m_scale, h = m_height / m_scale;
    Canvas out(w, h);
    const float n = float(m_scale * m_scale);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            float r = 0, g = 0, b = 0, a = 0;
            for (int j = 0; j < m_scale; ++j) {
                for (int i = 0; i < m_scale; ++i) {
                    const Sample& s = m_samples[size_t(y * m_scale + j) * size_t(m_width) + size_t(x * m_scale + i)];
                    // Solid samples hold straight colour at full alpha; the
                    // translucent ones hold premultiplied colour.
                    r += s.r;
                    g += s.g;
                    b += s.b;
                    a += s.a;
                }
            }
            if (a <= 0) continue;
            // One source-over of the averaged, premultiplied colour onto an
            // empty pixel stores it as it is.
            out.Blend(x, y, {r / a, g / a, b / a}, a / n);
        }
    }
    return out;
}

} // namespace kes::demo::art
