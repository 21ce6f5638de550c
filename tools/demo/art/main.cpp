// kesto-demo-art <folder>: makes every picture of the demo's data.
//
//   <folder>/frames/<sprite>/g<group>_f<frame>.png   sprite frames, for kesto-was encode
//   <folder>/pack/scene/back.jpg                      the background
//   <folder>/pack/ui/logo.tga                         the logo
//
// The build then encodes the sprites into <folder>/pack/... and packs each
// folder below <folder>/pack into its own archive.
#include "Art.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using namespace kes::demo::art;

namespace {

bool MakeFolder(const fs::path& p)
{
    std::error_code ec;
    fs::create_directories(p, ec);
    if (ec) std::fprintf(stderr, "kesto-demo-art: %s: %s\n", p.string().c_str(), ec.message().c_str());
    return !ec;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "Usage: kesto-demo-art <folder>\n"
                     "Writes the demo's sprite frames (PNG), background (JPEG) and logo (TGA)\n"
                     "below <folder>: frames/<sprite>/g<group>_f<frame>.png, pack/scene/back.jpg,\n"
                     "pack/ui/logo.tga.\n");
        return argc == 2 ? 0 : 2;
    }
    const fs::path root = argv[1];
    struct Sprite {
        const char* name;
        bool (*write)(const std::string&, std::string*);
    };
    const Sprite sprites[] = {
        {"hero_walk", WriteHeroWalk}, {"hero_stand", WriteHeroStand}, {"gem", WriteGem}, {"digits", WriteDigits}};
    std::string error;
    for (const Sprite& s : sprites) {
        const fs::path folder = root / "frames" / s.name;
        // Frames of an earlier, larger grid must not linger in the folder.
        std::error_code ec;
        fs::remove_all(folder, ec);
        if (!MakeFolder(folder)) return 1;
        if (!s.write(folder.string(), &error)) {
            std::fprintf(stderr, "kesto-demo-art: %s\n", error.c_str());
            return 1;
        }
    }
    if (!MakeFolder(root / "pack" / "scene") || !MakeFolder(root / "pack" / "ui")) return 1;
    if (!WriteBackground((root / "pack" / "scene" / "back.jpg").string(), &error) ||
        !WriteLogo((root / "pack" / "ui" / "logo.tga").string(), &error)) {
        std::fprintf(stderr, "kesto-demo-art: %s\n", error.c_str());
        return 1;
    }
    std::printf("kesto-demo-art: pictures written below %s\n", root.string().c_str());
    return 0;
}
