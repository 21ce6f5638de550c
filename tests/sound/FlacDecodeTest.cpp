// FLAC decoded by libFLAC into WAV for the mixer: every depth and channel
// count gives back the samples it was made from and, through the mixer, the
// same sound as the WAV file of those samples; damaged streams (among them
// the ones that made SDL_mixer's decoder lose memory) fail with the decoder's
// reason; what STREAMINFO declares never sizes an allocation, and no stream
// decodes past the limit.
//
// A suite of its own: it replaces operator new to see the largest block the
// decoder asks for.
#include "FmodSystemFixture.h"
#include "TestSupport.h"

#include "fmod/sdlmixer/FlacDecode.h"
#include "fmod/sdlmixer/SoundData.h"

#include <fmod.hpp>

#include <SDL_mixer.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

std::atomic<bool> g_watching{false};
std::atomic<size_t> g_largest{0};

void* Allocate(size_t size)
{
    if (g_watching.load(std::memory_order_relaxed)) {
        size_t seen = g_largest.load();
        while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
        }
    }
    return malloc(size ? size : 1);
}

} // namespace

// Every form that does not ask for an alignment, so that each block is freed
// by the allocator that made it.
void* operator new(size_t size)
{
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    free(p);
}
void operator delete[](void* p) noexcept
{
    free(p);
}
void operator delete(void* p, size_t) noexcept
{
    free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    free(p);
}

namespace kes::test {
namespace {

using kes::fmod::FlacToWav;
using kes::fmod::kMaxFlacSampleBytes;

// The two inputs with which the fuzzer first caught SDL_mixer's decoder
// losing memory: a sox-made FLAC with bytes changed in STREAMINFO (1 bit a
// sample) and in its first frame.
const std::string kLostMemory[] = {
    std::string("\x66\x4c\x61\x43\x00\x00\x00\x22\x10\x00\x10\x00\x00\x01\xff\x00"
                "\x01\xff\x01\xf4\x90\x00\x00\x00\xf0\x01\x1f\xcd\xf4\xc7\x31\x96"
                "\xea\x0a\xdc\xaf\x22\xd8\x2e\x08\xcf\x30\x84\x00\x00\x44\x20\x00"
                "\x01\x00\x72\x65\x66\x65\x72\x65\x6e\x63\x65\x20\x6c\x69\x62\x46"
                "\x4c\x41\x43\x20\x31\x2e\x34\x2e\x32\x20\x32\x30\x32\x32\x31\x30"
                "\x32\x32\x01\x00\x00\x00\x18\x00\x00\x00\x43\x6f\x6d\x6d\x65\x6e"
                "\x74\x3d\x50\x72\x6f\x63\x65\x73\x73\x65\x64\x20\x62\x79\x20\x53"
                "\x6f\x58\xff\xf8\x74\x08\x00\x01\x8f\x24\x46\x4f\x52\x4d\x50\x03"
                "\xba\x21\xfa\x40\x46\x53\x4f\x5a\x70\x52\xae\x3e\xa0\x1f\xff\xfc"
                "\xca\xb4\x1a\x65\xea\x0b\xb0\xd0\xf0\x10\x9b\x76\x80\x7f\xff\x10"
                "\x85\xae\x26\x2b\x39\xd4\x50\x6c",
                168),
    std::string("\x66\x4c\x61\x43\x00\x00\x00\x22\x10\x00\x10\x00\x00\x01\xff\x00"
                "\x01\xff\x01\xf4\x00\xf0\x00\x00\x01\x90\x1f\xcd\xf4\xc7\x31\x96"
                "\xea\x0a\xdc\xaf\x22\xd8\x2e\x08\xcf\x30\x84\x00\x00\x44\x20\x00"
                "\x00\x4d\x50\x33\x66\x65\x72\x65\x6e\x63\x65\x20\x6c\x69\x62\x46"
                "\x4c\x41\x43\x20\x31\x2e\x34\x2e\x32\x20\x32\x30\x32\x32\x31\x30"
                "\x32\x32\x01\x00\x00\x00\x18\x00\x00\x00\x43\x6f\x6d\x6d\x65\x6e"
                "\x74\x3d\x50\x72\x6f\x63\x65\x73\x73\x65\x64\x20\x62\x79\x20\x53"
                "\x6f\x58\xff\xf8\x74\x08\x00\x01\x8f\x24\x50\x03\xba\x21\xfa\x40"
                "\x46\x53\x4f\x5a\x70\x52\xae\x3e\xa0\x1f\xff\xfc\xca\xb4\x1a\x65"
                "\xea\x0b\xb0\xd0\xf0\x10\x9b\x76\x80\x7f\xfd\x20\x70\x1f\x08\xdc"
                "\xc1\x23\x40\xc8\xd8\xd5\x62\x93\x95\xca\x09\x6b\xa9\x68\xa1\x81"
                "\x62\x4d\xab\xb1\x35\x5d\x05\x61\x53\x97\x35\xd8\x97\xcc\xda\x26"
                "\x41\xb0\xdc\x60\x22\xd5\xde\xea\x02\x85\xa2\xeb\xfb\xf1\x19\x7d"
                "\xb1\x18\x5f\x1d\x1d\xd6\xbd\xec\x97\xb8\x49\x44\x2a\xcc\x25\xf1"
                "\x3b\x27\x2f\x41\x93\x43\x3b\x3e\xe1\x1f\x0a\x83\x3d\x8d\x78\x8c"
                "\xdd\xc9\xb1\x87\x5b\x77\x97\xb2\xc9\xd6\xd9\xd2\xc2\xa9\x8c\x6c"
                "\x50\x39\x2c\x27\x2d\x3d\x55\x72\x90\xad\xc6\xd4\xda\xd4\xc5\xae"
                "\x91\x71\x54\x3d\x2d\xa1\xc4\x71\xbf\x87\x10\x85\xae\x26\x2b\x39"
                "\xd4\x50\x6c",
                291),
};

void Run(const std::string& command)
{
    ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0) << command;
}

// Noise at half scale, so that every bit of a sample is used, and a different
// signal on each channel, so that channels cannot trade places unseen; -R
// makes the same file every run.
std::string MakeNoiseWav(const std::string& path, int bits, int channels, int rate, double seconds)
{
    Run(std::string(KESTO_SOX) + " -R -D -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) +
        " -b " + std::to_string(bits) + " '" + path + "' synth " + std::to_string(seconds) +
        " whitenoise pinknoise brownnoise tpdfnoise sine 300 square 500 sawtooth 700 triangle 900 vol 0.5");
    return path;
}

// No channel mask: the encoder refuses sox's masks for 3, 5 and 7 channels.
std::string EncodeFlac(const std::string& wav)
{
    const std::string out = wav.substr(0, wav.rfind('.')) + ".flac";
    Run(std::string(KESTO_FLAC) + " -s -f --channel-map=none -o '" + out + "' '" + wav + "'");
    return out;
}

uint32_t Le(const std::string& b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int k = 0; k < bytes && at + size_t(k) < b.size(); ++k) v |= uint32_t(uint8_t(b[at + size_t(k)])) << (8 * k);
    return v;
}

struct Pcm {
    unsigned channels = 0, rate = 0, bits = 0; // bits: the container's
    std::vector<int32_t> samples;              // each at the top of 32 bits
};

// A PCM WAV file's samples, moved to the top of 32 bits so that depths compare
// (sox writes the extensible header above 16 bits and 2 channels).
Pcm ReadWav(const std::string& b)
{
    Pcm p;
    size_t at = 12;
    while (at + 8 <= b.size()) {
        const uint32_t length = Le(b, at + 4, 4);
        if (b.compare(at, 4, "fmt ") == 0) {
            p.channels = Le(b, at + 10, 2);
            p.rate = Le(b, at + 12, 4);
            p.bits = Le(b, at + 22, 2);
        } else if (b.compare(at, 4, "data") == 0 && p.bits % 8 == 0 && p.bits) {
            const size_t bytes = p.bits / 8;
            for (size_t i = at + 8; i + bytes <= at + 8 + length && i + bytes <= b.size(); i += bytes) {
                uint32_t v = Le(b, i, int(bytes)) << (32 - p.bits);
                if (p.bits == 8) v ^= 0x80000000u; // 8-bit WAV samples are unsigned
                p.samples.push_back(int32_t(v));
            }
            break;
        }
        at += 8 + size_t(length) + (length & 1);
    }
    return p;
}

// STREAMINFO of a file that begins with it (as the encoder writes them).
constexpr size_t kInfo = 8;

uint64_t DeclaredFrames(const std::string& flac)
{
    const auto at = [&](size_t i) { return uint64_t(uint8_t(flac[kInfo + i])); };
    return (at(13) & 0x0F) << 32 | at(14) << 24 | at(15) << 16 | at(16) << 8 | at(17);
}

std::string WithDeclaredFrames(std::string flac, uint64_t frames)
{
    flac[kInfo + 13] = char((uint8_t(flac[kInfo + 13]) & 0xF0) | ((frames >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i) flac[kInfo + 14 + size_t(i)] = char(frames >> (24 - 8 * i));
    return flac;
}

std::string WithChannels(std::string flac, unsigned channels)
{
    flac[kInfo + 12] = char((uint8_t(flac[kInfo + 12]) & 0xF1) | ((channels - 1) << 1));
    return flac;
}

std::string WithBits(std::string flac, unsigned bits)
{
    flac[kInfo + 12] = char((uint8_t(flac[kInfo + 12]) & 0xFE) | ((bits - 1) >> 4));
    flac[kInfo + 13] = char((uint8_t(flac[kInfo + 13]) & 0x0F) | (((bits - 1) & 0x0F) << 4));
    return flac;
}

std::string WithRate(std::string flac, unsigned rate)
{
    flac[kInfo + 10] = char(rate >> 12);
    flac[kInfo + 11] = char(rate >> 4);
    flac[kInfo + 12] = char((uint8_t(flac[kInfo + 12]) & 0x0F) | ((rate & 0x0F) << 4));
    return flac;
}

std::string Flipped(std::string bytes, size_t at)
{
    bytes[at] = char(bytes[at] ^ 0x5A);
    return bytes;
}

struct Result {
    bool ok = false;
    bool damaged = false;
    std::string why;
    std::vector<uint8_t> wav;
    size_t largest = 0; // the largest block asked of operator new meanwhile
};

Result ToWav(const std::string& flac)
{
    Result r;
    g_largest = 0;
    g_watching = true;
    r.ok = FlacToWav(reinterpret_cast<const uint8_t*>(flac.data()), flac.size(), &r.wav, &r.why, &r.damaged);
    g_watching = false;
    r.largest = g_largest;
    return r;
}

// A FLAC stream written bit by bit: frames of constant subframes, the
// smallest there are (under 50 bytes for 65535 frames of 8 channels).
class BitWriter {
public:
    void Put(uint64_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i) {
            if (m_fill == 0) m_bytes.push_back(0);
            m_bytes.back() = uint8_t(m_bytes.back() | ((value >> i) & 1) << (7 - m_fill));
            m_fill = (m_fill + 1) % 8;
        }
    }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    int m_fill = 0;
};

uint8_t Crc8(const uint8_t* p, size_t n)
{
    uint8_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = uint8_t(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

uint16_t Crc16(const uint8_t* p, size_t n)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) {
        crc ^= uint16_t(p[i] << 8);
        for (int k = 0; k < 8; ++k) crc = uint16_t(crc & 0x8000 ? (crc << 1) ^ 0x8005 : crc << 1);
    }
    return crc;
}

std::string ConstantFlac(unsigned channels, unsigned bits, unsigned blocksize, unsigned frames, uint64_t declared)
{
    BitWriter info;
    info.Put(blocksize, 16);
    info.Put(blocksize, 16);
    info.Put(0, 24); // frame sizes not known
    info.Put(0, 24);
    info.Put(44100, 20);
    info.Put(channels - 1, 3);
    info.Put(bits - 1, 5);
    info.Put(declared, 36);
    for (int i = 0; i < 4; ++i) info.Put(0, 32); // no MD5 signature
    std::string out = "fLaC";
    out += std::string("\x80\x00\x00\x22", 4);
    out.append(info.Bytes().begin(), info.Bytes().end());
    for (unsigned n = 0; n < frames; ++n) {
        BitWriter f;
        f.Put(0xFFF8, 16); // sync, fixed block size
        f.Put(7, 4);       // block size - 1 follows in 16 bits
        f.Put(0, 4);       // sample rate from STREAMINFO
        f.Put(channels - 1, 4);
        f.Put(0, 3); // bits from STREAMINFO
        f.Put(0, 1);
        if (n < 0x80) { // the frame number, coded as UTF-8 codes are
            f.Put(n, 8);
        } else {
            f.Put(0xC0 | (n >> 6), 8);
            f.Put(0x80 | (n & 0x3F), 8);
        }
        f.Put(blocksize - 1, 16);
        f.Put(Crc8(f.Bytes().data(), f.Bytes().size()), 8);
        for (unsigned c = 0; c < channels; ++c) {
            f.Put(0, 8); // constant subframe, no wasted bits
            f.Put(c + 1, bits);
        }
        f.Put(Crc16(f.Bytes().data(), f.Bytes().size()), 16);
        out.append(f.Bytes().begin(), f.Bytes().end());
    }
    return out;
}

class FlacDecode : public FmodSystemTest {
protected:
    // Through the same path as a game's sound: null when it fails.
    static Mix_Chunk* Mixed(const std::string& bytes, std::string* why)
    {
        bool damaged = false;
        return kes::fmod::Decode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), why, &damaged);
    }
};

TEST_F(FlacDecode, EveryDepthAndChannelCountGivesBackItsSamplesAndSoundsLikeTheWav)
{
    struct Layout {
        int bits, channels, rate;
    } layouts[] = {
        {8, 1, 8000},   {8, 2, 22050},  {16, 1, 44100}, {16, 2, 48000}, {24, 1, 96000}, {24, 2, 44100},
        {32, 2, 44100}, {16, 3, 44100}, {16, 4, 32000}, {16, 6, 44100}, {24, 7, 44100}, {24, 8, 48000},
    };
    for (const Layout& k : layouts) {
        const std::string name =
            std::to_string(k.bits) + "bit-" + std::to_string(k.channels) + "ch-" + std::to_string(k.rate);
        SCOPED_TRACE(name);
        // Longer than one FLAC frame, and not a whole number of them.
        const std::string wav = ReadWhole(MakeNoiseWav(m_dir.Path() + "/" + name + ".wav", k.bits, k.channels,
                                                       k.rate, 0.6));
        const std::string flac = ReadWhole(EncodeFlac(m_dir.Path() + "/" + name + ".wav"));
        const Pcm source = ReadWav(wav);
        ASSERT_GT(source.samples.size(), size_t(4096 * k.channels));

        const Result r = ToWav(flac);
        ASSERT_TRUE(r.ok) << r.why;
        const Pcm decoded = ReadWav(std::string(r.wav.begin(), r.wav.end()));
        EXPECT_EQ(decoded.bits, k.bits <= 16 ? 16u : 32u);
        EXPECT_EQ(decoded.channels, unsigned(k.channels));
        EXPECT_EQ(decoded.rate, unsigned(k.rate));
        ASSERT_EQ(decoded.samples.size(), source.samples.size());
        size_t differ = 0;
        for (size_t i = 0; i < source.samples.size(); ++i) differ += decoded.samples[i] != source.samples[i];
        EXPECT_EQ(differ, 0u) << "samples differ from the source";

        // The mixer converts both the same way: the same output to the byte.
        std::string why;
        Mix_Chunk* fromFlac = Mixed(flac, &why);
        ASSERT_NE(fromFlac, nullptr) << why;
        Mix_Chunk* fromWav = Mixed(wav, &why);
        ASSERT_NE(fromWav, nullptr) << why;
        EXPECT_EQ(fromFlac->alen, fromWav->alen);
        EXPECT_TRUE(fromFlac->alen == fromWav->alen && memcmp(fromFlac->abuf, fromWav->abuf, fromWav->alen) == 0);
        Mix_FreeChunk(fromFlac);
        Mix_FreeChunk(fromWav);
    }
}

TEST_F(FlacDecode, ADamagedStreamFailsWithTheDecodersReason)
{
    const std::string flac = ReadWhole(EncodeFlac(MakeNoiseWav(m_dir.Path() + "/n.wav", 16, 2, 44100, 0.3)));
    const uint64_t frames = DeclaredFrames(flac);
    ASSERT_EQ(frames, 13230u);
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::string> reasons; // any of them
    } cases[] = {
        {"first input that lost memory: 1-bit samples", kLostMemory[0], {"STREAMINFO gives 1 channels of 1 bits"}},
        {"second input that lost memory: no frame found", kLostMemory[1],
         {"FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC"}},
        {"last frame's checksum", Flipped(flac, flac.size() - 1),
         {"FLAC__STREAM_DECODER_ERROR_STATUS_FRAME_CRC_MISMATCH"}},
        // A frame cut off ends the stream early, or libFLAC loses sync in it.
        {"cut in the middle", flac.substr(0, flac.size() / 2),
         {" of 13230 frames", "FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC"}},
        {"cut in the last frame's checksum", flac.substr(0, flac.size() - 2),
         {"decodes to 12288 of 13230 frames", "FLAC__STREAM_DECODER_ERROR_STATUS_LOST_SYNC"}},
        // Whole frames to the end: only the declared length tells.
        {"ten frames fewer than declared", WithDeclaredFrames(flac, frames + 10), {"decodes to 13230 of 13240 frames"}},
        {"MD5 signature", Flipped(flac, kInfo + 20), {"MD5"}},
        {"STREAMINFO with 8 channels", WithChannels(flac, 8),
         {"has 2 channels of 16 bits at 44100 Hz, STREAMINFO 8 of 16 at 44100"}},
        {"STREAMINFO with 24 bits", WithBits(flac, 24),
         {"has 2 channels of 16 bits at 44100 Hz, STREAMINFO 2 of 24 at 44100"}},
        {"STREAMINFO at 22050 Hz", WithRate(flac, 22050),
         {"has 2 channels of 16 bits at 44100 Hz, STREAMINFO 2 of 16 at 22050"}},
        {"sample rate 0", WithRate(flac, 0), {"at 0 Hz"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const Result r = ToWav(k.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.damaged);
        bool named = false;
        for (const std::string& reason : k.reasons) named = named || r.why.find(reason) != std::string::npos;
        EXPECT_TRUE(named) << r.why;
        EXPECT_TRUE(r.wav.empty());
    }
    // The untouched stream decodes in full.
    const Result whole = ToWav(flac);
    ASSERT_TRUE(whole.ok) << whole.why;
    EXPECT_EQ(whole.wav.size(), 44 + 13230u * 4);

    // The engine's path: a damaged file, with the reason in the log, and (in
    // the sanitizer build) no memory left behind when the process ends.
    for (size_t i = 0; i < 2; ++i) {
        const std::string name = "lost-memory-" + std::to_string(i) + ".flac";
        FMOD::Sound* s = reinterpret_cast<FMOD::Sound*>(1);
        testing::internal::CaptureStderr();
        EXPECT_EQ(m_system->createSound(m_dir.Write(name, kLostMemory[i]).c_str(), FMOD_DEFAULT, nullptr, &s),
                  FMOD_ERR_FILE_BAD);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(s, nullptr);
        EXPECT_NE(said.find(name), std::string::npos) << said;
        EXPECT_NE(said.find(i == 0 ? "STREAMINFO" : "LOST_SYNC"), std::string::npos) << said;
    }
}

TEST_F(FlacDecode, WhatStreamInfoDeclaresNeverSizesAnAllocation)
{
    struct Case {
        const char* what;
        int bits, channels;
        uint64_t declared;
        std::string reason;
        bool damaged;
    } cases[] = {
        // Under the limit, so only the frames that arrive can show it false.
        {"120 MB declared", 16, 1, 60000000, "decodes to 4410 of 60000000 frames", true},
        {"256 000 000 bytes of 8 channels declared", 24, 8, 8000000, "decodes to 4410 of 8000000 frames", true},
        // Over it: refused before a frame is decoded.
        {"2^36 - 1 frames declared", 16, 2, (uint64_t(1) << 36) - 1, "declares 68719476735 frames, more than 256 MB",
         false},
        {"just over the limit", 16, 2, kMaxFlacSampleBytes / 4 + 1, "more than 256 MB", false},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        const std::string name = std::to_string(k.bits) + "-" + std::to_string(k.channels) + ".wav";
        const std::string flac =
            ReadWhole(EncodeFlac(MakeNoiseWav(m_dir.Path() + "/" + name, k.bits, k.channels, 44100, 0.1)));
        const Result r = ToWav(WithDeclaredFrames(flac, k.declared));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.damaged, k.damaged);
        EXPECT_NE(r.why.find(k.reason), std::string::npos) << r.why;
        // 4410 frames of 8 channels at 4 bytes are 141 120 bytes: room to
        // double once, nothing near what was declared.
        EXPECT_LT(r.largest, size_t(1) << 20);
    }
}

TEST_F(FlacDecode, NoStreamDecodesPastTheLimit)
{
    // 65535 frames of 8 channels of 24 bits are 2 MB of samples from 45 bytes:
    // 128 such blocks fit under 256 MB, 129 do not. STREAMINFO says nothing of
    // the length, so only the decoding can tell.
    const size_t block = 65535 * 8 * 4;
    ASSERT_LE(128 * block, kMaxFlacSampleBytes);
    ASSERT_GT(129 * block, kMaxFlacSampleBytes);

    const Result fits = ToWav(ConstantFlac(8, 24, 65535, 128, 0));
    ASSERT_TRUE(fits.ok) << fits.why;
    ASSERT_EQ(fits.wav.size(), 44 + 128 * block);
    // Constant subframes: channel c holds c + 1 throughout, left-justified.
    const auto sample = [&](size_t at) {
        const uint8_t* p = fits.wav.data() + at;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    };
    EXPECT_EQ(sample(44), 1u << 8);
    EXPECT_EQ(sample(44 + 127 * block + 7 * 4), 8u << 8) << "the last block's last channel";
    EXPECT_LE(fits.largest, 44 + kMaxFlacSampleBytes) << "the buffer grew past the limit";

    const Result over = ToWav(ConstantFlac(8, 24, 65535, 129, 0));
    EXPECT_FALSE(over.ok);
    EXPECT_FALSE(over.damaged) << "a stream too large is not a damaged one";
    EXPECT_NE(over.why.find("decodes to more than 256 MB"), std::string::npos) << over.why;
    EXPECT_LE(over.largest, 44 + kMaxFlacSampleBytes);
    EXPECT_TRUE(over.wav.empty());
}

} // namespace
} // namespace kes::test
