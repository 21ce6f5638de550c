// Sound files made with Debian's encoders, an application whose sound
// system plays on SDL's dummy driver, and the mixed output measured.
#ifndef KESTO_TESTS_SOUND_SOUNDFIXTURE_H
#define KESTO_TESTS_SOUND_SOUNDFIXTURE_H

#include <KesApp.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace kes::test {

// A 16-bit stereo 44.1 kHz square wave of `seconds`, its peak `level` of
// full scale (a square keeps that peak through the lossy encoders, nearly).
std::string MakeSquareWav(const std::string& path, double seconds, double level);
// The largest sample magnitude in a 16-bit WAV file (what the mixer puts
// out for it at full volume).
int WavPeak(const std::string& wav);
// Encodes `wav` as "ogg", "mp3" or "flac" next to it; returns the new path.
std::string Encode(const std::string& wav, const std::string& format);
// Files whole, and cut to their first `keep` bytes.
std::string Cut(const std::string& bytes, size_t keep);

// The largest sample magnitude the mixer produced since the last Reset.
class OutputMeter {
public:
    // Hooks the mixer's output (the mixer must be open).
    OutputMeter();
    ~OutputMeter();
    void Reset();
    int Peak() const;
    // Resets, lets the mixer run for `ms`, and returns the peak.
    int PeakOver(int ms);
};

class SoundFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Window, device and sound system as a game's Init makes them.
    void InitApp();

    ScratchDir m_dir;
    MApp* m_app = nullptr;
};

void SleepMs(int ms);

} // namespace kes::test

#endif
