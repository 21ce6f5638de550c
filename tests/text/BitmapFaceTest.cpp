// Small sizes on a face with its own monochrome strikes: WenQuanYi Zen Hei
// Sharp, face 2 of Debian's collection, written out as a font file of its
// own (the engine opens face 0) with Debian's fontTools.
#include "TextFixture.h"

#include FT_GLYPH_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace kes::test {
namespace {

const FT_Int32 kSmallFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_AUTOHINT;

class BitmapFaceTest : public TextTest {
protected:
    static void SetUpTestSuite()
    {
        char dir[] = "/tmp/kesto_sharp_XXXXXX";
        if (!mkdtemp(dir)) return;
        s_path = std::string(dir) + "/sharp.ttf";
        const std::string cmd = std::string(KESTO_SYSTEM_PYTHON3) +
                                " -c \"from fontTools.ttLib import TTCollection; "
                                "TTCollection('" + kZenHei + "', lazy=True).fonts[2].save('" + s_path + "')\"";
        if (system(cmd.c_str()) != 0) s_path.clear();
    }
    static void TearDownTestSuite()
    {
        if (s_path.empty()) return;
        unlink(s_path.c_str());
        rmdir(s_path.substr(0, s_path.rfind('/')).c_str());
    }
    void SetUp() override
    {
        ASSERT_FALSE(s_path.empty()) << "could not extract the Sharp face (python3-fonttools, scripts/setup.sh)";
        TextTest::SetUp();
    }

    static std::string s_path;
};
std::string BitmapFaceTest::s_path;

TEST_F(BitmapFaceTest, SmallSizesUseTheStrikeAndLargerOnesTheOutline)
{
    void* small = m_app->GetFont("sharp12", s_path.c_str(), 12, 0, 0);
    void* large = m_app->GetFont("sharp16", s_path.c_str(), 16, 0, 0);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    RefFace ref(s_path.c_str(), 12);
    const RefGlyph want = ref.Glyph(0x4E2D, kSmallFlags);
    ASSERT_TRUE(want.bitmapFormat);

    const MFontChar* zhong = m_app->GetFontChar(small, 0xD0D6);
    ASSERT_NE(zhong, nullptr);
    EXPECT_EQ(zhong->glyph->bitmap.pixel_mode, FT_PIXEL_MODE_MONO);
    const RefGlyph got = Coverage(zhong);
    EXPECT_EQ(got.advance, want.advance);
    EXPECT_EQ(got.bearingX, want.bearingX);
    EXPECT_EQ(got.bearingY, want.bearingY);
    ASSERT_EQ(got.rows, want.rows);
    ASSERT_EQ(got.width, want.width);
    EXPECT_EQ(got.coverage, want.coverage);

    // The face has a 16 px strike too, but 16 px takes the outline.
    const MFontChar* big = m_app->GetFontChar(large, 0xD0D6);
    ASSERT_NE(big, nullptr);
    EXPECT_EQ(big->glyph->bitmap.pixel_mode, FT_PIXEL_MODE_GRAY);
}

TEST_F(BitmapFaceTest, BoldStrikesGrowByAWholePixel)
{
    void* plain = m_app->GetFont("sharp", s_path.c_str(), 12, 0, 0);
    void* bold = m_app->GetFont("sharpbold", s_path.c_str(), 12, 1, 0); // below a pixel: still one
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(bold, nullptr);
    RefFace ref(s_path.c_str(), 12);
    const MFontChar* p = m_app->GetFontChar(plain, 0xD0D6);
    const MFontChar* b = m_app->GetFontChar(bold, 0xD0D6);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->advance, p->advance + 1);
    EXPECT_EQ(b->bearingX, p->bearingX);
    const RefGlyph want = ref.Glyph(0x4E2D, kSmallFlags, nullptr, 64);
    const RefGlyph got = Coverage(b);
    EXPECT_EQ(got.advance, want.advance);
    ASSERT_EQ(got.rows, want.rows);
    ASSERT_EQ(got.width, want.width);
    EXPECT_EQ(got.width, int(p->glyph->bitmap.width) + 1);
    EXPECT_EQ(got.coverage, want.coverage);
}

TEST_F(BitmapFaceTest, MonochromeGlyphsBecomeFullCoverage)
{
    void* font = m_app->GetFont("sharp", s_path.c_str(), 12, 0, 0);
    ASSERT_NE(font, nullptr);
    MFontInfo info;
    ASSERT_EQ(m_app->GetFontInfo(font, &info), 1);
    RefFace ref(s_path.c_str(), 12);
    const RefGlyph zhong = ref.Glyph(0x4E2D, kSmallFlags), wen = ref.Glyph(0x6587, kSmallFlags);

    MImage* img = m_app->LoadText(font, "\xD6\xD0\xCE\xC4", 0, 0, 0);
    ASSERT_NE(img, nullptr);
    ASSERT_EQ(img->m_width, zhong.advance + wen.advance);
    std::vector<uint8_t> want(size_t(img->m_width) * img->m_height, 0);
    int pen = 0;
    for (const RefGlyph* g : {&zhong, &wen}) {
        for (int r = 0; r < g->rows; ++r)
            for (int c = 0; c < g->width; ++c) {
                const int x = pen + g->bearingX + c, y = info.ascender - g->bearingY + 1 + r;
                if (g->coverage[size_t(r) * g->width + c] && x >= 0 && y >= 0 && x < img->m_width && y < img->m_height)
                    want[size_t(y) * img->m_width + x] = 0xFF;
            }
        pen += g->advance;
    }
    EXPECT_EQ(ReadA8(img), want);
    img->Release();
}

} // namespace
} // namespace kes::test
