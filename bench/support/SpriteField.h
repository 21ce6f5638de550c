// The sprite benchmarks' shared picture: one 64 x 64 sprite and the places
// it is drawn at in an 800 x 600 frame, the same for every renderer measured.
#ifndef KESTO_BENCH_SPRITEFIELD_H
#define KESTO_BENCH_SPRITEFIELD_H

#include <cstdint>
#include <vector>

namespace kes::bench {

constexpr int kFieldWidth = 800, kFieldHeight = 600;
constexpr int kSpriteSize = 64;

// A round sprite: opaque inside, a soft rim two pixels wide, clear outside,
// colours varying across it; 0xAARRGGBB words, row by row.
std::vector<uint32_t> SpritePixels();

// The same sprite as R, G, B, A bytes, as SFML and OpenGL take it.
std::vector<uint8_t> SpriteRgbaBytes();

struct SpritePlace {
    int x, y;
};

// `count` top-left corners, from a fixed seed: every run and every renderer
// draws the same frame. A sprite may stick out of the frame by half its size.
std::vector<SpritePlace> SpritePlaces(int count);

} // namespace kes::bench

#endif
