// kesto-was encode: a sprite from PNG frames.
#include "Commands.h"
#include "Png.h"
#include "SpriteReader.h"
#include "WasEncoder.h"

#include <Cli.h>
#include <Files.h>
#include <Numbers.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace kes::was::tool {

using namespace kes::cli;

namespace {

constexpr long long kMaxSlots = 1 << 20;

// "g<group>_f<frame>.png": named as export names a frame.
bool IsFrameName(const std::string& name)
{
    auto digits = [&](size_t from, size_t to) {
        return to > from && std::all_of(name.begin() + long(from), name.begin() + long(to),
                                        [](char c) { return c >= '0' && c <= '9'; });
    };
    const size_t mark = name.find("_f");
    return name.size() > 4 && name[0] == 'g' && mark != std::string::npos &&
           name.compare(name.size() - 4, 4, ".png") == 0 && digits(1, mark) && digits(mark + 2, name.size() - 4);
}

// The frame file of every slot of the grid in `folder`; empty for a
// missing one, which makes an absent frame. A frame file outside the grid
// is an error: the sprite would lose it without a word.
bool FolderSlots(const std::string& folder, int groups, int frames, std::vector<std::string>* paths)
{
    std::set<std::string> expected;
    std::error_code ec;
    for (size_t i = 0; i < paths->size(); ++i) {
        const std::string name = SlotName(int(i), frames) + ".png";
        expected.insert(name);
        const fs::path p = fs::path(folder) / name;
        if (fs::exists(p, ec)) (*paths)[i] = p.string();
    }
    bool ok = true;
    for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
        const std::string name = e.path().filename().string();
        if (e.path().extension() != ".png" || expected.count(name)) continue;
        if (IsFrameName(name)) {
            Error(e.path().string() + " lies outside the grid of " + Count(groups, "group", "groups") + " by " +
                  Count(frames, "frame", "frames") +
                  " and would be left out; give a grid that holds it, or move it away");
            ok = false;
        } else {
            Warning(e.path().string() + " ignored: not named g<group>_f<frame>.png");
        }
    }
    return ok;
}

// The sprite's own key point and box, as exported frames carry them.
struct SpriteChunk {
    bool found = false;
    int keyX = 0, keyY = 0, width = 0, height = 0;
    std::string from;

    // Frames exported from different sprites disagree; then the command
    // line must say which key point and box to use. False after saying so.
    bool Take(const PngPicture& png, const std::string& path, const ParsedArgs& args)
    {
        if (!png.hasSprite) return true;
        if (!found) {
            *this = SpriteChunk{true, png.spriteKeyX, png.spriteKeyY, png.spriteWidth, png.spriteHeight, path};
            return true;
        }
        const bool keyDiffers = png.spriteKeyX != keyX || png.spriteKeyY != keyY;
        const bool boxDiffers = png.spriteWidth != width || png.spriteHeight != height;
        if ((!keyDiffers || args.Has("--key")) && (!boxDiffers || args.Has("--size"))) return true;
        Error(path + " and " + from + " were exported from different sprites (key point " +
              std::to_string(png.spriteKeyX) + "," + std::to_string(png.spriteKeyY) + " and " + std::to_string(keyX) +
              "," + std::to_string(keyY) + ", box " + std::to_string(png.spriteWidth) + "x" +
              std::to_string(png.spriteHeight) + " and " + std::to_string(width) + "x" + std::to_string(height) +
              "); give --key and --size to choose");
        return false;
    }
};

} // namespace

int RunEncode(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    const std::vector<OptionSpec> options = {
        {"--groups", nullptr, true}, {"--frames", nullptr, true}, {"--key", nullptr, true}, {"--size", nullptr, true},
        {"--force", nullptr, false}};
    if (!ParseArgs(argc, argv, first, options, &args, &error)) return UsageError(error, "encode");
    if (args.help) {
        PrintUsage("encode", false);
        return kExitOk;
    }
    if (args.positional.size() < 2)
        return UsageError("encode needs a folder or pictures, and the sprite file to write", "encode");

    EncodeSettings settings;
    if (!args.Has("--groups") || !args.Has("--frames"))
        return UsageError("encode needs --groups and --frames", "encode");
    if (!ParseInteger(args.Last("--groups"), 1, 0x7FFF, &settings.groups))
        return UsageError("--groups takes a count from 1 to 32767, not '" + args.Last("--groups") + "'", "encode");
    if (!ParseInteger(args.Last("--frames"), 1, 0x7FFF, &settings.frames))
        return UsageError("--frames takes a count from 1 to 32767, not '" + args.Last("--frames") + "'", "encode");
    if (args.Has("--key") && !ParsePair(args.Last("--key"), &settings.keyX, &settings.keyY))
        return UsageError("--key takes X,Y (two whole numbers), not '" + args.Last("--key") + "'", "encode");
    if (args.Has("--size")) {
        if (!ParsePair(args.Last("--size"), &settings.width, &settings.height) || settings.width < 0 ||
            settings.height < 0)
            return UsageError("--size takes W,H (two whole numbers from 0), not '" + args.Last("--size") + "'",
                              "encode");
    }
    const long long total = (long long)settings.groups * settings.frames;
    // Sprites hold a few hundred frames; a grid of millions is a typing mistake.
    if (total > kMaxSlots)
        return UsageError("groups x frames is " + std::to_string(total) + ", more than the " +
                              std::to_string(kMaxSlots) + " frames a sprite made here may hold",
                          "encode");

    const std::string output = args.positional.back();
    if (!MayReplace(output, args.Has("--force"), &error)) {
        Error(error);
        return kExitFailure;
    }
    std::vector<std::string> inputs(args.positional.begin(), args.positional.end() - 1);
    std::vector<std::string> paths(static_cast<size_t>(total)); // empty: absent
    std::error_code ec;
    if (inputs.size() == 1 && fs::is_directory(inputs[0], ec)) {
        if (!FolderSlots(inputs[0], settings.groups, settings.frames, &paths)) return kExitFailure;
    } else {
        if ((long long)inputs.size() > total)
            return UsageError(Count(inputs.size(), "picture", "pictures") + " given for " +
                                  Count(total, "frame", "frames") + " (groups x frames)",
                              "encode");
        for (size_t i = 0; i < inputs.size(); ++i)
            if (inputs[i] != "-") paths[i] = inputs[i];
    }

    std::vector<PngPicture> pngs(paths.size());
    SpriteChunk chunk;
    int present = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].empty()) continue;
        if (!ReadPng(paths[i], kMaxFrameSide, &pngs[i], &error)) {
            Error(error);
            return kExitFailure;
        }
        if (!chunk.Take(pngs[i], paths[i], args)) return kExitFailure;
        ++present;
    }
    if (present == 0) Warning("no pictures found: every frame of the sprite is absent");
    // Frames exported from a sprite carry its own key point and box: they
    // come back unless the command line says otherwise.
    if (chunk.found && !args.Has("--key")) {
        settings.keyX = chunk.keyX;
        settings.keyY = chunk.keyY;
    }
    if (chunk.found && !args.Has("--size")) {
        settings.width = chunk.width;
        settings.height = chunk.height;
    }

    std::vector<Picture> pictures(paths.size());
    std::vector<const Picture*> slots(paths.size(), nullptr);
    for (size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].empty()) continue;
        PngPicture& png = pngs[i];
        Picture& p = pictures[i];
        p.width = png.width;
        p.height = png.height;
        p.keyX = png.hasKey ? png.keyX : settings.keyX;
        p.keyY = png.hasKey ? png.keyY : settings.keyY;
        p.argb = std::move(png.argb);
        slots[i] = &p;
    }

    std::string bytes;
    EncodeReport report;
    if (!EncodeSprite(slots, settings, &bytes, &error, &report)) {
        Error(error);
        return kExitFailure;
    }
    OutputFile out;
    if (!out.Open(output, args.Has("--force"), &error) || !out.Write(bytes.data(), bytes.size(), &error) ||
        !out.Finish(&error)) {
        Error(error);
        return kExitFailure;
    }
    Note("wrote " + output + ": " + Count(present, "frame", "frames") + ", " + std::to_string(total - present) +
         " absent, " + Count(report.paletteColours, "palette colour", "palette colours") +
         (report.quantised ? " (quantised from " + std::to_string(report.sourceColours) + ")" : ""));
    for (const std::string& name : report.doubledFrames)
        Warning("frame " + name +
                " has no pixel on an odd row: the engine takes it to be stored at half height and shows each "
                "even row twice at four fifths of its opacity");
    return kExitOk;
}

} // namespace kes::was::tool
