// kesto-was info: the header and every frame slot of a sprite.
#include "Commands.h"
#include "SpriteReader.h"
#include "WasEncoder.h"

#include <Cli.h>
#include <Files.h>

#include <cstdio>

namespace kes::was::tool {

using namespace kes::cli;

int RunInfo(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {}, &args, &error)) return UsageError(error, "info");
    if (args.help) {
        PrintUsage("info", false);
        return kExitOk;
    }
    if (args.positional.size() != 1)
        return UsageError(args.positional.empty() ? "info needs a sprite file" : "info takes one sprite file",
                          "info");
    const std::string& path = args.positional[0];
    std::string bytes;
    if (!ReadWholeFile(path, &bytes, &error)) {
        Error(error);
        return kExitFailure;
    }
    const SpriteView view = ViewSprite(bytes, false);
    if (view.status != HeaderStatus::Ok) {
        Error(path + ": " + Describe(view.status));
        return kExitFailure;
    }
    const Header& h = view.header;
    int present = 0, absent = 0, refused = 0, doubled = 0;
    for (const SlotView& s : view.slots) {
        if (view.Decoded(s)) ++present;
        else if (s.status == FrameStatus::Absent) ++absent;
        else ++refused;
        doubled += view.Decoded(s) && s.doubled;
    }

    printf("file:    %s (%llu bytes)\n", path.c_str(), (unsigned long long)view.size);
    printf("header:  length %d, palette at offset %llu\n", h.headerLength, (unsigned long long)h.palette);
    printf("groups:  %d\n", h.groups);
    printf("frames:  %d per group; %d present, %d absent, %d unusable\n", h.frames, present, absent, refused);
    printf("size:    %d x %d\n", h.width, h.height);
    printf("key:     %d, %d\n", h.keyX, h.keyY);
    if (h.groups < 1 || h.frames < 1) printf("         (no frame grid: the engine loads an empty animation)\n");
    if (!view.slots.empty()) printf("%-12s %-11s %-13s %-10s %s\n", "frame", "size", "key", "offset", "notes");
    for (size_t i = 0; i < view.slots.size(); ++i) {
        const SlotView& s = view.slots[i];
        const std::string name = SlotName(int(i), h.frames);
        if (s.status == FrameStatus::Absent) {
            printf("%-12s absent\n", name.c_str());
            continue;
        }
        char offset[16];
        snprintf(offset, sizeof offset, "0x%08x", unsigned(s.entry));
        if (s.status == FrameStatus::HeaderOutside) {
            printf("%-12s %-11s %-13s %-10s unusable: %s\n", name.c_str(), "-", "-", offset, Describe(s.status));
            continue;
        }
        const std::string size = std::to_string(s.frame.width) + "x" + std::to_string(s.frame.height);
        const std::string key = std::to_string(s.frame.keyX) + "," + std::to_string(s.frame.keyY);
        std::string notes;
        if (s.status != FrameStatus::Ok)
            notes = std::string("unusable: ") + Describe(s.status);
        else if (s.damaged)
            notes = "damaged: the code of row " + std::to_string(s.fault.row) +
                    " runs past the end of the file (at byte " + std::to_string(s.fault.position) + ")";
        else if (s.doubled)
            notes = "doubled rows (no pixel on an odd row)";
        printf("%-12s %-11s %-13s %-10s %s\n", name.c_str(), size.c_str(), key.c_str(), offset, notes.c_str());
    }
    // A sprite of which the engine can show nothing is not one a game can
    // use: that is a failure, not a remark.
    if (refused && !present) {
        Error(path + (refused == 1 ? ": its one frame cannot" : ": none of its " + std::to_string(refused) + " frames can") +
              " be decoded; the engine shows nothing of this sprite");
        return kExitFailure;
    }
    if (refused)
        Warning(Count(refused, "frame cannot", "frames cannot") +
                " be decoded; the engine leaves its slot empty");
    if (doubled)
        Note(Count(doubled, "frame is", "frames are") + " shown with doubled rows");
    return kExitOk;
}

} // namespace kes::was::tool
