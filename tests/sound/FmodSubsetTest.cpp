// The FMOD subset on its own: file callbacks and block reads, channel
// handles that outlive their plays, sub-sounds of a chained Ogg bank,
// volumes, damaged files and the dummy-driver fallback.
#include "FmodSystemFixture.h"
#include "LogCapture.h"
#include "SoundFixture.h"
#include "fmod/sdlmixer/SoundData.h"

#include <KesPlatform.h>
#include <fmod.hpp>

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kes::test {
namespace {

class FmodSubset : public FmodSystemTest {
protected:
    FMOD::Sound* Create(const std::string& path, FMOD_RESULT expect = FMOD_OK)
    {
        FMOD::Sound* s = reinterpret_cast<FMOD::Sound*>(1);
        EXPECT_EQ(m_system->createSound(path.c_str(), FMOD_DEFAULT, nullptr, &s), expect) << path;
        if (expect != FMOD_OK) {
            EXPECT_EQ(s, nullptr) << path;
        }
        return s;
    }
};

// A file system over one file in memory that records every call.
struct Recorded {
    std::string bytes;
    std::vector<std::string> calls;
    size_t pos = 0;
    bool missing = false;
};
Recorded g_file;

FMOD_RESULT F_CALLBACK RecOpen(const char* name, int, unsigned int* size, void** handle, void** user)
{
    g_file.calls.push_back(std::string("open ") + name);
    if (g_file.missing) return FMOD_ERR_FILE_NOTFOUND;
    *size = unsigned(g_file.bytes.size());
    *handle = &g_file;
    *user = reinterpret_cast<void*>(0x1234);
    return FMOD_OK;
}
FMOD_RESULT F_CALLBACK RecClose(void* handle, void* user)
{
    g_file.calls.push_back(handle == &g_file && user == reinterpret_cast<void*>(0x1234) ? "close" : "close?");
    return FMOD_OK;
}
FMOD_RESULT F_CALLBACK RecRead(void* handle, void* buf, unsigned int size, unsigned int* got, void* user)
{
    g_file.calls.push_back("read " + std::to_string(size) + (handle == &g_file && user ? "" : "?"));
    const size_t n = std::min<size_t>(size, g_file.bytes.size() - std::min(g_file.pos, g_file.bytes.size()));
    memcpy(buf, g_file.bytes.data() + g_file.pos, n);
    g_file.pos += n;
    *got = unsigned(n);
    return n < size ? FMOD_ERR_FILE_EOF : FMOD_OK;
}
FMOD_RESULT F_CALLBACK RecSeek(void*, unsigned int pos, void*)
{
    g_file.calls.push_back("seek " + std::to_string(pos));
    g_file.pos = pos;
    return FMOD_OK;
}

TEST_F(FmodSubset, ReadsTheFileOnlyThroughTheCallbacksInWholeBlocks)
{
    const std::string wav = MakeSquareWav(m_dir.Path() + "/t.wav", 0.05, 0.2);
    g_file = Recorded{};
    g_file.bytes = ReadWhole(Encode(wav, "ogg"));
    g_file.pos = 777; // a reader must seek to the start before reading
    ASSERT_EQ(m_system->setFileSystem(RecOpen, RecClose, RecRead, RecSeek, nullptr, nullptr, 2048), FMOD_OK);
    FMOD::Sound* s = Create("no such file on disk.ogg");
    ASSERT_NE(s, nullptr);

    const size_t blocks = (g_file.bytes.size() + 2047) / 2048;
    std::vector<std::string> want{"open no such file on disk.ogg", "seek 0"};
    for (size_t i = 0; i < blocks; ++i) want.push_back("read 2048");
    want.push_back("close");
    EXPECT_EQ(g_file.calls, want);
    EXPECT_EQ(s->release(), FMOD_OK);

    // The open callback's own failure is the result, and nothing else is called.
    g_file.calls.clear();
    g_file.missing = true;
    Create("gone.ogg", FMOD_ERR_FILE_NOTFOUND);
    EXPECT_EQ(g_file.calls, std::vector<std::string>{"open gone.ogg"});
}

TEST_F(FmodSubset, AChannelHandleOutlivesItsPlayAndAnswersWhatHappenedToIt)
{
    FMOD::Sound* shortOne = Create(MakeSquareWav(m_dir.Path() + "/short.wav", 0.05, 0.2));
    FMOD::Sound* longOne = Create(MakeSquareWav(m_dir.Path() + "/long.wav", 2.0, 0.2));
    ASSERT_TRUE(shortOne && longOne);
    ASSERT_EQ(shortOne->setMode(FMOD_LOOP_OFF), FMOD_OK);

    FMOD::Channel* first = nullptr;
    ASSERT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, shortOne, false, &first), FMOD_OK);
    bool playing = false;
    EXPECT_EQ(first->isPlaying(&playing), FMOD_OK);
    EXPECT_TRUE(playing);
    SleepMs(250);
    EXPECT_EQ(m_system->update(), FMOD_OK);
    playing = true;
    EXPECT_EQ(first->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE) << "ended";
    EXPECT_FALSE(playing);
    EXPECT_EQ(first->setVolume(0.5f), FMOD_ERR_INVALID_HANDLE);

    // Four channels: the next four plays come round to the first one's.
    std::vector<FMOD::Channel*> later;
    for (int i = 0; i < 4; ++i) {
        FMOD::Channel* c = nullptr;
        ASSERT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, longOne, false, &c), FMOD_OK);
        later.push_back(c);
    }
    EXPECT_EQ(first->isPlaying(&playing), FMOD_ERR_CHANNEL_STOLEN);
    // A stale handle must not reach the play that took its channel.
    EXPECT_EQ(first->setVolume(0.0f), FMOD_ERR_CHANNEL_STOLEN);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(Mix_Volume(ch, -1), MIX_MAX_VOLUME) << ch;

    FMOD::Channel* none = reinterpret_cast<FMOD::Channel*>(1);
    EXPECT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, shortOne, false, &none), FMOD_ERR_CHANNEL_ALLOC);
    EXPECT_EQ(none, nullptr);

    // Releasing a sound stops its plays; their handles become invalid.
    EXPECT_EQ(longOne->release(), FMOD_OK);
    for (FMOD::Channel* c : later) EXPECT_EQ(c->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(Mix_Playing(ch), 0) << ch;
    EXPECT_EQ(shortOne->release(), FMOD_OK);
}

// However many plays follow on its channel, a finished play's handle never
// comes to name a later one: setting its volume must not silence the play
// that holds the channel now.
TEST_F(FmodSubset, AFinishedHandleNeverNamesALaterPlay)
{
    FMOD::Sound* click = Create(MakeSquareWav(m_dir.Path() + "/click.wav", 0.05, 0.2));
    FMOD::Sound* music = Create(MakeSquareWav(m_dir.Path() + "/music.wav", 2.0, 0.2));
    ASSERT_TRUE(click && music);
    constexpr FMOD_CHANNELINDEX kChannel = FMOD_CHANNELINDEX(2);
    for (const int plays : {1 << 16, 1 << 20}) {
        FMOD::Channel* finished = nullptr;
        ASSERT_EQ(m_system->playSound(kChannel, click, true, &finished), FMOD_OK);
        FMOD::Channel* c = nullptr;
        for (int i = 1; i < plays; ++i) ASSERT_EQ(m_system->playSound(kChannel, click, true, &c), FMOD_OK);
        ASSERT_EQ(m_system->playSound(kChannel, music, false, &c), FMOD_OK);
        ASSERT_NE(c, finished) << plays;
        bool playing = true;
        EXPECT_EQ(finished->isPlaying(&playing), FMOD_ERR_CHANNEL_STOLEN) << plays;
        EXPECT_FALSE(playing);
        EXPECT_EQ(finished->setVolume(0.0f), FMOD_ERR_CHANNEL_STOLEN) << plays;
        EXPECT_EQ(Mix_Volume(kChannel, -1), MIX_MAX_VOLUME) << plays;
        EXPECT_EQ(c->isPlaying(&playing), FMOD_OK);
        EXPECT_TRUE(playing);
    }
    // Something that is not a handle is refused, not followed.
    bool playing = true;
    for (uintptr_t bogus : {uintptr_t(1), uintptr_t(0x1000), reinterpret_cast<uintptr_t>(&playing)})
        EXPECT_EQ(reinterpret_cast<FMOD::Channel*>(bogus)->isPlaying(&playing), FMOD_ERR_INVALID_PARAM) << bogus;
    EXPECT_EQ(music->release(), FMOD_OK);
    EXPECT_EQ(click->release(), FMOD_OK);
}

TEST_F(FmodSubset, LoopModesAndVolumes)
{
    FMOD::Sound* s = Create(MakeSquareWav(m_dir.Path() + "/s.wav", 0.05, 0.2));
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->setMode(FMOD_LOOP_NORMAL), FMOD_OK);
    FMOD::Channel* c = nullptr;
    ASSERT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, s, false, &c), FMOD_OK);
    SleepMs(250);
    bool playing = false;
    EXPECT_EQ(c->isPlaying(&playing), FMOD_OK);
    EXPECT_TRUE(playing) << "a looping sound plays on past its end";

    struct Case {
        float volume;
        FMOD_RESULT result;
        int mixer;
    } cases[] = {
        {1.0f, FMOD_OK, 128}, {0.5f, FMOD_OK, 64},   {0.25f, FMOD_OK, 32},
        {0.0f, FMOD_OK, 0},   {3.0f, FMOD_OK, 128},  {-1.0f, FMOD_OK, 0},
        {NAN, FMOD_ERR_INVALID_FLOAT, 0},           {INFINITY, FMOD_ERR_INVALID_FLOAT, 0},
    };
    int ch = -1;
    for (int i = 0; i < 4; ++i)
        if (Mix_Playing(i)) ch = i;
    ASSERT_GE(ch, 0);
    for (const Case& k : cases) {
        EXPECT_EQ(c->setVolume(k.volume), k.result) << k.volume;
        EXPECT_EQ(Mix_Volume(ch, -1), k.mixer) << k.volume;
    }
    EXPECT_EQ(s->release(), FMOD_OK);
}

TEST_F(FmodSubset, AChainedOggIsABankOfSubSoundsAndAPlainFileHasNone)
{
    std::string bank;
    for (int i = 0; i < 3; ++i)
        bank += ReadWhole(Encode(MakeSquareWav(m_dir.Path() + "/b" + std::to_string(i) + ".wav", 0.1 + 0.25 * i, 0.2),
                                 "ogg"));
    m_dir.Write("bank.ogg", bank);

    FMOD::Sound* plain = Create(m_dir.Path() + "/b0.ogg");
    FMOD::Sound* parent = Create(m_dir.Path() + "/bank.ogg");
    ASSERT_TRUE(plain && parent);
    int n = -1;
    EXPECT_EQ(plain->getNumSubSounds(&n), FMOD_OK);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(parent->getNumSubSounds(&n), FMOD_OK);
    EXPECT_EQ(n, 3);

    FMOD::Sound* sub[3] = {};
    for (int i = 0; i < 3; ++i) ASSERT_EQ(parent->getSubSound(i, &sub[i]), FMOD_OK);
    FMOD::Sound* out = reinterpret_cast<FMOD::Sound*>(1);
    EXPECT_NE(parent->getSubSound(3, &out), FMOD_OK);
    EXPECT_EQ(out, nullptr);
    EXPECT_NE(parent->getSubSound(-1, &out), FMOD_OK);
    EXPECT_NE(plain->getSubSound(0, &out), FMOD_OK);

    // Each sub-sound is its own stream: the third (0.6 s) outlasts the first (0.1 s).
    FMOD::Channel* c0 = nullptr;
    FMOD::Channel* c2 = nullptr;
    ASSERT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, sub[0], false, &c0), FMOD_OK);
    ASSERT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, sub[2], false, &c2), FMOD_OK);
    SleepMs(300);
    bool playing = false;
    EXPECT_EQ(c0->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(c2->isPlaying(&playing), FMOD_OK);

    // Releasing the parent stops its sub-sounds' plays; a sub-sound is not released alone.
    EXPECT_NE(sub[1]->release(), FMOD_OK);
    EXPECT_EQ(parent->release(), FMOD_OK);
    EXPECT_EQ(c2->isPlaying(&playing), FMOD_ERR_INVALID_HANDLE);
    EXPECT_EQ(plain->release(), FMOD_OK);
}

TEST_F(FmodSubset, DamagedAndCutFilesFailClearlyAndMakeNoSound)
{
    const std::string wav = MakeSquareWav(m_dir.Path() + "/d.wav", 0.3, 0.2);
    const std::string bytes[] = {ReadWhole(wav), ReadWhole(Encode(wav, "ogg")), ReadWhole(Encode(wav, "flac")),
                                 ReadWhole(Encode(wav, "mp3"))};
    std::string flippedOgg = bytes[1];
    flippedOgg[flippedOgg.size() / 2] ^= 0x5A;
    std::string flippedFlac = bytes[2];
    for (size_t i = flippedFlac.size() / 2; i < flippedFlac.size() / 2 + 64; ++i) flippedFlac[i] ^= 0x5A;
    struct Case {
        const char* name;
        std::string bytes;
        FMOD_RESULT result;
    } cases[] = {
        // A cut WAV plays what it holds (below); with not one frame there, nothing.
        {"header-only.wav", Cut(bytes[0], 44), FMOD_ERR_FILE_BAD},
        {"cut.ogg", Cut(bytes[1], bytes[1].size() * 2 / 3), FMOD_ERR_FILE_BAD},
        {"flipped.ogg", flippedOgg, FMOD_ERR_FILE_BAD},
        {"cut.flac", Cut(bytes[2], bytes[2].size() / 2), FMOD_ERR_FILE_BAD},
        {"cut-in-metadata.flac", Cut(bytes[2], 200), FMOD_ERR_FILE_BAD},
        {"flipped.flac", flippedFlac, FMOD_ERR_FILE_BAD},
        {"noise.mp3", Bytes(5000, 7), FMOD_ERR_FORMAT},
        {"noise.wav", "RIFF" + Bytes(5000, 8), FMOD_ERR_FORMAT},
        {"empty.ogg", "", FMOD_ERR_FORMAT},
        {"tiny.flac", "fLaC", FMOD_ERR_FILE_BAD},
    };
    OutputMeter meter;
    for (const Case& k : cases) {
        testing::internal::CaptureStderr();
        Create(m_dir.Write(k.name, k.bytes), k.result);
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_NE(said.find(k.name), std::string::npos) << k.name << " failed without saying why: " << said;
    }
    EXPECT_EQ(meter.PeakOver(60), 0);
    for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(Mix_Playing(ch), 0);

    // MP3 declares no length: a cut MP3 plays what it has.
    FMOD::Sound* cutMp3 = Create(m_dir.Write("cut.mp3", Cut(bytes[3], bytes[3].size() / 2)));
    if (cutMp3) cutMp3->release();
}

uint32_t Le32At(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A WAV file cut inside its data chunk (a download that stopped, a writer
// that counted wrong) plays the whole sample frames it holds, as players
// and SDL_mixer do, and says so once however often it is made.
TEST_F(FmodSubset, ACutWavPlaysItsWholeFramesAndSaysSoOnce)
{
    const std::string wav = MakeSquareWav(m_dir.Path() + "/tone.wav", 0.3, 0.2);
    const std::string whole = ReadWhole(wav);
    const size_t data = whole.find("data");
    ASSERT_NE(data, std::string::npos);
    const uint32_t declared = Le32At(reinterpret_cast<const uint8_t*>(whole.data()) + data + 4);
    // 2000 frames of two 16-bit channels, and half of one more.
    const size_t cut = data + 8 + 4 * 2000 + 2;
    const std::string path = m_dir.Write("cut-download.wav", whole.substr(0, cut));

    LogCapture log;
    // What the decoder is given: the frames there, the sizes saying so.
    std::vector<uint8_t> bytes;
    ASSERT_EQ(kes::fmod::ReadWholeFile({}, path.c_str(), &bytes), FMOD_OK);
    ASSERT_EQ(bytes.size(), data + 8 + 8000);
    EXPECT_EQ(Le32At(bytes.data() + data + 4), 8000u);
    EXPECT_EQ(Le32At(bytes.data() + 4), bytes.size() - 8);
    EXPECT_EQ(memcmp(bytes.data() + data + 8, whole.data() + data + 8, 8000), 0);
    std::string why;
    bool damaged = true;
    Mix_Chunk* chunk = kes::fmod::Decode(bytes.data(), bytes.size(), &why, &damaged);
    ASSERT_NE(chunk, nullptr) << why;
    // The mixer runs at the file's rate and format: the samples as they are.
    EXPECT_EQ(chunk->alen, 8000u);
    Mix_FreeChunk(chunk);

    // Through the subset, as a game's every frame would make it.
    OutputMeter meter;
    for (int frame = 0; frame < 3; ++frame) {
        FMOD::Sound* sound = Create(path);
        ASSERT_NE(sound, nullptr);
        FMOD::Channel* channel = nullptr;
        ASSERT_EQ(m_system->playSound(FMOD_CHANNEL_FREE, sound, false, &channel), FMOD_OK);
        EXPECT_GT(meter.PeakOver(30), WavPeak(wav) / 2);
        sound->release();
    }
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"sound " + path + ": its WAV data chunk at byte " +
                                                    std::to_string(data) + " declares " + std::to_string(declared) +
                                                    " bytes and 8002 are there; the 2000 sample frames there play"});
}

TEST(FmodOutput, WithoutASoundDeviceItFallsBackToTheDummyDriverAndSaysSoOnce)
{
    // A driver that does not exist stands for a machine without a sound card.
    setenv("SDL_AUDIODRIVER", "no-such-sound-card", 1);
    testing::internal::CaptureStderr();
    for (int round = 0; round < 2; ++round) {
        FMOD::System* system = nullptr;
        ASSERT_EQ(FMOD::System_Create(&system), FMOD_OK);
        ASSERT_EQ(system->init(64, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
        EXPECT_STREQ(SDL_GetCurrentAudioDriver(), "dummy");
        int channels = Mix_AllocateChannels(-1);
        EXPECT_EQ(channels, 64);
        system->close();
        system->release();
    }
    const std::string said = testing::internal::GetCapturedStderr();
    const std::string note = "sound plays on SDL's dummy audio driver";
    ASSERT_NE(said.find(note), std::string::npos) << said;
    EXPECT_EQ(said.find(note), said.rfind(note)) << "said more than once: " << said;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// A program names the sound output as it names the video driver and the
// render device: a record of the table or an SDL driver's own name, which
// then stands alone (no fallback to hide a wrong name).
TEST(FmodOutput, AProgramChoosesTheOutputByName)
{
    const struct {
        const char* asked;
        FMOD_RESULT init;
        const char* driver; // in use afterwards, null when none opened
    } cases[] = {
        {"dummy", FMOD_OK, "dummy"},
        {"DISK", FMOD_OK, "disk"},
        {"no-such-output", FMOD_ERR_OUTPUT_INIT, nullptr},
    };
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    for (const auto& c : cases) {
        KesPlatformSetAudioDriver(c.asked);
        FMOD::System* system = nullptr;
        ASSERT_EQ(FMOD::System_Create(&system), FMOD_OK);
        EXPECT_EQ(system->init(8, FMOD_INIT_NORMAL, nullptr), c.init) << c.asked;
        const char* driver = KesPlatformAudioDriver();
        if (c.driver)
            EXPECT_STREQ(driver, c.driver) << c.asked;
        else
            EXPECT_EQ(driver, nullptr) << c.asked;
        system->close();
        system->release();
        EXPECT_EQ(KesPlatformAudioDriver(), nullptr) << "closed";
    }
    KesPlatformSetAudioDriver(nullptr);
}

} // namespace
} // namespace kes::test
