// The Win32 file functions of the platform layer: names resolved as Windows
// resolves them, and the handle, position and size rules the engine relies on.
#include <windows.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

using kes::test::ScratchDir;

namespace {

HANDLE OpenRead(const char* name)
{
    return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

std::string ReadAll(HANDLE h)
{
    char buf[256];
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(h, buf, sizeof buf, &got, NULL));
    return std::string(buf, got);
}

TEST(WindowsNames, EitherSlashAndAnyCaseFindTheFile)
{
    ScratchDir dir;
    dir.Write("Data/Shape/Char.WAS", "exact");
    struct Case {
        const char* name;
        DWORD error; // 0: found
    } cases[] = {
        {"Data/Shape/Char.WAS", 0},
        {"data\\shape\\char.was", 0},
        {"DATA/SHAPE\\CHAR.was", 0},
        {"./data//shape/char.was", 0},
        {"data/shape/missing.was", ERROR_FILE_NOT_FOUND},
        {"data/nowhere/char.was", ERROR_PATH_NOT_FOUND},
        {"data/shape/char.was/x", ERROR_PATH_NOT_FOUND},
        {"data/shape", ERROR_ACCESS_DENIED}, // folders do not open
        {"", ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases) {
        HANDLE h = OpenRead(c.name);
        if (c.error == 0) {
            ASSERT_NE(h, INVALID_HANDLE_VALUE) << c.name;
            EXPECT_EQ(ReadAll(h), "exact") << c.name;
            EXPECT_TRUE(CloseHandle(h));
        } else {
            EXPECT_EQ(h, INVALID_HANDLE_VALUE) << c.name;
            EXPECT_EQ(GetLastError(), c.error) << c.name;
        }
    }
    // Absolute names resolve the same way.
    const std::string absolute = dir.Path() + "/DATA/shape/CHAR.was";
    HANDLE h = OpenRead(absolute.c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
}

TEST(WindowsNames, ExactNamesWinOverOtherCases)
{
    ScratchDir dir;
    dir.Write("a.txt", "lower");
    dir.Write("A.txt", "upper");
    HANDLE lower = OpenRead("a.txt"), upper = OpenRead("A.txt");
    EXPECT_EQ(ReadAll(lower), "lower");
    EXPECT_EQ(ReadAll(upper), "upper");
    CloseHandle(lower);
    CloseHandle(upper);
}

TEST(WindowsNames, FilesMadeAfterAFailedLookupAreFound)
{
    // The case-insensitive fallback remembers listings; a file created right
    // after a lookup failed must still be found by the next one.
    ScratchDir dir;
    dir.Write("d/x.txt", "x");
    for (int i = 0; i < 20; ++i) {
        const std::string name = "f" + std::to_string(i) + ".txt";
        const std::string upper = "D/F" + std::to_string(i) + ".TXT";
        EXPECT_EQ(OpenRead(upper.c_str()), INVALID_HANDLE_VALUE);
        dir.Write("d/" + name, "new");
        HANDLE h = OpenRead(upper.c_str());
        ASSERT_NE(h, INVALID_HANDLE_VALUE) << upper;
        CloseHandle(h);
        // And one removed is no longer found.
        std::filesystem::remove(dir.Path() + "/d/" + name);
        EXPECT_EQ(OpenRead(upper.c_str()), INVALID_HANDLE_VALUE) << upper;
    }
}

TEST(WindowsFiles, PositionsSizesAndShortReads)
{
    ScratchDir dir;
    dir.Write("f.bin", "0123456789");
    HANDLE h = OpenRead("f.bin");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, NULL), 10u);
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(h, &high), 10u);
    EXPECT_EQ(high, 0u);

    EXPECT_EQ(SetFilePointer(h, 4, NULL, FILE_BEGIN), 4u);
    char buf[16];
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(h, buf, 3, &got, NULL));
    EXPECT_EQ(std::string(buf, got), "456");
    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_CURRENT), 7u);
    EXPECT_EQ(SetFilePointer(h, -2, NULL, FILE_CURRENT), 5u);
    // A read across the end delivers what is there and succeeds.
    ASSERT_TRUE(ReadFile(h, buf, 16, &got, NULL));
    EXPECT_EQ(std::string(buf, got), "56789");
    ASSERT_TRUE(ReadFile(h, buf, 16, &got, NULL));
    EXPECT_EQ(got, 0u);
    // Before the start is refused and the position stays.
    EXPECT_EQ(SetFilePointer(h, -1, NULL, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_NEGATIVE_SEEK);
    EXPECT_EQ(SetFilePointer(h, 0, NULL, FILE_CURRENT), 10u);
    EXPECT_EQ(SetFilePointer(h, -3, NULL, FILE_END), 7u);
    // Past the end is allowed; reads there deliver nothing.
    EXPECT_EQ(SetFilePointer(h, 100, NULL, FILE_BEGIN), 100u);
    ASSERT_TRUE(ReadFile(h, buf, 4, &got, NULL));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(WindowsFiles, BadHandlesAndArgumentsAreRefused)
{
    ScratchDir dir;
    dir.Write("f.bin", "x");
    char buf[4];
    DWORD got = 5;
    for (HANDLE bad : {INVALID_HANDLE_VALUE, (HANDLE)0, (HANDLE)(uintptr_t)4096, (HANDLE)(uintptr_t)3}) {
        EXPECT_FALSE(ReadFile(bad, buf, 1, &got, NULL));
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_HANDLE);
        EXPECT_EQ(SetFilePointer(bad, 0, NULL, FILE_BEGIN), INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetFileSize(bad, NULL), INVALID_FILE_SIZE);
        EXPECT_FALSE(CloseHandle(bad));
    }
    // A closed handle is not reused by accident while it is stale.
    HANDLE h = OpenRead("f.bin");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_FALSE(ReadFile(h, buf, 1, &got, NULL));
    // Only reading existing files is offered.
    EXPECT_EQ(CreateFileA("f.bin", GENERIC_READ, 0, NULL, 2 /* CREATE_ALWAYS */, 0, NULL), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_PARAMETER);
}

} // namespace
