// Reading, checking and decoding sound files.
#include "SoundData.h"
#include "FlacDecode.h"
#include "../../config/Log.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstring>

namespace kes::fmod {
namespace {

// Larger files are refused rather than decoded into gigabytes of samples.
constexpr unsigned kMaxFileSize = 256u << 20;

uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

FMOD_RESULT ReadFromDisk(const char* name, std::vector<uint8_t>* out)
{
    FILE* f = fopen(name, "rb");
    if (!f) return FMOD_ERR_FILE_NOTFOUND;
    uint8_t block[4096];
    size_t n;
    while ((n = fread(block, 1, sizeof block, f)) > 0 && out->size() <= kMaxFileSize)
        out->insert(out->end(), block, block + n);
    fclose(f);
    return out->size() > kMaxFileSize ? FMOD_ERR_MEMORY : FMOD_OK;
}

// Ogg's page checksum: CRC-32, polynomial 0x04C11DB7, no reflection, zero
// start, computed with the checksum field zeroed.
uint32_t OggCrc(const uint8_t* page, size_t size)
{
    static uint32_t table[256];
    if (!table[1]) {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = r & 0x80000000u ? (r << 1) ^ 0x04C11DB7u : r << 1;
            table[i] = r;
        }
    }
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i) {
        const uint8_t b = i >= 22 && i < 26 ? 0 : page[i];
        crc = (crc << 8) ^ table[((crc >> 24) ^ b) & 0xFF];
    }
    return crc;
}

// Size of the whole Ogg page at `p`, 0 when it is cut short or not a page.
size_t OggPageSize(const uint8_t* p, size_t left)
{
    if (left < 27 || memcmp(p, "OggS", 4) != 0 || p[4] != 0) return 0;
    const size_t segments = p[26];
    if (left < 27 + segments) return 0;
    size_t size = 27 + segments;
    for (size_t i = 0; i < segments; ++i) size += p[27 + i];
    return size <= left ? size : 0;
}

struct OggWalk {
    std::vector<Range> streams;
    bool complete = true; // every page whole, checksums right, every stream ended
    std::string why;
};

// Walks the pages: a page that begins a stream while none is open starts the
// next link of the chain.
OggWalk WalkOgg(const uint8_t* data, size_t size)
{
    OggWalk w;
    std::vector<uint32_t> open;
    size_t at = 0;
    while (at < size) {
        const size_t page = OggPageSize(data + at, size - at);
        if (!page) {
            w.complete = false;
            w.why = "Ogg page cut short or missing at byte " + std::to_string(at);
            break;
        }
        const uint8_t* p = data + at;
        if (OggCrc(p, page) != Le32(p + 22)) {
            w.complete = false;
            w.why = "Ogg page checksum fails at byte " + std::to_string(at);
            break;
        }
        const uint8_t flags = p[5];
        const uint32_t serial = Le32(p + 14);
        if (flags & 2) {
            if (open.empty()) w.streams.push_back(Range{at, 0});
            open.push_back(serial);
        }
        if (flags & 4) {
            for (size_t i = 0; i < open.size(); ++i)
                if (open[i] == serial) {
                    open.erase(open.begin() + long(i));
                    break;
                }
        }
        at += page;
        if (!w.streams.empty()) w.streams.back().size = at - w.streams.back().offset;
    }
    if (w.complete && !open.empty()) {
        w.complete = false;
        w.why = "Ogg stream ends without its last page";
    }
    return w;
}

bool IsOgg(const uint8_t* data, size_t size)
{
    return size >= 4 && memcmp(data, "OggS", 4) == 0;
}

bool IsWav(const uint8_t* data, size_t size)
{
    return size >= 12 && memcmp(data, "RIFF", 4) == 0 && memcmp(data + 8, "WAVE", 4) == 0;
}

void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

// A WAV file cut inside its data chunk (a download that stopped, a writer
// that counted wrong) plays what it holds, as players and SDL_mixer itself
// do: its sizes are made to say so, down to whole sample frames, with one
// line that names the sound. A chunk without a single whole frame is left
// for CheckContainer to refuse.
void TrimCutWav(const char* name, std::vector<uint8_t>* bytes)
{
    uint8_t* data = bytes->data();
    const size_t size = bytes->size();
    if (!IsWav(data, size)) return;
    size_t frame = 0; // the fmt chunk's block align: bytes of one sample frame
    for (size_t at = 12; at + 8 <= size;) {
        const uint32_t chunk = Le32(data + at + 4);
        const size_t present = size - at - 8;
        if (memcmp(data + at, "fmt ", 4) == 0 && chunk >= 14 && present >= 14)
            frame = size_t(data[at + 20]) | size_t(data[at + 21]) << 8;
        if (memcmp(data + at, "data", 4) == 0) {
            if (chunk <= present || frame == 0) return;
            const size_t keep = present - present % frame;
            if (keep == 0) return;
            PutLe32(data + at + 4, uint32_t(keep));
            bytes->resize(at + 8 + keep);
            PutLe32(bytes->data() + 4, uint32_t(bytes->size() - 8));
            kes::platform::LogOnce("sound %s: its WAV data chunk at byte %zu declares %u bytes and %zu are there; "
                                   "the %zu sample frames there play",
                                   name, at, unsigned(chunk), present, keep / frame);
            return;
        }
        if (chunk > present) return;
        at += 8 + size_t(chunk) + (chunk & 1);
    }
}

FMOD_RESULT ReadThroughCallbacks(const FileSystem& fs, const char* name, std::vector<uint8_t>* out)
{
    unsigned int size = 0;
    void* handle = nullptr;
    void* user = nullptr;
    FMOD_RESULT r = fs.open(name, 0, &size, &handle, &user);
    if (r != FMOD_OK) return r;
    if (size > kMaxFileSize) r = FMOD_ERR_MEMORY;
    if (r == FMOD_OK && fs.seek) r = fs.seek(handle, 0, user);
    if (r == FMOD_OK) {
        // Whole blocks of the alignment asked for; the last read comes up
        // short with FMOD_ERR_FILE_EOF, which ends the file.
        const unsigned block = fs.blockAlign ? fs.blockAlign : 2048;
        out->resize((size_t(size) + block - 1) / block * block);
        size_t total = 0;
        while (total < size) {
            unsigned int got = 0;
            const FMOD_RESULT rr = fs.read(handle, out->data() + total, block, &got, user);
            if (rr != FMOD_OK && rr != FMOD_ERR_FILE_EOF) {
                r = rr;
                break;
            }
            total += got < block ? got : block;
            if (rr == FMOD_ERR_FILE_EOF || got == 0) break;
        }
        out->resize(total < size ? total : size);
    }
    if (fs.close) fs.close(handle, user);
    if (r != FMOD_OK) out->clear();
    return r;
}

} // namespace

FMOD_RESULT ReadWholeFile(const FileSystem& fs, const char* name, std::vector<uint8_t>* out)
{
    out->clear();
    if (!name) return FMOD_ERR_INVALID_PARAM;
    const FMOD_RESULT r = fs.open && fs.read ? ReadThroughCallbacks(fs, name, out) : ReadFromDisk(name, out);
    if (r != FMOD_OK) return r;
    TrimCutWav(name, out);
    // A game asks for its sounds every frame: a damaged container is
    // refused here, where the line can be said once.
    std::string why;
    if (CheckContainer(out->data(), out->size(), &why) != FMOD_OK) {
        kes::platform::LogOnce("sound %s: %s", name, why.c_str());
        out->clear();
        return FMOD_ERR_FILE_BAD;
    }
    return FMOD_OK;
}

FMOD_RESULT CheckContainer(const uint8_t* data, size_t size, std::string* why)
{
    if (IsWav(data, size)) {
        // The data chunk must be all there: ReadWholeFile has already cut a
        // short one down to the whole frames it holds, so one still short
        // here holds not one.
        size_t at = 12;
        while (at + 8 <= size) {
            const uint32_t chunk = Le32(data + at + 4);
            const std::string where = "WAV chunk '" + std::string(reinterpret_cast<const char*>(data + at), 4) +
                                      "' at byte " + std::to_string(at);
            if (memcmp(data + at, "data", 4) == 0) {
                if (chunk > size - at - 8) {
                    *why = where + " declares " + std::to_string(chunk) + " bytes and " +
                           std::to_string(size - at - 8) + " are there, not one whole sample frame";
                    return FMOD_ERR_FILE_BAD;
                }
                return FMOD_OK;
            }
            if (chunk > size - at - 8) {
                *why = where + " declares " + std::to_string(chunk) + " bytes, past the file's end at byte " +
                       std::to_string(size) + ", before any data chunk";
                return FMOD_ERR_FILE_BAD;
            }
            at += 8 + size_t(chunk) + (chunk & 1);
        }
        *why = "WAV file of " + std::to_string(size) + " bytes without a data chunk";
        return FMOD_ERR_FILE_BAD;
    }
    if (IsFlac(data, size)) {
        // Every metadata block whole, STREAMINFO first, then a frame: a cheap
        // look before the decoder, which says more about the frames.
        size_t at = 4;
        for (bool first = true;; first = false) {
            if (at + 4 > size) {
                *why = "FLAC metadata cut short at byte " + std::to_string(at);
                return FMOD_ERR_FILE_BAD;
            }
            const uint8_t type = data[at] & 0x7F;
            const bool last = (data[at] & 0x80) != 0;
            const size_t length = size_t(data[at + 1]) << 16 | size_t(data[at + 2]) << 8 | data[at + 3];
            if (first && (type != 0 || length != 34)) {
                *why = "FLAC stream does not begin with its STREAMINFO";
                return FMOD_ERR_FILE_BAD;
            }
            if (length > size - at - 4) {
                *why = "FLAC metadata block at byte " + std::to_string(at) + " declares " + std::to_string(length) +
                       " bytes and " + std::to_string(size - at - 4) + " are there";
                return FMOD_ERR_FILE_BAD;
            }
            at += 4 + length;
            if (last) break;
        }
        if (at + 2 > size || data[at] != 0xFF || (data[at + 1] & 0xFE) != 0xF8) {
            *why = "FLAC stream without an audio frame at byte " + std::to_string(at) + ", after its metadata";
            return FMOD_ERR_FILE_BAD;
        }
        return FMOD_OK;
    }
    if (IsOgg(data, size)) {
        const OggWalk w = WalkOgg(data, size);
        if (!w.complete) {
            *why = w.why;
            return FMOD_ERR_FILE_BAD;
        }
    }
    return FMOD_OK;
}

std::vector<Range> OggChain(const uint8_t* data, size_t size)
{
    if (!IsOgg(data, size)) return {};
    OggWalk w = WalkOgg(data, size);
    return w.complete ? w.streams : std::vector<Range>();
}

Mix_Chunk* Decode(const uint8_t* data, size_t size, std::string* why, bool* damaged)
{
    *damaged = false;
    if (size == 0 || size > size_t(INT32_MAX)) {
        *why = size == 0 ? "the file is empty" : "the file is 2 GB or more";
        return nullptr;
    }
    // SDL_mixer's FLAC decoder loses memory when a damaged stream fails in
    // it: FLAC reaches the mixer as the WAV file of its samples instead.
    std::vector<uint8_t> wav;
    if (IsFlac(data, size)) {
        if (!FlacToWav(data, size, &wav, why, damaged)) return nullptr;
        data = wav.data();
        size = wav.size();
    }
    // Closed here, not by the mixer: some of its failure paths forget to.
    SDL_RWops* rw = SDL_RWFromConstMem(data, int(size));
    Mix_Chunk* chunk = rw ? Mix_LoadWAV_RW(rw, 0) : nullptr;
    if (rw) SDL_RWclose(rw);
    if (!chunk) {
        *why = std::string("SDL_mixer: ") + Mix_GetError();
        return nullptr;
    }
    return chunk;
}

} // namespace kes::fmod
