#include "ViewFixtures.h"

#include "../loaders/BmpTgaFixtures.h"

#include <Png.h>
#include <WasEncoder.h>
#include <WdfWriter.h>

#include <KesFile.h>

#include <png.h>

#include <fstream>
#include <sstream>

namespace kes::test {
namespace {

uint32_t Colour(unsigned seed, int x, int y)
{
    const uint32_t r = (seed * 53 + unsigned(x) * 7) & 255, g = (seed * 97 + unsigned(y) * 5) & 255,
                   b = (seed * 31 + unsigned(x + y) * 3) & 255;
    return r << 16 | g << 8 | b;
}

} // namespace

std::string MakeSprite(int groups, int frames, int width, int height, unsigned seed)
{
    std::vector<kes::was::Picture> pictures(size_t(groups * frames));
    std::vector<const kes::was::Picture*> slots;
    for (int i = 0; i < groups * frames; ++i) {
        kes::was::Picture& p = pictures[size_t(i)];
        p.width = width - (i % 3) * 2;
        p.height = height - (i % 2) * 3;
        p.keyX = p.width / 2 + i % 4;
        p.keyY = p.height - 1 - i % 3;
        p.argb.resize(size_t(p.width * p.height));
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                // A few colours a frame (the palette holds 256), alpha at the edges.
                const uint32_t rgb = Colour(seed + unsigned(i), (x / 4) * 4, (y / 4) * 4);
                const int edge = std::min(std::min(x, y), std::min(p.width - 1 - x, p.height - 1 - y));
                const uint32_t a = edge >= 3 ? 255u : uint32_t(edge * 80);
                p.argb[size_t(y * p.width + x)] = a << 24 | rgb;
            }
        slots.push_back(&p);
    }
    kes::was::EncodeSettings settings;
    settings.groups = groups;
    settings.frames = frames;
    settings.keyX = width / 2;
    settings.keyY = height - 1;
    std::string out, error;
    if (!kes::was::EncodeSprite(slots, settings, &out, &error)) return std::string();
    return out;
}

std::string MakeBmp(int width, int height, unsigned seed)
{
    BmpFile bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.depth = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bmp.pixels.push_back(Colour(seed, x, y));
    return bmp.Bytes();
}

std::string MakeTga(int width, int height, unsigned seed)
{
    TgaFile tga;
    tga.width = width;
    tga.height = height;
    tga.depth = 32;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) tga.pixels.push_back(uint32_t((x * 9 + y * 5) & 255) << 24 | Colour(seed, x, y));
    return tga.Bytes();
}

std::string MakePng(int width, int height, unsigned seed)
{
    kes::was::tool::PngPicture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.argb.push_back(0xFF000000u | Colour(seed, x, y));
    std::string path = "fixture-" + std::to_string(seed) + ".png", error;
    if (!kes::was::tool::WritePng(path, picture, &error)) return std::string();
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::remove(path.c_str());
    return bytes.str();
}

std::string MakeWav(int hz, double seconds)
{
    constexpr int kRate = 22050;
    const int samples = int(seconds * kRate);
    std::string out = "RIFF";
    PutLe32(&out, uint32_t(36 + 2 * samples));
    out += "WAVEfmt ";
    PutLe32(&out, 16);
    PutLe16(&out, 1); // PCM
    PutLe16(&out, 1); // mono
    PutLe32(&out, kRate);
    PutLe32(&out, kRate * 2);
    PutLe16(&out, 2);
    PutLe16(&out, 16);
    out += "data";
    PutLe32(&out, uint32_t(2 * samples));
    for (int i = 0; i < samples; ++i) PutLe16(&out, (i * 2 * hz / kRate) % 2 ? 0x2000u : 0xE000u);
    return out;
}

bool WriteChain(const std::string& stem, const ChainFiles& files, int parts)
{
    static const char kSuffix[] = "f123456789abcde";
    for (int n = 0; n < parts; ++n) {
        kes::wdf::ArchiveWriter writer;
        for (const auto& [path, bytes] : files.bytes) {
            const auto where = files.part.find(path);
            if ((where == files.part.end() ? 0 : where->second) == n) writer.AddNamed(GamePath(stem, path), bytes);
        }
        std::string error;
        if (!writer.Write(stem + ".wd" + kSuffix[n], &error)) return false;
    }
    return true;
}

bool ClaimSize(const std::string& archive, const std::string& gamePath, uint32_t size)
{
    std::fstream f(archive, std::ios::in | std::ios::out | std::ios::binary);
    uint32_t header[3] = {};
    f.read(reinterpret_cast<char*>(header), sizeof header);
    const DWORD id = MFile::Fnameid(gamePath.c_str());
    for (uint32_t i = 0; f && i < header[1]; ++i) {
        uint32_t entry[4] = {};
        f.seekg(std::streamoff(header[2]) + std::streamoff(i) * 16);
        f.read(reinterpret_cast<char*>(entry), sizeof entry);
        if (entry[0] != id) continue;
        entry[2] = size;
        f.seekp(std::streamoff(header[2]) + std::streamoff(i) * 16);
        f.write(reinterpret_cast<const char*>(entry), sizeof entry);
        return bool(f);
    }
    return false;
}

std::vector<LayoutLine> ReadLayout(const std::string& path)
{
    std::vector<LayoutLine> lines;
    std::ifstream in(path);
    std::string text;
    while (std::getline(in, text)) {
        std::istringstream fields(text);
        LayoutLine line;
        std::string first;
        fields >> first;
        if (first == "failed" || first == "damaged" || first == "omitted") {
            line.failed = true;
            fields >> line.label;
            std::getline(fields, line.reason);
        } else {
            line.x = std::stoi(first);
            fields >> line.y >> line.width >> line.height >> line.step >> line.group >> line.frame;
            fields.get();
            std::getline(fields, line.label);
        }
        lines.push_back(line);
    }
    return lines;
}

bool ReadPngFile(const std::string& path, int* width, int* height, std::vector<uint32_t>* argb)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA; // little-endian words of 0xAARRGGBB
    argb->assign(size_t(image.width) * image.height, 0);
    if (!png_image_finish_read(&image, nullptr, argb->data(), 0, nullptr)) return false;
    *width = int(image.width);
    *height = int(image.height);
    return true;
}

} // namespace kes::test
