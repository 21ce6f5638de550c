// The sprite suites' own reading of the WAS format, written from the format's
// rules one pixel at a time, to compute the pictures the loader must give;
// and small helpers to build row code and read textures back.
#ifndef KESTO_TESTS_LOADERS_WASREFERENCE_H
#define KESTO_TESTS_LOADERS_WASREFERENCE_H

#include <KesImage.h>

#include <initializer_list>
#include <stdint.h>
#include <string>
#include <vector>

namespace kes::test::was {

// A 5-6-5 colour with 8-bit channels whose low bits repeat the field's own
// low bits (31 -> 255, 16 -> 128, 1 -> 9), as 0xAARRGGBB.
uint32_t Expand(uint16_t c, uint32_t alpha);

struct RefFrame {
    bool present = false;
    int width = 0, height = 0;
    int keyX = 0, keyY = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, row-major
};

struct RefSprite {
    bool loads = false; // false: the loader must return null
    int groups = 0, frames = 0;
    int width = 0, height = 0, keyX = 0, keyY = 0;
    std::vector<RefFrame> slots;
};

// What the loader must make of `bytes`. A frame is dropped (slot empty) when
// its header or row table leaves the file, a side is not positive or above
// 4096, or any row's code runs past the file's end before the row is
// complete; such a frame does not count for the interlace rule.
RefSprite Decode(const std::string& bytes);

// Row code from byte values.
std::string Code(std::initializer_list<int> bytes);

// A palette whose 256 entries are all different, with pure red at 5.
void TestPalette(uint16_t palette[256]);

// "(x, y) 0xAARRGGBB" for messages.
std::string Describe(const std::vector<uint32_t>& pixels, int width);

} // namespace kes::test::was

#endif
