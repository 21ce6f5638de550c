// Text images of UTF-8 strings: GBK text and its UTF-8 form give the same
// image, characters GBK lacks come from the face as FreeType renders them,
// and broken UTF-8 reads as U+FFFD without a byte read past the text.
#include "TextFixture.h"

#include <KesFontFace.h>

#include <iconv.h>

#include <memory>
#include <string>
#include <vector>

namespace kes::test {
namespace {

const FT_Int32 kOutlineFlags = FT_LOAD_NO_BITMAP;
const char* const kReplacement = "\xEF\xBF\xBD"; // U+FFFD

// `utf8` in GBK as glibc's iconv writes it; false when GBK lacks a character.
bool ToGbk(const std::string& utf8, std::string* gbk)
{
    iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == (iconv_t)-1) return false;
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    char* to = &out[0];
    size_t inLeft = utf8.size(), outLeft = out.size();
    const bool ok = iconv(cd, &in, &inLeft, &to, &outLeft) != size_t(-1) && inLeft == 0;
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    if (gbk) *gbk = out;
    return ok;
}

// The characters of valid UTF-8 (the test's own literals), each with its bytes.
struct Char {
    unsigned long cp;
    std::string bytes;
};
std::vector<Char> Characters(const std::string& utf8)
{
    std::vector<Char> out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char b = (unsigned char)utf8[i];
        const int extra = b < 0x80 ? 0 : b < 0xE0 ? 1 : b < 0xF0 ? 2 : 3;
        unsigned long cp = extra ? b & (0x3F >> extra) : b;
        for (int k = 1; k <= extra; ++k) cp = cp << 6 | ((unsigned char)utf8[i + k] & 0x3F);
        out.push_back({cp, utf8.substr(i, size_t(extra) + 1)});
        i += size_t(extra) + 1;
    }
    return out;
}

class Utf8TextTest : public TextTest {
protected:
    void TearDown() override
    {
        // Given back as every text image is.
        for (MImage* img : m_images) m_app->CloseImage(img);
        TextTest::TearDown();
    }
    MImage* Keep(MImage* img)
    {
        if (img) m_images.push_back(img);
        return img;
    }
    // The image of exactly these bytes, from a heap block of their size:
    // a read past them is the sanitizer's to catch.
    MImage* Utf8Bytes(void* font, const std::string& bytes, int underline = 0, int emboss = 0, int width = 0)
    {
        std::unique_ptr<char[]> exact(new char[bytes.size()]);
        bytes.copy(exact.get(), bytes.size());
        return Keep(m_app->LoadTextUtf8Ex(font, exact.get(), int(bytes.size()), underline, emboss, width));
    }
    static void ExpectSameImage(MImage* got, MImage* want)
    {
        ASSERT_NE(got, nullptr);
        ASSERT_NE(want, nullptr);
        EXPECT_EQ(got->m_format, want->m_format);
        EXPECT_EQ(got->m_width, want->m_width);
        EXPECT_EQ(got->m_height, want->m_height);
        EXPECT_EQ(got->m_keyX, want->m_keyX);
        EXPECT_EQ(got->m_keyY, want->m_keyY);
        EXPECT_EQ(ReadA8(got), ReadA8(want));
    }

    std::vector<MImage*> m_images;
};

TEST_F(Utf8TextTest, GbkTextAndItsUtf8FormGiveTheSameImageAndShareTheGlyphs)
{
    // Chinese and ASCII mixed, kerning pairs, full-width forms, and the
    // pinyin letters that GBK has (é ü).
    const std::string paragraph = "Kesto 引擎：中文与 ASCII 混排，AV To 字距；“引号”、é 和 ü（拼音）、全角ＡＢＣ、￥100。"
                                  "自动换行 Wrapping works too.";
    std::string gbk;
    ASSERT_TRUE(ToGbk(paragraph, &gbk));
    ASSERT_NE(gbk, paragraph);

    struct Case {
        const char* what;
        const char* path;
        int size, bold, italic, underline, emboss, width;
    } cases[] = {
        {"one line", kZenHei, 16, 0, 0, 0, 0, 0},
        {"small: hinted, the face's strikes; underlined and wrapped", kZenHei, 12, 0, 0, 1, 0, 150},
        {"bold italic, embossed and wrapped", kZenHei, 20, 2, 1, 0, 1, 200},
        {"kerning, and no CJK: missing-glyph marks", kLiberationSans, 18, 0, 0, 1, 1, 0},
        {"no CJK, wrapped narrower than a character", kDejaVuSans, 16, 0, 0, 0, 0, 9},
    };
    int id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "case" + std::to_string(id++);
        void* font = m_app->GetFont(name.c_str(), c.path, c.size, c.bold, c.italic);
        ASSERT_NE(font, nullptr);
        MImage* utf8 = Keep(m_app->LoadTextUtf8(font, paragraph.c_str(), c.underline, c.emboss, c.width));
        ASSERT_NE(utf8, nullptr);
        EXPECT_EQ(utf8->m_id, 0u);
        EXPECT_EQ(utf8->RefCount(), 1);
        // UTF-8 first: the GBK text then finds every glyph in the cache.
        const int glyphs = static_cast<FontRecord*>(font)->glyphs.GetCount();
        MImage* fromGbk = Keep(m_app->LoadText(font, gbk.c_str(), c.underline, c.emboss, c.width));
        ExpectSameImage(utf8, fromGbk);
        EXPECT_EQ(static_cast<FontRecord*>(font)->glyphs.GetCount(), glyphs);
    }
    EXPECT_EQ(m_app->FindImageCache(0), nullptr);
}

TEST_F(Utf8TextTest, CharactersGbkLacksAreDrawnAsTheFaceHasThem)
{
    struct Case {
        const char* what;
        const char* path;
        std::string text;
        bool faceHasAll;
    } cases[] = {
        {"Latin letters and a character past U+FFFF", kDejaVuSans, "Añßőł\xF0\x90\x8C\x80", true},
        {"Hangul, Latin and a character past U+FFFF", kZenHei, "한낡ñç\xF0\x9D\x8C\x86", true},
        {"Hangul the face lacks: its missing-glyph mark", kDejaVuSans, "A한글", false},
    };
    int id = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = "lack" + std::to_string(id++);
        void* font = m_app->GetFont(name.c_str(), c.path, 20, 0, 0);
        ASSERT_NE(font, nullptr);
        MFontInfo info = {};
        ASSERT_EQ(m_app->GetFontInfo(font, &info), 1);
        RefFace ref(c.path, 20);
        std::vector<RefGlyph> glyphs;
        for (const Char& ch : Characters(c.text)) {
            glyphs.push_back(ref.Glyph(ch.cp, kOutlineFlags));
            if (ch.cp < 0x80) continue;
            EXPECT_FALSE(ToGbk(ch.bytes, nullptr)) << ch.bytes;
            EXPECT_EQ(glyphs.back().index != 0, c.faceHasAll) << ch.bytes;
        }

        MImage* img = Keep(m_app->LoadTextUtf8(font, c.text.c_str(), 0, 0, 0));
        ASSERT_NE(img, nullptr);
        int pen = 0;
        std::vector<int> pens;
        for (size_t k = 0; k < glyphs.size(); ++k) {
            FT_Vector delta;
            if (k && FT_HAS_KERNING(ref.face()) && glyphs[k].index && glyphs[k - 1].index &&
                FT_Get_Kerning(ref.face(), glyphs[k - 1].index, glyphs[k].index, FT_KERNING_DEFAULT, &delta) == 0)
                pen += int(delta.x >> 6);
            pens.push_back(pen);
            pen += glyphs[k].advance;
        }
        ASSERT_EQ(img->m_width, pen);
        Expected want(img->m_width, img->m_height);
        for (size_t k = 0; k < glyphs.size(); ++k) want.Put(glyphs[k], pens[k], 0, info.ascender);
        EXPECT_EQ(ReadA8(img), want.pixels);
    }
}

TEST_F(Utf8TextTest, NonGbkCharactersDoNotMeetTheGlyphsOfGbkCodes)
{
    // U+B0A1 낡 (Hangul, not in GBK) has the number of the GBK code of
    // A1 B0 (“, U+201C): whichever comes first, each keeps its own glyph.
    void* font = m_app->GetFont("zh", kZenHei, 20, 0, 0);
    ASSERT_NE(font, nullptr);
    RefFace ref(kZenHei, 20);
    const unsigned hangul = FT_Get_Char_Index(ref.face(), 0xB0A1), quote = FT_Get_Char_Index(ref.face(), 0x201C);
    ASSERT_NE(hangul, 0u);
    ASSERT_NE(quote, 0u);
    ASSERT_FALSE(ToGbk("낡", nullptr));
    std::string gbkQuote;
    ASSERT_TRUE(ToGbk("“", &gbkQuote));
    ASSERT_EQ(gbkQuote, "\xA1\xB0");

    const MFontChar* first = m_app->GetFontChar(font, 0xB0A1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->index, quote);
    MImage* img = Keep(m_app->LoadTextUtf8(font, "낡", 0, 0, 0));
    ASSERT_NE(img, nullptr);
    const MFontChar* cached = static_cast<const MFontChar*>(static_cast<FontRecord*>(font)->glyphs.Find(0xB0A1));
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->index, hangul);
    EXPECT_EQ(img->m_width, cached->advance);
    EXPECT_EQ(m_app->GetFontChar(font, 0xB0A1), first);
    // And the other way round on a fresh font.
    void* other = m_app->GetFont("zh2", kZenHei, 20, 0, 0);
    MImage* again = Keep(m_app->LoadTextUtf8(other, "낡", 0, 0, 0));
    ASSERT_NE(m_app->GetFontChar(other, 0xB0A1), nullptr);
    EXPECT_EQ(m_app->GetFontChar(other, 0xB0A1)->index, quote);
    ExpectSameImage(again, img);
}

TEST_F(Utf8TextTest, BrokenUtf8ReadsAsOneReplacementForEachBrokenPart)
{
    void* font = m_app->GetFont("sans", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    ASSERT_NE(FT_Get_Char_Index(RefFace(kDejaVuSans, 16).face(), 0xFFFD), 0u);
    const std::string R = kReplacement;
    struct Case {
        const char* what;
        std::string broken, read;
    } cases[] = {
        {"stray continuation byte", "A\x80" "B", "A" + R + "B"},
        {"two stray continuation bytes", "\xBF\x80", R + R},
        {"overlong slash, two bytes", "\xC0\xAF", R + R},
        {"overlong slash, three bytes", "\xE0\x80\xAF", R + R + R},
        {"overlong NUL, four bytes", "\xF0\x80\x80\x80", R + R + R + R},
        {"a surrogate's form", "\xED\xA0\x80" "A", R + R + R + "A"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", R + R + R + R},
        {"no lead byte that high", "\xF5\xFE\xFF", R + R + R},
        {"truncated by the next character", "\xE4\xB8" "A", R + "A"},
        {"truncated four-byte form", "A\xF0\x9F\x98", "A" + R},
        {"truncated at the very end", "AB\xC3", "AB" + R},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MImage* got = Utf8Bytes(font, c.broken, 1, 0, 0);
        MImage* want = Keep(m_app->LoadTextUtf8(font, c.read.c_str(), 1, 0, 0));
        ExpectSameImage(got, want);
    }
}

TEST_F(Utf8TextTest, TheLengthCutsTheTextEvenInsideACharacter)
{
    void* font = m_app->GetFont("sans", kDejaVuSans, 16, 0, 0);
    ASSERT_NE(font, nullptr);
    MImage* ab = Keep(m_app->LoadTextUtf8(font, "AB", 0, 0, 0));
    ExpectSameImage(Keep(m_app->LoadTextUtf8Ex(font, "ABCDE", 2, 0, 0, 0)), ab);
    ExpectSameImage(Keep(m_app->LoadTextUtf8Ex(font, "AB", 10, 0, 0, 0)), ab);
    // A cut inside a character leaves a broken tail.
    ExpectSameImage(Keep(m_app->LoadTextUtf8Ex(font, "A\xC3\xB1", 2, 0, 0, 0)),
                    Keep(m_app->LoadTextUtf8(font, (std::string("A") + kReplacement).c_str(), 0, 0, 0)));
}

} // namespace
} // namespace kes::test
