// kesto-was, run as a user would: encode PNG frames into sprites the engine
// loads, export sprites to PNG pictures, show headers, refuse bad input.
//
// Pictures are written and read with libpng's own simplified interface, not
// with the tool's PNG code.
#include "WasReference.h"

#include "RenderFixture.h"
#include "TestSupport.h"
#include "WasEncoder.h"

#include <KesApp.h>

#include <gtest/gtest.h>
#include <png.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

extern char** environ;

namespace kes::test {
namespace {

namespace fs = std::filesystem;
using kes::was::CodedFrame;
using kes::was::CodedSprite;
using kes::was::WriteSprite;
using namespace kes::test::was;

struct ToolResult {
    int exitCode = -1;
    std::string out, err;
};

// Runs the built tool in the current folder and waits for it. A sanitizer
// report on its standard error fails the calling test.
ToolResult RunTool(std::vector<std::string> args)
{
    ToolResult r;
    const std::string outPath = "tool.out", errPath = "tool.err";
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) {
        ADD_FAILURE() << "cannot make the output files";
        return r;
    }
    args.insert(args.begin(), KESTO_WAS_TOOL);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    pid_t pid;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out);
    close(err);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot run " << KESTO_WAS_TOOL;
        return r;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadWhole(outPath);
    r.err = ReadWhole(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    if (r.err.find("Sanitizer") != std::string::npos || r.err.find("runtime error:") != std::string::npos)
        ADD_FAILURE() << "kesto-was reported a memory or undefined-behaviour error:\n" << r.err;
    return r;
}

struct Rgba {
    int width = 0, height = 0;
    std::vector<uint32_t> argb;
};

void WritePng(const std::string& path, const Rgba& pic)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(pic.width);
    image.height = png_uint_32(pic.height);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba;
    for (uint32_t c : pic.argb) {
        rgba.push_back(uint8_t(c >> 16));
        rgba.push_back(uint8_t(c >> 8));
        rgba.push_back(uint8_t(c));
        rgba.push_back(uint8_t(c >> 24));
    }
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) << image.message;
}

Rgba ReadPng(const std::string& path)
{
    Rgba out;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << path << ": " << image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) {
        ADD_FAILURE() << path << ": " << image.message;
        return out;
    }
    out.width = int(image.width);
    out.height = int(image.height);
    for (size_t i = 0; i < rgba.size(); i += 4)
        out.argb.push_back(uint32_t(rgba[i + 3]) << 24 | uint32_t(rgba[i]) << 16 | uint32_t(rgba[i + 1]) << 8 |
                           rgba[i + 2]);
    return out;
}

// Colours and alphas the format keeps exactly, with pixels on odd rows.
Rgba Picture(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    Rgba p;
    p.width = w;
    p.height = h;
    for (int i = 0; i < w * h; ++i) {
        const unsigned pick = rng() % 6;
        const uint32_t alpha = pick == 0 ? 0 : pick == 1 ? (1 + rng() % 31) * 8 : 255;
        p.argb.push_back(alpha == 0 ? 0 : Expand(uint16_t(rng() % 24 * 2731), alpha));
    }
    return p;
}

class WasToolTest : public RenderTest {
protected:
    ScratchDir m_dir;
};

TEST_F(WasToolTest, EncodesAFolderOfFramesThatTheEngineLoads)
{
    fs::create_directory("frames");
    const Rgba a = Picture(12, 9, 1), b = Picture(30, 4, 2), c = Picture(5, 17, 3);
    WritePng("frames/g0_f0.png", a);
    WritePng("frames/g0_f1.png", b);
    WritePng("frames/g1_f1.png", c); // g1_f0 is missing: an absent frame
    WritePng("frames/notes.png", a);
    const ToolResult r = RunTool({"encode", "frames", "hero.was", "--groups", "2", "--frames=2", "--key", "-10,20"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.err.find("notes.png ignored"), std::string::npos) << r.err;

    MImageVolume* v = m_app->LoadWas("hero.was");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->m_total, 4);
    EXPECT_EQ(v->m_width, 30);
    EXPECT_EQ(v->m_height, 17);
    EXPECT_EQ(v->m_keyX, -10);
    EXPECT_EQ(v->m_keyY, 20);
    EXPECT_EQ(v->GetImage(1, 0), nullptr);
    const std::pair<const Rgba*, MImage*> frames[] = {
        {&a, v->GetImage(0, 0)}, {&b, v->GetImage(0, 1)}, {&c, v->GetImage(1, 1)}};
    for (const auto& [pic, img] : frames) {
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->m_width, pic->width);
        EXPECT_EQ(img->m_height, pic->height);
        EXPECT_EQ(img->m_keyX, -10); // no key chunk: the animation's
        EXPECT_EQ(img->m_keyY, 20);
        EXPECT_EQ(ImagePixels(img), pic->argb);
    }
}

TEST_F(WasToolTest, EncodesAListOfPicturesWithDashesForAbsentFrames)
{
    const Rgba a = Picture(3, 3, 4), b = Picture(4, 2, 5);
    WritePng("a.png", a);
    WritePng("b.png", b);
    const ToolResult r = RunTool({"encode", "a.png", "-", "b.png", "list.was", "--groups", "1", "--frames", "4",
                                  "--size", "100,80"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    MImageVolume* v = m_app->LoadWas("list.was");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->m_width, 100);
    EXPECT_EQ(v->m_height, 80);
    ASSERT_NE(v->GetImage(0, 0), nullptr);
    EXPECT_EQ(v->GetImage(0, 1), nullptr);
    ASSERT_NE(v->GetImage(0, 2), nullptr);
    EXPECT_EQ(v->GetImage(0, 3), nullptr);
    EXPECT_EQ(ImagePixels(v->GetImage(0, 0)), a.argb);
    EXPECT_EQ(ImagePixels(v->GetImage(0, 2)), b.argb);
}

// A sprite with keys, an absent frame, and a first frame stored at half
// height (the engine doubles its rows).
std::string KeyedSprite()
{
    uint16_t palette[256];
    TestPalette(palette);
    CodedSprite s;
    s.groups = 2;
    s.frames = 2;
    s.width = 40;
    s.height = 30;
    s.keyX = 20;
    s.keyY = 28;
    std::copy(palette, palette + 256, s.palette);
    auto frame = [](int w, std::vector<std::string> rows, int kx, int ky) {
        CodedFrame f;
        f.width = w;
        f.height = int(rows.size());
        f.rows = std::move(rows);
        f.keyX = kx;
        f.keyY = ky;
        return f;
    };
    s.slots = {frame(3, {Code({0x43, 1, 2, 3}), Code({0x00}), Code({0x25, 4, 0x82, 5})}, 1, 2), std::nullopt,
               frame(2, {Code({0x82, 6}), Code({0x02, 0x10, 7})}, -5, 7),
               frame(4, {Code({0xC1, 0x43, 8, 9, 10}), Code({0x21, 11, 0x00}), Code({0x00})}, 0, -3)};
    return WriteSprite(s);
}

TEST_F(WasToolTest, ExportsWhatTheEngineShowsAndRawFramesEncodeBackWithTheirKeys)
{
    m_dir.Write("keyed.was", KeyedSprite());
    const ToolResult r = RunTool({"export", "keyed.was", "out/frames"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(fs::exists("out/frames/g0_f0.png"));
    EXPECT_FALSE(fs::exists("out/frames/g0_f1.png"));
    EXPECT_TRUE(fs::exists("out/frames/g1_f0.png"));
    EXPECT_TRUE(fs::exists("out/frames/g1_f1.png"));

    MImageVolume* original = m_app->LoadWas("keyed.was");
    ASSERT_NE(original, nullptr);
    for (const char* name : {"g0_f0", "g1_f0", "g1_f1"}) {
        SCOPED_TRACE(name);
        const Rgba png = ReadPng(std::string("out/frames/") + name + ".png");
        MImage* img = original->GetImage(name[1] - '0', name[4] - '0');
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(png.width, img->m_width);
        EXPECT_EQ(png.argb, ImagePixels(img));
    }

    // Frames as stored (the first one at half height) make the same sprite again.
    ASSERT_EQ(RunTool({"export", "keyed.was", "out/raw", "--raw"}).exitCode, 0);
    const ToolResult back = RunTool({"encode", "out/raw", "again.was", "--groups", "2", "--frames", "2"});
    ASSERT_EQ(back.exitCode, 0) << back.err;
    MImageVolume* again = m_app->LoadWas("again.was");
    ASSERT_NE(again, nullptr);
    // The sprite's own key point and box come back from the frames.
    EXPECT_EQ(again->m_keyX, original->m_keyX);
    EXPECT_EQ(again->m_keyY, original->m_keyY);
    EXPECT_EQ(again->m_width, original->m_width);
    EXPECT_EQ(again->m_height, original->m_height);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        MImage *want = original->m_images[i], *got = again->m_images[i];
        ASSERT_EQ(want == nullptr, got == nullptr);
        if (!want) continue;
        EXPECT_EQ(got->m_keyX, want->m_keyX);
        EXPECT_EQ(got->m_keyY, want->m_keyY);
        EXPECT_EQ(ImagePixels(got), ImagePixels(want));
    }
}

TEST_F(WasToolTest, NothingIsReplacedWithoutForce)
{
    m_dir.Write("keyed.was", KeyedSprite());
    ASSERT_EQ(RunTool({"export", "keyed.was", "frames"}).exitCode, 0);
    ToolResult r = RunTool({"export", "keyed.was", "frames"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("exists; give --force"), std::string::npos) << r.err;
    EXPECT_EQ(RunTool({"export", "keyed.was", "frames", "--force"}).exitCode, 0);

    const std::string before = ReadWhole("keyed.was");
    r = RunTool({"encode", "frames", "keyed.was", "--groups", "2", "--frames", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("keyed.was exists; give --force"), std::string::npos) << r.err;
    EXPECT_EQ(ReadWhole("keyed.was"), before);
    EXPECT_EQ(RunTool({"encode", "frames", "keyed.was", "--groups", "2", "--frames", "2", "--force"}).exitCode, 0);
}

TEST_F(WasToolTest, RawExportLeavesHalfHeightFramesAsStored)
{
    m_dir.Write("keyed.was", KeyedSprite());
    const ToolResult r = RunTool({"export", "keyed.was", "raw", "--raw"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const Rgba png = ReadPng("raw/g0_f0.png");
    uint16_t palette[256];
    TestPalette(palette);
    const std::vector<uint32_t> want = {Expand(palette[1], 255), Expand(palette[2], 255), Expand(palette[3], 255),
                                        0, 0, 0,
                                        Expand(palette[4], 40), Expand(palette[5], 255), Expand(palette[5], 255)};
    EXPECT_EQ(png.argb, want);
}

TEST_F(WasToolTest, InfoShowsTheHeaderAndEveryFrame)
{
    std::string bytes = KeyedSprite();
    // Send slot 3's last row past the end of the file.
    const size_t p = 16, table = p + 512;
    auto u32 = [&](size_t pos) {
        return uint32_t(uint8_t(bytes[pos])) | uint32_t(uint8_t(bytes[pos + 1])) << 8 |
               uint32_t(uint8_t(bytes[pos + 2])) << 16 | uint32_t(uint8_t(bytes[pos + 3])) << 24;
    };
    const size_t f3 = p + u32(table + 12);
    bytes[f3 + 16 + 8 + 2] = 0x10;
    m_dir.Write("keyed.was", bytes);
    const ToolResult r = RunTool({"info", "keyed.was"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {"groups:  2", "frames:  2 per group; 2 present, 1 absent, 1 unusable", "size:    40 x 30",
                             "key:     20, 28"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
    auto lineOf = [&](const std::string& name) {
        const size_t at = r.out.find("\n" + name + " ");
        return at == std::string::npos ? std::string() : r.out.substr(at + 1, r.out.find('\n', at + 1) - at - 1);
    };
    EXPECT_NE(lineOf("g0_f0").find("3x3"), std::string::npos) << r.out;
    EXPECT_NE(lineOf("g0_f0").find("1,2"), std::string::npos) << r.out;
    EXPECT_NE(lineOf("g0_f0").find("doubled"), std::string::npos) << r.out;
    EXPECT_NE(lineOf("g0_f1").find("absent"), std::string::npos) << r.out;
    EXPECT_NE(lineOf("g1_f0").find("-5,7"), std::string::npos) << r.out;
    EXPECT_EQ(lineOf("g1_f0").find("doubled"), std::string::npos) << r.out;
    EXPECT_NE(lineOf("g1_f1").find("damaged: the code of row 2"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find("1 frame cannot be decoded"), std::string::npos) << r.err;

    // Export writes the others and says it could not write all.
    const ToolResult e = RunTool({"export", "keyed.was", "out"});
    EXPECT_EQ(e.exitCode, 1);
    EXPECT_NE(e.err.find("1 frame cannot be decoded and is not written (group 1: frame 1)"), std::string::npos)
        << e.err;
    EXPECT_TRUE(fs::exists("out/g1_f0.png"));
}

TEST_F(WasToolTest, ReadsEveryPngColourType)
{
    // Levels the 5-6-5 palette holds exactly on all three channels.
    const Rgba grey = {2, 2, {0xFF808080, 0x80FFFFFF, 0x00000000, 0xFF000000}};
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 2;
    image.format = PNG_FORMAT_GA;
    const uint8_t ga[] = {0x80, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x00, 0xFF};
    ASSERT_TRUE(png_image_write_to_file(&image, "grey.png", 0, ga, 0, nullptr));
    image.format = PNG_FORMAT_RGB;
    const uint8_t rgb[] = {0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
    ASSERT_TRUE(png_image_write_to_file(&image, "rgb.png", 0, rgb, 0, nullptr));

    const ToolResult r = RunTool({"encode", "grey.png", "rgb.png", "types.was", "--groups", "1", "--frames", "2"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    MImageVolume* v = m_app->LoadWas("types.was");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(ImagePixels(v->GetImage(0, 0)), grey.argb);
    EXPECT_EQ(ImagePixels(v->GetImage(0, 1)),
              (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF}));
}

TEST_F(WasToolTest, BadInputEndsWithAMessageAndANonzeroStatus)
{
    WritePng("ok.png", Picture(2, 2, 9));
    WritePng("wide.png", Picture(4097, 1, 9));
    m_dir.Write("text.png", "this is not a picture");
    m_dir.Write("text.was", "this is not a sprite");
    m_dir.Write("short.was", "SP\x0C");
    m_dir.Write("keyed.was", KeyedSprite());
    m_dir.Write("afile", "x");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    } cases[] = {
        {{}, 2, "Usage: kesto-was"},
        {{"paint"}, 2, "unknown command 'paint'"},
        {{"info"}, 2, "info needs a sprite file"},
        {{"info", "missing.was"}, 1, "missing.was: cannot open"},
        {{"info", "text.was"}, 1, "not a WAS sprite"},
        {{"info", "short.was"}, 1, "too short"},
        {{"info", "keyed.was", "--verbose"}, 2, "unknown option --verbose"},
        {{"export", "keyed.was"}, 2, "export needs a sprite file and a folder"},
        {{"export", "keyed.was", "afile"}, 1, "cannot create the folder"},
        {{"encode", "ok.png", "o.was", "--frames", "1"}, 2, "needs --groups and --frames"},
        {{"encode", "ok.png", "o.was", "--groups", "0", "--frames", "1"}, 2, "--groups takes a count"},
        {{"encode", "ok.png", "o.was", "--groups", "1", "--frames", "x"}, 2, "--frames takes a count"},
        {{"encode", "ok.png", "o.was", "--groups", "1", "--frames", "\t1"}, 2, "--frames takes a count"},
        {{"encode", "ok.png", "o.was", "--groups", "1", "--frames", "1", "--frames", "1"}, 2, "--frames is given twice"},
        {{"encode", "ok.png", "o.was", "--groups", "1", "--frames", "1", "--key", "3"}, 2, "--key takes X,Y"},
        {{"encode", "ok.png", "o.was", "--groups", "32767", "--frames", "32767"}, 2, "more than the 1048576 frames"},
        {{"encode", "ok.png", "o.was", "--groups", "1", "--frames", "1", "--key"}, 2, "--key needs a value"},
        {{"encode", "ok.png", "ok.png", "o.was", "--groups", "1", "--frames", "1"}, 2, "2 pictures given for 1"},
        {{"encode", "text.png", "o.was", "--groups", "1", "--frames", "1"}, 1, "text.png: not a PNG file"},
        {{"encode", "gone.png", "o.was", "--groups", "1", "--frames", "1"}, 1, "gone.png: cannot open"},
        {{"encode", "wide.png", "o.was", "--groups", "1", "--frames", "1"}, 1, "larger than 4096"},
        {{"encode", "ok.png", "nofolder/o.was", "--groups", "1", "--frames", "1"}, 1, "cannot write"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        SCOPED_TRACE(line);
        const ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists("o.was"));
}

TEST_F(WasToolTest, HelpNamesEveryCommand)
{
    const ToolResult r = RunTool({"--help"});
    EXPECT_EQ(r.exitCode, 0);
    for (const char* command : {"info <file.was>", "export <file.was> <folder>", "encode <folder | picture.png...>"})
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
    const ToolResult encode = RunTool({"encode", "--help"});
    EXPECT_EQ(encode.exitCode, 0);
    EXPECT_NE(encode.out.find("--groups G"), std::string::npos);
}

} // namespace
} // namespace kes::test
