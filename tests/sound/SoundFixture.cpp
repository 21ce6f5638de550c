#include "SoundFixture.h"

#include <KesPlatform.h>

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace kes::test {
namespace {

std::atomic<int> g_peak{0};
std::atomic<int> g_buffers{0};

void Measure(void*, Uint8* stream, int len)
{
    // The output is 16-bit signed, native order.
    const Sint16* s = reinterpret_cast<const Sint16*>(stream);
    int local = 0;
    for (int i = 0; i < len / 2; ++i) local = std::max(local, s[i] < 0 ? -int(s[i]) : int(s[i]));
    int seen = g_peak.load();
    while (local > seen && !g_peak.compare_exchange_weak(seen, local)) {
    }
    ++g_buffers;
}

void RunTool(const std::string& command)
{
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    ASSERT_EQ(status, 0) << command;
}

} // namespace

std::string MakeSquareWav(const std::string& path, double seconds, double level)
{
    // -D: no dither, so that silence and levels are exact.
    RunTool(std::string(KESTO_SOX) + " -D -n -r 44100 -c 2 -b 16 '" + path + "' synth " + std::to_string(seconds) +
            " square 441 vol " + std::to_string(level));
    return path;
}

int WavPeak(const std::string& wav)
{
    const std::string bytes = ReadWhole(wav);
    const size_t data = bytes.find("data");
    int peak = 0;
    for (size_t i = data + 8; data != std::string::npos && i + 1 < bytes.size(); i += 2) {
        const int v = int16_t(uint16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
        peak = std::max(peak, v < 0 ? -v : v);
    }
    return peak;
}

std::string Encode(const std::string& wav, const std::string& format)
{
    const std::string out = wav.substr(0, wav.rfind('.')) + "." + format;
    if (format == "ogg")
        RunTool(std::string(KESTO_OGGENC) + " -Q -q 6 -o '" + out + "' '" + wav + "'");
    else if (format == "mp3")
        RunTool(std::string(KESTO_LAME) + " --quiet -b 192 '" + wav + "' '" + out + "'");
    else if (format == "flac")
        RunTool(std::string(KESTO_FLAC) + " -s -f -o '" + out + "' '" + wav + "'");
    else
        return wav;
    return out;
}

std::string Cut(const std::string& bytes, size_t keep)
{
    return bytes.substr(0, keep);
}

OutputMeter::OutputMeter()
{
    Mix_SetPostMix(Measure, nullptr);
}

OutputMeter::~OutputMeter()
{
    Mix_SetPostMix(nullptr, nullptr);
}

void OutputMeter::Reset()
{
    g_peak.store(0);
    g_buffers.store(0);
}

int OutputMeter::Peak() const
{
    return g_peak.load();
}

int OutputMeter::PeakOver(int ms)
{
    Reset();
    SleepMs(ms);
    // On a busy machine the mixing thread may run late: wait for a few
    // buffers rather than trusting the clock alone.
    for (int waited = 0; g_buffers.load() < 3 && waited < 3000; waited += 5) SleepMs(5);
    return Peak();
}

void SleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SoundFixture::SetUp()
{
    // The dummy driver everywhere: the same timing on a desktop as on CI,
    // and nothing audible while tests run.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformSetRenderDevice(SuiteRenderDevice().c_str());
    m_app = new MApp;
    // The volumes are the process's and outlive an application object.
    m_app->SetMusicVolume(1.0f);
    m_app->SetSoundVolume(1.0f);
}

void SoundFixture::TearDown()
{
    if (m_app) {
        m_app->Shutdown();
        delete m_app;
        m_app = nullptr;
    }
}

void SoundFixture::InitApp()
{
    m_app->SetWindowSize(64, 48);
    m_app->SetAsync(0);
    ASSERT_EQ(m_app->Init(), 1);
}

} // namespace kes::test
