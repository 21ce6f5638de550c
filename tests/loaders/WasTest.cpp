// MApp::LoadWas: opcodes, palette, frame table, interlace rule, cache, the
// file reader's two sources, and damaged files.
//
// Fixtures are written with the project's sprite writer; the pixels each
// must give come from the suite's own reading of the format (WasReference)
// or are written out by hand.
#include "WasReference.h"

#include "KesWas.h"

#include "RenderFixture.h"
#include "TestSupport.h"
#include "WasEncoder.h"
#include "WdfWriter.h"

#include <KesApp.h>
#include <KesPlatform.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>

namespace kes::test {
namespace {

using kes::was::CodedFrame;
using kes::was::CodedSprite;
using kes::was::WriteSprite;
using namespace kes::test::was;

uint16_t g_palette[256];

// Palette colour i, opaque / at an alpha byte; 0 is transparent black.
uint32_t O(int i)
{
    return Expand(g_palette[i], 255);
}
uint32_t A(int i, uint32_t alpha)
{
    return Expand(g_palette[i], alpha);
}
constexpr uint32_t T = 0;

CodedFrame Rows(int width, std::vector<std::string> rows, int keyX = 0, int keyY = 0)
{
    CodedFrame f;
    f.width = width;
    f.height = int32_t(rows.size());
    f.rows = std::move(rows);
    f.keyX = keyX;
    f.keyY = keyY;
    return f;
}

CodedSprite Sprite(int groups, int frames, std::vector<std::optional<CodedFrame>> slots)
{
    CodedSprite s;
    s.groups = int16_t(groups);
    s.frames = int16_t(frames);
    s.width = 64;
    s.height = 48;
    std::copy(g_palette, g_palette + 256, s.palette);
    s.slots = std::move(slots);
    return s;
}

// Offsets inside a file written by WriteSprite without further header bytes.
constexpr size_t kP = 16;
constexpr size_t kTable = kP + 512;

uint32_t Get32(const std::string& s, size_t pos)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[pos + size_t(i)]);
    return v;
}

void Set32(std::string* s, size_t pos, uint32_t v)
{
    for (int i = 0; i < 4; ++i) (*s)[pos + size_t(i)] = char(uint8_t(v >> (8 * i)));
}

void Set16(std::string* s, size_t pos, int v)
{
    (*s)[pos] = char(uint8_t(v));
    (*s)[pos + 1] = char(uint8_t(v >> 8));
}

// Where frame `slot`'s header starts.
size_t FrameAt(const std::string& s, int slot)
{
    return kP + Get32(s, kTable + 4 * size_t(slot));
}

class WasTest : public RenderTest {
protected:
    void SetUp() override
    {
        TestPalette(g_palette);
        RenderTest::SetUp();
    }

    MImageVolume* Load(const std::string& bytes, const std::string& name = "sprite.was")
    {
        m_dir.Write(name, bytes);
        return m_app->LoadWas(name.c_str());
    }

    // Loads, compares with the reference's reading and gives the reference back.
    ::testing::AssertionResult Matches(MImageVolume* v, const RefSprite& ref)
    {
        if (!ref.loads) {
            if (v) return ::testing::AssertionFailure() << "a volume where null was due";
            return ::testing::AssertionSuccess();
        }
        if (!v) return ::testing::AssertionFailure() << "null where a volume was due";
        if (v->m_total != int(ref.slots.size()) || v->m_width != ref.width || v->m_height != ref.height ||
            v->m_keyX != ref.keyX || v->m_keyY != ref.keyY)
            return ::testing::AssertionFailure() << "header: " << v->m_total << " slots, " << v->m_width << "x"
                                                 << v->m_height << " key " << v->m_keyX << "," << v->m_keyY;
        for (size_t i = 0; i < ref.slots.size(); ++i) {
            const RefFrame& want = ref.slots[i];
            MImage* img = v->m_images[i];
            if (!want.present) {
                if (img) return ::testing::AssertionFailure() << "slot " << i << " holds an image";
                continue;
            }
            if (!img) return ::testing::AssertionFailure() << "slot " << i << " is empty";
            if (img->m_width != want.width || img->m_height != want.height || img->m_keyX != want.keyX ||
                img->m_keyY != want.keyY || img->m_format != KES_FMT_A8R8G8B8 || img->m_id != 0)
                return ::testing::AssertionFailure() << "slot " << i << ": " << img->m_width << "x" << img->m_height
                                                     << " key " << img->m_keyX << "," << img->m_keyY;
            const std::vector<uint32_t> got = ImagePixels(img);
            if (got != want.pixels)
                return ::testing::AssertionFailure() << "slot " << i << " pixels\n got  " << Describe(got, want.width)
                                                     << "\n want " << Describe(want.pixels, want.width);
        }
        return ::testing::AssertionSuccess();
    }

    void Close(MImageVolume* v)
    {
        if (v) m_app->CloseImageVolume(v);
    }

    ScratchDir m_dir;
};

// ---- the opcodes ------------------------------------------------------------------

struct RowCase {
    const char* what;
    int width;
    std::string code;
    std::vector<uint32_t> want;
};

TEST_F(WasTest, EachOpcodeWritesItsPixels)
{
    std::string long63;
    for (int i = 0; i < 63; ++i) long63.push_back(char(i + 100));
    std::vector<uint32_t> wantLong;
    for (int i = 0; i < 63; ++i) wantLong.push_back(O(9));
    for (int i = 0; i < 63; ++i) wantLong.push_back(T);
    for (int i = 0; i < 4; ++i) wantLong.push_back(A(3, 248));
    std::vector<uint32_t> wantLiteral63;
    for (int i = 0; i < 63; ++i) wantLiteral63.push_back(O(i + 100));

    const std::vector<RowCase> cases = {
        {"run of two, then end of row", 4, Code({0x82, 5, 0x00}), {O(5), O(5), T, T}},
        {"one pixel at level 5", 1, Code({0x25, 7}), {A(7, 40)}},
        {"one pixel at level 31 is 248, not 255", 1, Code({0x3F, 7}), {A(7, 248)}},
        {"one pixel at level 0 keeps its colour", 1, Code({0x20, 7}), {A(7, 0)}},
        {"alpha run at level 31", 3, Code({0x03, 0x1F, 9}), {A(9, 248), A(9, 248), A(9, 248)}},
        {"alpha run levels are whole bytes, times 8 wrapping", 4, Code({0x02, 0x21, 9, 0x02, 0xFF, 10}),
         {A(9, 8), A(9, 8), A(10, 248), A(10, 248)}},
        {"literal of three reaching the width", 3, Code({0x43, 1, 2, 3}), {O(1), O(2), O(3)}},
        {"literal of 63", 63, "\x7F" + long63, wantLiteral63},
        {"empty run still consumes its index", 2, Code({0x80, 4, 0x41, 6, 0x00}), {O(6), T}},
        {"empty literal and empty skip", 2, Code({0x40, 0xC0, 0x41, 6, 0x00}), {O(6), T}},
        {"skip, then a literal", 3, Code({0xC2, 0x41, 8}), {T, T, O(8)}},
        {"end of row alone", 3, Code({0x00}), {T, T, T}},
        {"every kind in one row", 8, Code({0xC1, 0x22, 3, 0x81, 4, 0x41, 5, 0x02, 0x10, 6, 0x00}),
         {T, A(3, 16), O(4), O(5), A(6, 128), A(6, 128), T, T}},
        {"longest run, skip and alpha run, cut at the width", 130, Code({0xBF, 9, 0xFF, 0x1F, 0x1F, 3, 0x00}),
         wantLong},
        {"run past the width is cut", 3, Code({0x85, 5}), {O(5), O(5), O(5)}},
        {"alpha run past the width is cut", 2, Code({0x05, 0x10, 5}), {A(5, 128), A(5, 128)}},
        {"literal past the width is cut", 2, Code({0x44, 1, 2, 3, 4}), {O(1), O(2)}},
        {"skip past the width completes the row", 2, Code({0xC5, 0x41, 1}), {T, T}},
    };
    std::vector<std::optional<CodedFrame>> slots;
    for (const RowCase& c : cases) slots.push_back(Rows(c.width, {c.code}));
    MImageVolume* v = Load(WriteSprite(Sprite(1, int(cases.size()), slots)));
    ASSERT_NE(v, nullptr);
    for (size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].what);
        MImage* img = v->GetImage(0, int(i));
        ASSERT_NE(img, nullptr);
        ASSERT_EQ(img->m_width, cases[i].width);
        EXPECT_EQ(ImagePixels(img), cases[i].want) << Describe(ImagePixels(img), cases[i].width);
    }
}

TEST_F(WasTest, ReadingStopsWhereTheRowIsComplete)
{
    // Each row is complete after its run; the literal opcode behind it
    // would need 63 more bytes, and the last one sits at the file's end.
    const std::string bytes =
        WriteSprite(Sprite(1, 1, {Rows(2, {Code({0x82, 5, 0x7F}), Code({0x82, 6, 0x7F})})}));
    ASSERT_EQ(uint8_t(bytes.back()), 0x7F);
    MImageVolume* v = Load(bytes);
    ASSERT_NE(v, nullptr);
    ASSERT_NE(v->GetImage(0, 0), nullptr);
    EXPECT_EQ(ImagePixels(v->GetImage(0, 0)), (std::vector<uint32_t>{O(5), O(5), O(6), O(6)}));
}

// ---- palette and header ------------------------------------------------------------------

TEST_F(WasTest, PaletteExpandsEachFieldFromItsOwnLowBits)
{
    const struct {
        uint16_t colour;
        uint32_t want;
    } spots[] = {
        {0x0000, 0xFF000000}, {0xFFFF, 0xFFFFFFFF}, {0x8410, 0xFF808080}, {0x0821, 0xFF090509},
        {0x07E0, 0xFF00FF00}, {0xF800, 0xFFFF0000}, {0x001F, 0xFF0000FF}, {0x1082, 0xFF121012},
    };
    std::mt19937 rng(7);
    for (int i = 0; i < 256; ++i) g_palette[i] = uint16_t(rng());
    for (size_t i = 0; i < std::size(spots); ++i) g_palette[i] = spots[i].colour;

    // Every index once, in literals; the palette after 0, 1 and 28 further
    // header bytes (an odd start included).
    std::string row;
    for (int i = 0; i < 256;) {
        const int n = std::min(63, 256 - i);
        row.push_back(char(0x40 | n));
        for (int k = 0; k < n; ++k) row.push_back(char(i + k));
        i += n;
    }
    for (size_t extra : {size_t(0), size_t(1), size_t(28)}) {
        SCOPED_TRACE("further header bytes: " + std::to_string(extra));
        CodedSprite s = Sprite(1, 1, {Rows(256, {row})});
        s.extraHeader = std::string(extra, '\xA5');
        MImageVolume* v = Load(WriteSprite(s), "palette" + std::to_string(extra) + ".was");
        ASSERT_NE(v, nullptr);
        ASSERT_NE(v->GetImage(0, 0), nullptr);
        const std::vector<uint32_t> got = ImagePixels(v->GetImage(0, 0));
        ASSERT_EQ(got.size(), 256u);
        for (size_t i = 0; i < std::size(spots); ++i) EXPECT_EQ(got[i], spots[i].want) << "index " << i;
        for (int i = 0; i < 256; ++i) EXPECT_EQ(got[size_t(i)], Expand(g_palette[i], 255)) << "index " << i;
    }
}

TEST_F(WasTest, HeaderAndFrameFieldsReachTheVolume)
{
    CodedSprite s = Sprite(2, 3,
                           {Rows(3, {Code({0x83, 1}), Code({0x83, 2})}, 1, 2), std::nullopt,
                            Rows(1, {Code({0x41, 3})}, -40, 70000), Rows(5, {Code({0x00})}, -1, -1),
                            Rows(2, {Code({0x82, 4}), Code({0x00}), Code({0x82, 4})}, 0, 0), std::nullopt});
    s.width = 120;
    s.height = 90;
    s.keyX = -7;
    s.keyY = 300;
    const std::string name = "chars/Hero.was";
    MImageVolume* v = Load(WriteSprite(s), name);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->m_id, WString2ID(name.c_str()));
    EXPECT_EQ(v->RefCount(), 1);
    EXPECT_EQ(v->m_groupCount, 2);
    EXPECT_EQ(v->m_frameCount, 3);
    EXPECT_EQ(v->m_total, 6);
    EXPECT_EQ(v->m_width, 120);
    EXPECT_EQ(v->m_height, 90);
    EXPECT_EQ(v->m_keyX, -7);
    EXPECT_EQ(v->m_keyY, 300);

    const struct {
        int group, frame, width, height, keyX, keyY;
    } want[] = {{0, 0, 3, 2, 1, 2}, {0, 2, 1, 1, -40, 70000}, {1, 0, 5, 1, -1, -1}, {1, 1, 2, 3, 0, 0}};
    for (const auto& w : want) {
        MImage* img = v->GetImage(w.group, w.frame);
        ASSERT_NE(img, nullptr) << w.group << "," << w.frame;
        EXPECT_EQ(img->m_width, w.width);
        EXPECT_EQ(img->m_height, w.height);
        EXPECT_EQ(img->m_keyX, w.keyX);
        EXPECT_EQ(img->m_keyY, w.keyY);
        EXPECT_EQ(img->m_id, 0u);
        EXPECT_EQ(img->m_format, KES_FMT_A8R8G8B8);
        EXPECT_EQ(img->RefCount(), 1); // the volume's
        EXPECT_FLOAT_EQ(img->m_texU, 1.0f);
    }
    EXPECT_EQ(v->GetImage(0, 1), nullptr);
    EXPECT_EQ(v->GetImage(1, 2), nullptr);
    EXPECT_TRUE(Matches(v, Decode(WriteSprite(s))));
}

TEST_F(WasTest, AbsentAndEmptyFramesLeaveTheirSlotsEmpty)
{
    auto sized = [](int w, int h) {
        CodedFrame f = Rows(1, {Code({0x41, 1})});
        f.width = w;
        f.height = h;
        return f;
    };
    // Between every pair of ordinary frames, one that must stay empty.
    const CodedFrame ok = Rows(2, {Code({0x82, 3}), Code({0x41, 4, 0x00})});
    const std::vector<std::optional<CodedFrame>> slots = {
        ok, std::nullopt, ok, sized(0, 1), ok, sized(1, 0), ok, sized(-3, 1), ok, sized(1, -1), ok,
    };
    MImageVolume* v = Load(WriteSprite(Sprite(1, int(slots.size()), slots)));
    ASSERT_NE(v, nullptr);
    for (size_t i = 0; i < slots.size(); ++i) {
        if (i % 2) {
            EXPECT_EQ(v->m_images[i], nullptr) << "slot " << i;
        } else {
            ASSERT_NE(v->m_images[i], nullptr) << "slot " << i;
            EXPECT_EQ(ImagePixels(v->m_images[i]), (std::vector<uint32_t>{O(3), O(3), O(4), T})) << "slot " << i;
        }
    }
}

// ---- the interlace rule -------------------------------------------------------------------

// Every odd row equal to the row above it.
bool RowsDoubled(const std::vector<uint32_t>& px, int w, int h)
{
    for (int y = 1; y < h; y += 2)
        for (int x = 0; x < w; ++x)
            if (px[size_t(y * w + x)] != px[size_t((y - 1) * w + x)]) return false;
    return true;
}

TEST_F(WasTest, FramesWithoutOddRowPixelsShowEachEvenRowTwiceAtFourFifths)
{
    // Odd height: the last row has no partner and keeps its alpha.
    const CodedFrame evenOnly = Rows(3, {Code({0x41, 1, 0x25, 2, 0x3F, 3}), Code({0x00}), Code({0xC1, 0x82, 4}),
                                          Code({0xC3}), Code({0x43, 5, 6, 7})});
    MImageVolume* v = Load(WriteSprite(Sprite(1, 2, {evenOnly, evenOnly})));
    ASSERT_NE(v, nullptr);
    const std::vector<uint32_t> want = {
        A(1, 204), A(2, 32), A(3, 198), // 255 -> 204, 40 -> 32, 248 -> 198
        A(1, 204), A(2, 32), A(3, 198), // the row above, copied
        T,         A(4, 204), A(4, 204), //
        T,         A(4, 204), A(4, 204), //
        O(5),      O(6),      O(7),      // last row of an odd height: unchanged
    };
    for (int f = 0; f < 2; ++f) {
        ASSERT_NE(v->GetImage(0, f), nullptr);
        EXPECT_EQ(ImagePixels(v->GetImage(0, f)), want) << "frame " << f;
    }
}

struct InterlaceCase {
    const char* what;
    std::vector<std::optional<CodedFrame>> frames;
    std::vector<bool> doubled; // per slot, for present frames
    std::function<void(std::string*)> damage = nullptr;
};

TEST_F(WasTest, OneFrameWithAnOddRowPixelStopsTheDoublingOfLaterFrames)
{
    const CodedFrame even = Rows(2, {Code({0x82, 1}), Code({0x00}), Code({0x41, 2, 0x00}), Code({0x00})});
    auto oddWith = [](std::string code) {
        return Rows(2, {Code({0x82, 3}), code, Code({0x41, 2, 0x00}), Code({0x00})});
    };
    const CodedFrame odd = oddWith(Code({0xC1, 0x41, 9}));
    // Its odd row would count, but its last row's code is sent past the file.
    auto lastRowOfSlot1Outside = [](std::string* s) { Set32(s, FrameAt(*s, 1) + 16 + 12, 0x00100000); };

    const std::vector<InterlaceCase> cases = {
        {"no odd-row pixels anywhere", {even, even, even}, {true, true, true}},
        {"the first frame has one", {odd, even, even}, {false, false, false}},
        {"only the second frame has one", {even, odd, even}, {true, false, false}},
        {"absent frames change nothing", {even, std::nullopt, even, odd, even}, {true, false, true, false, false}},
        {"transparent skips on odd rows do not count", {oddWith(Code({0xC1, 0x00})), even}, {true, true}},
        {"a run of nothing counts", {oddWith(Code({0x80, 7, 0x00})), even}, {false, false}},
        {"a literal of nothing counts", {oddWith(Code({0x40, 0x00})), even}, {false, false}},
        {"a pixel of alpha 0 counts", {oddWith(Code({0x20, 7, 0x00})), even}, {false, false}},
        {"an alpha run counts", {oddWith(Code({0x02, 3, 7})), even}, {false, false}},
        {"a frame too damaged to load does not count", {even, odd, even}, {true, false, true},
         lastRowOfSlot1Outside},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        const InterlaceCase& k = cases[c];
        SCOPED_TRACE(k.what);
        std::string bytes = WriteSprite(Sprite(1, int(k.frames.size()), k.frames));
        if (k.damage) k.damage(&bytes);
        MImageVolume* v = Load(bytes, "interlace" + std::to_string(c) + ".was");
        ASSERT_NE(v, nullptr);
        EXPECT_TRUE(Matches(v, Decode(bytes)));
        for (size_t i = 0; i < k.frames.size(); ++i) {
            MImage* img = v->m_images[i];
            if (!img) continue;
            const std::vector<uint32_t> px = ImagePixels(img);
            EXPECT_EQ(RowsDoubled(px, img->m_width, img->m_height), k.doubled[i]) << "slot " << i;
        }
        if (k.damage) {
            EXPECT_EQ(v->m_images[1], nullptr) << "the damaged frame";
        }
    }
}

// ---- slots that share a frame body, and the file's pixel budget ------------------------------------

// Points slot `slot`'s table entry at slot `to`'s frame body.
void ShareBody(std::string* s, int slot, int to)
{
    Set32(s, kTable + 4 * size_t(slot), Get32(*s, kTable + 4 * size_t(to)));
}

TEST_F(WasTest, SlotsThatShareAFrameBodyShareItsImageWhereTheInterlaceRuleAgrees)
{
    // Four hundred slots of a few kilobytes, all at one frame: decoded once.
    const CodedFrame even = Rows(2, {Code({0x82, 1}), Code({0x00}), Code({0x41, 2, 0x00}), Code({0x00})});
    std::string many = WriteSprite(Sprite(1, 400, {even}));
    for (int i = 1; i < 400; ++i) ShareBody(&many, i, 0);
    MImageVolume* v = Load(many, "many.was");
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(Matches(v, Decode(many)));
    for (int i = 1; i < 400; ++i) ASSERT_EQ(v->m_images[i], v->m_images[0]) << "slot " << i;
    // The volume holds a reference per slot: closing it frees the image once.
    Close(v);

    // The body at slots 0, 2 and 3 is doubled at slot 0; slot 1 stops the
    // doubling, so slot 2 is the same body undoubled and gets its own image,
    // which slot 3 shares.
    const CodedFrame odd = Rows(2, {Code({0x82, 3}), Code({0xC1, 0x41, 9}), Code({0x41, 2, 0x00}), Code({0x00})});
    std::string mixed = WriteSprite(Sprite(1, 4, {even, odd, std::nullopt, even}));
    ShareBody(&mixed, 2, 0);
    ShareBody(&mixed, 3, 0);
    v = Load(mixed, "mixed.was");
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(Matches(v, Decode(mixed)));
    EXPECT_NE(v->m_images[2], v->m_images[0]);
    EXPECT_EQ(v->m_images[3], v->m_images[2]) << "slot 3 is the undoubled body again";
    Close(v);

    // A damaged body is damaged for every slot that points at it.
    std::string damaged = WriteSprite(Sprite(1, 3, {even, even, even}));
    Set32(&damaged, FrameAt(damaged, 1) + 16, 0x00100000); // its first row leaves the file
    ShareBody(&damaged, 2, 1);
    v = Load(damaged, "damaged.was");
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(Matches(v, Decode(damaged)));
    EXPECT_NE(v->m_images[0], nullptr);
    EXPECT_EQ(v->m_images[1], nullptr);
    EXPECT_EQ(v->m_images[2], nullptr);
    Close(v);
}

TEST_F(WasTest, FramesBeyondTheFilesPixelBudgetAreLeftOut)
{
    // Four bodies of 4096 x 4096 whose rows all share one end-of-row code:
    // 16 K pixels for every 4 bytes of row table. The budget holds two.
    const CodedFrame huge = Rows(4096, std::vector<std::string>(4096, Code({0x00})));
    const std::string bytes = WriteSprite(Sprite(1, 4, {huge, huge, huge, huge}));
    const uint64_t budget = kes::was::PixelBudget(bytes.size());
    ASSERT_GE(budget, 2u * 4096 * 4096);
    ASSERT_LT(budget, 3u * 4096 * 4096);
    MImageVolume* v = Load(bytes, "huge.was");
    ASSERT_NE(v, nullptr);
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(v->m_images[i], nullptr) << "slot " << i;
        EXPECT_EQ(v->m_images[i]->m_width, 4096);
    }
    EXPECT_EQ(v->m_images[2], nullptr);
    EXPECT_EQ(v->m_images[3], nullptr);
    Close(v);
}

// ---- damaged files ------------------------------------------------------------------------------

// Three frames of one group; the middle one is the target of the damage.
std::string ThreeFrames()
{
    return WriteSprite(Sprite(1, 3,
                              {Rows(3, {Code({0x83, 1}), Code({0x41, 2, 0x00})}),
                               Rows(2, {Code({0x82, 3}), Code({0x22, 4, 0x00}), Code({0xC1, 0x41, 5})}),
                               Rows(2, {Code({0x82, 6}), Code({0x41, 7, 0x41, 8})})}));
}

struct DamageCase {
    const char* what;
    std::function<void(std::string*)> damage;
    enum { Null, MiddleEmpty, AllLoad } want;
};

TEST_F(WasTest, DamagedHeadersTablesAndFramesAreRefusedWithoutReadingOutside)
{
    const std::string base = ThreeFrames();
    const size_t f1 = FrameAt(base, 1);
    const std::vector<DamageCase> cases = {
        {"shorter than the header", [](std::string* s) { s->resize(15); }, DamageCase::Null},
        {"wrong magic", [](std::string* s) { (*s)[1] = 'Q'; }, DamageCase::Null},
        {"negative header length", [](std::string* s) { Set16(s, 2, -5); }, DamageCase::Null},
        {"palette past the end", [](std::string* s) { Set16(s, 2, 0x7FFF); }, DamageCase::Null},
        {"palette cut by the end", [](std::string* s) { s->resize(kP + 511); }, DamageCase::Null},
        {"frame table past the end", [](std::string* s) { Set16(s, 4, 1000); }, DamageCase::Null},
        {"frame offset at the end", [](std::string* s) { Set32(s, kTable + 4, uint32_t(s->size() - kP)); },
         DamageCase::MiddleEmpty},
        {"frame offset wrapping 32 bits", [](std::string* s) { Set32(s, kTable + 4, 0xFFFFFFF0u); },
         DamageCase::MiddleEmpty},
        {"frame header cut by the end", [](std::string* s) { Set32(s, kTable + 4, uint32_t(s->size() - kP - 8)); },
         DamageCase::MiddleEmpty},
        {"row table past the end", [&](std::string* s) { Set32(s, f1 + 12, 4000); }, DamageCase::MiddleEmpty},
        {"width above 4096", [&](std::string* s) { Set32(s, f1 + 8, 4097); }, DamageCase::MiddleEmpty},
        {"width 4096 is still a frame", [&](std::string* s) { Set32(s, f1 + 8, 4096); }, DamageCase::AllLoad},
        {"huge width", [&](std::string* s) { Set32(s, f1 + 8, 0x7FFFFFFF); }, DamageCase::MiddleEmpty},
        {"huge height", [&](std::string* s) { Set32(s, f1 + 12, 0x7FFFFFFF); }, DamageCase::MiddleEmpty},
        {"negative height", [&](std::string* s) { Set32(s, f1 + 12, 0xFFFFFFFEu); }, DamageCase::MiddleEmpty},
        {"row offset past the end", [&](std::string* s) { Set32(s, f1 + 16 + 4, 0x00100000); },
         DamageCase::MiddleEmpty},
        {"row offset wrapping 32 bits", [&](std::string* s) { Set32(s, f1 + 16 + 8, 0xFFFFFFFFu); },
         DamageCase::MiddleEmpty},
        {"row offset at the last byte, an operand missing",
         [&](std::string* s) {
             s->push_back(char(0x82));
             Set32(s, f1 + 16 + 4, uint32_t(s->size() - 1 - f1));
         },
         DamageCase::MiddleEmpty},
        {"row offset into a later frame's code",
         [&](std::string* s) {
             const size_t f2 = FrameAt(*s, 2);
             Set32(s, f1 + 16, uint32_t(f2 + Get32(*s, f2 + 16) - f1));
         },
         DamageCase::AllLoad},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        SCOPED_TRACE(cases[c].what);
        std::string bytes = base;
        cases[c].damage(&bytes);
        MImageVolume* v = Load(bytes, "damaged" + std::to_string(c) + ".was");
        const RefSprite ref = Decode(bytes);
        EXPECT_TRUE(Matches(v, ref));
        switch (cases[c].want) {
        case DamageCase::Null: EXPECT_EQ(v, nullptr); break;
        case DamageCase::MiddleEmpty:
            ASSERT_NE(v, nullptr);
            EXPECT_NE(v->m_images[0], nullptr);
            EXPECT_EQ(v->m_images[1], nullptr);
            EXPECT_NE(v->m_images[2], nullptr);
            break;
        case DamageCase::AllLoad:
            ASSERT_NE(v, nullptr);
            for (int i = 0; i < 3; ++i) EXPECT_NE(v->m_images[i], nullptr) << "slot " << i;
            break;
        }
        Close(v);
    }
}

TEST_F(WasTest, TruncatedFrameIsDroppedWhileEarlierFramesLoad)
{
    // A frame is truncated when a row's code runs out before the row is
    // complete: here the last frame loses its final operand byte.
    const std::string whole = ThreeFrames();
    const std::string cut = whole.substr(0, whole.size() - 1);
    MImageVolume* v = Load(cut);
    ASSERT_NE(v, nullptr);
    EXPECT_NE(v->m_images[0], nullptr);
    EXPECT_NE(v->m_images[1], nullptr);
    EXPECT_EQ(v->m_images[2], nullptr);
    EXPECT_TRUE(Matches(v, Decode(cut)));

    // A literal cut by the row's end needs only the indices it writes.
    const std::string shortLiteral = WriteSprite(Sprite(1, 1, {Rows(2, {Code({0x82, 1}), Code({0x45, 2, 3})})}));
    MImageVolume* w = Load(shortLiteral, "literal.was");
    ASSERT_NE(w, nullptr);
    ASSERT_NE(w->m_images[0], nullptr);
    EXPECT_EQ(ImagePixels(w->m_images[0]), (std::vector<uint32_t>{O(1), O(1), O(2), O(3)}));
}

TEST_F(WasTest, GridBelowOneByOneRaisesTheVolumeCheckAndLoadsEmpty)
{
    for (int groups : {0, -2}) {
        SCOPED_TRACE(groups);
        std::string bytes = ThreeFrames();
        Set16(&bytes, 4, groups);
        AssertRecorder asserts;
        const std::string name = "empty" + std::to_string(-groups) + ".was";
        MImageVolume* v = Load(bytes, name);
        EXPECT_TRUE(asserts.SawOnly(L"gcnt>0 && fcnt>0", L"include/KesImage"));
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(v->m_total, 0);
        EXPECT_EQ(v->GetImage(0, 0), nullptr);
        EXPECT_EQ(v->m_width, 64);
        EXPECT_EQ(m_app->FindImageVolumeCache(WString2ID(name.c_str())), v);
    }
}

// A sprite of two groups with every opcode, an absent frame, odd-row
// pixels only from the third frame on: small enough to cut at every length.
std::string SmallSprite()
{
    return WriteSprite(Sprite(
        2, 3,
        {Rows(4, {Code({0x82, 5, 0x00}), Code({0x00}), Code({0x43, 1, 2, 3, 0x25, 7})}, 1, 2),
         Rows(3, {Code({0x03, 0x1F, 9}), Code({0xC3}), Code({0x21, 4, 0x80, 4, 0x81, 6})}, -3, 4),
         std::nullopt,
         Rows(5, {Code({0xC1, 0x22, 3, 0x81, 4, 0x41, 5, 0x02, 0x10, 6}), Code({0x41, 8, 0x00}),
                   Code({0x40, 0xC0, 0x85, 9})},
               0, 0),
         Rows(2, {Code({0x44, 1, 2, 3, 4}), Code({0x02, 0x21, 9}), Code({0xBF, 10}), Code({0xC5})}, 9, 9),
         Rows(6, {Code({0x86, 11}), Code({0x21, 12, 0x00})}, 2, 2)}));
}

TEST_F(WasTest, CutAtEveryLengthLoadsNullOrTheFramesThatFit)
{
    const std::string whole = SmallSprite();
    int partial = 0;
    for (size_t n = 0; n <= whole.size(); ++n) {
        const std::string cut = whole.substr(0, n);
        const RefSprite ref = Decode(cut);
        MImageVolume* v = Load(cut, "cut.was");
        EXPECT_TRUE(Matches(v, ref)) << "cut at " << n << " of " << whole.size();
        if (v && std::count(v->m_images, v->m_images + v->m_total, nullptr) > 1) ++partial;
        Close(v);
        if (HasFailure()) break;
    }
    // The lengths between the frame table and the end give partial sprites.
    EXPECT_GT(partial, 50);
}

TEST_F(WasTest, RandomByteFlipsLoadNullOrCorrectFrames)
{
    const std::string whole = SmallSprite();
    const size_t structure = kTable; // from here on: frame table, headers, rows
    AssertRecorder asserts;          // flipped group counts raise the volume's check
    int loaded = 0, damagedFrames = 0;
    for (unsigned seed = 1; seed <= 600; ++seed) {
        std::mt19937 rng(seed);
        std::string bytes = whole;
        const int flips = 1 + int(seed % 6);
        for (int i = 0; i < flips; ++i) {
            // Most flips go where the structure is; some anywhere, header included.
            const size_t pos = rng() % 4 ? structure + rng() % (whole.size() - structure) : rng() % whole.size();
            bytes[pos] = char(uint8_t(bytes[pos]) ^ uint8_t(1 + rng() % 255));
        }
        const RefSprite ref = Decode(bytes);
        MImageVolume* v = Load(bytes, "flipped.was");
        EXPECT_TRUE(Matches(v, ref)) << "seed " << seed;
        if (v) {
            ++loaded;
            for (size_t i = 0; i < ref.slots.size(); ++i) damagedFrames += i != 2 && !ref.slots[i].present;
        }
        Close(v);
        if (HasFailure()) break;
    }
    for (const AssertReport& r : asserts.Reports()) EXPECT_EQ(r.expr, L"gcnt>0 && fcnt>0");
    // The flips must have reached both outcomes.
    EXPECT_GT(loaded, 100);
    EXPECT_GT(damagedFrames, 50);
}

// ---- cache and sources ---------------------------------------------------------------------

TEST_F(WasTest, SecondLoadReturnsTheCachedVolumeWithAReferenceAndReadsNothing)
{
    const std::string bytes = SmallSprite();
    const std::string name = "sprites/hero.was";
    MImageVolume* v = Load(bytes, name);
    ASSERT_NE(v, nullptr);
    const DWORD id = WString2ID(name.c_str());
    EXPECT_EQ(m_app->FindImageVolumeCache(id), v);

    // The file goes away: a hit must not need it.
    std::filesystem::remove(name);
    EXPECT_EQ(m_app->LoadWas(name.c_str()), v);
    EXPECT_EQ(m_app->LoadWas(name.c_str()), v);
    EXPECT_EQ(v->RefCount(), 3);

    m_app->CloseImageVolume(v);
    m_app->CloseImageVolume(v);
    EXPECT_EQ(m_app->FindImageVolumeCache(id), v);
    m_app->CloseImageVolume(v); // the last one
    EXPECT_EQ(m_app->FindImageVolumeCache(id), nullptr);
    EXPECT_EQ(m_app->LoadWas(name.c_str()), nullptr);

    // Back on disk, it is decoded afresh.
    MImageVolume* again = Load(bytes, name);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->RefCount(), 1);
    EXPECT_TRUE(Matches(again, Decode(bytes)));
}

TEST_F(WasTest, NameDifferingInCaseIsDecodedAgainUnderItsOwnId)
{
    const std::string bytes = SmallSprite();
    MImageVolume* lower = Load(bytes, "hero.was");
    MImageVolume* upper = m_app->LoadWas("HERO.WAS"); // the loose file matches in any case
    ASSERT_NE(lower, nullptr);
    ASSERT_NE(upper, nullptr);
    EXPECT_NE(lower, upper);
    EXPECT_EQ(upper->m_id, WString2ID("HERO.WAS"));
    EXPECT_EQ(m_app->FindImageVolumeCache(WString2ID("hero.was")), lower);
    EXPECT_EQ(m_app->FindImageVolumeCache(WString2ID("HERO.WAS")), upper);
    EXPECT_EQ(lower->RefCount(), 1);
    EXPECT_EQ(upper->RefCount(), 1);
}

TEST_F(WasTest, MissingFilesAndOtherFormatsGiveNullAndCacheNothing)
{
    EXPECT_EQ(m_app->LoadWas("nowhere/none.was"), nullptr);
    EXPECT_EQ(Load("BM not a sprite at all, but long enough to hold a header", "picture.was"), nullptr);
    EXPECT_EQ(Load("", "empty.was"), nullptr);
    EXPECT_EQ(m_app->m_volumeCache.GetCount(), 0);
}

TEST_F(WasTest, NullNameIsReportedAndGivesNull)
{
    AssertRecorder asserts;
    EXPECT_EQ(m_app->LoadWas(nullptr), nullptr);
    EXPECT_TRUE(asserts.SawOnly(L"fname", L"Core/KesLoadWas"));
}

TEST_F(WasTest, LoadsFromAnArchiveChainAndFromLooseFilesWithEitherSlash)
{
    const std::string bytes = SmallSprite();
    const RefSprite ref = Decode(bytes);

    // The sprite sits in the second archive of the shape chain.
    kes::wdf::ArchiveWriter first(kes::wdf::kMagicScrambled), second;
    first.AddNamed("shape/char/0002.was", "other");
    second.AddNamed("shape/char/0001.was", bytes);
    std::string error;
    ASSERT_TRUE(first.Write("shape.wdf", &error)) << error;
    ASSERT_TRUE(second.Write("shape.wd1", &error)) << error;
    ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
    ASSERT_EQ(MFile::OpenDataFile("shape.wd1"), 1);
    MImageVolume* archived = m_app->LoadWas("shape/char/0001.was");
    EXPECT_TRUE(Matches(archived, ref));
    EXPECT_EQ(m_app->LoadWas("shape/char/0002.was"), nullptr); // found, but not a sprite

    m_dir.Write("loose/Char/0001.was", bytes);
    for (const char* name : {"loose/Char/0001.was", "loose\\char\\0001.was"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(Matches(m_app->LoadWas(name), ref));
    }
}

TEST_F(WasTest, RowsFollowThePitchOfTexturesRoundedUp)
{
    KesPlatformSetPow2Textures(1);
    // 3 x 5 frames in 4 x 8 textures: one doubled, one not.
    const CodedFrame even = Rows(3, {Code({0x43, 1, 2, 3}), Code({0x00}), Code({0xC1, 0x22, 4, 0x00}), Code({0x00}),
                                      Code({0x83, 5})});
    const CodedFrame odd = Rows(3, {Code({0x43, 1, 2, 3}), Code({0x81, 6, 0x00}), Code({0xC1, 0x22, 4, 0x00}),
                                     Code({0x00}), Code({0x83, 5})});
    const std::string bytes = WriteSprite(Sprite(1, 2, {even, odd}));
    MImageVolume* v = Load(bytes);
    ASSERT_NE(v, nullptr);
    ASSERT_NE(v->m_images[0], nullptr);
    EXPECT_FLOAT_EQ(v->m_images[0]->m_texU, 0.75f);
    EXPECT_FLOAT_EQ(v->m_images[0]->m_texV, 0.625f);
    EXPECT_TRUE(Matches(v, Decode(bytes)));
}

} // namespace
} // namespace kes::test
