// Decoding FLAC with libFLAC's stream decoder over the file in memory.
#include "FlacDecode.h"

#include <FLAC/stream_decoder.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

namespace kes::fmod {
namespace {

constexpr size_t kWavHeaderSize = 44;

// Gives the memory back: a refused stream may have decoded a lot.
void Drop(std::vector<uint8_t>* wav)
{
    std::vector<uint8_t>().swap(*wav);
}

struct Decoding {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    std::vector<uint8_t>* wav = nullptr;

    bool haveInfo = false;
    unsigned channels = 0;
    unsigned bits = 0;
    unsigned rate = 0;
    unsigned sampleBytes = 0; // 2 or 4 in the WAV file
    uint64_t declared = 0;    // STREAMINFO's frames, 0 when it does not say
    uint64_t frames = 0;      // decoded so far

    // The first thing that went wrong ends the decoding and is the reason.
    std::string why;
    bool damaged = false;

    void Fail(std::string reason, bool isDamage)
    {
        if (!why.empty()) return;
        why = std::move(reason);
        damaged = isDamage;
    }
};

void PutLe16(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

FLAC__StreamDecoderReadStatus Read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* client)
{
    Decoding* d = static_cast<Decoding*>(client);
    const size_t n = std::min(*bytes, d->size - d->at);
    if (n) memcpy(buffer, d->data + d->at, n);
    d->at += n;
    *bytes = n;
    return n ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
}

void Metadata(const FLAC__StreamDecoder*, const FLAC__StreamMetadata* block, void* client)
{
    Decoding* d = static_cast<Decoding*>(client);
    if (block->type != FLAC__METADATA_TYPE_STREAMINFO || d->haveInfo) return;
    const FLAC__StreamMetadata_StreamInfo& info = block->data.stream_info;
    d->haveInfo = true;
    d->channels = info.channels;
    d->bits = info.bits_per_sample;
    d->rate = info.sample_rate;
    d->declared = info.total_samples;
    d->sampleBytes = d->bits <= 16 ? 2 : 4;
    // libFLAC reads these fields as they stand; FLAC itself has no sample
    // rate 0 and no samples under 4 bits.
    if (d->rate == 0 || d->bits < 4) {
        d->Fail("FLAC STREAMINFO gives " + std::to_string(d->channels) + " channels of " + std::to_string(d->bits) +
                    " bits at " + std::to_string(d->rate) + " Hz",
                true);
        return;
    }
    // At most 2^36 frames of 8 channels of 4 bytes: no overflow.
    if (d->declared * d->channels * d->sampleBytes > kMaxFlacSampleBytes)
        d->Fail("FLAC stream declares " + std::to_string(d->declared) + " frames, more than " +
                    std::to_string(kMaxFlacSampleBytes >> 20) + " MB of samples",
                false);
}

FLAC__StreamDecoderWriteStatus Write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                     const FLAC__int32* const buffer[], void* client)
{
    Decoding* d = static_cast<Decoding*>(client);
    if (!d->haveInfo) d->Fail("FLAC frames before the STREAMINFO", true);
    if (!d->why.empty()) return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    const FLAC__FrameHeader& h = frame->header;
    // The WAV file has one layout from start to end.
    if (h.channels != d->channels || h.bits_per_sample != d->bits || h.sample_rate != d->rate) {
        d->Fail("FLAC frame after " + std::to_string(d->frames) + " frames has " + std::to_string(h.channels) +
                    " channels of " + std::to_string(h.bits_per_sample) + " bits at " +
                    std::to_string(h.sample_rate) + " Hz, STREAMINFO " + std::to_string(d->channels) + " of " +
                    std::to_string(d->bits) + " at " + std::to_string(d->rate),
                true);
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    const size_t add = size_t(h.blocksize) * d->channels * d->sampleBytes;
    const size_t had = d->wav->size() - kWavHeaderSize;
    if (add > kMaxFlacSampleBytes - had) {
        d->Fail("FLAC stream decodes to more than " + std::to_string(kMaxFlacSampleBytes >> 20) + " MB of samples",
                false);
        return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }
    // Doubling, but never past the limit: the buffer follows the frames that
    // arrive, whatever STREAMINFO declared.
    std::vector<uint8_t>& wav = *d->wav;
    if (wav.size() + add > wav.capacity())
        wav.reserve(std::min(std::max(wav.capacity() * 2, wav.size() + add), kWavHeaderSize + kMaxFlacSampleBytes));
    wav.resize(wav.size() + add);
    uint8_t* out = wav.data() + kWavHeaderSize + had;
    // Left-justified, so that SDL reads every depth at full scale.
    const unsigned shift = d->sampleBytes * 8 - d->bits;
    for (unsigned i = 0; i < h.blocksize; ++i) {
        for (unsigned c = 0; c < d->channels; ++c) {
            const uint32_t v = uint32_t(buffer[c][i]) << shift;
            if (d->sampleBytes == 2) {
                PutLe16(out, v);
                out += 2;
            } else {
                PutLe32(out, v);
                out += 4;
            }
        }
    }
    d->frames += h.blocksize;
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
}

void Error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* client)
{
    Decoding* d = static_cast<Decoding*>(client);
    d->Fail("FLAC stream fails after " + std::to_string(d->frames) + " frames: " +
                FLAC__StreamDecoderErrorStatusString[status],
            true);
}

void WriteWavHeader(const Decoding& d)
{
    uint8_t* p = d.wav->data();
    const uint32_t dataBytes = uint32_t(d.wav->size() - kWavHeaderSize);
    const uint32_t blockAlign = d.channels * d.sampleBytes;
    memcpy(p, "RIFF", 4);
    PutLe32(p + 4, 36 + dataBytes);
    memcpy(p + 8, "WAVEfmt ", 8);
    PutLe32(p + 16, 16);
    PutLe16(p + 20, 1); // integer PCM
    PutLe16(p + 22, d.channels);
    PutLe32(p + 24, d.rate);
    PutLe32(p + 28, d.rate * blockAlign);
    PutLe16(p + 32, blockAlign);
    PutLe16(p + 34, d.sampleBytes * 8);
    memcpy(p + 36, "data", 4);
    PutLe32(p + 40, dataBytes);
}

} // namespace

bool IsFlac(const uint8_t* data, size_t size)
{
    return size >= 4 && memcmp(data, "fLaC", 4) == 0;
}

bool FlacToWav(const uint8_t* data, size_t size, std::vector<uint8_t>* wav, std::string* why, bool* damaged)
{
    *damaged = false;
    wav->assign(kWavHeaderSize, 0);
    const std::unique_ptr<FLAC__StreamDecoder, void (*)(FLAC__StreamDecoder*)> decoder(FLAC__stream_decoder_new(),
                                                                                       FLAC__stream_decoder_delete);
    if (!decoder) {
        *why = "no memory for a FLAC decoder";
        Drop(wav);
        return false;
    }
    FLAC__stream_decoder_set_md5_checking(decoder.get(), true);
    Decoding d;
    d.data = data;
    d.size = size;
    d.wav = wav;
    const FLAC__StreamDecoderInitStatus init = FLAC__stream_decoder_init_stream(
        decoder.get(), Read, nullptr, nullptr, nullptr, nullptr, Write, Metadata, Error, &d);
    if (init != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        *why = std::string("FLAC decoder does not start: ") + FLAC__StreamDecoderInitStatusString[init];
        Drop(wav);
        return false;
    }
    // A block or a frame at a time, so that the first error ends it; libFLAC
    // on its own would look for the next frame and go on.
    while (d.why.empty() && FLAC__stream_decoder_get_state(decoder.get()) != FLAC__STREAM_DECODER_END_OF_STREAM)
        if (!FLAC__stream_decoder_process_single(decoder.get())) break;
    const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(decoder.get());
    // Finishing compares the samples with the MD5 signature (when there is one).
    const bool signatureMatches = FLAC__stream_decoder_finish(decoder.get());

    // In this order: the first reason that holds is the one given.
    if (state != FLAC__STREAM_DECODER_END_OF_STREAM)
        d.Fail(std::string("FLAC decoder stops: ") + FLAC__StreamDecoderStateString[state], true);
    if (!d.haveInfo) d.Fail("FLAC stream without a STREAMINFO", true);
    if (d.frames < d.declared)
        d.Fail("FLAC stream decodes to " + std::to_string(d.frames) + " of " + std::to_string(d.declared) + " frames",
               true);
    if (!signatureMatches) d.Fail("FLAC stream's samples do not match its MD5 signature", true);
    if (d.frames == 0) d.Fail("FLAC stream without samples", false);
    if (!d.why.empty()) {
        *why = d.why;
        *damaged = d.damaged;
        Drop(wav);
        return false;
    }
    WriteWavHeader(d);
    return true;
}

} // namespace kes::fmod
