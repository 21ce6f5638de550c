// An inited MApp on the software device (offscreen video, dummy audio) for
// the font tests, plus a FreeType of the test's own that renders reference
// glyphs from the same font files, independently of the engine.
#ifndef KESTO_TESTS_TEXTFIXTURE_H
#define KESTO_TESTS_TEXTFIXTURE_H

#include <KesApp.h>

#include <gtest/gtest.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>
#include <vector>

namespace kes::test {

extern const char* const kDejaVuSans;
extern const char* const kDejaVuMono;
extern const char* const kLiberationSans;
extern const char* const kZenHei;

// One glyph as FreeType renders it, in whole pixels.
struct RefGlyph {
    unsigned index = 0;
    int advance = 0, bearingX = 0, bearingY = 0;
    int rows = 0, width = 0;
    std::vector<uint8_t> coverage; // rows x width, 0..255 (1-bit pixels as 0 / 255)
    bool bitmapFormat = false;     // the face's own strike, not an outline
};

// The test's own FreeType and one face at one pixel size.
class RefFace {
public:
    RefFace(const char* path, int size);
    ~RefFace();
    // Loads the glyph of a Unicode character with `flags`, optionally
    // emboldens it horizontally (outline or strike) and transforms its
    // outline, renders an outline 8-bit.
    RefGlyph Glyph(unsigned long unicode, FT_Int32 flags, const FT_Matrix* transform = nullptr,
                   FT_Pos emboldenX = 0);
    FT_Face face() { return m_face; }

private:
    FT_Library m_lib = nullptr;
    FT_Face m_face = nullptr;
};

// The coverage of a glyph record of the engine, as RefGlyph holds it.
RefGlyph Coverage(const MFontChar* ch);

// An image's pixels, row by row, width x height.
std::vector<uint8_t> ReadA8(MImage* img);

// A text image as the engine should draw it: each glyph's coverage with its
// top-left pixel at (pen + bearingX, top + ascender - bearingY + 1), covered
// pixels over what is there.
struct Expected {
    int width, height;
    std::vector<uint8_t> pixels;

    Expected(int w, int h) : width(w), height(h), pixels(size_t(w) * size_t(h), 0) {}

    void Put(const RefGlyph& g, int pen, int top, int ascender)
    {
        const int x0 = pen + g.bearingX, y0 = top + ascender - g.bearingY + 1;
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.width; ++c) {
                const int x = x0 + c, y = y0 + r;
                const uint8_t v = g.coverage[size_t(r) * g.width + c];
                if (v && x >= 0 && y >= 0 && x < width && y < height) pixels[size_t(y) * width + x] = v;
            }
    }
};

class TextTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    MApp* m_app = nullptr;
};

} // namespace kes::test

#endif
