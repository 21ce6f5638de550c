// PNG reading and writing through libpng.
//
// libpng reports errors by longjmp to the setjmp of the function that made
// the call. The functions holding a setjmp below keep only plain values in
// their frames and everything they allocate in the caller's structs, so that
// the jump skips no destructor.
#include "Png.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <utility>

namespace kes::was::tool {
namespace {

struct ReadState {
    FILE* file;
    int maxSide;
    png_uint_32 width, height;
    unsigned char* rgba; // malloc; freed by the caller
    int hasKey, keyX, keyY;
    int hasSprite, sprite[4];
    char message[200];
};

void OnError(png_structp png, png_const_charp text)
{
    auto* message = static_cast<char*>(png_get_error_ptr(png));
    snprintf(message, 200, "%s", text);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp)
{
}

bool ParseKey(const char* text, int* x, int* y)
{
    char tail = 0;
    return sscanf(text, "%d,%d%c", x, y, &tail) == 2;
}

int ReadRows(ReadState* s)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, s->message, OnError, OnWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    png_init_io(png, s->file);
    png_read_info(png, info);
    s->width = png_get_image_width(png, info);
    s->height = png_get_image_height(png, info);
    if (s->width > png_uint_32(s->maxSide) || s->height > png_uint_32(s->maxSide)) {
        snprintf(s->message, sizeof s->message, "%ux%u is larger than %d pixels a side", unsigned(s->width),
                 unsigned(s->height), s->maxSide);
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    // Every colour type to 8-bit RGBA.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const size_t stride = size_t(s->width) * 4;
    s->rgba = static_cast<unsigned char*>(malloc(stride * s->height));
    png_bytep* rows = static_cast<png_bytep*>(malloc(sizeof(png_bytep) * s->height));
    if (!s->rgba || !rows) {
        free(rows);
        snprintf(s->message, sizeof s->message, "out of memory");
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    for (png_uint_32 y = 0; y < s->height; ++y) rows[y] = s->rgba + y * stride;
    // The row list must not leak on a jump either: libpng errors from here
    // on come back through a second setjmp that frees it.
    if (setjmp(png_jmpbuf(png))) {
        free(rows);
        png_destroy_read_struct(&png, &info, nullptr);
        return 0;
    }
    png_read_image(png, rows);
    png_read_end(png, info);
    free(rows);

    png_textp text = nullptr;
    int count = 0;
    png_get_text(png, info, &text, &count);
    for (int i = 0; i < count; ++i) {
        char tail = 0;
        if (strcmp(text[i].key, kKeyChunk) == 0 && ParseKey(text[i].text, &s->keyX, &s->keyY)) s->hasKey = 1;
        if (strcmp(text[i].key, kSpriteChunk) == 0 &&
            sscanf(text[i].text, "%d,%d,%d,%d%c", &s->sprite[0], &s->sprite[1], &s->sprite[2], &s->sprite[3],
                   &tail) == 4)
            s->hasSprite = 1;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
}

struct WriteState {
    FILE* file;
    png_uint_32 width, height;
    png_bytep* rows;
    const char* keyText;    // null: no key chunk
    const char* spriteText; // null: no sprite chunk
    char message[200];
};

int WriteRows(WriteState* s)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, s->message, OnError, OnWarning);
    if (!png) return 0;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_init_io(png, s->file);
    png_set_IHDR(png, info, s->width, s->height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text text[2];
    memset(text, 0, sizeof text);
    int count = 0;
    using Chunk = std::pair<const char*, const char*>;
    for (const auto& [key, value] : {Chunk{kKeyChunk, s->keyText}, Chunk{kSpriteChunk, s->spriteText}}) {
        if (!value) continue;
        text[count].compression = PNG_TEXT_COMPRESSION_NONE;
        text[count].key = const_cast<char*>(key);
        text[count].text = const_cast<char*>(value);
        ++count;
    }
    if (count) png_set_text(png, info, text, count);
    png_write_info(png, info);
    png_write_image(png, s->rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return 1;
}

} // namespace

bool ReadPng(const std::string& path, int maxSide, PngPicture* out, std::string* error)
{
    ReadState s = {};
    s.maxSide = maxSide;
    s.file = fopen(path.c_str(), "rb");
    if (!s.file) {
        *error = path + ": cannot open: " + strerror(errno);
        return false;
    }
    unsigned char signature[8] = {};
    const bool isPng = fread(signature, 1, 8, s.file) == 8 && png_sig_cmp(signature, 0, 8) == 0;
    rewind(s.file);
    const int ok = isPng ? ReadRows(&s) : 0;
    fclose(s.file);
    if (!ok) {
        free(s.rgba);
        *error = path + ": " + (isPng ? s.message : "not a PNG file");
        return false;
    }
    out->width = int(s.width);
    out->height = int(s.height);
    out->argb.resize(size_t(s.width) * s.height);
    for (size_t i = 0; i < out->argb.size(); ++i) {
        const unsigned char* p = s.rgba + 4 * i;
        out->argb[i] = (uint32_t(p[3]) << 24) | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
    free(s.rgba);
    out->hasKey = s.hasKey != 0;
    out->keyX = s.keyX;
    out->keyY = s.keyY;
    out->hasSprite = s.hasSprite != 0;
    out->spriteKeyX = s.sprite[0];
    out->spriteKeyY = s.sprite[1];
    out->spriteWidth = s.sprite[2];
    out->spriteHeight = s.sprite[3];
    return true;
}

bool WritePng(FILE* file, const PngPicture& picture, std::string* error)
{
    std::vector<unsigned char> rgba(picture.argb.size() * 4);
    for (size_t i = 0; i < picture.argb.size(); ++i) {
        const uint32_t c = picture.argb[i];
        rgba[4 * i] = uint8_t(c >> 16);
        rgba[4 * i + 1] = uint8_t(c >> 8);
        rgba[4 * i + 2] = uint8_t(c);
        rgba[4 * i + 3] = uint8_t(c >> 24);
    }
    std::vector<png_bytep> rows(size_t(picture.height));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = rgba.data() + y * size_t(picture.width) * 4;
    const std::string keyText = std::to_string(picture.keyX) + "," + std::to_string(picture.keyY);
    const std::string spriteText = std::to_string(picture.spriteKeyX) + "," + std::to_string(picture.spriteKeyY) +
                                   "," + std::to_string(picture.spriteWidth) + "," +
                                   std::to_string(picture.spriteHeight);

    WriteState s = {};
    s.file = file;
    s.width = png_uint_32(picture.width);
    s.height = png_uint_32(picture.height);
    s.rows = rows.data();
    s.keyText = picture.hasKey ? keyText.c_str() : nullptr;
    s.spriteText = picture.hasSprite ? spriteText.c_str() : nullptr;
    if (!WriteRows(&s)) {
        *error = s.message;
        return false;
    }
    return true;
}

bool WritePng(const std::string& path, const PngPicture& picture, std::string* error)
{
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) {
        *error = path + ": cannot create: " + strerror(errno);
        return false;
    }
    const bool ok = WritePng(file, picture, error);
    const bool closed = fclose(file) == 0;
    if (!ok || !closed) {
        *error = path + ": cannot write: " + (ok ? strerror(errno) : *error);
        remove(path.c_str());
        return false;
    }
    return true;
}

} // namespace kes::was::tool
