// MFile streams: positioned and sequential reads, seeking, ending, and the
// shared archive handle.
#include <KesDataFile.h>
#include <KesFile.h>

#include "TestSupport.h"
#include "WdfWriter.h"

#include <gtest/gtest.h>

#include <string>

using kes::test::AssertRecorder;
using kes::test::ScratchDir;

namespace {

class StreamTest : public ::testing::Test {
protected:
    ScratchDir dir;

    void SetUp() override
    {
        // Three neighbours, so that reading past one would show the next.
        kes::wdf::ArchiveWriter w(kes::wdf::kMagicScrambled);
        w.AddNamed("sound/a.wav", "AAAAAAAAAA");
        w.AddNamed("sound/b.wav", "0123456789");
        w.AddNamed("sound/c.wav", "CCCCCCCCCC");
        std::string error;
        ASSERT_TRUE(w.Write("sound.wdf", &error)) << error;
        ASSERT_EQ(MFile::OpenDataFile("sound.wdf"), 1);
        dir.Write("loose/b.wav", "0123456789");
    }
};

// The same checks for an archived stream and a loose one.
class StreamSources : public StreamTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StreamSources, PositionedReadsStayInsideTheFile)
{
    MFile f;
    ASSERT_EQ(f.Open(GetParam()), 1);
    ASSERT_EQ(f.GetSize(), 10u);
    char buf[32];
    DWORD got = 99;

    struct Case {
        DWORD size, pos;
        int result;
        const char* bytes;
    } cases[] = {
        {4, 0, 1, "0123"},
        {4, 6, 1, "6789"},
        {20, 7, 1, "789"},  // clipped at the end, never into the next file
        {1, 9, 1, "9"},
        {4, 10, 0, ""},     // at the end
        {4, 11, 0, ""},     // past the end
        {4, 0xFFFFFFF0u, 0, ""},
        {0, 3, 0, ""},
    };
    for (const Case& c : cases) {
        memset(buf, '#', sizeof buf);
        EXPECT_EQ(f.Read(buf, c.size, c.pos, &got), c.result) << c.pos;
        EXPECT_EQ(std::string(buf, got), c.bytes) << c.pos;
        EXPECT_EQ(buf[got], '#') << "wrote past what it reported";
    }
}

TEST_P(StreamSources, SequentialReadsSeekTellSkipAndEnd)
{
    MFile f;
    ASSERT_EQ(f.Open(GetParam()), 1);
    char buf[32] = {};
    DWORD got = 0;
    EXPECT_EQ(f.Tell(), 0u);
    EXPECT_EQ(f.IsEnd(), 0);
    ASSERT_EQ(f.Read(buf, 3, &got), 1);
    EXPECT_EQ(std::string(buf, got), "012");
    EXPECT_EQ(f.Tell(), 3u);
    f.Skip(2);
    EXPECT_EQ(f.Tell(), 5u);
    ASSERT_EQ(f.Read(buf, 100, &got), 1);
    EXPECT_EQ(std::string(buf, got), "56789");
    EXPECT_EQ(f.IsEnd(), 1);
    // At the end a read succeeds with nothing.
    EXPECT_EQ(f.Read(buf, 4, &got), 1);
    EXPECT_EQ(got, 0u);
    f.Seek(8);
    EXPECT_EQ(f.Tell(), 8u);
    EXPECT_EQ(f.IsEnd(), 0);
    // Without a count the read is not clipped (the caller knows what it asked for).
    ASSERT_EQ(f.Read(buf, 2, nullptr), 1);
    EXPECT_EQ(std::string(buf, 2), "89");
}

INSTANTIATE_TEST_SUITE_P(ArchivedAndLoose, StreamSources, ::testing::Values("sound/b.wav", "LOOSE\\B.WAV"));

TEST_F(StreamTest, ArchiveHandleIsSharedAndNeverClosedByAStream)
{
    MFile a, b;
    ASSERT_EQ(a.Open("sound/a.wav"), 1);
    ASSERT_EQ(b.Open("sound/c.wav"), 1);
    EXPECT_EQ(a.m_File, b.m_File);
    a.Close();
    EXPECT_EQ(a.m_File, INVALID_HANDLE_VALUE);
    EXPECT_EQ(a.m_Offset, 0u);
    char buf[10];
    DWORD got = 0;
    ASSERT_EQ(b.Read(buf, 10, DWORD(0), &got), 1);
    EXPECT_EQ(std::string(buf, got), "CCCCCCCCCC");
    // And after every reader is gone, the archive still serves loads.
    b.Close();
    MFile c;
    ASSERT_EQ(c.Load("sound/a.wav", 0), 1);
    EXPECT_STREQ(static_cast<char*>(c.GetPtr(0)), "AAAAAAAAAA");
}

TEST_F(StreamTest, LooseStreamOwnsItsHandle)
{
    MFile f;
    ASSERT_EQ(f.Open("loose/b.wav"), 1);
    const HANDLE h = f.m_File;
    EXPECT_EQ(f.m_Offset, 0u);
    f.Close();
    // The handle was closed: the platform no longer knows it.
    EXPECT_EQ(CloseHandle(h), FALSE);
}

TEST_F(StreamTest, ReopeningAndLoadingWhileStreamingKeepHandlesSound)
{
    // Opening anew ends the previous stream, so a loose handle is not lost...
    MFile f;
    ASSERT_EQ(f.Open("loose/b.wav"), 1);
    const HANDLE loose = f.m_File;
    ASSERT_EQ(f.Open("sound/a.wav"), 1);
    EXPECT_EQ(CloseHandle(loose), FALSE) << "the loose handle leaked";

    // ...and a load from a loose file does not make the archive's shared
    // handle look like this file's own.
    const HANDLE archive = f.m_File;
    ASSERT_EQ(f.Load("loose/b.wav", 0), 1);
    EXPECT_EQ(f.m_Offset, 0u);
    f.Close();
    MFile other;
    ASSERT_EQ(other.Open("sound/c.wav"), 1);
    EXPECT_EQ(other.m_File, archive);
    char buf[4];
    DWORD got = 0;
    EXPECT_EQ(other.Read(buf, 4, DWORD(0), &got), 1);
    EXPECT_EQ(got, 4u);
}

TEST_F(StreamTest, StreamOperationsWithoutAStreamReportAndFailSafely)
{
    AssertRecorder asserts;
    MFile f;
    char buf[4];
    DWORD got = 7;
    EXPECT_EQ(f.Read(buf, 4, DWORD(0), &got), 0);
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(asserts.SawOnly(L"m_File!=INVALID_HANDLE_VALUE", L"Core/KesFile"));
    asserts.Clear();
    EXPECT_EQ(f.Read(buf, 4, &got), 0);
    f.Seek(1);
    f.Tell();
    f.Skip(1);
    f.IsEnd();
    EXPECT_EQ(asserts.Reports().size(), 5u);
    for (const auto& r : asserts.Reports()) {
        EXPECT_EQ(r.expr, L"m_File!=INVALID_HANDLE_VALUE");
        EXPECT_EQ(r.file, L"Core/KesFile");
    }
}

} // namespace
