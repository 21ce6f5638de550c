// Registering archives and loading files from them and from loose files.
#include <KesApp.h>
#include <KesDataFile.h>
#include <KesFile.h>

#include "TestSupport.h"
#include "WdfWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using kes::test::Bytes;
using kes::test::ScratchDir;
using kes::wdf::ArchiveWriter;

namespace {

class ArchiveTest : public ::testing::Test {
protected:
    ScratchDir dir;

    // Writes an archive of (game path, bytes) pairs.
    static void Pack(const std::string& file, std::initializer_list<std::pair<std::string, std::string>> files,
                     DWORD magic = kes::wdf::kMagicPlain)
    {
        ArchiveWriter w(magic);
        for (const auto& f : files) w.AddNamed(f.first, f.second);
        std::string error;
        ASSERT_TRUE(w.Write(file, &error)) << error;
    }

    static std::string Loaded(const char* name, DWORD id = 0)
    {
        MFile f;
        if (!f.Load(name, id)) return "<not found>";
        EXPECT_EQ(static_cast<char*>(f.GetPtr(0))[f.GetSize()], '\0') << "no terminating zero";
        return std::string(static_cast<char*>(f.GetPtr(0)), f.GetSize());
    }

    static std::string Streamed(const char* name)
    {
        MFile f;
        if (!f.Open(name)) return "<not found>";
        std::string s(f.GetSize(), '\0');
        DWORD got = 0;
        if (!s.empty()) {
            EXPECT_EQ(f.Read(s.data(), DWORD(s.size()), DWORD(0), &got), 1);
        }
        EXPECT_EQ(got, s.size());
        return s;
    }

    static int UsedSlots()
    {
        int n = 0;
        const kes::DataFileSlot* slots = kes::DataFileSlots();
        while (n < kes::kDataFileSlots && slots[n].hFile != INVALID_HANDLE_VALUE) ++n;
        return n;
    }
};

TEST_F(ArchiveTest, PlainAndScrambledArchivesReadBackThroughLoadAndOpen)
{
    for (DWORD magic : {kes::wdf::kMagicPlain, kes::wdf::kMagicScrambled, kes::wdf::kMagicScrambledH}) {
        kes::CloseAllDataFiles();
        const std::string big = Bytes(70000, 3);
        // More than 16 entries, so that the index crosses the key's wrap.
        ArchiveWriter w(magic);
        for (int i = 0; i < 40; ++i) w.AddNamed("shape/char/" + std::to_string(i) + ".was", Bytes(i * 13, i));
        w.AddNamed("shape/Big.bin", big);
        std::string error;
        ASSERT_TRUE(w.Write("shape.wdf", &error)) << error;
        ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);

        EXPECT_TRUE(Loaded("shape/big.BIN") == big);
        EXPECT_TRUE(Streamed("Shape/BIG.bin") == big);
        // Backslashes alone separate too; a name without any separator is no
        // archive path.
        EXPECT_TRUE(Loaded("shape\\big.bin") == big);
        EXPECT_TRUE(Streamed("SHAPE\\Big.bin") == big);
        EXPECT_EQ(Loaded("big.bin"), "<not found>");
        for (int i = 0; i < 40; ++i) {
            const std::string name = "shape/char/" + std::to_string(i) + ".was";
            EXPECT_EQ(Loaded(name.c_str()), Bytes(i * 13, i)) << name;
            EXPECT_EQ(Streamed(name.c_str()), Bytes(i * 13, i)) << name;
        }
        EXPECT_EQ(Loaded("shape/missing.was"), "<not found>");
        EXPECT_EQ(Streamed("shape/missing.was"), "<not found>");
        EXPECT_EQ(Loaded("other/char/1.was"), "<not found>");
    }
}

TEST_F(ArchiveTest, LoadWithAnIdIgnoresTheNameAfterItsFirstSlash)
{
    Pack("map.wdf", {{"map/1001.map", "tiles"}});
    ASSERT_EQ(MFile::OpenDataFile("map.wdf"), 1);
    EXPECT_EQ(Loaded("map/whatever", MFile::Fnameid("map/1001.map")), "tiles");
    MFile f;
    ASSERT_EQ(f.Load("map/1001.map", 0), 1);
    EXPECT_EQ(f.GetSize(), 5u);
    EXPECT_EQ(*static_cast<char*>(f.GetPtr(5)), '\0');
}

TEST_F(ArchiveTest, RegistrationIsByLowerCasedFileNameWhateverFolderItLiesIn)
{
    dir.Write("data/Shape.WDF", "");
    Pack("data/Shape.WDF", {{"shape/a.was", "in data"}});
    Pack("shape.wdf", {{"shape/a.was", "in cwd"}});

    for (const std::string& path : {std::string("data/Shape.WDF"), std::string("data\\Shape.WDF"),
                                    dir.Path() + "/data/shape.wdf"}) {
        SCOPED_TRACE(path);
        kes::CloseAllDataFiles();
        ASSERT_EQ(MFile::OpenDataFile(path.c_str()), 1);
        EXPECT_EQ(Loaded("shape/a.was"), "in data");
        // The same archive name again, from anywhere and in any case: one slot.
        EXPECT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
        EXPECT_EQ(MFile::OpenDataFile("SHAPE.wdf"), 1);
        EXPECT_EQ(UsedSlots(), 1);
        EXPECT_EQ(Loaded("shape/a.was"), "in data");
    }

    // MApp's wrapper registers the same way.
    kes::CloseAllDataFiles();
    MApp app;
    app.OpenDataFile("shape.wdf");
    EXPECT_EQ(Loaded("shape/a.was"), "in cwd");
}

TEST_F(ArchiveTest, TheTableHoldsSixtyFourArchives)
{
    for (int i = 0; i < 65; ++i) {
        const std::string name = "a" + std::to_string(i) + ".wdf";
        Pack(name, {{"a" + std::to_string(i) + "/x", std::to_string(i)}});
        EXPECT_EQ(MFile::OpenDataFile(name.c_str()), i < 64 ? 1 : 0) << name;
    }
    EXPECT_EQ(UsedSlots(), 64);
    EXPECT_EQ(Loaded("a63/x"), "63");
    EXPECT_EQ(Loaded("a64/x"), "<not found>");
    // Registering one already there still answers 1.
    EXPECT_EQ(MFile::OpenDataFile("a5.wdf"), 1);
}

TEST_F(ArchiveTest, ChainsAreSearchedInTheirOwnOrders)
{
    // Position 1 holds what position 0 lacks.
    Pack("shape.wdf", {{"shape/a.was", "0"}});
    Pack("shape.wd1", {{"shape/b.was", "1"}});
    Pack("shape.wd2", {{"shape/c.was", "2"}});
    Pack("shape.wd9", {{"shape/a.was", "9"}, {"shape/nine.was", "only 9"}});
    Pack("shape.wde", {{"shape/e.was", "14"}});

    ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
    ASSERT_EQ(MFile::OpenDataFile("shape.wd2"), 1);
    ASSERT_EQ(MFile::OpenDataFile("shape.wd9"), 1);
    // Position 1 missing: the chain ends there for both orders, except that
    // Load looks at position 9 first.
    EXPECT_EQ(Loaded("shape/c.was"), "<not found>");
    EXPECT_EQ(Streamed("shape/c.was"), "<not found>");
    EXPECT_EQ(Loaded("shape/a.was"), "9");
    EXPECT_EQ(Streamed("shape/a.was"), "0");
    EXPECT_EQ(Loaded("shape/nine.was"), "only 9");
    EXPECT_EQ(Streamed("shape/nine.was"), "<not found>");

    ASSERT_EQ(MFile::OpenDataFile("shape.wd1"), 1);
    EXPECT_EQ(Loaded("shape/b.was"), "1");
    EXPECT_EQ(Loaded("shape/c.was"), "2");
    EXPECT_EQ(Streamed("shape/c.was"), "2");
    // Positions 3 to 8 are missing, so Open never reaches 9 and Load never 14.
    ASSERT_EQ(MFile::OpenDataFile("shape.wde"), 1);
    EXPECT_EQ(Streamed("shape/nine.was"), "<not found>");
    EXPECT_EQ(Loaded("shape/e.was"), "<not found>");
}

TEST_F(ArchiveTest, FullChainOfFifteenIsSearchedToTheEnd)
{
    for (int n = 0; n < 15; ++n) {
        const std::string file = kes::wdf::ChainFileName("Music.wdf", n);
        Pack(file, {{"music/" + std::to_string(n) + ".ogg", "track " + std::to_string(n)}});
        ASSERT_EQ(MFile::OpenDataFile(file.c_str()), 1) << file;
    }
    for (int n = 0; n < 15; ++n) {
        const std::string name = "MUSIC/" + std::to_string(n) + ".OGG";
        EXPECT_EQ(Loaded(name.c_str()), "track " + std::to_string(n));
        EXPECT_EQ(Streamed(name.c_str()), "track " + std::to_string(n));
    }
}

TEST_F(ArchiveTest, LooseFilesWinOverArchiveCopies)
{
    Pack("shape.wdf", {{"shape/a.was", "archived"}, {"shape/b.was", "archived b"}});
    ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
    dir.Write("Shape/A.was", "loose");
    EXPECT_EQ(Loaded("shape/a.was"), "loose");
    EXPECT_EQ(Loaded("shape\\A.WAS"), "loose");
    EXPECT_EQ(Streamed("shape/a.was"), "loose");
    EXPECT_EQ(Loaded("shape/b.was"), "archived b");
    // A folder is no loose file.
    dir.Write("shape/dir.was/inner", "x");
    EXPECT_EQ(Loaded("shape/dir.was"), "<not found>");
}

TEST_F(ArchiveTest, FailedLoadKeepsThePreviousFile)
{
    Pack("shape.wdf", {{"shape/a.was", "first"}});
    ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
    MFile f;
    ASSERT_EQ(f.Load("shape/a.was", 0), 1);
    EXPECT_EQ(f.Load("shape/none.was", 0), 0);
    EXPECT_EQ(f.GetSize(), 5u);
    EXPECT_STREQ(static_cast<char*>(f.GetPtr(0)), "first");
}

TEST_F(ArchiveTest, EmptyFilesLoadAsAZeroByte)
{
    Pack("shape.wdf", {{"shape/empty", ""}, {"shape/after", "x"}});
    ASSERT_EQ(MFile::OpenDataFile("shape.wdf"), 1);
    MFile f;
    ASSERT_EQ(f.Load("shape/empty", 0), 1);
    EXPECT_EQ(f.GetSize(), 0u);
    EXPECT_EQ(*static_cast<char*>(f.GetPtr(0)), '\0');
}

// ---- hostile archives ----------------------------------------------------------------

std::string Le32(DWORD v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char(v >> (8 * i));
    return s;
}

std::string Header(const char* magic, DWORD count, DWORD indexOffset)
{
    return std::string(magic, 4) + Le32(count) + Le32(indexOffset);
}

std::string Entry(DWORD id, DWORD offset, DWORD size)
{
    return Le32(id) + Le32(offset) + Le32(size) + Le32(0);
}

TEST_F(ArchiveTest, MalformedArchivesAreRefusedAndLeaveTheSlotFree)
{
    const DWORD id = MFile::Fnameid("bad/a");
    const std::string good = Header("PFDW", 1, 16) + "data" + Entry(id, 12, 4);
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"short header", "PFDW\x01\0\0"},
        {"unknown magic", Header("WDFP", 1, 16) + "data" + Entry(id, 12, 4)},
        {"index past the end", Header("PFDW", 1, 1000) + "data" + Entry(id, 12, 4)},
        {"index cut short", good.substr(0, good.size() - 1)},
        {"huge count", Header("PFDW", 0xFFFFFFFFu, 16) + "data" + Entry(id, 12, 4)},
        {"count times 16 wraps", Header("PFDW", 0x10000001u, 16) + "data" + Entry(id, 12, 4)},
        {"index offset near 4 GB", Header("XFDW", 1, 0xFFFFFFF8u) + "data" + Entry(id, 12, 4)},
    };
    for (const Case& c : cases) {
        dir.Write("bad.wdf", c.bytes);
        EXPECT_EQ(MFile::OpenDataFile("bad.wdf"), 0) << c.what;
        EXPECT_EQ(UsedSlots(), 0) << c.what;
    }
    // The slot is still free for the next registration.
    dir.Write("bad.wdf", good);
    EXPECT_EQ(MFile::OpenDataFile("bad.wdf"), 1);
    EXPECT_EQ(Loaded("bad/a"), "data");
    EXPECT_EQ(MFile::OpenDataFile("no-such.wdf"), 0);
    EXPECT_EQ(UsedSlots(), 1);
}

TEST_F(ArchiveTest, EntriesOutsideTheArchiveAreNotFound)
{
    const DWORD a = MFile::Fnameid("bad/a"), b = MFile::Fnameid("bad/b"), c = MFile::Fnameid("bad/c"),
                d = MFile::Fnameid("bad/d"), e = MFile::Fnameid("bad/e");
    // Sorted index of five entries after 8 data bytes.
    std::pair<DWORD, std::string> entries[] = {
        {a, Entry(a, 12, 8)},          // fine
        {b, Entry(b, 12, 9)},          // runs one byte into the index... still inside the file
        {c, Entry(c, 0, 4)},           // at offset 0, where the header lies
        {d, Entry(d, 16, 0xFFFFFFF0u)}, // far past the end
        {e, Entry(e, 0xFFFFFFFFu, 2)}, // offset + size wraps 32 bits
    };
    std::sort(std::begin(entries), std::end(entries));
    std::string index;
    for (auto& en : entries) index += en.second;
    dir.Write("bad.wdf", Header("PFDW", 5, 20) + "12345678" + index);
    ASSERT_EQ(MFile::OpenDataFile("bad.wdf"), 1);

    EXPECT_EQ(Loaded("bad/a"), "12345678");
    EXPECT_EQ(Loaded("bad/b").size(), 9u);
    for (const char* name : {"bad/c", "bad/d", "bad/e"}) {
        EXPECT_EQ(Loaded(name), "<not found>") << name;
        EXPECT_EQ(Streamed(name), "<not found>") << name;
    }
    // The archive's handle survived every refusal.
    EXPECT_EQ(Streamed("bad/a"), "12345678");
}

TEST_F(ArchiveTest, UnsortedIndexFindsNothingItCannotBisect)
{
    const DWORD lo = 1, hi = 0xFFFFFFF0u;
    // Entries in descending order: bisection looks the wrong way for one of them.
    dir.Write("bad.wdf", Header("PFDW", 2, 14) + "ab" + Entry(hi, 12, 1) + Entry(lo, 13, 1));
    ASSERT_EQ(MFile::OpenDataFile("bad.wdf"), 1);
    int found = 0;
    MFile f;
    found += f.Load("bad/x", lo);
    found += f.Load("bad/x", hi);
    EXPECT_LE(found, 1);
}

} // namespace
