// Game data for the viewer's suites, made with the project's writers: WAS
// sprites from the sprite encoder, BMP and TGA from the loader suites'
// writers, PNG from the sprite tool's, archives from the archive writer.
#ifndef KESTO_TESTS_TOOLS_VIEWFIXTURES_H
#define KESTO_TESTS_TOOLS_VIEWFIXTURES_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kes::test {

// A sprite of groups x frames, every frame a different size, key point and
// colour; its edges fade through the alpha levels.
std::string MakeSprite(int groups, int frames, int width, int height, unsigned seed);
std::string MakeBmp(int width, int height, unsigned seed);
std::string MakeTga(int width, int height, unsigned seed); // 32-bit, with alpha
std::string MakePng(int width, int height, unsigned seed);
// A mono 16-bit PCM WAV file: a square wave of `hz` for `seconds`.
std::string MakeWav(int hz, double seconds);

// Files by the path inside their archive ("a.was"), and which part of the
// chain holds each.
struct ChainFiles {
    std::map<std::string, std::string> bytes;
    std::map<std::string, int> part;
};

// Writes <stem>.wdf, <stem>.wd1 ... in the current folder. False on failure.
bool WriteChain(const std::string& stem, const ChainFiles& files, int parts);

// Makes the index entry of `gamePath` in `archive` claim `size` bytes, as
// a damaged index does. False when the entry is not there.
bool ClaimSize(const std::string& archive, const std::string& gamePath, uint32_t size);

// The game path of a file inside the chain <stem>: "<stem>/<path>".
inline std::string GamePath(const std::string& stem, const std::string& path)
{
    return stem + "/" + path;
}

// One line of a sheet's layout file.
struct LayoutLine {
    bool failed = false; // a "failed", "damaged" or "omitted" line
    int x = 0, y = 0, width = 0, height = 0, step = 1, group = 0, frame = 0;
    std::string label;
    std::string reason; // failed, damaged and omitted lines
};
std::vector<LayoutLine> ReadLayout(const std::string& path);

// A PNG file's pixels as 0xAARRGGBB, read with libpng's simplified interface.
bool ReadPngFile(const std::string& path, int* width, int* height, std::vector<uint32_t>* argb);

} // namespace kes::test

#endif
