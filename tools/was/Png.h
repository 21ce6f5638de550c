// PNG files of the sprite tool: 8-bit RGBA pictures with the frame's key
// point in a text chunk, so that export and encode keep it.
#ifndef KESTO_TOOLS_WAS_PNG_H
#define KESTO_TOOLS_WAS_PNG_H

#include <stdint.h>
#include <stdio.h>
#include <string>
#include <vector>

namespace kes::was::tool {

// The text chunk keyword that holds the frame's key point, "x,y".
constexpr const char* kKeyChunk = "Kesto key";
// The text chunk keyword that holds the whole sprite's key point and box,
// "x,y,width,height", so that a sprite exported and encoded again keeps them.
constexpr const char* kSpriteChunk = "Kesto sprite";

struct PngPicture {
    int width = 0, height = 0;
    std::vector<uint32_t> argb; // 0xAARRGGBB, row-major
    bool hasKey = false;
    int keyX = 0, keyY = 0;
    bool hasSprite = false;
    int spriteKeyX = 0, spriteKeyY = 0, spriteWidth = 0, spriteHeight = 0;
};

// Reads any PNG (palette, grey, 16-bit, with or without alpha) as 8-bit
// ARGB. Pictures larger than `maxSide` on a side are refused. False with
// a message on failure.
bool ReadPng(const std::string& path, int maxSide, PngPicture* out, std::string* error);

// Writes an RGBA PNG, with the key chunk when `picture.hasKey` and the
// sprite chunk when `picture.hasSprite`.
bool WritePng(const std::string& path, const PngPicture& picture, std::string* error);
// The same into an open stream, left open. False with libpng's message.
bool WritePng(FILE* file, const PngPicture& picture, std::string* error);

} // namespace kes::was::tool

#endif
