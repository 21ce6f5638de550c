#include "EntryKind.h"

#include <cstring>

namespace kes::view {
namespace {

bool Starts(const unsigned char* head, size_t n, const char* magic, size_t len)
{
    return n >= len && std::memcmp(head, magic, len) == 0;
}

// TGA has no magic: the pictures the engine reads are true-colour (raw or
// run-length), without a palette, 24 or 32 bits a pixel, of some size.
bool LooksLikeTga(const unsigned char* h, size_t n)
{
    if (n < 18) return false;
    const int width = h[12] | h[13] << 8, height = h[14] | h[15] << 8;
    return h[1] == 0 && (h[2] == 2 || h[2] == 10) && (h[16] == 24 || h[16] == 32) && width > 0 && height > 0;
}

} // namespace

EntryKind SniffKind(const unsigned char* h, size_t n)
{
    if (Starts(h, n, "SP", 2)) return EntryKind::Was;
    if (n >= 3 && h[0] == 0xFF && h[1] == 0xD8 && h[2] == 0xFF) return EntryKind::Jpeg;
    if (Starts(h, n, "BM", 2)) return EntryKind::Bmp;
    if (Starts(h, n, "\x89PNG\r\n\x1a\n", 8)) return EntryKind::Png;
    if (Starts(h, n, "RIFF", 4) && n >= 12 && std::memcmp(h + 8, "WAVE", 4) == 0) return EntryKind::Wav;
    if (Starts(h, n, "OggS", 4)) return EntryKind::Ogg;
    if (Starts(h, n, "fLaC", 4)) return EntryKind::Flac;
    if (Starts(h, n, "ID3", 3) || (n >= 2 && h[0] == 0xFF && (h[1] & 0xE6) == 0xE2)) return EntryKind::Mp3;
    if (Starts(h, n, "\0\1\0\0", 4) || Starts(h, n, "OTTO", 4) || Starts(h, n, "true", 4) ||
        Starts(h, n, "ttcf", 4))
        return EntryKind::Font;
    if (LooksLikeTga(h, n)) return EntryKind::Tga;
    return EntryKind::Unknown;
}

const char* KindName(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Was: return "WAS";
    case EntryKind::Jpeg: return "JPEG";
    case EntryKind::Bmp: return "BMP";
    case EntryKind::Tga: return "TGA";
    case EntryKind::Png: return "PNG";
    case EntryKind::Wav: return "WAV";
    case EntryKind::Ogg: return "Ogg";
    case EntryKind::Mp3: return "MP3";
    case EntryKind::Flac: return "FLAC";
    case EntryKind::Font: return "font";
    case EntryKind::Unknown: break;
    }
    return "unknown";
}

bool IsPicture(EntryKind kind)
{
    return kind == EntryKind::Jpeg || kind == EntryKind::Bmp || kind == EntryKind::Tga || kind == EntryKind::Png;
}

bool IsSound(EntryKind kind)
{
    return kind == EntryKind::Wav || kind == EntryKind::Ogg || kind == EntryKind::Mp3 || kind == EntryKind::Flac;
}

const char* KindExtension(EntryKind kind)
{
    switch (kind) {
    case EntryKind::Was: return "was";
    case EntryKind::Jpeg: return "jpg";
    case EntryKind::Bmp: return "bmp";
    case EntryKind::Tga: return "tga";
    case EntryKind::Png: return "png";
    case EntryKind::Wav: return "wav";
    case EntryKind::Ogg: return "ogg";
    case EntryKind::Mp3: return "mp3";
    case EntryKind::Flac: return "flac";
    case EntryKind::Font: return "ttf";
    case EntryKind::Unknown: break;
    }
    return "bin";
}

} // namespace kes::view
