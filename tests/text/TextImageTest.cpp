// Text images: layout, wrapping, cutting, underline, kerning and relief,
// checked against images composed from FreeType's own renderings.
#include "TextFixture.h"

#include FT_GLYPH_H

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace kes::test {
namespace {

const FT_Int32 kOutlineFlags = FT_LOAD_NO_BITMAP;

std::vector<std::wstring> g_reports;
void Record(const wchar_t* expr, const wchar_t*, unsigned)
{
    g_reports.push_back(expr);
}

class TextImageTest : public TextTest {
protected:
    void TearDown() override
    {
        for (MImage* img : m_images) img->Release();
        TextTest::TearDown();
    }
    MImage* Keep(MImage* img)
    {
        if (img) m_images.push_back(img);
        return img;
    }
    MImage* Text(void* font, const char* text, int underline = 0, int emboss = 0, int width = 0)
    {
        return Keep(m_app->LoadText(font, text, underline, emboss, width));
    }
    MFontInfo Info(void* font)
    {
        MFontInfo info = {};
        EXPECT_EQ(m_app->GetFontInfo(font, &info), 1);
        return info;
    }

    std::vector<MImage*> m_images;
};

TEST_F(TextImageTest, OneLineIsTheAdvancesWideAndTwoRowsTallerThanALine)
{
    void* font = m_app->GetFont("mono", kDejaVuMono, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    RefFace ref(kDejaVuMono, 16);
    const RefGlyph a = ref.Glyph('A', kOutlineFlags), g = ref.Glyph('g', kOutlineFlags);

    MImage* img = Text(font, "Ag");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->m_format, KES_FMT_A8);
    EXPECT_EQ(img->m_id, 0u);
    EXPECT_EQ(img->RefCount(), 1);
    EXPECT_EQ(img->m_width, a.advance + g.advance);
    EXPECT_EQ(img->m_height, info.height + 2);
    EXPECT_EQ(img->m_keyX, 0);
    EXPECT_EQ(img->m_keyY, info.ascender);
    EXPECT_EQ(m_app->FindImageCache(0), nullptr);

    Expected want(img->m_width, img->m_height);
    want.Put(a, 0, 0, info.ascender);
    want.Put(g, a.advance, 0, info.ascender);
    EXPECT_EQ(ReadA8(img), want.pixels);
}

TEST_F(TextImageTest, EmbossAddsAMarginAndTurnsStrokesIntoRelief)
{
    void* font = m_app->GetFont("mono", kDejaVuMono, 40, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    RefFace ref(kDejaVuMono, 40);
    const RefGlyph h = ref.Glyph('H', kOutlineFlags), i = ref.Glyph('I', kOutlineFlags);

    MImage* plain = Text(font, "HI");
    MImage* img = Text(font, "HI", 0, 1);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->m_width, plain->m_width + 2);
    EXPECT_EQ(img->m_height, plain->m_height + 2);
    EXPECT_EQ(img->m_keyY, info.ascender);

    // The unfiltered picture sits one pixel in from the top-left corner.
    Expected src(img->m_width, img->m_height);
    src.Put(h, 1, 1, info.ascender);
    src.Put(i, 1 + h.advance, 1, info.ascender);
    const int w = img->m_width, ht = img->m_height;
    std::vector<uint8_t> want = src.pixels;
    int clear = 0, flat = 0;
    for (int r = 0; r + 1 < ht; ++r)
        for (int c = 0; c + 1 < w; ++c) {
            const int a = src.pixels[size_t(r + 1) * w + c + 1], b = src.pixels[size_t(r) * w + c];
            if (a <= 20 && b <= 20) {
                want[size_t(r) * w + c] = 0;
                ++clear;
            } else {
                want[size_t(r) * w + c] = uint8_t(128 + (a - b) / 2);
                if (a == 255 && b == 255) ++flat;
            }
        }
    ASSERT_GT(clear, 0);
    ASSERT_GT(flat, 0); // inside thick stems: mid-grey
    const std::vector<uint8_t> got = ReadA8(img);
    EXPECT_EQ(got, want);
    // Edges facing the light and facing away, and nothing lost at either end of the range.
    EXPECT_LT(*std::min_element(got.begin(), got.end() - w), 128);
    EXPECT_GT(*std::max_element(got.begin(), got.end()), 128);
}

TEST_F(TextImageTest, WrappingStartsALineBeforeOneWouldReachTheWidth)
{
    void* font = m_app->GetFont("mono", kDejaVuMono, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    const int adv = m_app->GetFontChar(font, 'A')->advance;
    RefFace ref(kDejaVuMono, 16);
    const RefGlyph a = ref.Glyph('A', kOutlineFlags);

    struct Case {
        const char* what;
        int width;
        int perLine;   // characters on each line but the first
        bool firstEmpty;
    } cases[] = {
        {"room for three and a pixel", 3 * adv + 1, 3, false},
        {"exactly three: the third would reach it", 3 * adv, 2, false},
        {"narrower than one: every character on its own line", adv - 1, 1, true},
    };
    const int n = 7;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MImage* img = Text(font, "AAAAAAA", 0, 0, c.width);
        ASSERT_NE(img, nullptr);
        const int lines = (c.firstEmpty ? 1 : 0) + (n + c.perLine - 1) / c.perLine;
        EXPECT_EQ(img->m_width, c.width);
        EXPECT_EQ(img->m_height, (lines - 1) * (info.height + 1) + info.height + 2);
        EXPECT_EQ(img->m_keyX, 0);
        EXPECT_EQ(img->m_keyY, 0);
        Expected want(img->m_width, img->m_height);
        for (int k = 0; k < n; ++k) {
            const int line = (c.firstEmpty ? 1 : 0) + k / c.perLine;
            want.Put(a, (k % c.perLine) * adv, line * (info.height + 1), info.ascender);
        }
        EXPECT_EQ(ReadA8(img), want.pixels);
    }
}

TEST_F(TextImageTest, TheLengthCutsTheTextAndTheTerminatorCutsTheLength)
{
    void* font = m_app->GetFont("sans", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    MImage* abc = Text(font, "ABC");
    MImage* ab = Text(font, "AB");
    MImage* cut = Keep(m_app->LoadTextEx(font, "ABCDE", 3, 0, 0, 0));
    MImage* longer = Keep(m_app->LoadTextEx(font, "AB", 10, 0, 0, 0));
    ASSERT_NE(cut, nullptr);
    ASSERT_NE(longer, nullptr);
    EXPECT_EQ(cut->m_width, abc->m_width);
    EXPECT_EQ(ReadA8(cut), ReadA8(abc));
    EXPECT_EQ(longer->m_width, ab->m_width);
    EXPECT_EQ(ReadA8(longer), ReadA8(ab));
    // Only `len` bytes are read: no terminator needed within them.
    const char unterminated[3] = {'A', 'B', 'C'};
    MImage* raw = Keep(m_app->LoadTextEx(font, unterminated, 2, 0, 0, 0));
    ASSERT_NE(raw, nullptr);
    EXPECT_EQ(ReadA8(raw), ReadA8(ab));
}

TEST_F(TextImageTest, GbkPairsAreOneCharacterAndALoneLeadByteIsItsOwn)
{
    void* font = m_app->GetFont("zh", kZenHei, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    RefFace ref(kZenHei, 16);
    const RefGlyph a = ref.Glyph('A', kOutlineFlags), zhong = ref.Glyph(0x4E2D, kOutlineFlags),
                   wen = ref.Glyph(0x6587, kOutlineFlags);
    ASSERT_NE(zhong.index, 0u);

    // A 中 文 (D6D0 CEC4)
    MImage* img = Text(font, "A\xD6\xD0\xCE\xC4");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->m_width, a.advance + zhong.advance + wen.advance);
    Expected want(img->m_width, img->m_height);
    want.Put(a, 0, 0, info.ascender);
    want.Put(zhong, a.advance, 0, info.ascender);
    want.Put(wen, a.advance + zhong.advance, 0, info.ascender);
    EXPECT_EQ(ReadA8(img), want.pixels);

    // Cut after the lead byte of 中: that byte is a character of its own,
    // sign-extended, which no face maps.
    MImage* lone = Keep(m_app->LoadTextEx(font, "A\xD6\xD0", 2, 0, 0, 0));
    ASSERT_NE(lone, nullptr);
    const MFontChar* mark = m_app->GetFontChar(font, 0xFFFFFFD6);
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->index, 0u);
    EXPECT_EQ(lone->m_width, a.advance + mark->advance);
}

TEST_F(TextImageTest, UnderlineRulesOneRowUnderEveryCharacter)
{
    void* font = m_app->GetFont("mono", kDejaVuMono, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    const int space = m_app->GetFontChar(font, ' ')->advance;

    // Spaces have no ink: the rule is all there is.
    MImage* img = Text(font, "  ", 1);
    ASSERT_NE(img, nullptr);
    ASSERT_EQ(img->m_width, 2 * space);
    const std::vector<uint8_t> got = ReadA8(img);
    for (int y = 0; y < img->m_height; ++y)
        for (int x = 0; x < img->m_width; ++x)
            EXPECT_EQ(got[size_t(y) * img->m_width + x], y == info.height - 1 ? 0xFF : 0) << x << "," << y;

    // Under ink too, and on every wrapped line.
    MImage* wrapped = Text(font, "gg gg", 1, 0, 2 * space + 1);
    ASSERT_NE(wrapped, nullptr);
    const std::vector<uint8_t> w = ReadA8(wrapped);
    // "gg", " g", "g": the last line is ruled under its one character only.
    for (int line = 0; line < 3; ++line) {
        const int row = line * (info.height + 1) + info.height - 1;
        const int ruled = line < 2 ? 2 * space : space;
        for (int x = 0; x < wrapped->m_width; ++x)
            EXPECT_EQ(w[size_t(row) * wrapped->m_width + x], x < ruled ? 0xFF : 0) << line << "," << x;
    }
}

TEST_F(TextImageTest, KerningMovesTheSecondGlyphAndMergesItsCoverage)
{
    void* font = m_app->GetFont("kern", kLiberationSans, 40, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    RefFace ref(kLiberationSans, 40);
    ASSERT_TRUE(FT_HAS_KERNING(ref.face()));
    const RefGlyph a = ref.Glyph('A', kOutlineFlags), v = ref.Glyph('V', kOutlineFlags);
    FT_Vector delta;
    ASSERT_EQ(FT_Get_Kerning(ref.face(), a.index, v.index, FT_KERNING_DEFAULT, &delta), 0);
    const int kern = int(delta.x >> 6);
    ASSERT_LT(kern, 0);

    MImage* img = Text(font, "AV");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->m_width, a.advance + kern + v.advance);
    Expected want(img->m_width, img->m_height);
    want.Put(a, 0, 0, info.ascender);
    want.Put(v, a.advance + kern, 0, info.ascender);
    // The pair overlaps: some of A's ink lies in V's box where V has none,
    // so copying V's box would have erased it.
    Expected aOnly(img->m_width, img->m_height), vBox(img->m_width, img->m_height);
    aOnly.Put(a, 0, 0, info.ascender);
    RefGlyph box = v;
    std::fill(box.coverage.begin(), box.coverage.end(), 1);
    vBox.Put(box, a.advance + kern, 0, info.ascender);
    Expected vInk(img->m_width, img->m_height);
    vInk.Put(v, a.advance + kern, 0, info.ascender);
    int kept = 0;
    for (size_t p = 0; p < want.pixels.size(); ++p)
        if (aOnly.pixels[p] && vBox.pixels[p] && !vInk.pixels[p]) ++kept;
    ASSERT_GT(kept, 0);
    EXPECT_EQ(ReadA8(img), want.pixels);

    // Without kerning data (the monospaced face) nothing moves.
    void* mono = m_app->GetFont("mono", kDejaVuMono, 40, 0, 0);
    MImage* plain = Text(mono, "AV");
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->m_width, m_app->GetFontChar(mono, 'A')->advance + m_app->GetFontChar(mono, 'V')->advance);
}

TEST_F(TextImageTest, OverhangingGlyphsKeepTheirNeighboursInk)
{
    // Zen Hei has no kerning data, and its j reaches back under the d.
    void* font = m_app->GetFont("zh32", kZenHei, 32, 0, 0);
    ASSERT_NE(font, nullptr);
    const MFontInfo info = Info(font);
    RefFace ref(kZenHei, 32);
    ASSERT_FALSE(FT_HAS_KERNING(ref.face()));
    const RefGlyph d = ref.Glyph('d', kOutlineFlags), j = ref.Glyph('j', kOutlineFlags);
    MImage* img = Text(font, "dj");
    ASSERT_NE(img, nullptr);
    Expected want(img->m_width, img->m_height), dOnly(img->m_width, img->m_height), jBox(img->m_width, img->m_height),
        jInk(img->m_width, img->m_height);
    want.Put(d, 0, 0, info.ascender);
    want.Put(j, d.advance, 0, info.ascender);
    dOnly.Put(d, 0, 0, info.ascender);
    RefGlyph box = j;
    std::fill(box.coverage.begin(), box.coverage.end(), 1);
    jBox.Put(box, d.advance, 0, info.ascender);
    jInk.Put(j, d.advance, 0, info.ascender);
    int kept = 0;
    for (size_t p = 0; p < want.pixels.size(); ++p)
        if (dOnly.pixels[p] && jBox.pixels[p] && !jInk.pixels[p]) ++kept;
    ASSERT_GT(kept, 0);
    EXPECT_EQ(ReadA8(img), want.pixels);
}

TEST_F(TextImageTest, NothingToDrawGivesNoImage)
{
    void* font = m_app->GetFont("sans", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    // Both encodings' entry points give nothing for the same reasons.
    struct Entry {
        const char* what;
        MImage* (MApp::*whole)(void*, const char*, int, int, int);
        MImage* (MApp::*cut)(void*, const char*, int, int, int, int);
    } entries[] = {
        {"code page 936", &MApp::LoadText, &MApp::LoadTextEx},
        {"UTF-8", &MApp::LoadTextUtf8, &MApp::LoadTextUtf8Ex},
    };
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.what);
        MApp& app = *m_app;
        EXPECT_EQ(Keep((app.*e.whole)(font, nullptr, 0, 0, 0)), nullptr);
        EXPECT_EQ(Keep((app.*e.whole)(font, "", 1, 1, 0)), nullptr);
        EXPECT_EQ(Keep((app.*e.cut)(font, "AB", 0, 0, 0, 0)), nullptr);
        EXPECT_EQ(Keep((app.*e.cut)(font, "AB", -1, 0, 0, 0)), nullptr);
        EXPECT_EQ(Keep((app.*e.cut)(font, nullptr, 5, 0, 0, 0)), nullptr);
        // A negative width would make an image no texture can have.
        EXPECT_EQ(Keep((app.*e.whole)(font, "AB", 0, 0, -50)), nullptr);

        g_reports.clear();
        KesAssertHandler old = KesSetAssertHandler(Record);
        EXPECT_EQ(Keep((app.*e.whole)(nullptr, "AB", 0, 0, 0)), nullptr);
        KesSetAssertHandler(old);
        ASSERT_EQ(g_reports.size(), 1u);
        EXPECT_EQ(g_reports[0], L"mfont");
    }
}

} // namespace
} // namespace kes::test
