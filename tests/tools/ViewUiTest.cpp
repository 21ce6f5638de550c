// kesto-view's window on SDL's offscreen driver, driven by scripted input
// that takes the whole way real input takes (SDL's queue, the engine's
// event pump and window messages), as a user would run it. What it shows
// is read from its state file and its screenshots; the sprites and
// pictures on the screenshots are checked against the engine drawing the
// same images with the same settings here.
#include "RenderFixture.h"
#include "TestSupport.h"
#include "ToolRun.h"
#include "ViewFixtures.h"

#include <KesApp.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace kes::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kStageFill = 0xFF202028; // the viewer's stage, under what it shows

using State = std::multimap<std::string, std::string>;

std::string Get(const State& s, const std::string& key)
{
    const auto it = s.find(key);
    return it == s.end() ? std::string("<none>") : it->second;
}

class ViewUiTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        files.bytes["a.was"] = MakeSprite(2, 3, 30, 40, 1);
        files.bytes["char/big.was"] = MakeSprite(1, 1, 200, 150, 2);
        files.bytes["pic.bmp"] = MakeBmp(130, 40, 4);
        files.bytes["tune.wav"] = MakeWav(440, 0.5);
        files.bytes["cut.was"] = files.bytes["a.was"].substr(0, files.bytes["a.was"].size() / 2);
        // A font of the game's own, from Debian's fonts-dejavu-core.
        files.bytes["zfont.ttf"] = ReadWhole("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
        ASSERT_FALSE(files.bytes["zfont.ttf"].empty());
        files.bytes["outside.was"] = files.bytes["a.was"];
        for (int i = 0; i < 60; ++i) files.bytes["many/" + std::to_string(100 + i) + ".dat"] = std::string(size_t(i + 1), 'x');
        ASSERT_TRUE(WriteChain("ui", files, 1));
        ASSERT_TRUE(ClaimSize("ui.wdf", "ui/outside.was", 0x7FFFFFF0u));
        std::ofstream names("names.txt");
        for (const auto& [path, bytes] : files.bytes) names << GamePath("ui", path) << "\n";
    }

    // Runs the viewer for `frames` frames with `script`; its state, and
    // standard error in *err.
    State Run(const std::vector<std::string>& script, int frames, std::vector<std::string> extra = {},
              std::string* err = nullptr)
    {
        std::ofstream("script.txt") << [&] {
            std::string all;
            for (const std::string& line : script) all += line + "\n";
            return all;
        }();
        std::vector<std::string> args = {"ui.wdf", "--names", "names.txt", "--frames", std::to_string(frames),
                                         "--script", "script.txt", "--state", "state.txt", "--device", "software"};
        if (std::find(extra.begin(), extra.end(), "--audio") == extra.end()) extra.insert(extra.end(), {"--audio", "dummy"});
        args.insert(args.end(), extra.begin(), extra.end());
        fs::remove("state.txt");
        const ToolResult r = RunProgram(KESTO_VIEW_TOOL, args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        if (err) *err = r.err;
        State s;
        std::ifstream in("state.txt");
        std::string line;
        while (std::getline(in, line)) {
            const size_t space = line.find(' ');
            s.emplace(line.substr(0, space), space == std::string::npos ? std::string() : line.substr(space + 1));
        }
        EXPECT_FALSE(s.empty()) << "no state written\n" << r.err;
        return s;
    }

    // The engine drawing `image` with these settings, its key point at
    // (kx, ky) of a stage-coloured back buffer: the pixels of the box
    // (x0, y0, w, h) around the key point, as 0xRRGGBB.
    std::vector<uint32_t> Engine(MImage* image, int blend, DWORD colour, float alpha, float scale, int x0, int y0,
                                 int w, int h)
    {
        const int kx = 160, ky = 150;
        m_app->DrawRect(0, 0, float(kWidth), float(kHeight), kStageFill, 0);
        RECTF whole(0, 0, 1, 1);
        m_app->DrawImage(image, float(kx), float(ky), whole, blend, colour, alpha, scale, scale);
        Frame();
        const std::vector<uint32_t> back = ReadBack();
        std::vector<uint32_t> out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out.push_back(back[size_t((ky + y0 + y) * kWidth + kx + x0 + x)] & 0xFFFFFF);
        return out;
    }
    // The same box of a screenshot around the point (kx, ky).
    static std::vector<uint32_t> Shot(const std::string& png, int kx, int ky, int x0, int y0, int w, int h)
    {
        int width = 0, height = 0;
        std::vector<uint32_t> px, out;
        EXPECT_TRUE(ReadPngFile(png, &width, &height, &px)) << png;
        if (px.empty()) return out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) out.push_back(px[size_t((ky + y0 + y) * width + kx + x0 + x)] & 0xFFFFFF);
        return out;
    }
    std::string Loose(const std::string& path)
    {
        return scratch.Write("ref/" + std::to_string(++refs) + "/" + path, files.bytes[path]);
    }
    ScratchDir scratch;
    ChainFiles files;
    int refs = 0;
};

TEST_F(ViewUiTest, TypingFiltersAndKeysAndTheWheelMoveThroughTheList)
{
    struct Case {
        const char* what;
        std::vector<std::string> script;
        std::string entry, filter, rows;
    } cases[] = {
        {"typing filters", {"3 type big"}, "ui/char/big.was", "big", "1"},
        {"backspace widens it again", {"3 type bigx", "10 key backspace"}, "ui/char/big.was", "big", "1"},
        {"nothing matches", {"3 type zzz"}, "", "zzz", "0"},
        {"escape clears the filter", {"3 type zzz", "9 key escape"}, "ui/a.was", "", "67"},
        {"down moves the choice", {"3 key down", "8 key down"}, "ui/cut.was", "", "67"},
        {"end goes to the last", {"3 key end"}, "ui/zfont.ttf", "", "67"},
        {"a click on a row chooses it", {"3 click 60 117"}, "ui/many/100.dat", "", "67"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const State s = Run(c.script, 20);
        EXPECT_EQ(Get(s, "entry"), c.entry);
        EXPECT_EQ(Get(s, "filter"), c.filter);
        EXPECT_EQ(Get(s, "rows"), c.rows);
    }
    // The wheel scrolls three rows a notch, the list keeps its choice.
    State s = Run({"3 wheel 200 300 -2"}, 12);
    EXPECT_EQ(Get(s, "top"), "6");
    EXPECT_EQ(Get(s, "entry"), "ui/a.was");
    // A column's title sorts by it; again, the other way.
    s = Run({"3 press Size", "7 key home"}, 14);
    EXPECT_EQ(Get(s, "sort"), "Size");
    EXPECT_EQ(Get(s, "entry"), "ui/many/100.dat"); // one byte, the smallest
    s = Run({"3 press Size", "7 press Size ^", "11 key home"}, 18);
    EXPECT_EQ(Get(s, "sort"), "Size descending");
    EXPECT_EQ(Get(s, "entry"), "ui/outside.was"); // its index claims 2 GB
}

TEST_F(ViewUiTest, ThumbnailsAreMadeOneAFrameAsRowsComeIntoView)
{
    // Three sprites are on the first screen (a.was, big.was, cut.was); the
    // 60 other files come before outside.was and pic.bmp.
    State s = Run({"20 shot " + (fs::current_path() / "list.png").string()}, 24);
    EXPECT_EQ(Get(s, "thumbs"), "3");
    EXPECT_EQ(Get(s, "thumbs-most-in-a-frame"), "1");
    // Scrolling to the end makes theirs (outside.was's is tried: it cannot
    // be read, and has none), still one a frame.
    s = Run({"3 key end", "10 key home"}, 16);
    EXPECT_EQ(Get(s, "thumbs"), "5");
    EXPECT_EQ(Get(s, "thumbs-most-in-a-frame"), "1");

    // a.was's thumbnail, on the chosen row: its first frame at every third
    // pixel of every third row (30 x 40 into 16), centred in 16 x 16 at the
    // row's start, drawn as the engine draws it over the row's colour.
    MImageVolume* sprite = m_app->LoadWas(Loose("a.was").c_str());
    ASSERT_NE(sprite, nullptr);
    MImage* first = sprite->GetImage(0, 0);
    const std::vector<uint32_t> px = ImagePixels(first);
    const int tw = (first->m_width + 2) / 3, th = (first->m_height + 2) / 3;
    MImage* thumb = m_app->CreateImage(DWORD(tw), DWORD(th));
    unsigned char* bits = nullptr;
    int pitch = 0;
    ASSERT_TRUE(thumb->Lock(&bits, &pitch));
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x)
            std::memcpy(bits + y * pitch + 4 * x, &px[size_t(y * 3 * first->m_width + x * 3)], 4);
    thumb->Unlock();
    m_app->DrawRect(0, 0, float(kWidth), float(kHeight), 0xFF5A4A20, 0);
    RECTF whole(0, 0, 1, 1);
    m_app->DrawImage(thumb, 100, 100, whole, 14, 0, 1, 1, 1);
    Frame();
    const std::vector<uint32_t> back = ReadBack();
    std::vector<uint32_t> want;
    for (int y = 0; y < th; ++y)
        for (int x = 0; x < tw; ++x) want.push_back(back[size_t((100 + y) * kWidth + 100 + x)] & 0xFFFFFF);
    // Rows start 60 pixels down; the thumbnail 2 pixels in and 1 down.
    ExpectSamePixels(Shot("list.png", 14 + (16 - tw) / 2, 61 + (16 - th) / 2, 0, 0, tw, th), want, tw, "the thumbnail");
    m_app->CloseImage(thumb);
    m_app->CloseImageVolume(sprite);
}

TEST_F(ViewUiTest, SpritePausesStepsAndTurns)
{
    // Space pauses (it plays from the start); Right steps; Tab turns.
    const State s = Run({"2 key space", "6 key right", "10 key right", "14 key tab"}, 24, {"--select", "ui/a.was"});
    EXPECT_EQ(Get(s, "view"), "sprite");
    EXPECT_EQ(Get(s, "playing"), "0");
    EXPECT_EQ(Get(s, "frame"), "2");
    EXPECT_EQ(Get(s, "group"), "1");
    // Left past the first frame wraps to the last.
    const State back = Run({"2 key space", "6 key left"}, 12, {"--select", "ui/a.was"});
    EXPECT_EQ(Get(back, "frame"), "2");
    // Playing goes on by itself: 67 frames of 1/60 s at 10 frames a second
    // are 11 steps (10 where the sum of the steps rounds down).
    const State playing = Run({}, 67, {"--select", "ui/a.was"});
    EXPECT_EQ(Get(playing, "playing"), "1");
    EXPECT_NE(Get(playing, "frame"), "0");
}

TEST_F(ViewUiTest, EachEffectControlChangesThePixelsAsTheEngineDrawsThem)
{
    MImageVolume* sprite = m_app->LoadWas(Loose("a.was").c_str());
    ASSERT_NE(sprite, nullptr);
    const int x0 = -50, y0 = -90, w = 100, h = 120; // the frames at twice their size fit
    const std::vector<uint32_t> neutral = Engine(sprite->GetImage(0, 0), 14, 0x80808080, 1, 1, x0, y0, w, h);
    struct Case {
        const char* slider;
        const char* value;
        const char* stateKey;
        const char* want;
    } cases[] = {{"Blend", "0", "blend", "0"},      {"Blend", "7", "blend", "7"},   {"Blend", "21", "blend", "21"},
                 {"Hue", "200", "colour", "c8808080"}, {"Red", "255", "colour", "80ff8080"},
                 {"Green", "0", "colour", "80800080"}, {"Blue", "255", "colour", "808080ff"},
                 {"Alpha", "0.5", "alpha", "0.5"},  {"Scale", "2", "scale", "2"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.slider) + " " + c.value);
        const State s = Run({"2 key space", "5 press Key", "9 slide " + std::string(c.slider) + " " + c.value,
                             "16 shot " + (fs::current_path() / "effect.png").string()},
                            18, {"--select", "ui/a.was"});
        EXPECT_EQ(Get(s, c.stateKey), c.want);
        EXPECT_EQ(Get(s, "overlay"), "0");
        int kx = 0, ky = 0;
        std::istringstream(Get(s, "key")) >> kx >> ky;
        const int blend = std::stoi(Get(s, "blend"));
        const DWORD colour = DWORD(std::stoul(Get(s, "colour"), nullptr, 16));
        const float alpha = std::stof(Get(s, "alpha")), scale = std::stof(Get(s, "scale"));
        MImage* frame = sprite->GetImage(std::stoi(Get(s, "group")), std::stoi(Get(s, "frame")));
        ASSERT_NE(frame, nullptr);
        const std::vector<uint32_t> want = Engine(frame, blend, colour, alpha, scale, x0, y0, w, h);
        const std::vector<uint32_t> got = Shot("effect.png", kx, ky, x0, y0, w, h);
        ExpectSamePixels(got, want, w, std::string(c.slider) + " " + c.value);
        EXPECT_NE(got, neutral) << "the control changed nothing";
    }
    m_app->CloseImageVolume(sprite);
}

TEST_F(ViewUiTest, PictureZoomsAtTheCursorPansByDraggingAndShowsItsOwnSize)
{
    // Centred at its own size: (456 + (560 - 130) / 2, 36 + (430 - 40) / 2).
    State s = Run({}, 6, {"--select", "ui/pic.bmp"});
    EXPECT_EQ(Get(s, "view"), "picture");
    EXPECT_EQ(Get(s, "size"), "130 40");
    EXPECT_EQ(Get(s, "format"), "X8R8G8B8");
    EXPECT_EQ(Get(s, "at"), "671 231");
    EXPECT_EQ(Get(s, "zoom"), "1");
    // A notch at (700, 250) keeps the point under the cursor there.
    s = Run({"3 wheel 700 250 1"}, 10, {"--select", "ui/pic.bmp"});
    EXPECT_EQ(Get(s, "zoom"), "1.25");
    EXPECT_EQ(Get(s, "at"), "664 226"); // 700 - 29 * 1.25, 250 - 19 * 1.25
    s = Run({"3 wheel 700 250 1", "8 drag 700 250 730 270"}, 18, {"--select", "ui/pic.bmp"});
    EXPECT_EQ(Get(s, "at"), "694 246");
    // 1 brings it back to its own size, drawn as the engine draws it.
    s = Run({"3 wheel 700 250 2", "8 drag 700 250 600 200", "14 key 1",
             "20 shot " + (fs::current_path() / "picture.png").string()},
            22, {"--select", "ui/pic.bmp"});
    EXPECT_EQ(Get(s, "zoom"), "1");
    EXPECT_EQ(Get(s, "at"), "671 231");
    MImage* picture = m_app->LoadBMP(Loose("pic.bmp").c_str());
    ASSERT_NE(picture, nullptr);
    ExpectSamePixels(Shot("picture.png", 671, 231, 0, 0, 130, 40), Engine(picture, 14, 0, 1, 1, 0, 0, 130, 40), 130,
                     "the picture at 1:1");
    m_app->CloseImage(picture);
}

TEST_F(ViewUiTest, SoundPlaysAsMusicIsHeardAndStops)
{
    const std::string heard = (fs::current_path() / "heard.raw").string();
    setenv("SDL_DISKAUDIOFILE", heard.c_str(), 1);
    State s = Run({"3 key space"}, 90, {"--select", "ui/tune.wav", "--audio", "disk"});
    unsetenv("SDL_DISKAUDIOFILE");
    EXPECT_EQ(Get(s, "view"), "sound");
    EXPECT_EQ(Get(s, "music"), "ui/tune.wav");
    const std::string samples = ReadWhole(heard);
    EXPECT_GT(samples.size(), 1000u);
    EXPECT_NE(samples.find_first_not_of('\0'), std::string::npos) << "only silence was heard";

    // The music goes on while the list moves on; space on it again stops it.
    s = Run({"3 key space", "8 key escape", "12 key up"}, 20, {"--select", "ui/tune.wav"});
    EXPECT_EQ(Get(s, "music"), "ui/tune.wav");
    EXPECT_NE(Get(s, "entry"), "ui/tune.wav");
    s = Run({"3 key space", "8 key space"}, 14, {"--select", "ui/tune.wav"});
    EXPECT_EQ(Get(s, "music"), "");
    // Without looping it plays once as an effect.
    s = Run({"3 press Loop", "8 key space"}, 14, {"--select", "ui/tune.wav"});
    EXPECT_EQ(Get(s, "loop"), "0");
    EXPECT_EQ(Get(s, "effects"), "1");
    EXPECT_EQ(Get(s, "music"), "");
}

TEST_F(ViewUiTest, TextIsTypedAndStyledAsTheEngineMakesIt)
{
    const State plain = Run({"3 key f5"}, 8);
    EXPECT_EQ(Get(plain, "view"), "text");
    int w0 = 0, h0 = 0;
    std::istringstream(Get(plain, "image")) >> w0 >> h0;
    ASSERT_GT(w0, 0);
    const State typed = Run({"3 key f5", "6 type ab", "10 key backspace", "14 type \xe6\x96\x87"}, 20);
    EXPECT_EQ(Get(typed, "text"), Get(plain, "text") + "a\xce\xc4"); // the character arrives in GBK
    int w1 = 0, h1 = 0;
    std::istringstream(Get(typed, "image")) >> w1 >> h1;
    EXPECT_GT(w1, w0);
    struct Case {
        const char* button;
        const char* key;
    } styles[] = {{"Bold", "bold"}, {"Italic", "italic"}, {"Underline", "underline"}, {"Emboss", "emboss"}, {"UTF-8", "utf8"}};
    for (const Case& c : styles) {
        SCOPED_TRACE(c.button);
        const State s = Run({"3 key f5", std::string("6 press ") + c.button}, 10);
        EXPECT_EQ(Get(s, c.key), "1");
        EXPECT_EQ(Get(s, "status").find("no text image"), std::string::npos) << Get(s, "status");
        if (std::string(c.key) == "utf8") {
            EXPECT_EQ(Get(s, "image"), Get(plain, "image")) << "the same text from UTF-8 is the same image";
        }
    }
    // Each character is a message of its own, and the engine takes one a frame.
    // A font of the data is written with when chosen; the Font button goes
    // through the viewer's own and the data's.
    const State own = Run({}, 6, {"--select", "ui/zfont.ttf"});
    EXPECT_EQ(Get(own, "view"), "text");
    EXPECT_EQ(Get(own, "font"), "ui/zfont.ttf");
    int w3 = 0, h3 = 0;
    std::istringstream(Get(own, "image")) >> w3 >> h3;
    EXPECT_GT(w3, 0) << Get(own, "status");
    const State next = Run({"3 press Font"}, 8, {"--select", "ui/zfont.ttf"});
    EXPECT_NE(Get(next, "font"), "ui/zfont.ttf");
    EXPECT_EQ(Get(next, "fonts"), Get(own, "fonts"));
    const State wrapped = Run({"3 key f5", "6 type and more words to wrap", "40 slide Wrap 80"}, 46);
    int w2 = 0, h2 = 0;
    std::istringstream(Get(wrapped, "image")) >> w2 >> h2;
    EXPECT_LE(w2, 80);
    EXPECT_GT(h2, h0);
}

TEST_F(ViewUiTest, AFontFileTypedInIsWrittenWithOrTheEngineSaysWhyNot)
{
    // Relative to the folder the viewer was started in.
    std::ofstream("mine.ttf", std::ios::binary) << files.bytes["zfont.ttf"];
    const std::vector<std::string> open = {"3 key f5", "6 press Font file"};
    auto typed = [&](const std::vector<std::string>& more) {
        std::vector<std::string> script = open;
        script.insert(script.end(), more.begin(), more.end());
        return script;
    };
    const State before = Run(open, 10);
    EXPECT_EQ(Get(before, "typingpath"), "1");

    const State good = Run(typed({"9 type mine.ttf", "20 key enter"}), 26);
    EXPECT_EQ(Get(good, "font"), "mine.ttf");
    EXPECT_EQ(Get(good, "typingpath"), "0");
    EXPECT_EQ(Get(good, "text"), Get(before, "text")) << "the path is not typed into the text";
    EXPECT_EQ(std::stoi(Get(good, "fonts")), std::stoi(Get(before, "fonts")) + 1);
    int w = 0, h = 0;
    std::istringstream(Get(good, "image")) >> w >> h;
    EXPECT_GT(w, 0) << Get(good, "status");

    // A path that does not open, and a file that is no font: the status
    // line says what the engine's log says, after the path typed.
    std::ofstream("notafont.ttf") << "just some words";
    for (const char* path : {"nofont.ttf", "notafont.ttf"}) {
        SCOPED_TRACE(path);
        const State bad = Run(typed({std::string("9 type ") + path, "24 key enter"}), 30);
        EXPECT_EQ(Get(bad, "font"), path);
        EXPECT_EQ(Get(bad, "image"), "<none>");
        const std::string status = Get(bad, "status");
        EXPECT_EQ(status.rfind(std::string(path) + ": GetFont ", 0), 0u) << status;
        EXPECT_NE(status.find((fs::current_path() / path).string()), std::string::npos) << status;
    }

    // Backspace edits the path; the field keeps it to be put right, and
    // the same path used again is not listed twice.
    const State edited = Run(typed({"9 type mine.ttfx", "24 key backspace", "28 key enter", "32 press Font file",
                                    "36 key enter"}),
                             42);
    EXPECT_EQ(Get(edited, "font"), "mine.ttf");
    EXPECT_EQ(Get(edited, "fontfile"), "mine.ttf");
    EXPECT_EQ(Get(edited, "fonts"), Get(good, "fonts"));
}

TEST_F(ViewUiTest, DamagedEntriesSayWhyAndTheViewerGoesOn)
{
    struct Case {
        const char* entry;
        const char* reason;
    } cases[] = {{"ui/cut.was", "frames left out"}, {"ui/outside.was", "its bytes run past the end of the archive"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        const State s = Run({"3 key escape", "6 key down"}, 12, {"--select", c.entry});
        // The status line said why while the entry was shown, and the
        // viewer moved on to the next one.
        EXPECT_NE(Get(s, "entry"), c.entry);
        const State shown = Run({}, 4, {"--select", c.entry});
        EXPECT_NE(Get(shown, "status").find(c.reason), std::string::npos) << Get(shown, "status");
    }
}

TEST_F(ViewUiTest, AFolderOfLooseFilesBecomesTheCurrentOneAndTheCommandLineStillHolds)
{
    // The script, the state and the screenshot are named relative to where
    // the viewer starts, though it then works in the loose folder.
    scratch.Write("loose/extra.bmp", MakeBmp(8, 8, 3));
    const State s = Run({"3 key escape", "6 key down"}, 12, {"loose", "--select", "extra.bmp", "--screenshot", "shot.png"});
    EXPECT_EQ(Get(s, "entry"), "ui/a.was"); // the next after extra.bmp
    EXPECT_TRUE(fs::exists("shot.png"));
    const State picture = Run({}, 4, {"loose", "--select", "extra.bmp"});
    EXPECT_EQ(Get(picture, "size"), "8 8");
}

TEST_F(ViewUiTest, ExportWritesFramesAsTheEngineDecodedThem)
{
    MImageVolume* sprite = m_app->LoadWas(Loose("a.was").c_str());
    ASSERT_NE(sprite, nullptr);
    struct Case {
        const char* button;
        size_t files;
    } cases[] = {{"Export frame", 1}, {"Group", 3}, {"All", 6}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        std::error_code ec;
        fs::remove_all("kesto-view-export", ec);
        Run({"2 key space", std::string("5 press ") + c.button}, 10, {"--select", "ui/a.was"});
        const fs::path folder = fs::path("kesto-view-export") / "ui_a.was";
        size_t n = 0;
        for (const auto& f : fs::directory_iterator(folder, ec)) {
            ++n;
            int g = 0, fr = 0;
            ASSERT_EQ(std::sscanf(f.path().filename().c_str(), "g%d_f%d.png", &g, &fr), 2) << f.path();
            int w = 0, h = 0;
            std::vector<uint32_t> png;
            ASSERT_TRUE(ReadPngFile(f.path().string(), &w, &h, &png));
            MImage* img = sprite->GetImage(g, fr);
            ASSERT_NE(img, nullptr);
            ASSERT_EQ(w, img->m_width);
            ExpectSamePixels(png, ImagePixels(img), w, f.path().string());
        }
        EXPECT_EQ(n, c.files);
    }
    m_app->CloseImageVolume(sprite);
}

} // namespace
} // namespace kes::test
