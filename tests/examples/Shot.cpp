#include "Shot.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>

namespace kes::examples {

Rgb Shot::At(int x, int y) const
{
    const unsigned char* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
    return Rgb{p[0], p[1], p[2]};
}

bool ReadShot(const std::string& path, Shot* out, std::string* error)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        *error = path + ": " + image.message;
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    out->width = int(image.width);
    out->height = int(image.height);
    out->rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out->rgb.data(), 0, nullptr)) {
        *error = path + ": " + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
}

namespace {

// The part of `part` inside the shot.
Box Clip(const Shot& shot, Box part)
{
    return Box{std::max(part.left, 0), std::max(part.top, 0), std::min(part.right, shot.width),
               std::min(part.bottom, shot.height)};
}

} // namespace

Ink InkIn(const Shot& shot, Box part, int floor)
{
    const Box c = Clip(shot, part);
    Ink ink;
    ink.bounds = Box{c.right, c.bottom, c.left, c.top};
    for (int y = c.top; y < c.bottom; ++y) {
        for (int x = c.left; x < c.right; ++x) {
            const Rgb p = shot.At(x, y);
            if (p.r + p.g + p.b <= floor) continue;
            ++ink.count;
            ink.r += p.r;
            ink.g += p.g;
            ink.b += p.b;
            ink.bounds = Box{std::min(ink.bounds.left, x), std::min(ink.bounds.top, y),
                             std::max(ink.bounds.right, x + 1), std::max(ink.bounds.bottom, y + 1)};
        }
    }
    if (ink.count) {
        ink.r /= ink.count;
        ink.g /= ink.count;
        ink.b /= ink.count;
    }
    return ink;
}

int Differing(const Shot& a, const Shot& b, Box part, int tolerance)
{
    const Box c = Clip(a, part);
    int n = 0;
    for (int y = c.top; y < c.bottom; ++y) {
        for (int x = c.left; x < c.right; ++x) {
            const Rgb p = a.At(x, y), q = b.At(x, y);
            if (std::abs(p.r - q.r) > tolerance || std::abs(p.g - q.g) > tolerance || std::abs(p.b - q.b) > tolerance)
                ++n;
        }
    }
    return n;
}

int Matching(const Shot& shot, Box part, Rgb colour, int tolerance, double* middleX, double* middleY)
{
    const Box c = Clip(shot, part);
    int n = 0;
    double sumX = 0, sumY = 0;
    for (int y = c.top; y < c.bottom; ++y) {
        for (int x = c.left; x < c.right; ++x) {
            const Rgb p = shot.At(x, y);
            if (std::abs(p.r - colour.r) <= tolerance && std::abs(p.g - colour.g) <= tolerance &&
                std::abs(p.b - colour.b) <= tolerance) {
                ++n;
                sumX += x;
                sumY += y;
            }
        }
    }
    if (n && middleX) *middleX = sumX / n;
    if (n && middleY) *middleY = sumY / n;
    return n;
}

} // namespace kes::examples
