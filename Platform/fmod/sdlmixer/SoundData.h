// A sound file's bytes: read through the program's file callbacks, checked
// against what its container says, split into the streams of a chained Ogg
// bank, and decoded (FLAC by libFLAC, the rest by SDL2_mixer).
#ifndef KESTO_PLATFORM_FMOD_SOUNDDATA_H
#define KESTO_PLATFORM_FMOD_SOUNDDATA_H

#include <fmod.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Mix_Chunk;

namespace kes::fmod {

struct FileSystem {
    FMOD_FILE_OPENCALLBACK open = nullptr;
    FMOD_FILE_CLOSECALLBACK close = nullptr;
    FMOD_FILE_READCALLBACK read = nullptr;
    FMOD_FILE_SEEKCALLBACK seek = nullptr;
    unsigned blockAlign = 0;
};

// The whole file. With no callbacks installed, the disk is read directly.
// Errors are the callbacks' own results (FMOD_ERR_FILE_NOTFOUND, ...), or
// FMOD_ERR_FILE_BAD for a container CheckContainer refuses. A WAV file cut
// inside its data chunk comes back as the WAV file of the whole sample
// frames it holds. What was refused or cut is logged once for the sound's
// `name`.
FMOD_RESULT ReadWholeFile(const FileSystem& fs, const char* name, std::vector<uint8_t>* out);

// FMOD_ERR_FILE_BAD when the container says more bytes than there are or a
// checksum fails (WAV chunks, Ogg pages, FLAC metadata), with what and at
// which byte in `why`; FMOD_OK otherwise (including formats this does not
// know, left to the decoder).
FMOD_RESULT CheckContainer(const uint8_t* data, size_t size, std::string* why);

// The byte ranges of the streams of a chained Ogg file (one entry for a
// plain Ogg stream); empty for anything else.
struct Range {
    size_t offset, size;
};
std::vector<Range> OggChain(const uint8_t* data, size_t size);

// Decodes a whole file into the mixer's format (FLAC through FlacToWav,
// everything else by SDL2_mixer). Null with the reason when no decoder reads
// it, or (with *damaged) when the file is one the decoder knows but broken
// (FLAC: frames cut off or failing their checks).
Mix_Chunk* Decode(const uint8_t* data, size_t size, std::string* why, bool* damaged);

} // namespace kes::fmod

#endif
