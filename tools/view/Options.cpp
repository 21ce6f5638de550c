#include "Options.h"

#include <Cli.h>
#include <KesVersion.h>
#include <Numbers.h>

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace kes::view {

const char* const kDefaultFonts[] = {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
                                     "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", nullptr};

namespace {

const char kUsage[] =
    "Usage: kesto-view [options] DATA...\n"
    "       kesto-view --sheet DATA... OUT.png\n"
    "       kesto-view --sheet DATA/ENTRY OUT.png\n"
    "       kesto-view --list DATA...\n"
    "\n"
    "Shows what a game's data holds, drawn by the Kesto engine: every entry of\n"
    "its archives and loose files, sprites played in every direction with the\n"
    "engine's effects, pictures, text in any font, music and sounds.\n"
    "\n"
    "DATA is an archive (a chain is read from its first part, shape.wdf reads\n"
    "shape.wd1 ... too) or a folder of loose files, which stand in for archived\n"
    "entries of the same path as they do for a game.\n"
    "\n"
    "  --names <list|folder>  names for the ids archives store: a file of game\n"
    "                         paths (shape/char/0001.was, one a line) or a folder\n"
    "                         of the files that were packed (may repeat)\n"
    "  --sheet                write a contact sheet instead of opening a window:\n"
    "                         the first frame of every group of every sprite and\n"
    "                         every picture, labelled; with DATA/ENTRY (an archive\n"
    "                         followed by a path inside it, or an id 0x1234abcd)\n"
    "                         every frame of that sprite, a row for each group.\n"
    "                         OUT.png.layout says where each picture went\n"
    "  --list                 print every entry (name or id, size, part, kind),\n"
    "                         tab-separated, in the list's order\n"
    "  --columns <n>          cells in a row of a contact sheet (default 8)\n"
    "  --font <file>          the font of the viewer's own text (default WenQuanYi\n"
    "                         Zen Hei, else DejaVu Sans)\n"
    "  --select <entry>       the entry shown first\n"
    "  --frames <n>           run n frames, then quit (without a display this is\n"
    "                         what happens, 120 frames unless told)\n"
    "  --screenshot <png>     write the last frame as a PNG picture\n"
    "  --script <file>        play input into the window: lines of\n"
    "                         '<frame> key <name>', '<frame> type <text>',\n"
    "                         '<frame> click <x> <y>', '<frame> drag <x> <y> <x2> <y2>',\n"
    "                         '<frame> wheel <x> <y> <notches>', '<frame> shot <png>'\n"
    "  --state <file>         at the end, write what the viewer shows (the entry,\n"
    "                         the view's settings) as 'key value' lines\n"
    "  --video <driver>       an SDL video driver (x11, wayland, offscreen, dummy)\n"
    "  --device <name>        a render device (software, opengl)\n"
    "  --audio <driver>       a sound output (device, dummy, disk, ...)\n"
    "  --mute                 play no sound\n"
    "  --version              print the version\n"
    "\n"
    "In the window: type to filter the list; Up/Down/PageUp/PageDown/Home/End\n"
    "and the wheel move through it; click a column's title to sort by it.\n"
    "Space plays or pauses a sprite or a sound, Left/Right step frames,\n"
    "Tab changes direction, 1 shows a picture at its own size, F2 exports\n"
    "(a frame; Shift: the group; Ctrl: the whole sprite) beside the data\n"
    "in kesto-view-export/, F5 the text view, Escape clears the filter or quits.\n"
    "\n"
    "Exit status: 0 on success, 1 when data or an output fails, 2 when the\n"
    "command line is wrong.\n";

// "shape.wdf/char/0001.was": the archive and the entry inside it, split at
// the first '/' after which the part before names an archive file.
bool SplitEntry(const std::string& arg, std::string* data, std::string* entry)
{
    for (size_t slash = arg.find('/'); slash != std::string::npos; slash = arg.find('/', slash + 1)) {
        std::error_code ec;
        const std::string head = arg.substr(0, slash);
        if (fs::is_regular_file(head, ec)) {
            *data = head;
            *entry = arg.substr(slash + 1);
            return !entry->empty();
        }
    }
    return false;
}

} // namespace

ParseResult ParseOptions(int argc, char** argv, Options* out)
{
    using cli::OptionSpec;
    cli::SetToolName("kesto-view");
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("kesto-view %s\n", KESTO_VERSION);
        return ParseResult::Done;
    }
    const std::vector<OptionSpec> specs = {
        {"--names", nullptr, true, true}, {"--sheet", nullptr, false},   {"--columns", nullptr, true},
        {"--font", nullptr, true},        {"--select", nullptr, true},   {"--frames", nullptr, true},
        {"--screenshot", nullptr, true},  {"--script", nullptr, true},   {"--state", nullptr, true},
        {"--video", nullptr, true},       {"--device", nullptr, true},   {"--audio", nullptr, true},
        {"--mute", nullptr, false},       {"--list", nullptr, false}};
    cli::ParsedArgs args;
    std::string error;
    if (!cli::ParseArgs(argc, argv, 1, specs, &args, &error)) {
        cli::UsageError(error);
        return ParseResult::Error;
    }
    if (args.help) {
        std::fputs(kUsage, stdout);
        return ParseResult::Done;
    }
    out->names = args.Values("--names");
    out->font = args.Last("--font");
    out->select = args.Last("--select");
    out->screenshot = args.Last("--screenshot");
    out->script = args.Last("--script");
    out->state = args.Last("--state");
    out->video = args.Last("--video");
    out->device = args.Last("--device");
    out->audio = args.Last("--audio");
    out->mute = args.Has("--mute");
    out->list = args.Has("--list");
    if (args.Has("--columns") && !cli::ParseInteger(args.Last("--columns"), 1, 256, &out->columns)) {
        cli::UsageError("--columns takes a number from 1 to 256");
        return ParseResult::Error;
    }
    if (args.Has("--frames") && !cli::ParseInteger(args.Last("--frames"), 1, 100000000, &out->frames)) {
        cli::UsageError("--frames takes a number of frames, 1 or more");
        return ParseResult::Error;
    }
    out->data = args.positional;
    if (args.Has("--sheet")) {
        if (out->data.size() < 2) {
            cli::UsageError("--sheet needs the data and the PNG file to write");
            return ParseResult::Error;
        }
        out->sheet = out->data.back();
        out->data.pop_back();
        std::error_code ec;
        if (out->data.size() == 1 && !fs::exists(out->data[0], ec)) {
            std::string data, entry;
            if (!SplitEntry(out->data[0], &data, &entry)) {
                cli::Error(out->data[0] + ": neither a file nor an archive followed by an entry");
                return ParseResult::Error;
            }
            out->data[0] = data;
            out->sheetEntry = entry;
        }
    }
    if (out->data.empty()) {
        cli::UsageError("give the data to view: archives, a folder of loose files, or both");
        return ParseResult::Error;
    }
    return ParseResult::Run;
}

} // namespace kes::view
