// kesto-was encode: a sprite from PNG frames.
#include "Png.h"
#include "SpriteReader.h"
#include "Tool.h"
#include "WasEncoder.h"

#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace kes::was::tool {

constexpr long long kMaxSlots = 1 << 20;

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
    if (!ParseCount(args.Last("--groups"), 0x7FFF, &settings.groups))
        return UsageError("--groups takes a count from 1 to 32767, not '" + args.Last("--groups") + "'", "encode");
    if (!ParseCount(args.Last("--frames"), 0x7FFF, &settings.frames))
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
    std::vector<std::string> inputs(args.positional.begin(), args.positional.end() - 1);
    std::vector<std::string> paths(static_cast<size_t>(total)); // empty: absent
    std::error_code ec;
    if (!args.Has("--force") && fs::exists(output, ec)) {
        Error(output + " exists; give --force to replace it");
        return kExitFailure;
    }
    if (inputs.size() == 1 && fs::is_directory(inputs[0], ec)) {
        std::set<std::string> expected;
        for (long long i = 0; i < total; ++i) {
            const std::string name = SlotName(int(i), settings.frames) + ".png";
            expected.insert(name);
            const fs::path p = fs::path(inputs[0]) / name;
            if (fs::exists(p, ec)) paths[size_t(i)] = p.string();
        }
        for (const fs::directory_entry& e : fs::directory_iterator(inputs[0], ec)) {
            const std::string name = e.path().filename().string();
            if (e.path().extension() == ".png" && !expected.count(name))
                Warning(e.path().string() + " ignored: not named g<group>_f<frame>.png inside the grid");
        }
    } else {
        if ((long long)inputs.size() > total)
            return UsageError(std::to_string(inputs.size()) + " pictures given for " + std::to_string(total) +
                                  " frames (groups x frames)",
                              "encode");
        for (size_t i = 0; i < inputs.size(); ++i)
            if (inputs[i] != "-") paths[i] = inputs[i];
    }

    std::vector<Picture> pictures(paths.size());
    std::vector<const Picture*> slots(paths.size(), nullptr);
    int present = 0;
    bool spriteTaken = false;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (paths[i].empty()) continue;
        PngPicture png;
        if (!ReadPng(paths[i], kMaxFrameSide, &png, &error)) {
            Error(error);
            return kExitFailure;
        }
        Picture& p = pictures[i];
        p.width = png.width;
        p.height = png.height;
        p.keyX = png.hasKey ? png.keyX : settings.keyX;
        p.keyY = png.hasKey ? png.keyY : settings.keyY;
        // Frames exported from a sprite carry the sprite's own key point and
        // box: they come back unless the command line says otherwise.
        if (png.hasSprite && !spriteTaken) {
            spriteTaken = true;
            if (!args.Has("--key")) {
                settings.keyX = png.spriteKeyX;
                settings.keyY = png.spriteKeyY;
            }
            if (!args.Has("--size")) {
                settings.width = png.spriteWidth;
                settings.height = png.spriteHeight;
            }
        }
        p.argb = std::move(png.argb);
        slots[i] = &p;
        ++present;
    }
    if (present == 0) Warning("no pictures found: every frame of the sprite is absent");

    std::string bytes;
    EncodeReport report;
    if (!EncodeSprite(slots, settings, &bytes, &error, &report)) {
        Error(error);
        return kExitFailure;
    }
    {
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), std::streamsize(bytes.size()));
        out.close();
        if (!out) {
            Error(output + ": cannot write");
            fs::remove(output, ec);
            return kExitFailure;
        }
    }
    Note("wrote " + output + ": " + std::to_string(present) + " frames, " + std::to_string(total - present) +
         " absent, " + std::to_string(report.paletteColours) + " palette colours" +
         (report.quantised ? " (quantised from " + std::to_string(report.sourceColours) + ")" : ""));
    for (const std::string& name : report.doubledFrames)
        Warning("frame " + name +
                " has no pixel on an odd row: the engine takes it to be stored at half height and shows each "
                "even row twice at four fifths of its opacity");
    return kExitOk;
}

} // namespace kes::was::tool
