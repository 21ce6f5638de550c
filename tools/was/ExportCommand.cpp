// kesto-was export: every decodable frame as a PNG picture.
#include "Commands.h"
#include "FrameExport.h"
#include "Png.h"
#include "SlotList.h"
#include "SpriteReader.h"
#include "WasEncoder.h"

#include <Cli.h>
#include <Files.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace kes::was::tool {

using namespace kes::cli;

int RunExport(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    const std::vector<OptionSpec> options = {{"--raw", nullptr, false}, {"--force", nullptr, false}};
    if (!ParseArgs(argc, argv, first, options, &args, &error)) return UsageError(error, "export");
    if (args.help) {
        PrintUsage("export", false);
        return kExitOk;
    }
    if (args.positional.size() != 2) return UsageError("export needs a sprite file and a folder", "export");
    const std::string& path = args.positional[0];
    const fs::path folder = args.positional[1];

    std::string bytes;
    if (!ReadWholeFile(path, &bytes, &error)) {
        Error(error);
        return kExitFailure;
    }
    const SpriteView view = ViewSprite(bytes, !args.Has("--raw"));
    if (view.status != HeaderStatus::Ok) {
        Error(path + ": " + Describe(view.status));
        return kExitFailure;
    }
    // A folder made here goes again if no frame is written into it.
    MadeFolders folders;
    if (!folders.Make(folder.string(), &error)) {
        Error(error);
        return kExitFailure;
    }
    std::error_code ec;

    // Frames edited since an earlier export are not written over unasked.
    if (!args.Has("--force")) {
        for (size_t i = 0; i < view.slots.size(); ++i) {
            const fs::path png = folder / (SlotName(int(i), view.header.frames) + ".png");
            if (view.slots[i].status != FrameStatus::Absent && fs::exists(png, ec)) {
                Error(png.string() + " exists; give --force to replace the frames in " + folder.string());
                return kExitFailure;
            }
        }
    }

    int written = 0;
    std::vector<int> bad;
    for (size_t i = 0; i < view.slots.size(); ++i) {
        const SlotView& s = view.slots[i];
        const std::string name = SlotName(int(i), view.header.frames);
        if (s.status == FrameStatus::Absent) continue;
        if (!view.Decoded(s)) {
            bad.push_back(int(i));
            continue;
        }
        PngPicture picture;
        picture.width = s.frame.width;
        picture.height = s.frame.height;
        picture.argb = s.pixels;
        picture.hasKey = true;
        picture.keyX = s.frame.keyX;
        picture.keyY = s.frame.keyY;
        picture.hasSprite = true;
        picture.spriteKeyX = view.header.keyX;
        picture.spriteKeyY = view.header.keyY;
        picture.spriteWidth = view.header.width;
        picture.spriteHeight = view.header.height;
        // A fault of the output would meet every frame after this one: it
        // is told once.
        if (!WriteFramePng((folder / (name + ".png")).string(), picture, args.Has("--force"), &error)) {
            Error(error);
            return kExitFailure;
        }
        ++written;
    }
    // A sprite damaged throughout would otherwise fill the screen: the frames
    // left out are told in one line, and info tells each one's fault.
    if (!bad.empty())
        Error(path + ": " + Count(bad.size(), "frame", "frames") + " cannot be decoded and " +
              (bad.size() == 1 ? "is" : "are") + " not written (" + DescribeSlots(bad, view.header.frames) +
              "); 'kesto-was info " + path + "' tells why");
    if (written || bad.empty()) folders.Keep();
    Note("wrote " + Count(written, "frame", "frames") + " to " + folder.string());
    return bad.empty() ? kExitOk : kExitFailure;
}

} // namespace kes::was::tool
