// An example's screenshot, read with libpng, and what the example tests ask
// of a part of it: how many pixels are drawn there, where, and in what colour.
#ifndef KESTO_TESTS_EXAMPLES_SHOT_H
#define KESTO_TESTS_EXAMPLES_SHOT_H

#include <string>
#include <vector>

namespace kes::examples {

struct Rgb {
    int r, g, b;
};

struct Box {
    int left, top, right, bottom; // right and bottom excluded
};

struct Shot {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; // rows top to bottom

    Rgb At(int x, int y) const;
};

// False, with the reason, when the file is missing or not a PNG.
bool ReadShot(const std::string& path, Shot* out, std::string* error);

// The drawn pixels of a part: those whose channels add up to more than
// `floor` (the examples draw on black).
struct Ink {
    int count = 0;
    double r = 0, g = 0, b = 0; // means over the drawn pixels
    Box bounds{0, 0, 0, 0};     // of the drawn pixels

    double Luminance() const { return 0.299 * r + 0.587 * g + 0.114 * b; }
    double Share(double channel) const { return channel / (r + g + b + 1e-9); }
    double CentreX() const { return (bounds.left + bounds.right) / 2.0; }
};
Ink InkIn(const Shot& shot, Box part, int floor = 30);

// Pixels of `part` that differ between two shots of one size by more than
// `tolerance` in a channel.
int Differing(const Shot& a, const Shot& b, Box part, int tolerance = 24);

// Pixels of `part` within `tolerance` of `colour` in every channel, and
// their middle (when `middleX` and `middleY` are given and any match).
int Matching(const Shot& shot, Box part, Rgb colour, int tolerance, double* middleX = nullptr,
             double* middleY = nullptr);

} // namespace kes::examples

#endif
