// kesto-wdf list and extract: what an archive holds, and getting it out.
#include "WdfToolSupport.h"

#include <KesDataFile.h>
#include <KesFile.h>
#include <WdfWriter.h>
#include <TestSupport.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace kes::test {
namespace {

struct ListedEntry {
    DWORD offset;
    DWORD size;
    std::string name;
};

// The entry lines of `list`, by id: "0x1234abcd  offset  size  name".
std::map<std::string, ListedEntry> ParseListing(const std::string& out)
{
    std::map<std::string, ListedEntry> entries;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.compare(0, 2, "0x") != 0) continue;
        std::istringstream fields(line);
        std::string id;
        ListedEntry e;
        fields >> id >> e.offset >> e.size;
        std::getline(fields >> std::ws, e.name);
        entries[id] = e;
    }
    return entries;
}

class WdfListExtract : public ::testing::Test {
protected:
    void SetUp() override
    {
        WriteFiles("content", SampleFiles());
        const ToolResult r = RunTool({"pack", "content", "shape.wdf", "--scrambled"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }

    ScratchDir m_dir;
};

TEST_F(WdfListExtract, ListShowsHeaderAndWhereEachFileLies)
{
    const ToolResult r = RunTool({"list", "shape.wdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("XFDW"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(std::to_string(SampleFiles().size()) + " entries"), std::string::npos) << r.out;

    // Offsets and sizes are checked against the archive's bytes.
    const std::string archive = ReadWhole("shape.wdf");
    const std::map<std::string, ListedEntry> listed = ParseListing(r.out);
    EXPECT_EQ(listed.size(), SampleFiles().size());
    for (const auto& [relative, bytes] : SampleFiles()) {
        SCOPED_TRACE(relative);
        const auto it = listed.find(Hex(IdOf(relative)));
        ASSERT_NE(it, listed.end()) << r.out;
        EXPECT_EQ(it->second.size, bytes.size());
        EXPECT_EQ(archive.substr(it->second.offset, it->second.size), bytes);
        EXPECT_EQ(it->second.name, "") << "no names were given";
    }
}

TEST_F(WdfListExtract, ListNamesEntriesFromAFolderOrAListOfGamePaths)
{
    // From the folder that was packed: every entry gets the name a game
    // loads it by, the archive's folder and the relative path.
    const ToolResult fromFolder = RunTool({"list", "shape.wdf", "--names", "content"});
    ASSERT_EQ(fromFolder.exitCode, 0) << fromFolder.err;
    const std::map<std::string, ListedEntry> byFolder = ParseListing(fromFolder.out);
    for (const auto& [relative, bytes] : SampleFiles())
        EXPECT_EQ(byFolder.at(Hex(IdOf(relative))).name, "shape/" + relative);

    // From game paths, hashed as a game loading them would: any case, either
    // slash, Windows line ends. Lines that name nothing in the archive, or
    // nothing at all, are passed over, and so are those a game looks for in
    // another archive.
    WriteFiles(".",
               {{"names.txt",
                 "SHAPE/char/0001.WAS\r\n"
                 "shape/Map\\Town\\1001.map\n"
                 "Shape\\music\\THEME.mp3\n"
                 "\n"
                 "shape/char/9999.was\n"
                 "no-slash.was\n"
                 "other/ui/button.tga\n"}});
    const ToolResult fromList = RunTool({"list", "shape.wdf", "--names=names.txt"});
    ASSERT_EQ(fromList.exitCode, 0) << fromList.err;
    EXPECT_NE(fromList.err.find("warning: names.txt: 1 line names no archived file"), std::string::npos)
        << fromList.err;
    EXPECT_NE(fromList.err.find("names.txt: 1 line names a file that a game looks for in other archives"),
              std::string::npos)
        << fromList.err;
    const std::map<std::string, ListedEntry> byList = ParseListing(fromList.out);
    EXPECT_EQ(byList.at(Hex(IdOf("char/0001.was"))).name, "shape/char/0001.WAS");
    EXPECT_EQ(byList.at(Hex(IdOf("Map/Town/1001.map"))).name, "shape/Map/Town/1001.map");
    EXPECT_EQ(byList.at(Hex(IdOf("music/theme.mp3"))).name, "shape/music/THEME.mp3");
    EXPECT_EQ(byList.at(Hex(IdOf("ui/Button.TGA"))).name, "");
    EXPECT_EQ(byList.at(Hex(IdOf("readme.txt"))).name, "");
}

// A name finds an entry in the tool exactly when it finds it in the engine:
// the engine itself is asked about every spelling.
TEST_F(WdfListExtract, GamePathsNameWhatTheEngineLoads)
{
    const std::string& hero = SampleFiles()[0].second; // char/0001.was
    const struct {
        const char* path;
        bool found;
    } cases[] = {
        {"shape/char/0001.was", true},
        {"SHAPE\\CHAR\\0001.WAS", true},
        {"Shape/Char\\0001.Was", true},
        {"shape\\char/0001.was", false}, // the first '/' decides: 0001.was
        {"shape//char/0001.was", false},
        {"other/char/0001.was", false}, // a game looks in other.wdf
        {"other\\char\\0001.was", false},
        {"shape.wdf/char/0001.was", false},
    };
    ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        MFile f;
        EXPECT_EQ(f.Load(c.path, 0), c.found ? 1 : 0) << "the engine";

        fs::remove_all("out");
        const ToolResult extracted = RunTool({"extract", "shape.wdf", c.path, "-o", "out"});
        EXPECT_EQ(extracted.exitCode, c.found ? 0 : 1) << extracted.err;
        if (c.found) {
            ASSERT_EQ(ReadFiles("out").size(), 1u);
            EXPECT_EQ(ReadFiles("out")[0].second, hero);
        } else {
            EXPECT_NE(extracted.err.find(std::string(c.path) + ": not in shape.wdf"), std::string::npos)
                << extracted.err;
        }

        WriteFiles(".", {{"names.txt", std::string(c.path) + "\n"}});
        const ToolResult listed = RunTool({"list", "shape.wdf", "--names", "names.txt"});
        ASSERT_EQ(listed.exitCode, 0) << listed.err;
        EXPECT_EQ(ParseListing(listed.out).at(Hex(IdOf("char/0001.was"))).name.empty(), !c.found) << listed.out;
        EXPECT_EQ(listed.err.find("warning"), std::string::npos) << listed.err;
    }
    CloseAllDataFiles();
}

TEST_F(WdfListExtract, ExtractingWithNamesRebuildsTheFolderAndTheArchive)
{
    const ToolResult r = RunTool({"extract", "shape.wdf", "-o", "out", "--names", "content"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFiles("out"), ReadFiles("content"));

    // Packing what came out gives the archive back, byte for byte.
    ASSERT_EQ(RunTool({"pack", "out", "again.wdf", "--scrambled"}).exitCode, 0);
    EXPECT_EQ(ReadWhole("again.wdf"), ReadWhole("shape.wdf"));
}

TEST_F(WdfListExtract, ExtractingWithoutNamesWritesEveryEntryUnderItsId)
{
    const ToolResult r = RunTool({"extract", "shape.wdf", "--output", "ids"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    FileSet expected;
    for (const auto& [relative, bytes] : SampleFiles())
        expected.emplace_back(Hex(IdOf(relative)) + ".bin", bytes);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ReadFiles("ids"), expected);
}

// A mod without names: what extract writes as <0xID>.bin, pack stores under
// that id again, so nothing is lost on the way round.
TEST_F(WdfListExtract, ExtractedIdsPackBackUnderTheSameIds)
{
    ASSERT_EQ(RunTool({"extract", "shape.wdf", "-o", "ids"}).exitCode, 0);
    const ToolResult packed = RunTool({"pack", "ids", "mod.wdf"});
    ASSERT_EQ(packed.exitCode, 0) << packed.err;
    ASSERT_EQ(RunTool({"extract", "mod.wdf", "-o", "again"}).exitCode, 0);
    EXPECT_EQ(ReadFiles("again"), ReadFiles("ids"));
    // And the engine finds every file of the mod under its game path.
    ASSERT_EQ(MFile::OpenDataFile("mod.wdf"), 1);
    for (const auto& [relative, bytes] : SampleFiles()) {
        MFile f;
        ASSERT_EQ(f.Load(("mod/" + relative).c_str(), 0), 1) << relative;
        EXPECT_EQ(std::string(static_cast<char*>(f.GetPtr(0)), f.GetSize()), bytes) << relative;
    }
    CloseAllDataFiles();

    // Extract writes such names only at the top of its folder: deeper down,
    // a file named like one is an ordinary file, stored under its path's id.
    WriteFiles("nested", {{"sub/0x00000001.bin", "x"}});
    ASSERT_EQ(RunTool({"pack", "nested", "nested.wdf"}).exitCode, 0);
    const std::vector<wdf::IndexEntry> entries = ArchiveImage::Load("nested.wdf").Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].id, IdOf("sub/0x00000001.bin"));
}

// Nothing a modder made is replaced without --force: an archive, or an
// extracted file that differs from the archive's (an identical one is fine).
TEST_F(WdfListExtract, NothingIsOverwrittenWithoutForce)
{
    const std::string before = ReadWhole("shape.wdf");
    ToolResult r = RunTool({"pack", "content", "shape.wdf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("shape.wdf exists; give --force"), std::string::npos) << r.err;
    EXPECT_EQ(ReadWhole("shape.wdf"), before);
    r = RunTool({"pack", "content", "shape.wdf", "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(ReadWhole("shape.wdf"), before) << "plain now, scrambled before";

    ASSERT_EQ(RunTool({"extract", "shape.wdf", "-o", "out", "--names", "content"}).exitCode, 0);
    // Again over identical files: nothing to refuse.
    r = RunTool({"extract", "shape.wdf", "-o", "out", "--names", "content"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const auto first = SampleFiles().front();
    WriteFiles("out", {{first.first, "edited by hand"}});
    const std::string removed = SampleFiles().back().first;
    fs::remove("out/" + removed);
    r = RunTool({"extract", "shape.wdf", "-o", "out", "--names", "content"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("out/" + first.first + " exists and differs"), std::string::npos) << r.err;
    EXPECT_EQ(ReadWhole("out/" + first.first), "edited by hand");
    EXPECT_FALSE(fs::exists("out/" + removed)) << "a refused extract writes nothing";
    r = RunTool({"extract", "shape.wdf", "-o", "out", "--names", "content", "--force"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFiles("out"), ReadFiles("content"));

    // A later part of the chain a pack would write counts as much as the first.
    fs::remove("shape.wdf");
    WriteFiles(".", {{"shape.wd1", "a part of a modder's chain"}});
    r = RunTool({"pack", "content", "shape.wdf", "--split-count", "6"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("shape.wd1 exists; give --force"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("shape.wdf"));
    EXPECT_EQ(ReadWhole("shape.wd1"), "a part of a modder's chain");
}

TEST_F(WdfListExtract, ReportsLongExtractsOnStandardErrorOnly)
{
    FileSet many;
    for (int i = 0; i < 1200; ++i) many.emplace_back(std::to_string(i) + ".was", Bytes(i % 7, unsigned(i)));
    WriteFiles("many", many);
    ASSERT_EQ(RunTool({"pack", "many", "many.wdf"}).exitCode, 0);

    const ToolResult r = RunTool({"extract", "many.wdf", "-o", "out"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("extracting: 500/1200"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("extracting: 1000/1200"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("extracting"), std::string::npos);
    EXPECT_EQ(ReadFiles("out").size(), 1200u);

    // A short one says only what it did, in English.
    const ToolResult one = RunTool({"extract", "many.wdf", "-o", "one", "0.was"});
    ASSERT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.err, "kesto-wdf: extracted 1 entry from many.wdf to one\n");
}

TEST_F(WdfListExtract, ExtractsChosenFilesByGamePathArchivePathOrId)
{
    const std::string& hero = SampleFiles()[0].second; // char/0001.was
    const std::string& town = SampleFiles()[3].second; // Map/Town/1001.map
    const std::string& button = SampleFiles()[9].second; // ui/Button.TGA
    struct Case {
        const char* name;
        std::vector<std::string> args;
        FileSet written;
    };
    const Case cases[] = {
        {"game path, any case", {"Shape/Char/0001.WAS"}, {{"Char/0001.WAS", hero}}},
        {"path inside the archive", {"map\\town\\1001.MAP"}, {{"map/town/1001.MAP", town}}},
        {"id", {Hex(IdOf("ui/Button.TGA"))}, {{Hex(IdOf("ui/Button.TGA")) + ".bin", button}}},
        {"id, upper case, with names",
         {"0X" + Hex(IdOf("ui/Button.TGA")).substr(2), "--names", "content"},
         {{"ui/Button.TGA", button}}},
        {"several",
         {"shape/char/0001.was", "Map/Town/1001.map"},
         {{"Map/Town/1001.map", town}, {"char/0001.was", hero}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all("out");
        std::vector<std::string> args = {"extract", "shape.wdf", "-o", "out"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolResult r = RunTool(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ReadFiles("out"), c.written);
    }
}

// An extract that cannot do all it was asked leaves no folder and no file
// behind, however deep the output folder it would have made.
TEST_F(WdfListExtract, ARefusedExtractLeavesNothingBehind)
{
    // An archive whose only entry runs past its end, and one that is not
    // an archive at all.
    wdf::ArchiveWriter writer;
    writer.AddNamed("cut/a.was", Bytes(1000, 1));
    std::string error;
    ASSERT_TRUE(writer.Write("cut.wdf", &error)) << error;
    WriteFiles(".", {{"cut.wdf", ReadWhole("cut.wdf").substr(0, 500) + std::string(28, '\0')}});
    ArchiveImage cut = ArchiveImage::Load("cut.wdf");
    cut.SetWord(8, 512);
    cut.SetEntries({{MFile::Fnameid("cut/a.was"), 12, 1000, 0}});
    cut.Save("cut.wdf");
    WriteFiles(".", {{"junk.wdf", "not an archive"}});
    // A file a modder edited, where an extract of everything would write.
    WriteFiles("edited", {{"char/0001.was", "edited by hand"}});

    struct Case {
        const char* name;
        std::vector<std::string> args;
        std::vector<const char*> messages;
        const char* output = "new/deeper/out";
    };
    const Case cases[] = {
        {"names not in the archive",
         {"shape.wdf", "shape/char/0001.was", "shape/char/9999.was", "0x12345678", "0xZZ"},
         {"shape/char/9999.was: not in shape.wdf", "0x12345678: not in shape.wdf", "0xZZ: not in shape.wdf",
          "nothing was extracted"}},
        {"a file that differs, without --force",
         {"shape.wdf", "--names", "content"},
         {"edited/char/0001.was exists and differs", "nothing was extracted"},
         "edited"},
        {"an archive that is not one", {"junk.wdf"}, {"junk.wdf"}},
        {"an entry past the archive's end", {"cut.wdf"}, {"not extracted"}},
        {"the same, asked for by name", {"cut.wdf", "cut/a.was"}, {"not extracted"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = {"extract", "-o", c.output};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const std::vector<std::string> before = ListTree();
        const ToolResult r = RunTool(args);
        EXPECT_EQ(r.exitCode, 1);
        for (const char* m : c.messages) EXPECT_NE(r.err.find(m), std::string::npos) << m << "\n" << r.err;
        EXPECT_EQ(ListTree(), before) << r.err;
    }
    EXPECT_EQ(ReadWhole("edited/char/0001.was"), "edited by hand");
}

TEST_F(WdfListExtract, NamesThatWouldLeaveTheOutputFolderAreNotFollowed)
{
    // A list from elsewhere may hold names such as these; they hash to ids
    // like any others.
    const std::string absolute = m_dir.Path() + "/absolute.bin";
    const std::string escaping[] = {"../escaped.bin", "a/../../escaped.bin", absolute};
    FileSet files;
    std::string names;
    for (size_t i = 0; i < 3; ++i) {
        files.emplace_back("f" + std::to_string(i), "evil" + std::to_string(i));
        names += "evil/" + escaping[i] + "\n";
    }
    WriteFiles(".", {{"names.txt", names}});
    // Build the archive with those ids directly: no folder can hold such paths.
    wdf::ArchiveWriter writer;
    for (size_t i = 0; i < 3; ++i) writer.AddNamed("evil/" + escaping[i], files[i].second);
    std::string error;
    ASSERT_TRUE(writer.Write("evil.wdf", &error)) << error;

    fs::create_directories("deep/inside");
    fs::current_path("deep/inside");
    const ToolResult r = RunTool({"extract", "../../evil.wdf", "-o", "out", "--names", "../../names.txt"});
    fs::current_path("../..");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("output folder"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("deep/escaped.bin"));
    EXPECT_FALSE(fs::exists("deep/inside/escaped.bin"));
    EXPECT_FALSE(fs::exists(absolute));
    EXPECT_EQ(ReadFiles("deep/inside/out").size(), 3u);
}

TEST_F(WdfListExtract, TwoEntriesForOnePathAreAnError)
{
    // An entry without a name goes to 0x00000001.bin; a list may give
    // another entry that very name. The second is not written over the first.
    wdf::ArchiveWriter writer;
    writer.Add(1, "unnamed");
    writer.AddNamed("clash/0x00000001.bin", "named");
    std::string error;
    ASSERT_TRUE(writer.Write("clash.wdf", &error)) << error;
    WriteFiles(".", {{"names.txt", "clash/0x00000001.bin\n"}});
    const ToolResult r = RunTool({"extract", "clash.wdf", "-o", "out", "--names", "names.txt"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("0x00000001.bin is named by two entries"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFiles("out"), (FileSet{{"0x00000001.bin", "unnamed"}}));
}

} // namespace
} // namespace kes::test
