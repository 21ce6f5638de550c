// kesto-wdf pack: archives and chains that the engine itself reads back.
#include "WdfToolSupport.h"

#include <KesDataFile.h>
#include <KesFile.h>
#include <TestSupport.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;

namespace kes::test {
namespace {

struct PackCase {
    const char* name;
    std::vector<std::string> options;
    DWORD magic;
    size_t parts; // exact number of archives; 0: more than one
    uint64_t maxBytes; // limit on each archive file, 0: none
    size_t maxEntries; // limit on each archive's entries, 0: none
};

const PackCase kPackCases[] = {
    {"Plain", {}, wdf::kMagicPlain, 1, 0, 0},
    {"Scrambled", {"--scrambled"}, wdf::kMagicScrambled, 1, 0, 0},
    {"SplitBySize", {"--split-size", "50K"}, wdf::kMagicPlain, 0, 50 * 1024, 0},
    {"ScrambledSplitByCount", {"--scrambled", "--split-count", "5"}, wdf::kMagicScrambled, 3, 0, 5},
    // One file an archive: twelve archives, shape.wdf to shape.wdb, so the
    // engine's chain walk goes past position 9 and into the letters.
    {"OneFileEach", {"--split-count=1"}, wdf::kMagicPlain, 12, 0, 1},
    {"SizeAndCount", {"--split-size", "60k", "--split-count", "4"}, wdf::kMagicPlain, 0, 60 * 1024, 4},
};

// Names the cases in test listings instead of dumping their bytes.
void PrintTo(const PackCase& c, std::ostream* os)
{
    *os << c.name;
}

class WdfPack : public ::testing::TestWithParam<PackCase> { };

TEST_P(WdfPack, EngineReadsEveryFileBack)
{
    const PackCase& c = GetParam();
    ScratchDir dir;
    WriteFiles("content", SampleFiles());
    std::vector<std::string> args = {"pack", "content", "shape.wdf"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const ToolResult r = RunTool(args);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const std::vector<std::string> parts = ChainParts("shape.wdf");
    if (c.parts) {
        EXPECT_EQ(parts.size(), c.parts);
    } else {
        EXPECT_GT(parts.size(), 1u);
    }

    // Each archive on its own: the layout the engine relies on, the limits.
    std::set<DWORD> ids;
    for (const std::string& part : parts) {
        SCOPED_TRACE(part);
        const ArchiveImage image = ArchiveImage::Load(part);
        EXPECT_EQ(image.Magic(), c.magic);
        EXPECT_EQ(uint64_t(image.IndexOffset()) + image.Count() * 16, image.bytes.size());
        if (c.maxBytes) {
            EXPECT_LE(image.bytes.size(), c.maxBytes);
        }
        if (c.maxEntries) {
            EXPECT_LE(image.Count(), c.maxEntries);
        }
        EXPECT_GT(image.Count(), 0u);
        const std::vector<wdf::IndexEntry> entries = image.Entries();
        for (size_t i = 0; i < entries.size(); ++i) {
            if (i) {
                EXPECT_LT(entries[i - 1].id, entries[i].id) << "entry " << i;
            }
            EXPECT_GE(entries[i].offset, wdf::kHeaderSize);
            EXPECT_LE(uint64_t(entries[i].offset) + entries[i].size, image.IndexOffset());
            EXPECT_TRUE(ids.insert(entries[i].id).second) << "id repeated across the chain";
        }
    }
    EXPECT_EQ(ids.size(), SampleFiles().size());

    // The chain as a game sees it.
    for (const std::string& part : parts) ASSERT_EQ(MFile::OpenDataFile(part.c_str()), 1) << part;
    for (const auto& [relative, bytes] : SampleFiles()) {
        MFile f;
        ASSERT_EQ(f.Load(("shape/" + relative).c_str()), 1) << relative;
        ASSERT_EQ(f.GetSize(), bytes.size()) << relative;
        EXPECT_EQ(std::string(static_cast<char*>(f.GetPtr()), f.GetSize()), bytes) << relative;
    }
    CloseAllDataFiles();
}

INSTANTIATE_TEST_SUITE_P(Layouts, WdfPack, ::testing::ValuesIn(kPackCases),
                         [](const ::testing::TestParamInfo<PackCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(WdfPackOutput, IsTheSameOnEveryRunAndNeedsNoOriginalFolderName)
{
    // Ids come from the paths inside the folder only: a folder of another
    // name, packed again, gives the same bytes.
    ScratchDir dir;
    WriteFiles("content", SampleFiles());
    WriteFiles("other name", SampleFiles());
    ASSERT_EQ(RunTool({"pack", "content", "a.wdf", "--scrambled"}).exitCode, 0);
    ASSERT_EQ(RunTool({"pack", "other name/", "b.wdf", "--scrambled"}).exitCode, 0);
    EXPECT_EQ(ReadWhole("a.wdf"), ReadWhole("b.wdf"));
}

struct RefusedPack {
    const char* name;
    FileSet files; // below "content"
    std::vector<std::string> args;
    const char* message;
    const char* target = "shape.wdf";
};

std::string LongPath()
{
    return std::string(150, 'a') + "/" + std::string(150, 'b') + ".was";
}

TEST(WdfPackRefuses, BadInputWithAMessageAndLeavesEarlierArchivesAlone)
{
    const FileSet sixteen = [] {
        FileSet files;
        for (int i = 0; i < 16; ++i) files.emplace_back("f" + std::to_string(i) + ".bin", "x");
        return files;
    }();
    const RefusedPack cases[] = {
        {"paths that differ only in case", {{"char/A.was", "1"}, {"char/a.was", "2"}}, {}, "share the id"},
        {"folder separators of both kinds", {{"a/b.was", "1"}, {"a\\b.was", "2"}}, {}, "share the id"},
        {"a path too long for the engine", {{LongPath(), "1"}}, {}, "too long"},
        {"more than fifteen archives", sixteen, {"--split-count", "1"}, "15"},
        {"a file larger than a part", {{"big.bin", Bytes(3000, 1)}}, {"--split-size", "2K"}, "does not fit"},
        {"a chain not named .wdf", {{"a.bin", "1"}}, {"--split-count", "1"}, ".wdf", "shape.dat"},
        {"the archive inside the folder", {{"a.bin", "1"}}, {}, "outside the folder", "content/shape.wdf"},
        {"no such folder", {}, {}, "not a folder"},
    };
    for (const RefusedPack& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        WriteFiles("content", c.files); // no files: no folder
        // An archive from an earlier pack, which a failed pack must not spoil.
        WriteFiles(".", {{"shape.wdf", "earlier"}});
        std::vector<std::string> args = {"pack", "content", c.target};
        args.insert(args.end(), c.args.begin(), c.args.end());

        const std::vector<std::string> before = ListTree();
        const ToolResult r = RunTool(args);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ListTree(), before) << "a refused pack left files behind";
        EXPECT_EQ(ReadWhole("shape.wdf"), "earlier");
    }
}

TEST(WdfPackRefuses, NamesEveryFileOfACollision)
{
    ScratchDir dir;
    WriteFiles("content", {{"Char/Hero.was", "1"}, {"char/hero.WAS", "2"}, {"ok.was", "3"}});
    const ToolResult r = RunTool({"pack", "content", "shape.wdf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Char/Hero.was"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("char/hero.WAS"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("shape.wdf"));
}

TEST(WdfPackProgress, ReportsLongPacksOnStandardErrorOnly)
{
    ScratchDir dir;
    FileSet many;
    for (int i = 0; i < 1200; ++i)
        many.emplace_back("sprites/" + std::to_string(i) + ".was", Bytes(i % 7, unsigned(i)));
    WriteFiles("many", many);
    WriteFiles("few", {{"a.was", "1"}});

    const ToolResult longPack = RunTool({"pack", "many", "many.wdf"});
    ASSERT_EQ(longPack.exitCode, 0) << longPack.err;
    EXPECT_NE(longPack.err.find("500/1200"), std::string::npos) << longPack.err;
    EXPECT_NE(longPack.err.find("1000/1200"), std::string::npos) << longPack.err;
    EXPECT_EQ(longPack.out.find("packing"), std::string::npos);

    const ToolResult shortPack = RunTool({"pack", "few", "few.wdf"});
    ASSERT_EQ(shortPack.exitCode, 0);
    EXPECT_EQ(shortPack.err, "");
}

// A game loads gfx/bg.jpg from gfx.wdf: list prints the names a game passes
// to the loaders, and the engine is asked to load each one. Packing the
// folder above gfx/ doubles the folder in every name; pack says so.
TEST(WdfPackFolderLevel, ListShowsTheNamesAGameLoadsAndPackWarnsOfADoubledFolder)
{
    struct Case {
        const char* name;
        FileSet files; // below "content"; the first is looked for
        const char* archive;
        const char* listed; // the name list prints for the first file
        bool loads;         // a game finds the first file by that name
        const char* warning; // nullptr: none
    };
    const Case cases[] = {
        {"the folder's own files", {{"bg.jpg", "1"}, {"ui/x.tga", "2"}}, "gfx.wdf", "gfx/bg.jpg", true, nullptr},
        {"one folder named like the archive", {{"gfx/bg.jpg", "1"}, {"gfx/ui/x.tga", "2"}}, "gfx.wdf",
         "gfx/gfx/bg.jpg", true,
         "content holds only the folder gfx, so a game would load its files as gfx/gfx/bg.jpg; to load them as "
         "gfx/bg.jpg, pack content/gfx instead"},
        {"named like it in another case", {{"GFX/bg.jpg", "1"}}, "Gfx.WDF", "Gfx/GFX/bg.jpg", true,
         "to load them as Gfx/bg.jpg, pack content/GFX instead"},
        {"that folder and a file beside it", {{"gfx/bg.jpg", "1"}, {"readme.txt", "2"}}, "gfx.wdf",
         "gfx/gfx/bg.jpg", true, nullptr},
        {"two folders", {{"gfx/bg.jpg", "1"}, {"ui/x.tga", "2"}}, "gfx.wdf", "gfx/gfx/bg.jpg", true, nullptr},
        {"one folder named otherwise", {{"art/bg.jpg", "1"}}, "gfx.wdf", "gfx/art/bg.jpg", true, nullptr},
        // No game path leads to an archive of this name: the paths inside it.
        {"an archive no game reaches by name", {{"gfx/bg.jpg", "1"}}, "gfx.dat", "gfx/bg.jpg", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        WriteFiles("content", c.files);
        const ToolResult packed = RunTool({"pack", "content", c.archive});
        ASSERT_EQ(packed.exitCode, 0) << packed.err;
        if (c.warning) {
            EXPECT_NE(packed.err.find(c.warning), std::string::npos) << packed.err;
        } else {
            EXPECT_EQ(packed.err, "");
        }

        const ToolResult listed = RunTool({"list", c.archive, "--names", "content"});
        ASSERT_EQ(listed.exitCode, 0) << listed.err;
        const std::string line = Hex(IdOf(c.files[0].first)) + "  ";
        const size_t at = listed.out.find(line);
        ASSERT_NE(at, std::string::npos) << listed.out;
        const std::string rest = listed.out.substr(at, listed.out.find('\n', at) - at);
        EXPECT_EQ(rest.substr(rest.rfind(' ') + 1), c.listed) << listed.out;

        ASSERT_EQ(MFile::OpenDataFile(c.archive), 1);
        MFile f;
        EXPECT_EQ(f.Load(c.listed, 0), c.loads ? 1 : 0);
        if (c.loads) {
            EXPECT_EQ(std::string(static_cast<char*>(f.GetPtr(0)), f.GetSize()), c.files[0].second);
        }
        CloseAllDataFiles();
    }
}

// A part of an earlier, longer chain would still be searched by a game and
// repeat ids of the new one: a pack that would leave it behind fails, and
// --remove-stale removes such parts, and nothing else.
TEST(WdfPackChain, PartsLeftFromALongerChainAreRefusedOrRemoved)
{
    struct Case {
        const char* name;
        std::vector<std::string> options;
        int exitCode;
        const char* message;
        std::vector<std::string> partsAfter; // the chain's files afterwards
    };
    const std::vector<std::string> before = {"shape.wd1", "shape.wd2", "shape.wd5", "shape.wdf"};
    const Case cases[] = {
        {"a shorter chain", {"--split-count", "6", "--force"}, 1,
         "error: shape.wd2 and shape.wd5 are left from an earlier pack and not part of this chain: a game would "
         "still search them and verify would fail; remove them, or give --remove-stale",
         before},
        {"a single archive", {"--force"}, 1, "shape.wd1, shape.wd2 and shape.wd5 are left", before},
        {"a shorter chain, removing", {"--split-count", "6", "--force", "--remove-stale"}, 0,
         "removed shape.wd2 and shape.wd5, left from an earlier pack", {"shape.wd1", "shape.wdf"}},
        {"a single archive, removing", {"--force", "--remove-stale"}, 0,
         "removed shape.wd1, shape.wd2 and shape.wd5", {"shape.wdf"}},
        {"removing, but not replacing", {"--remove-stale"}, 1, "shape.wdf exists; give --force", before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        WriteFiles("content", SampleFiles());
        ASSERT_EQ(RunTool({"pack", "content", "shape.wdf", "--split-count", "4"}).exitCode, 0);
        // A part past a gap, which verify also refuses, and what lies beside
        // the chain without being part of it.
        fs::copy_file("shape.wd2", "shape.wd5");
        WriteFiles(".", {{"other.wd2", "another chain"}, {"shape.txt", "notes"}});
        std::map<std::string, std::string> earlier;
        for (const std::string& part : before) earlier[part] = ReadWhole(part);

        std::vector<std::string> args = {"pack", "content", "shape.wdf"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const ToolResult r = RunTool(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;

        std::vector<std::string> parts;
        for (const std::string& name : ListTree())
            if (name.rfind("shape.wd", 0) == 0) parts.push_back(name);
        EXPECT_EQ(parts, c.partsAfter);
        EXPECT_EQ(ReadWhole("other.wd2"), "another chain");
        EXPECT_EQ(ReadWhole("shape.txt"), "notes");
        if (c.exitCode) {
            for (const auto& [part, bytes] : earlier) EXPECT_EQ(ReadWhole(part), bytes) << part;
        } else {
            const ToolResult verify = RunTool({"verify", "shape.wdf"});
            EXPECT_EQ(verify.exitCode, 0) << verify.err;
        }
    }
}

} // namespace
} // namespace kes::test
