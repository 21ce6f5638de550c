// kesto-view's contact sheets and list, run as a user would on archives made
// by the project's writers. Every picture on a sheet is checked pixel for
// pixel against the engine's own loaders reading the same bytes here (as
// loose files, so that nothing of the viewer's lookup is taken on trust),
// placed where the sheet's documented layout puts it.
#include "RenderFixture.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "ViewFixtures.h"

#include <KesApp.h>
#include <KesFile.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kes::test {
namespace {

namespace fs = std::filesystem;

// The sheet's documented geometry and colours.
constexpr int kCell = 96, kLabel = 16, kGap = 4, kColumns = 8;
constexpr uint32_t kBackdrop = 0xFF303048;

uint32_t Over(uint32_t src, uint32_t dst)
{
    const uint32_t a = src >> 24;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t s = (src >> shift) & 255, d = (dst >> shift) & 255;
        out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

// An engine image as 0xAARRGGBB (opaque formats made opaque).
std::vector<uint32_t> Argb(MImage* img)
{
    std::vector<uint32_t> px = ImagePixels(img);
    if (img->m_format == KES_FMT_X8R8G8B8)
        for (uint32_t& p : px) p |= 0xFF000000u;
    return px;
}

class ViewSheetTest : public RenderTest {
protected:
    // The chain "sheet": sprites and pictures over two parts; "hidden.was"
    // is left out of the names list, so the viewer knows it by id only.
    void MakeData()
    {
        files.bytes["a.was"] = MakeSprite(2, 3, 30, 40, 1);
        files.bytes["char/big.was"] = MakeSprite(1, 1, 200, 150, 2);
        files.bytes["hidden.was"] = MakeSprite(1, 2, 20, 20, 3);
        files.bytes["pic.bmp"] = MakeBmp(130, 40, 4);
        files.bytes["pic.tga"] = MakeTga(50, 50, 5);
        files.bytes["pic.png"] = MakePng(40, 30, 6);
        files.bytes["notes.txt"] = "not a picture";
        files.part["char/big.was"] = 1;
        files.part["pic.tga"] = 1;
        files.part["hidden.was"] = 1;
        for (const auto& [path, bytes] : files.bytes) ASSERT_FALSE(bytes.empty()) << path;
    }
    void WriteData()
    {
        ASSERT_TRUE(WriteChain("sheet", files, 2));
        std::ofstream names("names.txt");
        for (const auto& [path, bytes] : files.bytes)
            if (path != "hidden.was") names << GamePath("sheet", path) << "\n";
    }
    // The engine's image of a sheet line: the same bytes loaded as a loose file.
    std::vector<uint32_t> Reference(const std::string& label, int group, int frame, int* w, int* h)
    {
        std::string path = label.rfind("0x", 0) == 0 ? "hidden.was" : label.substr(label.find('/') + 1);
        const std::string loose = scratch.Write("ref/" + std::to_string(++refs) + "/" + path, files.bytes[path]);
        MImage* img = nullptr;
        MImageVolume* vol = nullptr;
        if (path.size() > 4 && path.substr(path.size() - 4) == ".was") {
            vol = m_app->LoadWas(loose.c_str());
            if (vol) img = vol->GetImage(group, frame);
        } else if (path.find(".bmp") != std::string::npos) {
            img = m_app->LoadBMP(loose.c_str());
        } else if (path.find(".tga") != std::string::npos) {
            img = m_app->LoadTGA(loose.c_str());
        } else {
            img = m_app->LoadPNG(loose.c_str());
        }
        std::vector<uint32_t> px;
        if (!img) {
            ADD_FAILURE() << "the engine does not load " << path;
            return px;
        }
        px = Argb(img);
        *w = img->m_width;
        *h = img->m_height;
        lastKeyX = img->m_keyX;
        lastKeyY = img->m_keyY;
        if (vol) m_app->CloseImageVolume(vol);
        else m_app->CloseImage(img);
        return px;
    }
    // Checks that the sheet holds the reference of `line` at its place,
    // thinned to fit a cell (contact sheets) or whole (a sprite's sheet).
    void ExpectPlaced(const std::vector<uint32_t>& sheet, int sheetWidth, const LayoutLine& line, bool thinned = true)
    {
        int w = 0, h = 0;
        const std::vector<uint32_t> ref = Reference(line.label, line.group, line.frame, &w, &h);
        if (ref.empty()) return;
        const int step = std::max(1, (std::max(w, h) + kCell - 1) / kCell);
        EXPECT_EQ(line.step, thinned ? step : 1) << line.label;
        const int s = line.step;
        ASSERT_EQ(line.width, (w + s - 1) / s) << line.label;
        ASSERT_EQ(line.height, (h + s - 1) / s) << line.label;
        std::vector<uint32_t> got, want;
        for (int y = 0; y < line.height; ++y)
            for (int x = 0; x < line.width; ++x) {
                got.push_back(sheet[size_t((line.y + y) * sheetWidth + line.x + x)]);
                want.push_back(Over(ref[size_t(y * s * w + x * s)], kBackdrop));
            }
        ExpectSamePixels(got, want, line.width, line.label + " group " + std::to_string(line.group));
    }
    ToolResult View(std::vector<std::string> args) { return RunProgram(KESTO_VIEW_TOOL, args); }

    ScratchDir scratch;
    ChainFiles files;
    int refs = 0;
    int lastKeyX = 0, lastKeyY = 0;
};

TEST_F(ViewSheetTest, ContactSheetPlacesEveryGroupAndPictureAsTheEngineDecodesIt)
{
    MakeData();
    WriteData();
    const ToolResult r = View({"--sheet", "sheet.wdf", "--names", "names.txt", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int width = 0, height = 0;
    std::vector<uint32_t> sheet;
    ASSERT_TRUE(ReadPngFile("out.png", &width, &height, &sheet));
    const std::vector<LayoutLine> layout = ReadLayout("out.png.layout");

    // a.was has two groups, the rest one picture each; the text is no picture.
    std::vector<std::string> labels;
    for (const LayoutLine& l : layout) labels.push_back(l.label + " " + std::to_string(l.group));
    const DWORD hiddenId = MFile::Fnameid("sheet/hidden.was");
    char hidden[16];
    std::snprintf(hidden, sizeof hidden, "0x%08x", unsigned(hiddenId));
    EXPECT_EQ(labels, (std::vector<std::string>{std::string(hidden) + " 0", "sheet/a.was 0", "sheet/a.was 1",
                                                 "sheet/char/big.was 0", "sheet/pic.bmp 0", "sheet/pic.png 0",
                                                 "sheet/pic.tga 0"}));
    const size_t columns = std::min<size_t>(kColumns, layout.size()); // no empty columns
    EXPECT_EQ(width, kGap + int(columns) * (kCell + kGap));
    EXPECT_EQ(height, kGap + kCell + kLabel + kGap);
    for (size_t n = 0; n < layout.size(); ++n) {
        const LayoutLine& l = layout[n];
        // Centred in cell n of the grid.
        const int cx = kGap + int(n % columns) * (kCell + kGap), cy = kGap + int(n / columns) * (kCell + kLabel + kGap);
        EXPECT_EQ(l.x, cx + (kCell - l.width) / 2) << l.label;
        EXPECT_EQ(l.y, cy + (kCell - l.height) / 2) << l.label;
        ExpectPlaced(sheet, width, l);
    }
    // The big sprite and the wide bitmap are thinned to fit.
    EXPECT_EQ(layout[3].step, 3);
    EXPECT_EQ(layout[4].step, 2);
}

TEST_F(ViewSheetTest, SpriteSheetHasARowPerGroupWithTheKeyPointsOnOneSpot)
{
    MakeData();
    WriteData();
    char byId[48];
    std::snprintf(byId, sizeof byId, "sheet.wdf/0x%08x", unsigned(MFile::Fnameid("sheet/hidden.wAS")));
    struct Case {
        std::string arg;
        int groups, frames;
    } cases[] = {{"sheet.wdf/a.was", 2, 3}, {"sheet.wdf/char/BIG.was", 1, 1}, {byId, 1, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        const ToolResult r = View({"--sheet", c.arg, "--names", "names.txt", "one.png"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        int width = 0, height = 0;
        std::vector<uint32_t> sheet;
        ASSERT_TRUE(ReadPngFile("one.png", &width, &height, &sheet));
        const std::vector<LayoutLine> layout = ReadLayout("one.png.layout");
        ASSERT_EQ(int(layout.size()), c.groups * c.frames);
        std::vector<int> rowKeyY(size_t(c.groups), -1), columnKeyX(size_t(c.frames), -1);
        for (size_t n = 0; n < layout.size(); ++n) {
            const LayoutLine& l = layout[n];
            EXPECT_EQ(l.group, int(n) / c.frames);
            EXPECT_EQ(l.frame, int(n) % c.frames);
            ExpectPlaced(sheet, width, l, false);
            // Key points line up along rows and down columns.
            const int keyX = l.x + lastKeyX, keyY = l.y + lastKeyY;
            if (columnKeyX[size_t(l.frame)] >= 0) {
                EXPECT_EQ(keyX, columnKeyX[size_t(l.frame)]);
            }
            if (rowKeyY[size_t(l.group)] >= 0) {
                EXPECT_EQ(keyY, rowKeyY[size_t(l.group)]);
            }
            columnKeyX[size_t(l.frame)] = keyX;
            rowKeyY[size_t(l.group)] = keyY;
        }
    }
    const ToolResult missing = View({"--sheet", "sheet.wdf/nothing.was", "none.png"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("nothing.was: no such entry"), std::string::npos) << missing.err;
}

TEST_F(ViewSheetTest, LooseFilesStandInForArchivedOnesAsForAGame)
{
    MakeData();
    WriteData();
    const std::string loose = MakeSprite(1, 1, 16, 16, 9);
    scratch.Write("loose/sheet/a.was", loose);
    scratch.Write("loose/extra.bmp", MakeBmp(8, 8, 10));
    const ToolResult list = View({"--list", "sheet.wdf", "loose", "--names", "names.txt"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("sheet/a.was\t" + std::to_string(loose.size()) + "\tloose\tWAS\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("extra.bmp\t" + std::to_string(files.bytes.size() ? MakeBmp(8, 8, 10).size() : 0) + "\tloose\tBMP\n"),
              std::string::npos)
        << list.out;
    // Every archived entry keeps its name beside the loose files.
    EXPECT_NE(list.out.find("sheet/pic.bmp\t"), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find("sheet.wdf\tWAS\nsheet/a.was"), std::string::npos);

    const ToolResult r = View({"--sheet", "sheet.wdf", "loose", "--names", "names.txt", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    int width = 0, height = 0;
    std::vector<uint32_t> sheet;
    ASSERT_TRUE(ReadPngFile("out.png", &width, &height, &sheet));
    size_t seen = 0;
    for (const LayoutLine& l : ReadLayout("out.png.layout")) {
        if (l.label != "sheet/a.was") continue;
        ++seen;
        files.bytes["a.was"] = loose; // the reference is the loose file
        ExpectPlaced(sheet, width, l);
    }
    EXPECT_EQ(seen, 1u); // one group: the loose sprite's, not the archived one's two
}

TEST_F(ViewSheetTest, ContactSheetStopsAtItsLongestSideAndSaysWhatIsLeftOut)
{
    // One column of cells: 141 fit in 16384 rows of pixels.
    for (int i = 0; i < 150; ++i) files.bytes["p" + std::to_string(1000 + i) + ".bmp"] = MakeBmp(4, 4, unsigned(i));
    ASSERT_TRUE(WriteChain("tall", files, 1));
    const ToolResult r = View({"--sheet", "tall.wdf", "--columns", "1", "out.png"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("9 more sprites and pictures do not fit"), std::string::npos) << r.err;
    int width = 0, height = 0;
    std::vector<uint32_t> sheet;
    ASSERT_TRUE(ReadPngFile("out.png", &width, &height, &sheet));
    EXPECT_EQ(height, kGap + 141 * (kCell + kLabel + kGap));
    size_t placed = 0, omitted = 0;
    for (const LayoutLine& l : ReadLayout("out.png.layout")) {
        if (!l.failed) ++placed;
        else if (l.label == "9") ++omitted;
    }
    EXPECT_EQ(placed, 141u);
    EXPECT_EQ(omitted, 1u);
}

TEST_F(ViewSheetTest, ListTellsNameSizePartAndKindOfEveryEntry)
{
    MakeData();
    WriteData();
    const ToolResult r = View({"--list", "sheet.wdf", "--names", "names.txt"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    char hidden[64];
    std::snprintf(hidden, sizeof hidden, "0x%08x\t%zu\tsheet.wd1\tWAS\n", unsigned(MFile::Fnameid("sheet/hidden.was")),
                  files.bytes["hidden.was"].size());
    const std::string want = std::string(hidden) +                                                          //
                             "sheet/a.was\t" + std::to_string(files.bytes["a.was"].size()) + "\tsheet.wdf\tWAS\n" + //
                             "sheet/char/big.was\t" + std::to_string(files.bytes["char/big.was"].size()) +
                             "\tsheet.wd1\tWAS\n" + "sheet/notes.txt\t13\tsheet.wdf\tunknown\n" +
                             "sheet/pic.bmp\t" + std::to_string(files.bytes["pic.bmp"].size()) + "\tsheet.wdf\tBMP\n" +
                             "sheet/pic.png\t" + std::to_string(files.bytes["pic.png"].size()) + "\tsheet.wdf\tPNG\n" +
                             "sheet/pic.tga\t" + std::to_string(files.bytes["pic.tga"].size()) + "\tsheet.wd1\tTGA\n";
    EXPECT_EQ(r.out, want);
}

TEST_F(ViewSheetTest, DamagedEntriesSayWhyAndTheRestIsShown)
{
    MakeData();
    const std::string sprite = files.bytes["a.was"];
    const std::string bmp = files.bytes["pic.bmp"];
    files.bytes["cut.was"] = sprite.substr(0, sprite.size() / 2);
    files.bytes["cut.bmp"] = bmp.substr(0, 60);
    files.bytes["huge.tga"] = MakeTga(4, 4, 11).replace(12, 4, std::string("\xff\xff\xff\xff", 4));
    files.bytes["outside.was"] = sprite;
    files.bytes["junk.png"] = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, 'x');
    WriteData();
    ASSERT_TRUE(ClaimSize("sheet.wdf", "sheet/outside.was", 0x7FFFFFF0u));

    const ToolResult r = View({"--sheet", "sheet.wdf", "--names", "names.txt", "out.png"});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    std::map<std::string, std::string> failed;
    std::vector<std::string> placed;
    for (const LayoutLine& l : ReadLayout("out.png.layout")) {
        if (l.failed) failed[l.label] = l.reason;
        else placed.push_back(l.label);
    }
    // Everything of the first test is still there, and the frame of the
    // cut sprite that survived.
    EXPECT_EQ(placed.size(), 8u);
    EXPECT_EQ(std::count(placed.begin(), placed.end(), "sheet/cut.was"), 1);
    for (const char* name : {"cut.was", "cut.bmp", "huge.tga", "outside.was", "junk.png"}) {
        const std::string label = GamePath("sheet", name);
        ASSERT_EQ(failed.count(label), 1u) << label << "\n" << r.err;
        // The reason is a sentence of its own, told on standard error too.
        EXPECT_GT(failed[label].size(), 8u) << label;
        EXPECT_NE(r.err.find(label + ": "), std::string::npos) << label << "\n" << r.err;
    }
    EXPECT_NE(failed["sheet/outside.was"].find("past"), std::string::npos) << failed["sheet/outside.was"];

    // The sheet of one damaged sprite shows what is left and says why; one
    // that cannot be read at all writes nothing.
    const ToolResult cut = View({"--sheet", "sheet.wdf/cut.was", "cut.png"});
    EXPECT_EQ(cut.exitCode, 1);
    EXPECT_NE(cut.err.find("cut.was: "), std::string::npos) << cut.err;
    EXPECT_TRUE(fs::exists("cut.png"));
    const ToolResult outside = View({"--sheet", "sheet.wdf/outside.was", "outside.png"});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_NE(outside.err.find("outside.was: its bytes run past"), std::string::npos) << outside.err;
    EXPECT_FALSE(fs::exists("outside.png"));
}

} // namespace
} // namespace kes::test
