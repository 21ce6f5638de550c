// The name hash, the three name derivations and the index key walk.
#include <KesFile.h>
#include <KesWdf.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace kes::wdf;

namespace {

DWORD Chain(const char* path, int n)
{
    DWORD id = 0;
    EXPECT_TRUE(ChainArchiveId(path, n, &id)) << path;
    return id;
}

DWORD ArchiveFile(const char* path)
{
    DWORD id = 0;
    EXPECT_TRUE(ArchiveFileId(path, &id)) << path;
    return id;
}

} // namespace

TEST(WString2ID, ReferenceValues)
{
    EXPECT_EQ(WString2ID("abc"), 0x10E668B5u);
    EXPECT_EQ(WString2ID("abcd"), 0xBFDBDC66u);
    EXPECT_EQ(WString2ID(""), 0x514FF88Fu);
}

TEST(WString2ID, HashesBytesAsTheyAre)
{
    EXPECT_NE(WString2ID("ABC"), WString2ID("abc"));
    EXPECT_NE(WString2ID("a/b"), WString2ID("a\\b"));
    // A partial last word is completed with zeros, so explicit zeros are not
    // the same string: "abc" is one word, "abcd" is one word, "abcde" is two.
    EXPECT_NE(WString2ID("abcde"), WString2ID("abcd"));
}

TEST(WString2ID, EveryLengthAgreesWithAWordByWordReading)
{
    // The hash reads whole words and then one partial word; check the seams
    // by hashing the same prefix out of a longer buffer.
    const std::string text = "shape/char/0001.was/and/a/long/tail/of/path/components/0123456789";
    std::vector<DWORD> seen;
    for (size_t n = 0; n <= text.size(); ++n) {
        std::string prefix = text.substr(0, n);
        std::string padded = prefix + std::string(8, '\0');
        EXPECT_EQ(WString2ID(prefix.c_str()), WString2ID(padded.c_str())) << n;
        seen.push_back(WString2ID(prefix.c_str()));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "prefixes collided";
}

TEST(Fnameid, OnlyThePartAfterTheFirstSlashCountsWithoutCaseOrSlashDirection)
{
    const DWORD expected = WString2ID("char\\0001.was");
    EXPECT_EQ(MFile::Fnameid("shape/Char/0001.was"), expected);
    EXPECT_EQ(MFile::Fnameid("x/char\\0001.was"), expected);
    EXPECT_EQ(MFile::Fnameid("x/char/0001.WAS"), expected);
    // Without a '/', the first backslash separates, as Windows takes either.
    EXPECT_EQ(MFile::Fnameid("shape\\char\\0001.was"), expected);
    EXPECT_EQ(MFile::Fnameid("shape\\Char/0001.was"), WString2ID("0001.was")); // a '/' still decides
    EXPECT_EQ(MFile::Fnameid("0001.was"), 0u);
    EXPECT_EQ(MFile::Fnameid("shape/"), WString2ID(""));
    // Lower-casing touches A-Z only; double-byte characters pass unchanged.
    EXPECT_EQ(MFile::Fnameid("d/\xC0\xC1\xDA.was"), WString2ID("\xC0\xC1\xDA.was"));
}

TEST(ArchiveIds, ChainPositionsAndSuffixes)
{
    struct Case {
        const char* path;
        int position;
        const char* archive;
    } cases[] = {
        {"shape/char/0001.was", 0, "shape.wdf"},
        {"Shape\\char\\0001.was", 0, "shape.wdf"},
        {"shape/char/0001.was", 1, "shape.wd1"},
        {"shape/char/0001.was", 2, "shape.wd2"},
        {"shape/char/0001.was", 9, "shape.wd9"},
        {"Shape\\char\\0001.was", 11, "shape.wdb"},
        {"SHAPE/x", 14, "shape.wde"},
        // A second byte 0x5C of a double-byte character ends the archive part.
        {"\x81\x5Cmap/x.jpg", 0, "\x81.wdf"},
    };
    for (const Case& c : cases) EXPECT_EQ(Chain(c.path, c.position), WString2ID(c.archive)) << c.path;

    DWORD id;
    for (const char* noArchive : {"", "/shape/a.was", "\\a", "shape.was"})
        EXPECT_FALSE(ChainArchiveId(noArchive, 0, &id)) << noArchive;
}

TEST(ArchiveIds, RegisteredArchiveNames)
{
    EXPECT_EQ(ArchiveFile("D:\\game\\Shape.wdf"), WString2ID("shape.wdf"));
    EXPECT_EQ(ArchiveFile("shape.wdf"), WString2ID("shape.wdf"));
    // Either slash ends a folder: the archive is known by its file name.
    EXPECT_EQ(ArchiveFile("data/shape.wdf"), WString2ID("shape.wdf"));
    EXPECT_EQ(ArchiveFile("/abs/Data\\SHAPE.wdf"), WString2ID("shape.wdf"));
    EXPECT_EQ(ArchiveFile("a\\\x81\x5Cshape.wdf"), WString2ID("shape.wdf"));
}

TEST(ArchiveIds, NamesTooLongForTheBuffersAreRefused)
{
    DWORD id;
    const std::string fits = "d/" + std::string(257, 'a');    // 257 + zero = 258
    const std::string tooLong = "d/" + std::string(259, 'a'); // 259 + zero = 260 fits exactly
    const std::string over = "d/" + std::string(260, 'a');
    EXPECT_TRUE(FileId(fits.c_str(), &id));
    EXPECT_TRUE(FileId(tooLong.c_str(), &id));
    EXPECT_FALSE(FileId(over.c_str(), &id));
    EXPECT_EQ(MFile::Fnameid(over.c_str()), 0u);

    const std::string stem255 = std::string(255, 's') + "/x"; // 255 + ".wdf" + zero = 260
    const std::string stem256 = std::string(256, 's') + "/x";
    EXPECT_TRUE(ChainArchiveId(stem255.c_str(), 0, &id));
    EXPECT_FALSE(ChainArchiveId(stem256.c_str(), 0, &id));
    EXPECT_FALSE(ArchiveFileId(std::string(260, 'w').c_str(), &id));
}

TEST(IndexKey, WalkSkipsPosition33AndWrapsAfter256)
{
    // Scrambling zeros reveals the key bytes in walk order.
    std::vector<unsigned char> walk(2 * 256 + 2, 0);
    ScrambleIndex(walk.data(), walk.size());
    for (size_t i = 0; i < walk.size(); ++i) {
        const size_t step = i % 256; // 256 positions are used per round
        const size_t position = step < 33 ? step : step + 1;
        ASSERT_EQ(walk[i], kIndexKey[position]) << "byte " << i;
    }
    EXPECT_NE(kIndexKey[33], kIndexKey[34]) << "the table cannot show the skip";

    // Scrambling twice restores the bytes.
    std::vector<unsigned char> data(1000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = (unsigned char)(i * 7);
    std::vector<unsigned char> copy = data;
    ScrambleIndex(copy.data(), copy.size());
    EXPECT_NE(copy, data);
    ScrambleIndex(copy.data(), copy.size());
    EXPECT_EQ(copy, data);
}
