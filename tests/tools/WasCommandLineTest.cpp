// kesto-was's command line: outputs that cannot be written, frames that
// would be lost, and what an exported sprite carries back into encode.
#include "ToolRun.h"

#include <TestSupport.h>

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace kes::test {
namespace {

ToolResult RunWas(const std::vector<std::string>& args)
{
    return RunProgram(KESTO_WAS_TOOL, args);
}

// A small opaque picture, written with libpng's own simple interface.
void WritePicture(const std::string& path, unsigned char shade)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 3;
    image.height = 2;
    image.format = PNG_FORMAT_RGBA;
    std::vector<unsigned char> rgba;
    for (int i = 0; i < 6; ++i) rgba.insert(rgba.end(), {shade, 0, 0, 255});
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) << image.message;
}

TEST(WasCommandLine, AFailedWriteIsToldOnceWithTheSystemsReason)
{
    ScratchDir dir;
    WritePicture("a.png", 200);
    ASSERT_EQ(RunWas({"encode", "a.png", "a.was", "--groups", "1", "--frames", "1"}).exitCode, 0);
    dir.Write("blocker", "a file");
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"encode", "a.png", "/dev/full", "--groups", "1", "--frames", "1"},
         "/dev/full: cannot write: No space left on device"},
        {{"encode", "a.png", "missing/a.was", "--groups", "1", "--frames", "1"},
         "missing/a.was: cannot write: No such file or directory"},
        {{"export", "a.was", "blocker/frames"}, "blocker/frames: cannot create the folder: Not a directory"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[2]);
        const ToolResult r = RunWas(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ErrorLines(r.err), 1u) << r.err;
    }
    // Nothing was left behind: no temporary file, no folder below the file.
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(".")) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.png", "a.was", "blocker"}));
}

TEST(WasCommandLine, AFrameOutsideTheGridIsAnError)
{
    ScratchDir dir;
    fs::create_directory("frames");
    WritePicture("frames/g0_f0.png", 10);
    WritePicture("frames/g1_f0.png", 20);
    ToolResult r = RunWas({"encode", "frames", "two.was", "--groups", "1", "--frames", "1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("frames/g1_f0.png lies outside the grid of 1 group by 1 frame"), std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists("two.was"));

    r = RunWas({"encode", "frames", "two.was", "--groups", "2", "--frames", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("wrote two.was: 2 frames, 0 absent, 2 palette colours"), std::string::npos) << r.err;
}

TEST(WasCommandLine, FramesOfTwoSpritesNeedTheCommandLineToChooseTheirKeyPoint)
{
    ScratchDir dir;
    WritePicture("a.png", 10);
    ASSERT_EQ(RunWas({"encode", "a.png", "one.was", "--groups", "1", "--frames", "1", "--key", "1,2"}).exitCode, 0);
    ASSERT_EQ(RunWas({"encode", "a.png", "two.was", "--groups", "1", "--frames", "1", "--key", "3,4"}).exitCode, 0);
    ASSERT_EQ(RunWas({"export", "one.was", "one"}).exitCode, 0);
    ASSERT_EQ(RunWas({"export", "two.was", "two"}).exitCode, 0);
    fs::create_directory("mixed");
    fs::copy_file("one/g0_f0.png", "mixed/g0_f0.png");
    fs::copy_file("two/g0_f0.png", "mixed/g0_f1.png");

    // Which sprite's key point would win is not for the tool to guess.
    ToolResult r = RunWas({"encode", "mixed", "mixed.was", "--groups", "1", "--frames", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("were exported from different sprites"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("mixed.was"));

    r = RunWas({"encode", "mixed", "mixed.was", "--groups", "1", "--frames", "2", "--key", "7,8"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const ToolResult info = RunWas({"info", "mixed.was"});
    EXPECT_NE(info.out.find("key:     7, 8"), std::string::npos) << info.out;

    // Frames of one sprite bring its key point back by themselves.
    r = RunWas({"encode", "two", "again.was", "--groups", "1", "--frames", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(RunWas({"info", "again.was"}).out.find("key:     3, 4"), std::string::npos);
}

TEST(WasCommandLine, VersionAndRepeatedOptions)
{
    ScratchDir dir;
    ToolResult r = RunWas({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("kesto-was ", 0), 0u) << r.out;
    r = RunWas({"export", "a.was", "out", "--raw", "--raw"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("--raw is given twice"), std::string::npos) << r.err;
}

} // namespace
} // namespace kes::test
