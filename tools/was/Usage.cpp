// The help texts of kesto-was.
#include "Commands.h"

#include <cstdio>
#include <cstring>

namespace kes::was::tool {
namespace {

const char kTool[] =
    "Usage: kesto-was <command> [arguments]\n"
    "\n"
    "Shows, exports and encodes WAS sprites: animations of groups (usually one\n"
    "per facing direction) by frames, sharing one 256-colour palette, each frame\n"
    "run-length coded with per-pixel alpha.\n"
    "\n"
    "Commands:\n"
    "  info <file.was>\n"
    "      Shows the header and every frame: size, key point, absent or damaged.\n"
    "  export <file.was> <folder> [--raw] [--force]\n"
    "      Writes each frame as g<group>_f<frame>.png with alpha.\n"
    "  encode <folder | picture.png...> <out.was> --groups G --frames F [--key X,Y] [--size W,H] [--force]\n"
    "      Builds a sprite from PNG frames.\n"
    "\n"
    "Run 'kesto-was <command> --help' for the details of one command, and\n"
    "'kesto-was --version' for the version. An option may be given only once.\n"
    "Exit status: 0 on success, 1 when a sprite or a picture is bad or cannot be\n"
    "read or written, 2 when the command line is wrong.\n";

const char kInfo[] =
    "Usage: kesto-was info <file.was>\n"
    "\n"
    "Prints the header (header length, groups, frames per group, animation size\n"
    "and key point) and one line per frame slot: its size and key point, or why\n"
    "the engine shows nothing there (absent, empty, damaged). Frames the engine\n"
    "shows with doubled rows are marked: a frame whose odd rows hold no pixel is\n"
    "taken to be stored at half height, until one frame of the file has a pixel\n"
    "on an odd row. Exit status 1 when the header itself is unusable, or when\n"
    "the sprite has frames and the engine can decode none of them.\n";

const char kExport[] =
    "Usage: kesto-was export <file.was> <folder> [--raw] [--force]\n"
    "\n"
    "Writes every frame the engine can decode as <folder>/g<group>_f<frame>.png\n"
    "(8-bit RGBA; the folder is created when missing). The frame's key point is\n"
    "kept in a text chunk \"Kesto key\", the sprite's own key point and box in\n"
    "\"Kesto sprite\"; encode reads both back. Absent frames write no file.\n"
    "Frames that cannot be decoded are named together in one line (info tells\n"
    "each one's fault), and the exit status is then 1; the others are still\n"
    "written. A folder made for frames none of which could be written is removed.\n"
    "\n"
    "  --raw   the frames as stored, without the doubled rows the engine shows\n"
    "          for frames stored at half height\n"
    "  --force replace frames an earlier export wrote (else an error)\n";

const char kEncode[] =
    "Usage: kesto-was encode <folder | picture.png...> <out.was> --groups G --frames F\n"
    "                        [--key X,Y] [--size W,H] [--force]\n"
    "\n"
    "Builds a sprite of G groups by F frames from PNG pictures (any PNG colour\n"
    "type; alpha is kept in 32 levels plus opaque).\n"
    "\n"
    "  <folder>        takes <folder>/g<group>_f<frame>.png for every slot; a\n"
    "                  missing file makes an absent frame, and a frame file\n"
    "                  outside the grid is an error (it would be left out)\n"
    "  <picture.png>   pictures in slot order (group 0 frame 0, group 0 frame 1,\n"
    "                  ...); '-' stands for an absent frame, slots past the last\n"
    "                  picture are absent\n"
    "  --groups G      group count, 1 to 32767\n"
    "  --frames F      frames per group, 1 to 32767\n"
    "  --key X,Y       the animation's key point (default: the \"Kesto sprite\"\n"
    "                  chunk of exported frames, else 0,0); also the key of\n"
    "                  every frame whose PNG has no \"Kesto key\" chunk\n"
    "  --size W,H      the animation's box (default: the \"Kesto sprite\" chunk,\n"
    "                  else the largest frame)\n"
    "                  Frames exported from different sprites disagree on these:\n"
    "                  then --key and --size must choose.\n"
    "  --force         replace <out.was> when it exists (else an error; a device\n"
    "                  such as /dev/null is written as it is)\n"
    "\n"
    "All frames share one palette of 256 5-6-5 colours; with more colours the\n"
    "pictures are quantised (median cut). Frames are at most 4096 pixels a side.\n";

} // namespace

bool PrintUsage(const char* command, bool toStderr)
{
    const char* text = kTool;
    if (command) {
        if (!strcmp(command, "info"))
            text = kInfo;
        else if (!strcmp(command, "export"))
            text = kExport;
        else if (!strcmp(command, "encode"))
            text = kEncode;
        else
            return false;
    }
    fputs(text, toStderr ? stderr : stdout);
    return true;
}

} // namespace kes::was::tool
