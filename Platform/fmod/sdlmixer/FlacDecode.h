// FLAC decoded with libFLAC into a WAV file in memory, which SDL's own WAV
// loader then converts to the mixer's format. SDL_mixer's FLAC decoder is
// never handed a stream: when one fails inside it, it loses the memory it
// had taken for the stream.
#ifndef KESTO_PLATFORM_FMOD_FLACDECODE_H
#define KESTO_PLATFORM_FMOD_FLACDECODE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kes::fmod {

// The most sample bytes a stream may decode to (over 25 minutes of 16-bit
// stereo at 44.1 kHz); a stream that declares or decodes to more is refused.
constexpr size_t kMaxFlacSampleBytes = size_t(256) << 20;

// A native FLAC stream ("fLaC" first): what SDL_mixer would give its FLAC decoder.
bool IsFlac(const uint8_t* data, size_t size);

// The whole stream decoded into `wav`, a WAV file of 16-bit PCM for streams
// of up to 16 bits a sample and of 32-bit PCM (samples left-justified) above.
// False with the reason otherwise, and with *damaged when the stream itself
// is broken: a decoder error (lost sync, bad header, checksum, unparseable),
// an impossible STREAMINFO, fewer frames than STREAMINFO declares, or samples
// that do not match its MD5 signature. Memory grows with the frames decoded,
// never with what STREAMINFO declares.
bool FlacToWav(const uint8_t* data, size_t size, std::vector<uint8_t>* wav, std::string* why, bool* damaged);

} // namespace kes::fmod

#endif
