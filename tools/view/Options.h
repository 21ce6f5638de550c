// kesto-view's command line.
#ifndef KESTO_TOOLS_VIEW_OPTIONS_H
#define KESTO_TOOLS_VIEW_OPTIONS_H

#include <string>
#include <vector>

namespace kes::view {

struct Options {
    std::vector<std::string> data;  // archives and a folder of loose files
    std::vector<std::string> names; // lists of game paths, or folders, naming entries
    std::string sheet;              // --sheet: the PNG to write (then no window)
    std::string sheetEntry;         // --sheet DATA/ENTRY: the sprite
    bool list = false;              // --list: print the entries instead of opening a window
    int columns = 8;
    std::string font;               // the face of the viewer's text
    int frames = 0;                 // --frames: run that many frames, then quit
    std::string screenshot;         // --screenshot: the last frame's picture
    std::string script;             // --script: input to play into the window
    std::string state;              // --state: where the viewer writes what it shows, at the end
    std::string video, device, audio;
    std::string select;             // --select: the entry shown first
    bool mute = false;
};

enum class ParseResult { Run, Done, Error };

ParseResult ParseOptions(int argc, char** argv, Options* out);

// The font files tried when none is given, in order.
extern const char* const kDefaultFonts[];

} // namespace kes::view

#endif
