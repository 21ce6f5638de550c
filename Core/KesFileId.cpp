// The name hash and the name derivations of archives and their files.
#include "KesWdf.h"

#include <KesFile.h>

#include <string.h>

namespace {

inline DWORD Rotl1(DWORD v)
{
    return (v << 1) | (v >> 31);
}

struct HashState {
    DWORD v = 0xF4FA8928;
    DWORD x = 0x37A8470E;
    DWORD y = 0x7758B42B;

    inline void Mix(DWORD w)
    {
        v = Rotl1(v);
        const DWORD k = 0x267B0B11 ^ v;
        x ^= w;
        y ^= w;

        // x times a, folding the high half back in with end-around carries.
        // (The carry tests read the 64-bit sums directly: one step shorter
        // on the chain from one word to the next than testing the halves.)
        const DWORD a = ((k + y) | 0x02040801) & 0xBFEF7FDF;
        const uint64_t px = uint64_t(x) * a;
        const uint64_t sx = (px & 0xFFFFFFFFu) + (px >> 32) + (px > 0xFFFFFFFFu);
        const DWORD newX = DWORD(sx) + DWORD(sx >> 32);

        // y times b, with the high half doubled and its top bit carried round;
        // a carry out of the sum adds 2.
        const DWORD b = ((k + x) | 0x00804021) & 0x7DFEFBFF;
        const uint64_t py = uint64_t(y) * b;
        const DWORD hi2 = DWORD(py >> 32);
        const uint64_t sy = (py & 0xFFFFFFFFu) + DWORD(hi2 << 1) + (hi2 >> 31);
        y = DWORD(sy) + (DWORD(sy >> 32) << 1);
        x = newX;
    }
};

inline char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Lower-cases `n` bytes of `src` into `dst`, turning '/' into '\', and hashes
// them. False when they do not fit the name buffer with `extra` more bytes
// and the terminating zero.
bool HashNormalised(const char* src, size_t n, const char* extra, DWORD* id)
{
    const size_t extraLen = extra ? strlen(extra) : 0;
    if (n + extraLen + 1 > kes::wdf::kNameBuffer) return false;
    char buf[kes::wdf::kNameBuffer];
    for (size_t i = 0; i < n; ++i) {
        const char c = Lower(src[i]);
        buf[i] = c == '/' ? '\\' : c;
    }
    memcpy(buf + n, extra ? extra : "", extraLen + 1);
    *id = WString2ID(buf);
    return true;
}
} // namespace

DWORD WString2ID(const char* s)
{
    // The length first (the C library scans it many bytes at a time), then
    // whole words; the last partial word is completed with zero bytes.
    const size_t len = strlen(s);
    HashState h;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    size_t i = 0;
    for (; i + 4 <= len; i += 4) {
        DWORD w;
        memcpy(&w, p + i, 4); // the format is little-endian, as is the host
        h.Mix(w);
    }
    if (i < len) {
        DWORD w = 0;
        for (size_t k = 0; i + k < len; ++k) w |= DWORD(p[i + k]) << (8 * k);
        h.Mix(w);
    }
    h.Mix(0x9BE74448);
    h.Mix(0x66F42C48);
    return h.x ^ h.y;
}

namespace kes::wdf {

// Ours: the archives this engine reads are packed by its own tools.
const unsigned char kIndexKey[kes::wdf::kKeyLength] = {
    0x7B, 0x6D, 0x5A, 0xFF, 0xAA, 0x64, 0x76, 0xF2, 0x55, 0xD3, 0x9A, 0xB0, 0x41, 0x8B, 0x15, 0xFE,
    0x0F, 0x21, 0xB2, 0x19, 0x92, 0x1F, 0x37, 0xDE, 0xEE, 0x81, 0x85, 0x9E, 0x77, 0x5B, 0x24, 0x12,
    0x32, 0xE5, 0xEC, 0x74, 0x89, 0x49, 0xEE, 0x5D, 0x3E, 0xBC, 0x67, 0x2F, 0x4D, 0x41, 0x28, 0xB6,
    0x32, 0xEC, 0x12, 0xAB, 0xAC, 0x0E, 0x05, 0x97, 0x64, 0x70, 0xFC, 0x89, 0x9B, 0xF1, 0x2D, 0xC7,
    0x09, 0x45, 0xB8, 0x2F, 0x9E, 0x33, 0x41, 0xDF, 0x07, 0xD9, 0xE3, 0x6A, 0x73, 0xE3, 0x65, 0x45,
    0xD2, 0x32, 0xAF, 0x89, 0x45, 0xB8, 0x7C, 0x39, 0x52, 0xAB, 0xDE, 0x0A, 0xBA, 0xE9, 0x7F, 0xF6,
    0x58, 0x49, 0x04, 0xF2, 0xBC, 0x92, 0x9E, 0xBD, 0x39, 0xA0, 0x91, 0xEA, 0xC1, 0x3A, 0x5B, 0x62,
    0x1D, 0x3D, 0x19, 0xE1, 0xAC, 0xA8, 0x41, 0xA7, 0x67, 0x06, 0xC5, 0x11, 0x74, 0xAE, 0x3F, 0x48,
    0x9E, 0xA7, 0xF4, 0x32, 0xC0, 0x2C, 0x2B, 0xB2, 0xB1, 0x2A, 0xB0, 0x8B, 0x44, 0x45, 0x3D, 0x03,
    0xA0, 0x88, 0x11, 0x04, 0x2F, 0xC6, 0x83, 0x74, 0x76, 0xBE, 0x46, 0x73, 0xC4, 0x7F, 0x72, 0xBF,
    0xD5, 0x79, 0xFC, 0xAD, 0xD9, 0xC8, 0x0C, 0x2B, 0xC3, 0xC6, 0xD9, 0x77, 0xB8, 0xE8, 0x9F, 0x9A,
    0x69, 0x9C, 0x23, 0x0E, 0xAD, 0x48, 0x69, 0x09, 0x62, 0x74, 0x19, 0xF0, 0x46, 0xC2, 0x92, 0xB6,
    0x4E, 0xD9, 0x36, 0x8B, 0xFB, 0xEC, 0x3D, 0x32, 0xB9, 0xEB, 0xF8, 0xC5, 0x4B, 0xBC, 0x23, 0x31,
    0x23, 0xE3, 0xB5, 0x72, 0x7A, 0xFF, 0xD3, 0x70, 0x07, 0x96, 0xAE, 0x07, 0xCF, 0x9D, 0x9A, 0x01,
    0x2B, 0x90, 0xDE, 0x5C, 0xB5, 0x9E, 0x8A, 0x76, 0xB7, 0x79, 0xF6, 0x86, 0x15, 0x2B, 0x43, 0x42,
    0xC4, 0x34, 0x85, 0x05, 0x67, 0x4F, 0xFE, 0x79, 0xC6, 0x85, 0xAE, 0x56, 0x25, 0xAC, 0x55, 0x57,
    0x45,
};

void ScrambleIndex(unsigned char* bytes, size_t n)
{
    int key = 0;
    for (size_t i = 0; i < n; ++i) {
        bytes[i] ^= kIndexKey[key];
        key = key == 32 ? 34 : key == 256 ? 0 : key + 1;
    }
}

void ChainSuffix(int n, char suffix[5])
{
    memcpy(suffix, ".wdf", 5);
    if (n > 0) suffix[3] = char(n < 10 ? '0' + n : 'a' + (n - 10));
}

bool ArchiveFileId(const char* path, DWORD* id)
{
    // Windows takes either separator; so a game may register "data/shape.wdf"
    // and still find "shape/..." names in it.
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    return HashNormalised(name, strlen(name), nullptr, id);
}

const char* NameInArchive(const char* path)
{
    // A name written only with backslashes ("shape\\char\\0001.was") names
    // the same file as with forward slashes; where both appear, the first
    // '/' decides, as it always has.
    const char* slash = strchr(path, '/');
    if (!slash) slash = strchr(path, '\\');
    return slash ? slash + 1 : nullptr;
}

bool FileId(const char* path, DWORD* id)
{
    const char* name = NameInArchive(path);
    if (!name) {
        *id = 0;
        return true;
    }
    return HashNormalised(name, strlen(name), nullptr, id);
}

bool ChainArchiveId(const char* path, int n, DWORD* id)
{
    const size_t part = strcspn(path, "/\\");
    if (part == 0 || path[part] == '\0') return false;
    char suffix[5];
    ChainSuffix(n, suffix);
    return HashNormalised(path, part, suffix, id);
}

} // namespace kes::wdf

DWORD MFile::Fnameid(const char* path)
{
    DWORD id = 0;
    return kes::wdf::FileId(path, &id) ? id : 0;
}
