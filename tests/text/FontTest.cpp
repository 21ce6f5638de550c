// Fonts and glyphs: registration by name, the font record's metrics, the
// glyph cache under Unicode values, and the styling against FreeType's own
// rendering of the same glyphs.
#include "TextFixture.h"

#include <KesFontFace.h>

#include FT_GLYPH_H

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace kes::test {
namespace {

const FT_Int32 kOutlineFlags = FT_LOAD_NO_BITMAP;
const FT_Int32 kSmallFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_AUTOHINT;

std::vector<std::wstring> g_reports;
void Record(const wchar_t* expr, const wchar_t* file, unsigned)
{
    g_reports.push_back(std::wstring(expr) + L" @ " + file);
}

void ExpectSameCoverage(const RefGlyph& got, const RefGlyph& want)
{
    EXPECT_EQ(got.index, want.index);
    ASSERT_EQ(got.rows, want.rows);
    ASSERT_EQ(got.width, want.width);
    EXPECT_EQ(got.coverage, want.coverage);
}

TEST(FontBeforeInit, NoFontWithoutTheFontSystem)
{
    MApp app;
    EXPECT_EQ(app.GetFont("ui", kDejaVuSans, 16, 0, 0), nullptr);
    EXPECT_EQ(app.m_fontMap.GetCount(), 0);
}

using FontTest = TextTest;

TEST_F(FontTest, SameNameReturnsTheFirstFontWhateverElseIsAsked)
{
    void* first = m_app->GetFont("ui", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_app->GetFont("ui", kDejaVuSans, 30, 2, 1), first);
    EXPECT_EQ(m_app->GetFont("ui", "/no/such/font.ttf", 12, 0, 0), first);
    MFontInfo info;
    ASSERT_EQ(m_app->GetFontInfo(first, &info), 1);
    RefFace ref(kDejaVuSans, 16);
    EXPECT_EQ(info.xppem, 16);
    EXPECT_EQ(info.height, int(ref.face()->size->metrics.height >> 6));
    EXPECT_EQ(info.bold, 0);

    void* big = m_app->GetFont("title", kDejaVuSans, 30, 2, 1);
    ASSERT_NE(big, nullptr);
    EXPECT_NE(big, first);
    EXPECT_EQ(m_app->m_fontMap.GetCount(), 2);
}

TEST_F(FontTest, FontInfoCopiesTheSizedMetricsAndStyle)
{
    void* font = m_app->GetFont("info", kLiberationSans, 21, 3, 1);
    ASSERT_NE(font, nullptr);
    RefFace ref(kLiberationSans, 21);
    const FT_Size_Metrics& m = ref.face()->size->metrics;
    MFontInfo info;
    ASSERT_EQ(m_app->GetFontInfo(font, &info), 1);
    EXPECT_EQ(info.ascender, int(m.ascender >> 6));
    EXPECT_EQ(info.height, int(m.height >> 6));
    EXPECT_EQ(info.xppem, int(m.x_ppem));
    EXPECT_EQ(info.yppem, int(m.y_ppem));
    EXPECT_EQ(info.bold, 3);
    EXPECT_EQ(info.italic, 1);

    MFontInfo untouched = {7, 7, 7, 7, 7, 7};
    EXPECT_EQ(m_app->GetFontInfo(nullptr, &untouched), 0);
    EXPECT_EQ(untouched.ascender, 7);
    EXPECT_EQ(untouched.italic, 7);
}

TEST_F(FontTest, FontsThatCannotBeMadeAreNotRegistered)
{
    char notAFont[] = "/tmp/kesto_text_XXXXXX";
    const int fd = mkstemp(notAFont);
    ASSERT_GE(fd, 0);
    const char junk[] = "this is not a font file at all";
    ASSERT_EQ(write(fd, junk, sizeof junk), ssize_t(sizeof junk));
    close(fd);

    struct Case {
        const char* what;
        const char* name;
        const char* path;
        int size;
    } cases[] = {
        {"missing file", "f", "/no/such/font.ttf", 16},
        {"not a font", "f", notAFont, 16},
        {"no path", "f", nullptr, 16},
        {"size 0", "f", kDejaVuSans, 0},
        {"negative size", "f", kDejaVuSans, -16},
        {"no name", nullptr, kDejaVuSans, 16},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(m_app->GetFont(c.name, c.path, c.size, 0, 0), nullptr) << c.what;
        EXPECT_EQ(m_app->m_fontMap.GetCount(), 0) << c.what;
    }
    unlink(notAFont);
    // A failure leaves the name free for a font that can be made.
    void* font = m_app->GetFont("f", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    MFontInfo info;
    ASSERT_EQ(m_app->GetFontInfo(font, &info), 1);
    EXPECT_EQ(info.xppem, 16);
}

// Font files are named like the rest of a game's data: Windows separators
// and any letter case. A file cut short fails cleanly when FreeType reads
// past its end.
TEST_F(FontTest, FontFilesAreNamedTheWayTheGameNamesItsData)
{
    char dir[] = "/tmp/kesto_fonts_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string folder = std::string(dir) + "/Fonts";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    std::vector<char> bytes;
    {
        FILE* in = fopen(kDejaVuSans, "rb");
        ASSERT_NE(in, nullptr);
        char buf[65536];
        for (size_t n; (n = fread(buf, 1, sizeof buf, in)) > 0;) bytes.insert(bytes.end(), buf, buf + n);
        fclose(in);
    }
    const auto writeFile = [](const std::string& path, const char* data, size_t size) {
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        ASSERT_EQ(fwrite(data, 1, size, out), size);
        fclose(out);
    };
    writeFile(folder + "/DejaVuSans.TTF", bytes.data(), bytes.size());
    writeFile(folder + "/Cut.ttf", bytes.data(), bytes.size() / 3);

    const std::string windowsName = std::string(dir) + "\\fonts\\dejavusans.ttf";
    void* font = m_app->GetFont("win", windowsName.c_str(), 20, 0, 0);
    ASSERT_NE(font, nullptr);
    RefFace ref(kDejaVuSans, 20);
    for (unsigned long ch : {'K', 'e', 's', 't', 'o'})
        ExpectSameCoverage(Coverage(m_app->GetFontChar(font, DWORD(ch))), ref.Glyph(ch, kOutlineFlags));

    // The face's tables are read from the file as glyphs need them, so a
    // file cut short fails when it is opened or when a glyph needs what is
    // missing, never by reading outside what the file holds.
    if (void* cut = m_app->GetFont("cut", (folder + "\\cut.ttf").c_str(), 20, 0, 0)) {
        for (unsigned long ch = 'A'; ch <= 'z'; ++ch) m_app->GetFontChar(cut, DWORD(ch));
    }

    unlink((folder + "/DejaVuSans.TTF").c_str());
    unlink((folder + "/Cut.ttf").c_str());
    rmdir(folder.c_str());
    rmdir(dir);
}

TEST_F(FontTest, GlyphsAreFreeTypesRenderingOfTheLoadPathOfTheirSize)
{
    // 14 px and below: hinted for a monochrome grid; 15 and above: outlines.
    struct Case {
        int size;
        FT_Int32 flags;
    } cases[] = {{9, kSmallFlags}, {14, kSmallFlags}, {15, kOutlineFlags}, {40, kOutlineFlags}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        void* font = m_app->GetFont(("sans" + std::to_string(c.size)).c_str(), kDejaVuSans, c.size, 0, 0);
        ASSERT_NE(font, nullptr);
        RefFace ref(kDejaVuSans, c.size);
        for (unsigned long ch : {'A', 'g', 'W', '@'}) {
            const RefGlyph want = ref.Glyph(ch, c.flags);
            const RefGlyph got = Coverage(m_app->GetFontChar(font, DWORD(ch)));
            ExpectSameCoverage(got, want);
            EXPECT_EQ(got.advance, want.advance);
            EXPECT_EQ(got.bearingX, want.bearingX);
            EXPECT_EQ(got.bearingY, want.bearingY);
        }
    }
}

TEST_F(FontTest, SingleBytesAndGbkPairsAreCachedUnderTheirUnicodeValue)
{
    void* font = m_app->GetFont("zh", kZenHei, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    auto* record = static_cast<FontRecord*>(font);
    RefFace ref(kZenHei, 16);

    const MFontChar* a = m_app->GetFontChar(font, 0x41);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->index, FT_Get_Char_Index(ref.face(), 'A'));
    EXPECT_EQ(record->glyphs.Find(0x41), a);

    // 中 is D6 D0 in GBK: lead byte low.
    const MFontChar* zhong = m_app->GetFontChar(font, 0xD0D6);
    ASSERT_NE(zhong, nullptr);
    EXPECT_EQ(zhong->index, FT_Get_Char_Index(ref.face(), 0x4E2D));
    EXPECT_NE(zhong->index, 0u);
    EXPECT_EQ(record->glyphs.Find(0x4E2D), zhong);
    EXPECT_EQ(record->glyphs.Find(0xD0D6), nullptr);
    ExpectSameCoverage(Coverage(zhong), ref.Glyph(0x4E2D, kOutlineFlags));
    // Converted again, found in the cache.
    const int cached = record->glyphs.GetCount();
    EXPECT_EQ(m_app->GetFontChar(font, 0xD0D6), zhong);
    EXPECT_EQ(m_app->GetFontChar(font, 0x41), a);
    EXPECT_EQ(record->glyphs.GetCount(), cached);
    // The full-width Ａ (A3 C1) is another character than A.
    const MFontChar* wide = m_app->GetFontChar(font, 0xC1A3);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->index, FT_Get_Char_Index(ref.face(), 0xFF21));
    EXPECT_EQ(record->glyphs.Find(0xFF21), wide);
}

TEST_F(FontTest, CharactersTheFaceLacksGetItsMissingGlyphMark)
{
    void* font = m_app->GetFont("sans", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    RefFace ref(kDejaVuSans, 16);
    const RefGlyph notdef = ref.Glyph(0x4E2D, kOutlineFlags); // no CJK in DejaVu
    ASSERT_EQ(notdef.index, 0u);
    // 中 in GBK, and a lone lead byte as the text images hand it over (sign-extended).
    for (DWORD code : {DWORD(0xD0D6), DWORD(0xFFFFFFD6)}) {
        SCOPED_TRACE(code);
        const MFontChar* ch = m_app->GetFontChar(font, code);
        ASSERT_NE(ch, nullptr);
        ExpectSameCoverage(Coverage(ch), notdef);
        EXPECT_EQ(ch->advance, notdef.advance);
    }
}

TEST_F(FontTest, NullFontReportsAndGivesNoGlyph)
{
    g_reports.clear();
    KesAssertHandler old = KesSetAssertHandler(Record);
    EXPECT_EQ(m_app->GetFontChar(nullptr, 'A'), nullptr);
    KesSetAssertHandler(old);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0], L"mfont @ Core/KesFont");
}

TEST_F(FontTest, BoldWidensTheAdvanceByTheStrengthAndKeepsTheGlyphCentred)
{
    // Letters whose outermost edges are vertical stems grow by exactly the strength.
    for (int size : {16, 24, 40}) {
        SCOPED_TRACE(size);
        const std::string tag = std::to_string(size);
        void* plain = m_app->GetFont(("plain" + tag).c_str(), kDejaVuSans, size, 0, 0);
        void* bold = m_app->GetFont(("bold" + tag).c_str(), kDejaVuSans, size, 2, 0);
        ASSERT_NE(plain, nullptr);
        ASSERT_NE(bold, nullptr);
        RefFace ref(kDejaVuSans, size);
        for (char c : {'H', 'l', 'N'}) {
            SCOPED_TRACE(c);
            const MFontChar* p = m_app->GetFontChar(plain, DWORD(c));
            const MFontChar* b = m_app->GetFontChar(bold, DWORD(c));
            ASSERT_NE(p, nullptr);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->advance, p->advance + 1);
            EXPECT_EQ(b->bearingY, p->bearingY);
            const int width = int(b->glyph->bitmap.width);
            EXPECT_EQ(width, int(p->glyph->bitmap.width) + 1);
            const int left = b->bearingX, right = b->advance - b->bearingX - width;
            EXPECT_LE(std::abs(left - right), 1) << "left " << left << " right " << right;

            // FreeType's own emboldening by the same strength gives the same
            // strokes where all corners are right angles (the two differ in
            // how far they push slanted corners).
            if (c == 'N') continue;
            const RefGlyph want = ref.Glyph(FT_ULong(c), kOutlineFlags, nullptr, 64);
            const RefGlyph got = Coverage(b);
            ASSERT_EQ(got.rows, want.rows);
            ASSERT_EQ(got.width, want.width);
            for (size_t i = 0; i < got.coverage.size(); ++i)
                ASSERT_LE(std::abs(int(got.coverage[i]) - int(want.coverage[i])), 8) << "pixel " << i;
        }
    }
}

TEST_F(FontTest, ItalicSlantsTheBitmapAndKeepsTheAdvance)
{
    void* plain = m_app->GetFont("upright", kDejaVuSans, 24, 0, 0);
    void* italic = m_app->GetFont("slanted", kDejaVuSans, 24, 0, 1);
    ASSERT_NE(plain, nullptr);
    ASSERT_NE(italic, nullptr);
    RefFace ref(kDejaVuSans, 24);
    const FT_Matrix slant = {0x10000, 0x8000, 0, 0x10000};
    for (char c : {'I', 'H', 'A'}) {
        SCOPED_TRACE(c);
        const MFontChar* p = m_app->GetFontChar(plain, DWORD(c));
        const MFontChar* i = m_app->GetFontChar(italic, DWORD(c));
        ASSERT_NE(p, nullptr);
        ASSERT_NE(i, nullptr);
        EXPECT_EQ(i->advance, p->advance);
        // Vertical edges: half the glyph's height more, give or take the edge pixels.
        const int rows = int(p->glyph->bitmap.rows);
        if (c != 'A') {
            EXPECT_GE(int(i->glyph->bitmap.width), int(p->glyph->bitmap.width) + rows / 2 - 1);
        }
        ExpectSameCoverage(Coverage(i), ref.Glyph(FT_ULong(c), kOutlineFlags, &slant));
    }
    // Leaning right: the top row's ink starts further right than the bottom row's.
    const FT_Bitmap& bm = m_app->GetFontChar(italic, 'I')->glyph->bitmap;
    auto firstInk = [&](int r) {
        for (int c = 0; c < int(bm.width); ++c)
            if (bm.buffer[r * bm.pitch + c] > 128) return c;
        return -1;
    };
    EXPECT_GT(firstInk(0), firstInk(int(bm.rows) - 1) + 4);
}

} // namespace
} // namespace kes::test
