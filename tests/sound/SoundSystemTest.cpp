// The engine's music and effects: every format from disk and from an
// archive, the file callbacks over MFile, effect slots, music replacement,
// sub-sounds, volumes on the mixed output, failures, and the state left
// when the application object goes.
#include "LogCapture.h"
#include "SoundFixture.h"

#include <KesSoundState.h>

#include "WdfWriter.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <chrono>
#include <cstring>
#include <string>

namespace kes::test {
namespace {

using SoundSystem = SoundFixture;

constexpr double kLevel = 0.25;

bool Playing(const MSound& s)
{
    bool playing = false;
    return s.m_sound && s.m_channel && s.m_channel->isPlaying(&playing) == FMOD_OK && playing;
}

int HeldEffects()
{
    int n = 0;
    for (const MSound& s : g_sounds) n += s.m_sound != nullptr;
    return n;
}

TEST_F(SoundSystem, EveryFormatPlaysFromDiskAndFromAnArchive)
{
    const std::string wav = MakeSquareWav(m_dir.Path() + "/tone.wav", 0.2, kLevel);
    const int full = WavPeak(wav);
    kes::wdf::ArchiveWriter archive;
    const char* formats[] = {"wav", "ogg", "mp3", "flac"};
    for (const char* f : formats) {
        const std::string bytes = ReadWhole(Encode(wav, f));
        m_dir.Write(std::string("loose/tone.") + f, bytes);
        archive.AddNamed(std::string("sfx/tone.") + f, bytes);
    }
    std::string error;
    ASSERT_TRUE(archive.Write("sfx.wdf", &error)) << error;
    ASSERT_EQ(MFile::OpenDataFile("sfx.wdf"), 1);
    InitApp();
    OutputMeter meter;

    for (const char* where : {"loose", "sfx"}) {
        for (const char* f : formats) {
            const std::string name = std::string(where) + "/tone." + f;
            SCOPED_TRACE(name);
            m_app->PlayMusic(nullptr);
            m_app->PlaySoundA(name.c_str());
            ASSERT_NE(g_sounds[0].m_sound, nullptr);
            EXPECT_TRUE(Playing(g_sounds[0]));
            // Lossy coders move a square's peak a little, never by a quarter.
            const int peak = meter.PeakOver(100);
            EXPECT_GT(peak, full * 3 / 4);
            EXPECT_LT(peak, full * 5 / 4);
            SleepMs(300);
            EXPECT_FALSE(Playing(g_sounds[0])) << "an effect plays once";
            m_app->PlayMusic(name.c_str());
            ASSERT_NE(g_music.m_sound, nullptr);
            SleepMs(300);
            EXPECT_TRUE(Playing(g_music)) << "music loops";
        }
    }
    m_app->PlayMusic(nullptr);
    EXPECT_EQ(g_music.m_sound, nullptr);
    EXPECT_EQ(meter.PeakOver(100), 0) << "PlayMusic(NULL) stops the music";
}

TEST_F(SoundSystem, TheFileCallbacksReadThroughMFileAndStopAtTheEntrysEnd)
{
    kes::wdf::ArchiveWriter archive;
    archive.AddNamed("sfx/a.wav", "AAAAAAAAAA");
    archive.AddNamed("sfx/b.wav", "0123456789");
    archive.AddNamed("sfx/c.wav", "CCCCCCCCCC");
    std::string error;
    ASSERT_TRUE(archive.Write("sfx.wdf", &error)) << error;
    ASSERT_EQ(MFile::OpenDataFile("sfx.wdf"), 1);
    m_dir.Write("loose/b.wav", "0123456789");

    using namespace kes::sound;
    for (const char* name : {"sfx/b.wav", "loose/b.wav"}) {
        SCOPED_TRACE(name);
        unsigned size = 0;
        void* handle = nullptr;
        void* user = reinterpret_cast<void*>(1);
        ASSERT_EQ(FileOpen(name, 0, &size, &handle, &user), FMOD_OK);
        EXPECT_EQ(size, 10u);
        EXPECT_EQ(user, nullptr);
        ASSERT_NE(handle, nullptr);
        char buf[32];
        unsigned got = 99;
        ASSERT_EQ(FileSeek(handle, 2, nullptr), FMOD_OK);
        EXPECT_EQ(FileRead(handle, buf, 4, &got, nullptr), FMOD_OK);
        EXPECT_EQ(std::string(buf, got), "2345");
        // Across the end: the bytes up to it, and end of file; never the next entry.
        memset(buf, '#', sizeof buf);
        EXPECT_EQ(FileRead(handle, buf, 16, &got, nullptr), FMOD_ERR_FILE_EOF);
        EXPECT_EQ(std::string(buf, got), "6789");
        EXPECT_EQ(buf[got], '#');
        EXPECT_EQ(FileRead(handle, buf, 4, &got, nullptr), FMOD_ERR_FILE_EOF);
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(FileRead(handle, buf, 4, nullptr, nullptr), FMOD_OK) << "no count: nothing read";
        EXPECT_EQ(FileClose(handle, nullptr), FMOD_OK);
    }

    unsigned size = 5;
    void* handle = reinterpret_cast<void*>(2);
    void* user = nullptr;
    EXPECT_EQ(FileOpen("sfx/none.wav", 0, &size, &handle, &user), FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(handle, reinterpret_cast<void*>(2));
    EXPECT_EQ(FileOpen(nullptr, 0, &size, &handle, &user), FMOD_ERR_INVALID_PARAM);
    char buf[4];
    unsigned got = 0;
    EXPECT_EQ(FileRead(nullptr, buf, 4, &got, nullptr), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FileSeek(nullptr, 0, nullptr), FMOD_ERR_INVALID_PARAM);
    EXPECT_EQ(FileClose(nullptr, nullptr), FMOD_ERR_INVALID_PARAM);
}

TEST_F(SoundSystem, The33rdEffectIsDroppedAndTheFirstFinishedSlotIsReused)
{
    MakeSquareWav(m_dir.Path() + "/long.wav", 3.0, 0.01);
    MakeSquareWav(m_dir.Path() + "/short.wav", 0.8, 0.01);
    InitApp();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < KES_SOUND_SLOTS; ++i) m_app->PlaySoundA(i == 5 || i == 9 ? "short.wav" : "long.wav");
    ASSERT_EQ(HeldEffects(), KES_SOUND_SLOTS);
    FMOD::Sound* before[KES_SOUND_SLOTS];
    FMOD::Channel* beforeChannel[KES_SOUND_SLOTS];
    for (int i = 0; i < KES_SOUND_SLOTS; ++i) {
        before[i] = g_sounds[i].m_sound;
        beforeChannel[i] = g_sounds[i].m_channel;
    }

    m_app->PlaySoundA("long.wav");
    const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_LT(spent, 0.6) << "too slow here to play 33 effects inside the short ones";
    for (int i = 0; i < KES_SOUND_SLOTS; ++i) {
        EXPECT_EQ(g_sounds[i].m_sound, before[i]) << i;
        EXPECT_TRUE(Playing(g_sounds[i])) << i;
    }
    int mixing = 0;
    for (int ch = 0; ch < 64; ++ch) mixing += Mix_Playing(ch);
    EXPECT_EQ(mixing, KES_SOUND_SLOTS) << "the 33rd was dropped, not played";

    // Slots 5 and 9 finish; the next effect takes 5, the one after 9.
    SleepMs(1100);
    m_app->PlaySoundA("long.wav");
    // A new play has a new channel handle (a new sound may reuse the old's address).
    EXPECT_NE(g_sounds[5].m_channel, beforeChannel[5]);
    EXPECT_TRUE(Playing(g_sounds[5]));
    EXPECT_EQ(g_sounds[9].m_sound, before[9]) << "a finished effect keeps its sound until needed";
    m_app->PlaySoundA("long.wav");
    EXPECT_NE(g_sounds[9].m_channel, beforeChannel[9]);
    EXPECT_TRUE(Playing(g_sounds[9]));
    for (int i = 0; i < KES_SOUND_SLOTS; ++i) {
        if (i == 5 || i == 9) continue;
        EXPECT_EQ(g_sounds[i].m_sound, before[i]) << i;
    }
}

TEST_F(SoundSystem, MusicIsReplacedAndAMissingOrOutOfRangeOneLeavesNone)
{
    std::string bank;
    int peaks[3];
    for (int i = 0; i < 3; ++i) {
        const std::string wav = MakeSquareWav(m_dir.Path() + "/s" + std::to_string(i) + ".wav", 0.5, 0.1 * (i + 1));
        peaks[i] = WavPeak(wav);
        bank += ReadWhole(Encode(wav, "ogg"));
    }
    m_dir.Write("bank.ogg", bank);
    InitApp();
    OutputMeter meter;

    // Sub-sound i has peak 0.1 * (i + 1): the output tells which one plays.
    for (int i = 0; i < 3; ++i) {
        m_app->PlayMusic("bank.ogg", i);
        ASSERT_NE(g_music.m_sound, nullptr) << i;
        const int peak = meter.PeakOver(150);
        EXPECT_NEAR(peak, peaks[i], peaks[0] / 3) << i;
    }
    FMOD::Channel* old = g_music.m_channel;

    struct Case {
        const char* what;
        const char* name;
        int index; // -2: no index
    } cases[] = {
        {"missing file", "nothing here.ogg", -2},
        {"index past the end", "bank.ogg", 3},
        {"negative index", "bank.ogg", -1},
        {"index into a plain file", "s0.ogg", 0},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        m_app->PlayMusic("s1.ogg");
        ASSERT_TRUE(Playing(g_music));
        old = g_music.m_channel;
        if (k.index == -2)
            m_app->PlayMusic(k.name);
        else
            m_app->PlayMusic(k.name, k.index);
        EXPECT_EQ(g_music.m_sound, nullptr);
        bool playing = true;
        EXPECT_NE(old->isPlaying(&playing), FMOD_OK) << "the old music stopped";
        EXPECT_EQ(meter.PeakOver(80), 0);
        // The same requests as effects: nothing held, nothing heard.
        if (k.index == -2)
            m_app->PlaySoundA(k.name);
        else
            m_app->PlaySoundA(k.name, k.index);
        EXPECT_EQ(HeldEffects(), 0);
    }
    m_app->PlaySoundA("bank.ogg", 2);
    EXPECT_EQ(HeldEffects(), 1);
    EXPECT_NEAR(meter.PeakOver(150), peaks[2], peaks[0] / 3);
}

TEST_F(SoundSystem, VolumesHalveTheOutputOfPlayingAndLaterSounds)
{
    const int wavPeak = WavPeak(MakeSquareWav(m_dir.Path() + "/fx.wav", 0.6, kLevel));
    MakeSquareWav(m_dir.Path() + "/music.wav", 0.5, kLevel);
    // Recorded before Init; the first music takes it.
    m_app->SetMusicVolume(0.5f);
    m_app->PlayMusic("music.wav"); // no system yet: nothing
    EXPECT_EQ(g_music.m_sound, nullptr);
    InitApp();
    OutputMeter meter;

    m_app->PlayMusic("music.wav");
    const int halfMusic = meter.PeakOver(150);
    m_app->SetMusicVolume(1.0f);
    const int fullMusic = meter.PeakOver(150);
    EXPECT_NEAR(fullMusic, wavPeak, 2);
    EXPECT_NEAR(halfMusic, fullMusic / 2, 2);
    m_app->PlayMusic(nullptr);

    m_app->PlaySoundA("fx.wav");
    const int full = meter.PeakOver(100);
    m_app->SetSoundVolume(0.5f);
    SleepMs(60); // the buffer already mixed at the old volume goes out first
    const int playing = meter.PeakOver(100);
    SleepMs(400);
    ASSERT_FALSE(Playing(g_sounds[0]));
    m_app->PlaySoundA("fx.wav");
    SleepMs(60);
    const int later = meter.PeakOver(100);
    EXPECT_NEAR(full, wavPeak, 2);
    EXPECT_NEAR(playing, full / 2, 2);
    EXPECT_NEAR(later, full / 2, 2);
    EXPECT_EQ(g_soundVolume, 0.5f);

    m_app->SetSoundVolume(0.0f);
    EXPECT_EQ(meter.PeakOver(100), 0);
}

TEST_F(SoundSystem, DamagedFilesPlayNothingAndSaySo)
{
    const std::string okWav = MakeSquareWav(m_dir.Path() + "/ok.wav", 0.3, kLevel);
    const int wavPeak = WavPeak(okWav);
    const std::string ogg = ReadWhole(Encode(okWav, "ogg"));
    m_dir.Write("cut.ogg", Cut(ogg, ogg.size() / 2));
    m_dir.Write("noise.ogg", "OggS" + Bytes(3000, 3));
    InitApp();
    OutputMeter meter;
    for (const char* name : {"cut.ogg", "noise.ogg"}) {
        testing::internal::CaptureStderr();
        m_app->PlayMusic(name);
        m_app->PlaySoundA(name);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(name), std::string::npos) << said;
        EXPECT_EQ(g_music.m_sound, nullptr);
        EXPECT_EQ(HeldEffects(), 0);
    }
    EXPECT_EQ(meter.PeakOver(80), 0);
    m_app->PlaySoundA("ok.ogg");
    EXPECT_GT(meter.PeakOver(100), wavPeak / 2) << "a good file still plays after bad ones";
}

// A game plays its sounds every frame whatever happened the frame before:
// a sound that is missing, cut short, or a sub-sound the bank does not
// hold, says so once, naming the call and the sound as the game wrote them.
TEST_F(SoundSystem, AMissingCutOrOutOfRangeSoundSaysWhyOnce)
{
    std::string bank;
    for (int i = 0; i < 2; ++i)
        bank += ReadWhole(Encode(MakeSquareWav(m_dir.Path() + "/b" + std::to_string(i) + ".wav", 0.1, kLevel), "ogg"));
    m_dir.Write("two-tunes.ogg", bank);
    m_dir.Write("cut-tune.ogg", bank.substr(0, bank.size() / 4));
    InitApp();
    LogCapture log;
    for (int frame = 0; frame < 3; ++frame) {
        m_app->PlayMusic("music/never-packed.ogg");
        m_app->PlaySoundA("music/never-packed.ogg");
        m_app->PlayMusic("cut-tune.ogg");
        m_app->PlaySoundA("cut-tune.ogg");
        m_app->PlayMusic("two-tunes.ogg", 5);
        m_app->PlaySoundA("two-tunes.ogg", 5);
        EXPECT_EQ(g_music.m_sound, nullptr);
        EXPECT_EQ(HeldEffects(), 0);
    }
    EXPECT_EQ(log.Count("never-packed.ogg"), 1u) << log.All();
    EXPECT_EQ(log.Only("never-packed.ogg"),
              "music/never-packed.ogg: not found: no such loose file, and music.wdf is not registered");
    EXPECT_EQ(log.Count("PlayMusic two-tunes.ogg"), 1u) << log.All();
    EXPECT_EQ(log.Only("PlayMusic two-tunes.ogg"), "PlayMusic two-tunes.ogg: sub-sound 5 asked for; the file holds 2");
    EXPECT_EQ(log.Count("PlaySound two-tunes.ogg"), 1u) << log.All();
    EXPECT_EQ(log.Count("cut-tune.ogg"), 1u) << log.All();
    EXPECT_EQ(log.Only("cut-tune.ogg").rfind("sound cut-tune.ogg: Ogg page cut short or missing at byte ", 0), 0u);
    EXPECT_EQ(log.Lines().size(), 4u) << log.All();
}

TEST_F(SoundSystem, WithoutInitNothingPlaysAndClosingRestoresAllButTheVolumes)
{
    const int wavPeak = WavPeak(MakeSquareWav(m_dir.Path() + "/t.wav", 1.0, kLevel));
    m_app->PlaySoundA("t.wav");
    m_app->SetSoundVolume(0.25f);
    EXPECT_EQ(g_pSystem, nullptr);
    EXPECT_EQ(HeldEffects(), 0);

    InitApp();
    ASSERT_NE(g_pSystem, nullptr);
    m_app->PlayMusic("t.wav");
    m_app->PlaySoundA("t.wav");
    m_app->PlaySoundA("t.wav");
    m_app->SetMusicVolume(0.75f);
    EXPECT_EQ(HeldEffects(), 2);
    EXPECT_EQ(Mix_Volume(-1, -1) > 0, true);

    m_app->Shutdown();
    delete m_app;
    m_app = nullptr;
    EXPECT_EQ(g_pSystem, nullptr);
    EXPECT_EQ(g_music.m_sound, nullptr);
    EXPECT_EQ(g_music.m_channel, nullptr);
    for (const MSound& s : g_sounds) {
        EXPECT_EQ(s.m_sound, nullptr);
        EXPECT_EQ(s.m_channel, nullptr);
    }
    EXPECT_EQ(g_musicVolume, 0.75f);
    EXPECT_EQ(g_soundVolume, 0.25f);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_AUDIO), 0u) << "the output is closed";

    // A second application starts the sound system again, with the kept volumes.
    m_app = new MApp;
    InitApp();
    OutputMeter meter;
    m_app->PlaySoundA("t.wav");
    EXPECT_NEAR(meter.PeakOver(150), wavPeak / 4, 2);
}

TEST_F(SoundSystem, ASoundSystemThatCannotStartFailsInitAndPlaysNothing)
{
    const int wavPeak = WavPeak(MakeSquareWav(m_dir.Path() + "/t.wav", 0.5, kLevel));
    // The output is taken by another system: the engine's init step fails.
    FMOD::System* other = nullptr;
    ASSERT_EQ(FMOD::System_Create(&other), FMOD_OK);
    ASSERT_EQ(other->init(4, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    m_app->SetWindowSize(64, 48);
    EXPECT_EQ(m_app->Init(), 0);
    EXPECT_NE(g_pSystem, nullptr) << "kept for UninitSoundSystem to release";
    m_app->PlaySoundA("t.wav");
    m_app->PlayMusic("t.wav");
    EXPECT_EQ(HeldEffects(), 0);
    EXPECT_EQ(g_music.m_sound, nullptr);
    other->close();
    other->release();

    // The application object's end releases the half-made system (the leak
    // check would see it otherwise); the next application's sound works.
    m_app->Shutdown();
    delete m_app;
    m_app = nullptr;
    EXPECT_EQ(g_pSystem, nullptr);
    m_app = new MApp;
    InitApp();
    OutputMeter meter;
    m_app->PlaySoundA("t.wav");
    EXPECT_NEAR(meter.PeakOver(150), wavPeak, 2);
}

} // namespace
} // namespace kes::test
