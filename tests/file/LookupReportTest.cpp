// A name that MFile cannot read says why once, whether the game loads it or
// streams it and however many frames it tries: no loose file and which
// archives of its chain were searched, the part of the chain that is
// missing, or the damaged entry that holds it.
#include <KesDataFile.h>
#include <KesFile.h>

#include "LogCapture.h"
#include "TestSupport.h"
#include "WdfWriter.h"

#include <gtest/gtest.h>

#include <string>

namespace kes::test {
namespace {

class LookupReport : public ::testing::Test {
protected:
    void SetUp() override { kes::CloseAllDataFiles(); }
    void TearDown() override { kes::CloseAllDataFiles(); }

    // Packs (game path, bytes) pairs into `file` and registers it.
    static void Register(const std::string& file, std::initializer_list<std::pair<std::string, std::string>> files)
    {
        kes::wdf::ArchiveWriter w;
        for (const auto& f : files) w.AddNamed(f.first, f.second);
        std::string error;
        ASSERT_TRUE(w.Write(file, &error)) << error;
        ASSERT_EQ(MFile::OpenDataFile(file.c_str()), 1);
    }

    // What a game does with a name it keeps asking for: a load and a stream
    // each frame. Both fail, and the buffer loaded before stays.
    static void AskEveryFrame(const char* name)
    {
        MFile file;
        ASSERT_TRUE(file.Load("kept.txt", 0));
        for (int frame = 0; frame < 3; ++frame) {
            EXPECT_EQ(file.Load(name, 0), 0) << name;
            EXPECT_EQ(MFile().Open(name), 0) << name;
        }
        EXPECT_EQ(std::string(static_cast<char*>(file.GetPtr(0))), "kept");
    }

    ScratchDir m_dir;
};

TEST_F(LookupReport, ANameFoundNowhereSaysWhereItWasLookedForOnce)
{
    m_dir.Write("kept.txt", "kept");
    Register("Chain.wdf", {{"chain/a.was", "a"}});
    Register("Chain.wd1", {{"chain/b.was", "b"}});
    Register("gap.wdf", {{"gap/a.was", "a"}});
    // Without gap.wd1 the chain never reaches gap.wd2.
    Register("gap.wd2", {{"gap/only-in-two.was", "2"}});

    const struct {
        const char* name;
        const char* line;
    } cases[] = {
        {"lonely.txt", "lonely.txt: not found: no such loose file, and a name without a folder part (or too long a "
                       "one) is looked for in no archive"},
        {"nowhere/a.was", "nowhere/a.was: not found: no such loose file, and nowhere.wdf is not registered"},
        // The archives are named after the folder part as the game wrote it.
        {"CHAIN/missing.was", "CHAIN/missing.was: not found: no such loose file, nor is it in CHAIN.wdf, CHAIN.wd1"},
        {"gap/only-in-two.was", "gap/only-in-two.was: not found: no such loose file, nor is it in gap.wdf; gap.wd2 is "
                                "registered but out of reach while gap.wd1 is not"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AskEveryFrame(c.name);
        EXPECT_EQ(log.Count(c.name), 1u) << log.All();
        EXPECT_EQ(log.Only(c.name), c.line) << log.All();
    }
    // What is found says nothing.
    log.Clear();
    MFile file;
    EXPECT_EQ(file.Load("chain/b.was", 0), 1);
    EXPECT_EQ(file.Load("kept.txt", 0), 1);
    EXPECT_EQ(log.Lines().size(), 0u) << log.All();
}

// An entry whose bytes leave the archive is never read; the line says which
// archive holds it and where it points.
TEST_F(LookupReport, ADamagedEntrySaysWhereItPoints)
{
    m_dir.Write("kept.txt", "kept");
    kes::wdf::ArchiveWriter w;
    w.AddNamed("dmg/a.bin", Bytes(40, 1));
    std::string error;
    ASSERT_TRUE(w.Write("dmg.wdf", &error)) << error;
    std::string bytes = ReadWhole("dmg.wdf");
    // The one index entry is the last 16 bytes: id, offset, size, spare.
    const size_t size = bytes.size() - 8;
    bytes[size] = char(0x40);
    bytes[size + 1] = char(0x42);
    bytes[size + 2] = char(0x0F);
    bytes[size + 3] = 0; // 1000000 bytes
    m_dir.Write("dmg.wdf", bytes);
    ASSERT_EQ(MFile::OpenDataFile("dmg.wdf"), 1);

    LogCapture log;
    AskEveryFrame("dmg/a.bin");
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"dmg/a.bin: damaged entry in dmg.wdf: 1000000 bytes at byte 12 "
                                                    "pass the archive's end at byte " +
                                                    std::to_string(bytes.size())});
}

} // namespace
} // namespace kes::test
