// kesto-wdf given the first archive of a chain: list, extract and verify act
// on every part a game would search, and say which part holds what.
#include "WdfToolSupport.h"

#include <TestSupport.h>
#include <WdfWriter.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace kes::test {
namespace {

using Holders = std::map<std::string, std::string>; // id as list prints it -> archive file

// Which archive file each entry line of `list` stands under.
Holders ListedHolders(const std::string& out)
{
    Holders holders;
    std::istringstream lines(out);
    std::string line, part;
    while (std::getline(lines, line)) {
        if (line.find(": magic ") != std::string::npos) part = line.substr(0, line.find(": magic "));
        if (line.compare(0, 2, "0x") == 0) holders[line.substr(0, 10)] = part;
    }
    return holders;
}

// The same read from the archives' own bytes.
Holders StoredHolders(const std::vector<std::string>& parts)
{
    Holders holders;
    for (const std::string& part : parts)
        for (const wdf::IndexEntry& e : ArchiveImage::Load(part).Entries()) holders[Hex(e.id)] = part;
    return holders;
}

const std::vector<std::string> kParts = {"shape.wdf", "shape.wd1", "shape.wd2"};

class WdfChain : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Twelve files, five an archive: three parts.
        WriteFiles("content", SampleFiles());
        const ToolResult r = RunTool({"pack", "content", "shape.wdf", "--split-count", "5"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        ASSERT_EQ(ChainParts("shape.wdf"), kParts);
    }

    ScratchDir m_dir;
};

TEST_F(WdfChain, ListShowsEveryPartAndTheEntriesEachHolds)
{
    const ToolResult r = RunTool({"list", "shape.wdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Holders listed = ListedHolders(r.out);
    EXPECT_EQ(listed.size(), SampleFiles().size()) << r.out;
    EXPECT_EQ(listed, StoredHolders(kParts)) << r.out;
    EXPECT_NE(r.out.find("shape.wdf: a chain of 3 archives, 12 entries"), std::string::npos) << r.out;

    // A later part, or a name that does not end in .wdf, is an archive on its own.
    fs::copy_file("shape.wdf", "copy.dat");
    for (const std::string alone : {"shape.wd1", "copy.dat"}) {
        SCOPED_TRACE(alone);
        const ToolResult one = RunTool({"list", alone});
        ASSERT_EQ(one.exitCode, 0) << one.err;
        const std::string stored = alone == "shape.wd1" ? "shape.wd1" : "shape.wdf";
        Holders expected;
        for (const auto& [id, part] : StoredHolders({stored})) expected[id] = alone;
        EXPECT_EQ(ListedHolders(one.out), expected) << one.out;
        EXPECT_EQ(one.out.find("chain"), std::string::npos) << one.out;
    }
}

TEST_F(WdfChain, ExtractTakesEveryPartAndNamesThePartOfADamagedEntry)
{
    const ToolResult all = RunTool({"extract", "shape.wdf", "-o", "out", "--names", "content"});
    ASSERT_EQ(all.exitCode, 0) << all.err;
    EXPECT_EQ(ReadFiles("out"), ReadFiles("content"));

    // One file of the last part, asked for by its game path.
    const Holders stored = StoredHolders(kParts);
    for (const auto& [relative, bytes] : SampleFiles()) {
        if (stored.at(Hex(IdOf(relative))) != "shape.wd2") continue;
        const ToolResult one = RunTool({"extract", "shape.wdf", "shape/" + relative, "-o", "one"});
        ASSERT_EQ(one.exitCode, 0) << one.err;
        EXPECT_EQ(ReadFiles("one"), (FileSet{{relative, bytes}}));
        break;
    }

    // An entry of the middle part that runs past its end: the others are
    // still extracted, and the message says where the bad one lies.
    ArchiveImage middle = ArchiveImage::Load("shape.wd1");
    std::vector<wdf::IndexEntry> entries = middle.Entries();
    entries[0].size += 100000;
    middle.SetEntries(entries);
    middle.Save("shape.wd1");
    const ToolResult damaged = RunTool({"extract", "shape.wdf", "-o", "ids"});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_NE(damaged.err.find(Hex(entries[0].id) + " of shape.wd1"), std::string::npos) << damaged.err;
    EXPECT_EQ(ReadFiles("ids").size(), SampleFiles().size() - 1);
}

TEST_F(WdfChain, VerifyChecksEveryPartAndWhatLiesBetweenThem)
{
    ToolResult r = RunTool({"verify", "shape.wdf"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& part : kParts)
        EXPECT_NE(r.out.find(part + ": valid (magic PFDW, "), std::string::npos) << r.out;

    std::map<std::string, std::string> original;
    for (const std::string& part : kParts) original[part] = ReadWhole(part);
    const Holders stored = StoredHolders(kParts);
    const std::string& hero = SampleFiles()[0].first; // held by one of the first two parts
    const std::string heroPart = stored.at(Hex(IdOf(hero)));
    ASSERT_NE(heroPart, "shape.wd2");

    struct Case {
        const char* name;
        std::function<void()> damage;
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"an entry of the last part past its end",
         [] {
             ArchiveImage last = ArchiveImage::Load("shape.wd2");
             std::vector<wdf::IndexEntry> e = last.Entries();
             e[0].size += 100000;
             last.SetEntries(e);
             last.Save("shape.wd2");
         },
         {"shape.wd2: entry 0", "past the end of the file"}},
        {"an id held by two parts",
         [&] {
             wdf::ArchiveWriter writer;
             writer.AddNamed("shape/" + hero, "again");
             writer.AddNamed("shape/only-here.was", "x");
             std::string error;
             ASSERT_TRUE(writer.Write("shape.wd2", &error)) << error;
         },
         {"is held by both " + heroPart + " and shape.wd2"}},
        {"a missing middle part", [] { fs::remove("shape.wd1"); }, {"shape.wd2 lies past a missing part"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [part, bytes] : original) WriteFiles(".", {{part, bytes}});
        c.damage();
        r = RunTool({"verify", "shape.wdf"});
        EXPECT_EQ(r.exitCode, 1);
        for (const std::string& m : c.messages) EXPECT_NE(r.err.find(m), std::string::npos) << m << "\n" << r.err;
    }

    // Past a gap nothing is listed or extracted: a game would not find it.
    for (const auto& [part, bytes] : original) WriteFiles(".", {{part, bytes}});
    fs::remove("shape.wd1");
    const ToolResult list = RunTool({"list", "shape.wdf"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(ListedHolders(list.out), StoredHolders({"shape.wdf"})) << list.out;
    EXPECT_NE(list.err.find("shape.wd2 is not listed"), std::string::npos) << list.err;
    const ToolResult extract = RunTool({"extract", "shape.wdf", "-o", "gap"});
    EXPECT_EQ(extract.exitCode, 0) << extract.err;
    EXPECT_NE(extract.err.find("shape.wd2 is not extracted"), std::string::npos) << extract.err;
    EXPECT_EQ(ReadFiles("gap").size(), StoredHolders({"shape.wdf"}).size());
}

TEST(WdfChainNames, PartsFollowTheLetterCaseOfTheFirst)
{
    // A game finds SHAPE.WD1 in the chain of SHAPE.WDF; so must the tool, on a
    // disk where case matters.
    ScratchDir dir;
    WriteFiles("content", SampleFiles());
    ASSERT_EQ(RunTool({"pack", "content", "SHAPE.WDF", "--split-count", "6"}).exitCode, 0);
    EXPECT_TRUE(fs::exists("SHAPE.WD1"));
    const ToolResult r = RunTool({"list", "SHAPE.WDF"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ListedHolders(r.out), StoredHolders({"SHAPE.WDF", "SHAPE.WD1"})) << r.out;
}

} // namespace
} // namespace kes::test
