// Seeds for the fuzz targets: small, valid inputs of every layout each parser
// knows, made the way game data is made (the engine's archive and sprite
// writers, liblzo2's compressors, libjpeg, libpng through the PNG tests'
// fixture writer), so that the fuzzers start inside
// the parsers instead of at their first check. Sounds come from
// make-sound-seeds.sh.
//   fuzz_seeds <folder>    writes <folder>/<target>/<seed>
#include <PngFixtures.h>
#include <WasEncoder.h>
#include <WdfWriter.h>

#include "FuzzSupport.h"

#include <stdio.h>

#include <jpeglib.h>
#include <lzo/lzo1x.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Bytes = std::string;

fs::path g_out;

void Seed(const char* target, const std::string& name, const Bytes& bytes)
{
    fs::create_directories(g_out / target);
    std::ofstream(g_out / target / name, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

void Put16(Bytes& b, uint32_t v)
{
    b += char(v & 0xFF);
    b += char(v >> 8 & 0xFF);
}

void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A picture with smooth areas and edges, as drawn art has; 0xAARRGGBB.
uint32_t Art(int x, int y, int seed)
{
    const uint32_t r = uint32_t(x * 255 / 16 + seed * 40) & 0xFF;
    const uint32_t g = uint32_t(y * 255 / 16) & 0xFF;
    const uint32_t b = (x / 4 + y / 4 + seed) % 2 ? 0xE0 : 0x20;
    return r << 16 | g << 8 | b;
}

// ---- LZO streams ---------------------------------------------------------------------

void LzSeeds()
{
    if (lzo_init() != LZO_E_OK) return;
    Bytes text;
    for (int i = 0; text.size() < 600; ++i) text += i % 3 ? "shape/char/0001.was " : "map\\0003.map ";
    Bytes mixed(200, '\0');
    for (int i = 0; i < 300; ++i) mixed += char(Art(i % 16, i / 16, 1) >> (i % 3 * 8));
    const Bytes inputs[] = {"", "x", text, mixed};
    std::vector<unsigned char> work(LZO1X_999_MEM_COMPRESS);
    for (size_t i = 0; i < std::size(inputs); ++i) {
        const Bytes& in = inputs[i];
        std::vector<unsigned char> out(in.size() + in.size() / 16 + 64 + 3);
        lzo_uint n = 0;
        const auto* src = reinterpret_cast<const unsigned char*>(in.data());
        lzo1x_1_compress(src, in.size(), out.data(), &n, work.data());
        Seed("lzdecode", "fast" + std::to_string(i), Bytes(out.begin(), out.begin() + long(n)));
        lzo1x_999_compress(src, in.size(), out.data(), &n, work.data());
        Seed("lzdecode", "best" + std::to_string(i), Bytes(out.begin(), out.begin() + long(n)));
    }
}

// ---- sprites -------------------------------------------------------------------------

// groups x frames pictures of w x h, with see-through corners and alpha
// levels; `colours` adds pixels enough to make the encoder quantise.
Bytes Sprite(int groups, int frames, int w, int h, bool colours)
{
    std::vector<kes::was::Picture> pictures(size_t(groups * frames));
    std::vector<const kes::was::Picture*> slots;
    for (size_t i = 0; i < pictures.size(); ++i) {
        kes::was::Picture& p = pictures[i];
        p.width = w - int(i % 2);
        p.height = h;
        p.keyX = w / 2;
        p.keyY = h - 1;
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                const int edge = x < y / 2 ? 0 : (x == y / 2 ? 0x80 : 0xFF);
                const uint32_t rgb = colours ? uint32_t(x * 4099 + y * 131) & 0xFFFFFF : Art(x, y, int(i));
                p.argb.push_back(uint32_t(edge) << 24 | rgb);
            }
        }
        slots.push_back(&p);
    }
    kes::was::EncodeSettings settings;
    settings.groups = groups;
    settings.frames = frames;
    settings.keyX = w / 2;
    settings.keyY = h - 1;
    Bytes out, error;
    if (!kes::was::EncodeSprite(slots, settings, &out, &error)) fprintf(stderr, "fuzz_seeds: %s\n", error.c_str());
    return out;
}

// ---- BMP and TGA ---------------------------------------------------------------------

Bytes Bmp(int depth, int w, int h, bool topFirst, int paletteEntries)
{
    const uint32_t stride = (uint32_t(w * depth / 8) + 3) & ~3u;
    const uint32_t palette = depth == 8 ? uint32_t(paletteEntries) * 4 : 0;
    const uint32_t pixels = 14 + 40 + palette;
    Bytes b = "BM";
    Put32(b, pixels + stride * uint32_t(h));
    Put32(b, 0);
    Put32(b, pixels);
    Put32(b, 40);
    Put32(b, uint32_t(w));
    Put32(b, uint32_t(topFirst ? -h : h));
    Put16(b, 1);
    Put16(b, uint32_t(depth));
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    for (int i = 0; i < paletteEntries && depth == 8; ++i) Put32(b, Art(i, i * 3, 2));
    for (int y = 0; y < h; ++y) {
        Bytes row;
        for (int x = 0; x < w; ++x) {
            const uint32_t c = Art(x, y, 0);
            if (depth == 8) row += char((x + y) % paletteEntries);
            if (depth == 16) Put16(row, (c >> 8 & 0xF800) | (c >> 5 & 0x07E0) | (c >> 3 & 0x1F));
            if (depth == 24) row += Bytes{char(c), char(c >> 8), char(c >> 16)};
        }
        row.resize(stride, '\0');
        b += row;
    }
    return b;
}

Bytes Tga(int depth, bool rle, int w, int h, bool topFirst, int idLength)
{
    Bytes b;
    b += char(idLength);
    b += char(0);
    b += char(rle ? 10 : 2);
    b += Bytes(5, '\0');
    Put32(b, 0);
    Put16(b, uint32_t(w));
    Put16(b, uint32_t(h));
    b += char(depth);
    b += char((topFirst ? 0x20 : 0) | (depth == 32 ? 8 : 0));
    b += Bytes(size_t(idLength), 'i');
    auto pixel = [&](Bytes& to, int x, int y) {
        const uint32_t c = (x == 0 && y == 0) ? 0 : Art(x / 3, y, 3); // first pixel: the key colour
        to += Bytes{char(c), char(c >> 8), char(c >> 16)};
        if (depth == 32) to += char(x % 4 ? 0xFF : 0x40);
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            if (!rle) {
                pixel(b, x++, y);
                continue;
            }
            // Runs where three pixels agree (Art changes every third), raw packets elsewhere.
            const int run = (x % 3 == 0 && x + 3 <= w) ? 3 : 1;
            b += char(run == 3 ? 0x82 : 0x00);
            pixel(b, x, y);
            x += run;
        }
    }
    return b;
}

void PictureSeeds()
{
    Seed("bmp", "8bit", Bmp(8, 7, 5, false, 256));
    Seed("bmp", "8bit-short-palette", Bmp(8, 6, 4, true, 12));
    Seed("bmp", "16bit", Bmp(16, 5, 6, false, 0));
    Seed("bmp", "24bit", Bmp(24, 7, 3, true, 0));
    Seed("tga", "24bit", Tga(24, false, 6, 5, false, 0));
    Seed("tga", "32bit-top-first", Tga(32, false, 5, 4, true, 3));
    Seed("tga", "24bit-rle", Tga(24, true, 9, 4, false, 0));
    Seed("tga", "32bit-rle-top-first", Tga(32, true, 7, 5, true, 2));
}

// ---- JPEG ----------------------------------------------------------------------------

struct JpegLayoutSeed {
    const char* name;
    int width, height;
    bool grey;
    int hSamp, vSamp; // luma sampling
    int restart;      // MCUs between restart markers
    bool optimise;    // Huffman tables of the picture instead of the standard ones
};

Bytes Jpeg(const JpegLayoutSeed& s)
{
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = JDIMENSION(s.width);
    c.image_height = JDIMENSION(s.height);
    c.input_components = s.grey ? 1 : 3;
    c.in_color_space = s.grey ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 80, TRUE);
    c.optimize_coding = s.optimise;
    c.restart_interval = unsigned(s.restart);
    c.comp_info[0].h_samp_factor = s.hSamp;
    c.comp_info[0].v_samp_factor = s.vSamp;
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(size_t(s.width) * size_t(c.input_components));
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const uint32_t p = Art(x, y, 4);
            for (int k = 0; k < c.input_components; ++k)
                row[size_t(x * c.input_components + k)] = JSAMPLE(p >> (16 - 8 * k));
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes out(reinterpret_cast<const char*>(mem), size);
    free(mem);
    return out;
}

// Where the headers of a file end: the first byte after the SOS header.
size_t ScanStart(const Bytes& jpeg)
{
    size_t at = 2;
    while (at + 4 <= jpeg.size() && uint8_t(jpeg[at]) == 0xFF) {
        const bool sos = uint8_t(jpeg[at + 1]) == 0xDA;
        at += 2 + (size_t(uint8_t(jpeg[at + 2])) << 8 | uint8_t(jpeg[at + 3]));
        if (sos) return at;
    }
    return jpeg.size();
}

// A tile's scan is taken bit for bit: no stuffed zeros, no EOI.
Bytes Unstuffed(const Bytes& scan)
{
    Bytes out;
    for (size_t i = 0; i < scan.size(); ++i) {
        out += scan[i];
        if (uint8_t(scan[i]) != 0xFF || i + 1 >= scan.size()) continue;
        if (scan[i + 1] == 0) ++i;
        else if (uint8_t(scan[i + 1]) == 0xD9) return out.substr(0, out.size() - 1);
    }
    return out;
}

// The tile target's input: split, width, height, then headers and row data.
Bytes Tile(const Bytes& headers, const Bytes& rows, int width, int height)
{
    Bytes b;
    b += char(headers.size() >> 8);
    b += char(headers.size() & 0xFF);
    b += char(width);
    b += char(height);
    return b + headers + rows;
}

void JpegSeeds()
{
    const JpegLayoutSeed layouts[] = {
        {"grey", 24, 16, true, 1, 1, 0, false},
        {"444", 17, 9, false, 1, 1, 0, false},
        {"420", 33, 40, false, 2, 2, 0, false},
        {"420-restart", 40, 24, false, 2, 2, 2, false},
        {"420-optimised", 16, 16, false, 2, 2, 0, true},
        {"422-refused", 16, 8, false, 2, 1, 0, false},
    };
    for (const JpegLayoutSeed& l : layouts) {
        const Bytes file = Jpeg(l);
        Seed("jpeg", l.name, file);
        if (l.grey || l.hSamp != 2 || l.vSamp != 2 || l.restart) continue;
        const size_t scan = ScanStart(file);
        const Bytes headers = file.substr(0, scan), bits = Unstuffed(file.substr(scan));
        // The scan after the headers, at the frame's size and at one asked for.
        Seed("jpegtile", std::string(l.name) + "-frame-size", Tile(headers + bits, "", 0, 0));
        Seed("jpegtile", std::string(l.name) + "-asked-size", Tile(headers + bits, "", l.width + 3, l.height / 2));
        // Row slices: a picture of one MCU row is one slice, led by its
        // predictors (all 0) and the bits to skip (none).
        if (l.height <= 16)
            Seed("jpegtile", std::string(l.name) + "-sliced", Tile(headers, Bytes(7, '\0') + bits, 0, 0));
    }
}

// ---- PNG -----------------------------------------------------------------------------

// Every colour type and depth, plain and interlaced, with tRNS where the
// type allows it, small enough that the fuzzer gets through many; and, for
// the engine's own path for 8-bit RGB and RGBA rows, a keyed picture and
// one whose rows span several IDAT chunks.
void PngSeeds()
{
    using namespace kes::test;
    uint32_t seed = 0;
    for (PngLayout l : EveryPngLayout())
        for (bool interlaced : {false, true}) {
            l.width = 7;
            l.height = 5;
            l.interlaced = interlaced;
            l.trns = interlaced && (l.colour == kPngGrey || l.colour == kPngRgb || l.colour == kPngPalette);
            std::string name = l.What();
            for (char& c : name) c = c == ' ' || c == '+' ? '-' : c;
            Seed("png", name, WritePng(l, ++seed));
        }
    Seed("png", "RGB-8-bit-keyed", WritePng(Layout(kPngRgb, 8, 7, 5, false, true), 98));
    Seed("png", "RGBA-8-bit-many-chunks", WritePng(Layout(kPngRgba, 8, 64, 48), 99));
}

// ---- archives ------------------------------------------------------------------------

Bytes Archive(DWORD magic, const std::vector<std::pair<const char*, Bytes>>& files)
{
    kes::wdf::ArchiveWriter w(magic);
    for (const auto& f : files) w.AddNamed(f.first, f.second);
    const fs::path path = g_out / "archive.tmp";
    Bytes error;
    if (!w.Write(path.string(), &error)) fprintf(stderr, "fuzz_seeds: %s\n", error.c_str());
    std::ifstream in(path, std::ios::binary);
    Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    fs::remove(path);
    return bytes;
}

// A program for the archive target.
Bytes Program()
{
    using namespace kes::fuzz;
    Bytes p;
    auto op = [&](ArchiveOp o, std::initializer_list<uint32_t> bytes) {
        p += char(o);
        for (uint32_t b : bytes) p += char(b);
    };
    op(OPEN, {0});                    // fz/a.was
    op(READ_ON, {16, 0});
    op(IS_END, {});
    op(SKIP, {0xF8, 0xFF});           // -8
    op(READ_AT, {8, 0, 4, 0, 0, 0});
    op(SEEK, {10, 0, 0, 0});
    op(READ_ON, {0, 1});
    op(IS_END, {});
    op(READ_ON_UNCLIPPED, {64, 0});
    op(CLOSE, {});
    op(OPEN, {1});                    // fz/b.was, further down the chain
    op(READ_ON, {32, 0});
    op(LOAD, {2});                    // fz/c/d.tga, moving the shared position
    op(LOAD_ID, {1, 0, 0});
    op(READ_ON, {32, 0});
    op(OPEN, {3});                    // FZ\C\D.TGA
    op(SKIP, {0x00, 0x80});           // before the archive's start
    op(READ_ON, {8, 0});
    op(OPEN, {5});                    // fz.wdf, loose
    op(READ_ON, {20, 0});
    op(SEEK, {0, 0, 0, 0});
    op(IS_END, {});
    op(CLOSE, {});
    op(LOAD, {6});
    return p;
}

// One part of the archive target's input: chain position, length, bytes.
Bytes Part(int position, const Bytes& bytes)
{
    Bytes b;
    b += char(position);
    Put16(b, uint32_t(bytes.size()));
    return b + bytes;
}

void ArchiveSeeds(const Bytes& spriteA, const Bytes& spriteB, const Bytes& picture)
{
    using kes::wdf::kMagicPlain;
    using kes::wdf::kMagicScrambled;
    using kes::wdf::kMagicScrambledH;
    const Bytes program = Program();
    const Bytes first = Archive(kMagicPlain, {{"fz/a.was", spriteA}});
    const Bytes second = Archive(kMagicScrambled, {{"fz/b.was", spriteB}, {"fz/c/d.tga", picture}});
    const Bytes ninth = Archive(kMagicScrambledH, {{"fz/a.was", spriteB}, {"fz/c/d.tga", picture}});
    const Bytes both = Archive(kMagicPlain, {{"fz/a.was", spriteA}, {"fz/b.was", spriteB}});
    Seed("archive", "one", char(0) + Part(0, both) + program);
    Seed("archive", "chain", char(1) + Part(0, first) + Part(1, second) + program);
    Seed("archive", "chain-ninth", char(2) + Part(0, first) + Part(1, second) + Part(9, ninth) + program);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    g_out = argv[1];
    const Bytes spriteA = Sprite(2, 2, 12, 10, false), spriteB = Sprite(1, 3, 9, 7, false);
    Seed("was", "2x2", spriteA);
    Seed("was", "1x3", spriteB);
    Seed("was", "quantised", Sprite(1, 1, 24, 20, true));
    LzSeeds();
    PictureSeeds();
    JpegSeeds();
    PngSeeds();
    ArchiveSeeds(spriteA, spriteB, Tga(24, true, 9, 4, false, 0));
    return 0;
}
