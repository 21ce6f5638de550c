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

// Makes slot `slot`'s frame empty (width 0), which the engine refuses to
// decode: the frame header lies at the palette plus the slot's table entry.
void BreakFrame(std::string* was, int slot)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(was->data());
    const size_t palette = size_t(bytes[2] | bytes[3] << 8) + 4;
    const size_t entry = palette + 512 + 4 * size_t(slot);
    const size_t frame = palette + (bytes[entry] | bytes[entry + 1] << 8 | bytes[entry + 2] << 16 |
                                    size_t(bytes[entry + 3]) << 24);
    ASSERT_LE(frame + 12, was->size());
    was->replace(frame + 8, 4, std::string(4, '\0'));
}

size_t Lines(const std::string& text)
{
    return size_t(std::count(text.begin(), text.end(), '\n'));
}

// Frames the engine cannot decode: info fails when that is every frame,
// and export tells all it leaves out in one line.
TEST(WasCommandLine, UndecodableFramesAreToldInOneLineAndNoneAtAllIsAFailure)
{
    struct Case {
        const char* name;
        int groups, frames;
        std::vector<int> absent, broken;
        int infoExit;
        const char* infoMessage; // nullptr: info says nothing on standard error
        const char* exportMessage;
    };
    const Case cases[] = {
        {"none", 2, 4, {}, {}, 0, nullptr, nullptr},
        {"some", 2, 4, {}, {1, 2, 3, 4}, 0, "warning: 4 frames cannot be decoded",
         "error: s.was: 4 frames cannot be decoded and are not written (group 0: frames 1-3; group 1: frame 0); "
         "'kesto-was info s.was' tells why"},
        {"all", 2, 4, {}, {0, 1, 2, 3, 4, 5, 6, 7}, 1,
         "error: s.was: none of its 8 frames can be decoded; the engine shows nothing of this sprite",
         "8 frames cannot be decoded and are not written (groups 0-1: frames 0-3)"},
        {"all those present", 2, 4, {1, 6}, {0, 2, 3, 4, 5, 7}, 1, "none of its 6 frames can be decoded",
         "(group 0: frames 0, 2-3; group 1: frames 0-1, 3)"},
        {"the only one", 1, 1, {}, {0}, 1, "its one frame cannot be decoded",
         "1 frame cannot be decoded and is not written (group 0: frame 0)"},
        {"scattered over many groups", 16, 1, {}, {0, 2, 4, 6, 8, 10, 12, 14}, 0, "8 frames cannot",
         "(group 0: frame 0; group 2: frame 0; group 4: frame 0; group 6: frame 0; group 8: frame 0; "
         "group 10: frame 0; and 2 more groups)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchDir dir;
        std::vector<std::string> args = {"encode"};
        for (int i = 0; i < c.groups * c.frames; ++i) {
            const bool absent = std::find(c.absent.begin(), c.absent.end(), i) != c.absent.end();
            const std::string picture = "p" + std::to_string(i) + ".png";
            if (!absent) WritePicture(picture, (unsigned char)(10 + 15 * i));
            args.push_back(absent ? "-" : picture);
        }
        args.insert(args.end(), {"s.was", "--groups", std::to_string(c.groups), "--frames", std::to_string(c.frames)});
        ASSERT_EQ(RunWas(args).exitCode, 0);
        std::string was = ReadWhole("s.was");
        for (int slot : c.broken) BreakFrame(&was, slot);
        dir.Write("s.was", was);

        const ToolResult info = RunWas({"info", "s.was"});
        EXPECT_EQ(info.exitCode, c.infoExit) << info.err;
        EXPECT_EQ(Lines(info.out), 7u + size_t(c.groups * c.frames)) << "the table is shown all the same";
        if (c.infoMessage) {
            EXPECT_NE(info.err.find(c.infoMessage), std::string::npos) << info.err;
            EXPECT_EQ(Lines(info.err), 1u) << info.err;
        } else {
            EXPECT_EQ(info.err, "");
        }

        const ToolResult exported = RunWas({"export", "s.was", "out/frames"});
        const size_t decodable = size_t(c.groups * c.frames) - c.absent.size() - c.broken.size();
        EXPECT_EQ(exported.exitCode, c.exportMessage ? 1 : 0) << exported.err;
        if (c.exportMessage) {
            EXPECT_NE(exported.err.find(c.exportMessage), std::string::npos) << exported.err;
            EXPECT_EQ(ErrorLines(exported.err), 1u) << exported.err;
        }
        EXPECT_EQ(Lines(exported.err), c.exportMessage ? 2u : 1u) << "one line, and what was written\n"
                                                                  << exported.err;
        // A folder that would stay empty is not left behind.
        size_t written = 0;
        if (fs::exists("out/frames"))
            written = size_t(std::distance(fs::directory_iterator("out/frames"), fs::directory_iterator()));
        EXPECT_EQ(written, decodable);
        EXPECT_EQ(fs::exists("out"), decodable > 0);
    }
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
