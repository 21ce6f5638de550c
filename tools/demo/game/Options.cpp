#include "Options.h"

#include <KesVersion.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kes::demo {
namespace {

const char kUsage[] =
    "Usage: kesto-demo [options]\n"
    "\n"
    "A small game on the Kesto engine: a mage walks a plaza while the panels\n"
    "around show what the sprite batcher can do (blend levels, tints, hue,\n"
    "alpha, scale, lines and rectangles) to looping music.\n"
    "\n"
    "Playing: click (or hold the left button and drag) to send the hero walking;\n"
    "F switches to following the cursor; the wheel zooms the hero; Alt+Enter\n"
    "toggles full screen; Escape quits.\n"
    "\n"
    "  --data <folder>        where shape.wdf, scene.wdf, ui.wdf and sound.wdf are\n"
    "                         (default: the data folder beside the program)\n"
    "  --frames <n>           a scripted run: the hero follows a fixed path for n\n"
    "                         frames, then the demo quits\n"
    "  --screenshots <folder> a scripted run that writes PNG screenshots there\n"
    "  --shots <k>            how many screenshots, evenly spread (default 4)\n"
    "  --video <driver>       an SDL video driver (x11, wayland, offscreen, dummy)\n"
    "  --device <name>        a render device (software, opengl)\n"
    "  --fullscreen           start in full screen\n"
    "  --follow               the hero follows the cursor from the start\n"
    "  --mute                 no music and no clicks\n"
    "  --version              print the demo's (the library's) version\n"
    "\n"
    "Without a display (no desktop) the run is scripted: 300 frames, with\n"
    "screenshots in ./kesto-demo-shots unless --screenshots says otherwise.\n"
    "Exit status: 0 on success, 1 when the data or a screenshot fails, 2 when\n"
    "the command line is wrong.\n";

bool Count(const char* text, int least, int* out)
{
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < least || v > 1000000) return false;
    *out = int(v);
    return true;
}

} // namespace

ParseResult ParseOptions(int argc, char** argv, Options* out)
{
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool hasValue = i + 1 < argc;
        auto fail = [a](const char* why) {
            std::fprintf(stderr, "kesto-demo: %s: %s\nRun 'kesto-demo --help' for the options.\n", a, why);
            return ParseResult::Error;
        };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            std::fputs(kUsage, stdout);
            return ParseResult::Help;
        } else if (!std::strcmp(a, "--version")) {
            std::printf("kesto-demo %s\n", KesVersion());
            return ParseResult::Help;
        } else if (!std::strcmp(a, "--fullscreen")) {
            out->fullscreen = true;
        } else if (!std::strcmp(a, "--follow")) {
            out->follow = true;
        } else if (!std::strcmp(a, "--mute")) {
            out->mute = true;
        } else if (!std::strcmp(a, "--data") || !std::strcmp(a, "--screenshots") || !std::strcmp(a, "--video") ||
                   !std::strcmp(a, "--device") || !std::strcmp(a, "--frames") || !std::strcmp(a, "--shots")) {
            if (!hasValue) return fail("needs a value");
            const char* v = argv[++i];
            if (!std::strcmp(a, "--data"))
                out->data = v;
            else if (!std::strcmp(a, "--screenshots"))
                out->shots = v;
            else if (!std::strcmp(a, "--video"))
                out->video = v;
            else if (!std::strcmp(a, "--device"))
                out->device = v;
            else if (!std::strcmp(a, "--frames") && !Count(v, 1, &out->frames))
                return fail("takes a whole number of frames from 1");
            else if (!std::strcmp(a, "--shots") && !Count(v, 1, &out->shotCount))
                return fail("takes a whole number from 1");
        } else {
            return fail("unknown option");
        }
    }
    // Screenshots only come from a scripted run.
    if (!out->shots.empty() && out->frames == 0) out->frames = kDefaultFrames;
    return ParseResult::Run;
}

} // namespace kes::demo
