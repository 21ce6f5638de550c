// The demo's command line.
#ifndef KESTO_DEMO_GAME_OPTIONS_H
#define KESTO_DEMO_GAME_OPTIONS_H

#include <string>

namespace kes::demo {

struct Options {
    std::string data;     // the folder holding the archives; empty: found beside the executable
    int frames = 0;       // above 0: a scripted run of that many frames
    std::string shots;    // where a scripted run writes its screenshots; empty: nowhere
    int shotCount = 4;    // screenshots of a scripted run, evenly spread over it
    std::string video;    // an SDL video driver to use instead of the automatic choice
    std::string device;   // a render device to use instead of the automatic choice
    bool fullscreen = false;
    bool follow = false;  // the hero follows the cursor instead of walking to clicks
    bool mute = false;    // music and effects at volume 0
};

// The frames of a scripted run when none are asked for.
constexpr int kDefaultFrames = 300;

enum class ParseResult { Run, Help, Error };

// Reads argv; prints the help or the mistake itself.
ParseResult ParseOptions(int argc, char** argv, Options* out);

} // namespace kes::demo

#endif
