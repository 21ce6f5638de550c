// Telling kinds of files apart by their first bytes. Most kinds have a
// signature; TGA pictures have none, and are recognised by a header whose
// fields all hold values a TGA writer uses, after every signature failed.
#include "KesLooksLike.h"

#include <stdio.h>
#include <string.h>

namespace kes {
namespace {

bool Starts(const unsigned char* d, size_t n, const char* sig, size_t len)
{
    return n >= len && memcmp(d, sig, len) == 0;
}

unsigned Le16(const unsigned char* p)
{
    return unsigned(p[0]) | unsigned(p[1]) << 8;
}

bool LooksLikeTga(const unsigned char* d, size_t n)
{
    if (n < 18 || d[1] > 1) return false;
    const unsigned type = d[2], depth = d[16];
    const bool knownType = type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
    const bool knownDepth = depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
    return knownType && knownDepth && Le16(d + 12) != 0 && Le16(d + 14) != 0;
}

// Printable bytes, line ends and tabs; bytes from 0x80 up count too, for
// text in code page 936.
bool LooksLikeText(const unsigned char* d, size_t n)
{
    const size_t look = n < 64 ? n : 64;
    for (size_t i = 0; i < look; ++i)
        if (d[i] < 0x20 && d[i] != '\n' && d[i] != '\r' && d[i] != '\t') return false;
    return true;
}

const char* Kind(const unsigned char* d, size_t n)
{
    if (Starts(d, n, "\xFF\xD8\xFF", 3)) return "a JPEG picture";
    if (Starts(d, n, "\x89PNG", 4)) return "a PNG picture";
    if (Starts(d, n, "GIF8", 4)) return "a GIF picture";
    // A bitmap's two reserved words are zero; text that starts with "BM"
    // has letters there.
    if (Starts(d, n, "BM", 2) && n >= 10 && memcmp(d + 6, "\0\0\0\0", 4) == 0) return "a BMP picture";
    // The header length is 12 in every sprite the tools write; text that
    // starts with "SP" has letters there.
    if (Starts(d, n, "SP", 2) && n >= 4 && Le16(d + 2) <= 1024) return "a WAS sprite";
    if (Starts(d, n, "PFDW", 4) || Starts(d, n, "XFDW", 4) || Starts(d, n, "HFDW", 4)) return "a WDF archive";
    if (Starts(d, n, "RIFF", 4) && n >= 12 && memcmp(d + 8, "WAVE", 4) == 0) return "a WAV sound";
    if (Starts(d, n, "OggS", 4)) return "an Ogg sound";
    if (Starts(d, n, "fLaC", 4)) return "a FLAC sound";
    if (Starts(d, n, "ID3", 3) || (n >= 2 && d[0] == 0xFF && (d[1] & 0xE0) == 0xE0)) return "an MP3 sound";
    if (Starts(d, n, "\x00\x01\x00\x00", 4) || Starts(d, n, "OTTO", 4) || Starts(d, n, "true", 4) ||
        Starts(d, n, "ttcf", 4))
        return "a font";
    if (Starts(d, n, "PK\x03\x04", 4)) return "a ZIP archive";
    if (LooksLikeTga(d, n)) return "a TGA picture";
    if (LooksLikeText(d, n)) return "text";
    return 0;
}

} // namespace

void LooksLike(const unsigned char* data, size_t size, char out[kLooksLikeText])
{
    if (size == 0) {
        snprintf(out, kLooksLikeText, "is empty");
        return;
    }
    if (const char* kind = Kind(data, size)) {
        snprintf(out, kLooksLikeText, "looks like %s", kind);
        return;
    }
    char bytes[16] = "";
    size_t at = 0;
    for (size_t i = 0; i < size && i < 4; ++i)
        at += size_t(snprintf(bytes + at, sizeof bytes - at, "%s%02X", i ? " " : "", data[i]));
    snprintf(out, kLooksLikeText, "starts with %s, no kind the engine knows", bytes);
}

} // namespace kes
