// libpng's writer and reader for the PNG loader tests.
//
// libpng reports errors by longjmp to the setjmp of the function that made
// the call; the functions holding one keep only plain values and pointers to
// the caller's objects in their frames, so that the jump skips no destructor.
#include "PngFixtures.h"

#include <png.h>
#include <zlib.h>

#include <stdio.h>
#include <string.h>

namespace kes::test {
namespace {

uint32_t Next(uint32_t* s)
{
    *s ^= *s << 13;
    *s ^= *s >> 17;
    *s ^= *s << 5;
    return *s;
}

int Channels(int colour)
{
    switch (colour) {
    case kPngRgb: return 3;
    case kPngGreyAlpha: return 2;
    case kPngRgba: return 4;
    default: return 1;
    }
}

void OnError(png_structp png, png_const_charp text)
{
    snprintf(static_cast<char*>(png_get_error_ptr(png)), 200, "%s", text);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void Append(png_structp png, png_bytep data, png_size_t n)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}

void Flush(png_structp) {}

// Writes the rows (one sample a byte below 8 bits, two big-endian bytes at
// 16) with the layout's palette and tRNS; 0 on a libpng error.
int Encode(const PngLayout& l, const std::vector<png_bytep>& rows, const std::vector<png_color>& palette,
           const std::vector<png_byte>& alphas, const png_color_16& key, std::string* out, char* message)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, message, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, out, Append, Flush);
    if (l.level >= 0) png_set_compression_level(png, l.level);
    png_set_IHDR(png, info, png_uint_32(l.width), png_uint_32(l.height), l.depth, l.colour,
                 l.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (l.colour == kPngPalette) png_set_PLTE(png, info, palette.data(), int(palette.size()));
    if (l.trns) {
        if (l.colour == kPngPalette)
            png_set_tRNS(png, info, alphas.data(), int(alphas.size()), nullptr);
        else
            png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(&key));
    }
    png_write_info(png, info);
    if (l.depth < 8) png_set_packing(png);
    if (l.interlaced) png_set_interlace_handling(png);
    png_write_image(png, const_cast<png_bytepp>(rows.data()));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return 1;
}

std::string Write(const PngLayout& l, uint32_t seed, bool flat)
{
    const int channels = Channels(l.colour);
    const int sampleBytes = l.depth == 16 ? 2 : 1;
    const size_t stride = size_t(l.width) * size_t(channels * sampleBytes);
    std::vector<png_byte> samples(stride * size_t(l.height));
    uint32_t s = seed * 2654435761u + 1;
    // Palettes may be shorter than the depth allows; indices stay inside.
    const unsigned entries = l.colour != kPngPalette ? 0 : l.depth > 2 ? (1u << l.depth) - 3 : 1u << l.depth;
    for (size_t i = 0; i < samples.size(); i += size_t(sampleBytes)) {
        const uint32_t v = flat ? 0 : Next(&s);
        if (sampleBytes == 2) {
            samples[i] = png_byte(v >> 8);
            samples[i + 1] = png_byte(v);
        } else {
            samples[i] = png_byte(v & ((1u << l.depth) - 1));
        }
    }
    if (entries && !flat)
        for (png_byte& v : samples) v = png_byte(v % entries);
    std::vector<png_color> palette;
    for (unsigned i = 0; i < entries; ++i) {
        const uint32_t v = Next(&s);
        palette.push_back({png_byte(v), png_byte(v >> 8), png_byte(v >> 16)});
    }
    std::vector<png_byte> alphas;
    for (size_t i = 0; i < palette.size() / 2 + 1 && i < palette.size(); ++i) alphas.push_back(png_byte(Next(&s)));
    // The key is the first pixel's value, so that it shows in the picture.
    png_color_16 key = {};
    const auto sample = [&](int k) {
        return sampleBytes == 2 ? png_uint_16(samples[size_t(2 * k)] << 8 | samples[size_t(2 * k + 1)])
                                : png_uint_16(samples[size_t(k)]);
    };
    if (l.colour == kPngGrey) key.gray = sample(0);
    if (l.colour == kPngRgb) {
        key.red = sample(0);
        key.green = sample(1);
        key.blue = sample(2);
        // And again further on.
        if (l.width * l.height > 2) memcpy(&samples[stride * size_t(l.height) - size_t(3 * sampleBytes)],
                                            &samples[0], size_t(3 * sampleBytes));
    }
    std::vector<png_bytep> rows;
    for (int y = 0; y < l.height; ++y) rows.push_back(&samples[stride * size_t(y)]);
    std::string out;
    char message[200] = "";
    if (!Encode(l, rows, palette, alphas, key, &out, message)) {
        fprintf(stderr, "PNG fixture %s: %s\n", l.What().c_str(), message);
        return std::string();
    }
    return out;
}

struct ReadState {
    const std::string* bytes;
    size_t at;
    PngPixels* out;
    char message[200];
};

void ReadBytes(png_structp png, png_bytep data, png_size_t n)
{
    auto* s = static_cast<ReadState*>(png_get_io_ptr(png));
    if (n > s->bytes->size() - s->at) png_error(png, "read past the end");
    memcpy(data, s->bytes->data() + s->at, n);
    s->at += n;
}

int Decode(ReadState* s)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s->message, OnError, OnWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    png_set_read_fn(png, s, ReadBytes);
    png_read_info(png, info);
    s->out->width = int(png_get_image_width(png, info));
    s->out->height = int(png_get_image_height(png, info));
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png); // blue, green, red, alpha: the words 0xAARRGGBB
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    s->out->argb.assign(size_t(s->out->width) * size_t(s->out->height), 0);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < s->out->height; ++y)
            png_read_row(png, reinterpret_cast<png_bytep>(&s->out->argb[size_t(y) * size_t(s->out->width)]), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
}

} // namespace

std::string PngLayout::What() const
{
    static const char* const kNames[] = {"grey", "?", "RGB", "palette", "grey+alpha", "?", "RGBA"};
    return std::string(kNames[colour]) + " " + std::to_string(depth) + "-bit " + std::to_string(width) + " x " +
           std::to_string(height) + (interlaced ? " interlaced" : "") + (trns ? " with tRNS" : "");
}

PngLayout Layout(int colour, int depth, int width, int height, bool interlaced, bool trns)
{
    PngLayout l;
    l.colour = colour;
    l.depth = depth;
    l.width = width;
    l.height = height;
    l.interlaced = interlaced;
    l.trns = trns;
    return l;
}

std::string WritePng(const PngLayout& layout, uint32_t seed)
{
    return Write(layout, seed, false);
}

std::string WriteFlatPng(const PngLayout& layout)
{
    return Write(layout, 0, true);
}

bool ReferenceDecode(const std::string& bytes, PngPixels* out, std::string* error)
{
    ReadState s = {&bytes, 0, out, ""};
    if (Decode(&s)) return true;
    *error = s.message;
    return false;
}

std::vector<PngLayout> EveryPngLayout()
{
    const struct {
        int colour;
        std::vector<int> depths;
    } types[] = {
        {kPngGrey, {1, 2, 4, 8, 16}}, {kPngRgb, {8, 16}}, {kPngPalette, {1, 2, 4, 8}},
        {kPngGreyAlpha, {8, 16}},     {kPngRgba, {8, 16}},
    };
    std::vector<PngLayout> out;
    for (const auto& t : types)
        for (int depth : t.depths) out.push_back(Layout(t.colour, depth, 1, 1));
    return out;
}

std::vector<PngChunk> PngChunks(const std::string& bytes)
{
    std::vector<PngChunk> out;
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        const uint32_t length = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        out.push_back({at, length, bytes.substr(at + 4, 4)});
        at += 12 + size_t(length);
    }
    return out;
}

void FixPngCrc(std::string* bytes, size_t at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes->data() + at);
    const uint32_t length = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
    const uint32_t crc = uint32_t(crc32(0, p + 4, 4 + length));
    for (int i = 0; i < 4; ++i) (*bytes)[at + 8 + length + size_t(i)] = char(crc >> (24 - 8 * i));
}

} // namespace kes::test
