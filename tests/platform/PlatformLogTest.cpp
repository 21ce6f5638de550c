// The platform layer says why a backend gave up, through the game's log
// handler: a video driver that refuses, a window that cannot be made, a
// render device that is unknown, a sound that cannot be decoded; and a
// program's OutputDebugStringA text reaches the same handler. Names of
// backends compare without regard to case, and the environment chooses for
// players where the program does not.
#include "DeviceWindow.h"
#include "LogCapture.h"

#include <KesPlatform.h>
#include <d3d9.h>
#include <fmod.hpp>
#include <windows.h>

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

class PlatformLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "LOG_TEST";
        RegisterClassA(&wc);
    }

    void TearDown() override
    {
        KesPlatformSetVideoDriver(nullptr);
        KesPlatformSetRenderDevice(nullptr);
        unsetenv("KESTO_RENDER_DEVICE");
    }

    bool Said(const std::string& part) const { return m_log.Count(part) > 0; }
    std::string All() const { return m_log.All(); }

    // A device on a fresh window with whatever render device is asked.
    HRESULT MakeDevice()
    {
        HWND w = kes::support::MakeWindow(32, 32);
        if (!w) return E_FAIL;
        HRESULT hr = E_FAIL;
        IDirect3DDevice9* device = kes::support::MakeDevice(w, kes::support::WindowedParams(w, 32, 32), &hr);
        if (device) {
            m_deviceName = KesPlatformDeviceName(device);
            device->Release();
        }
        DestroyWindow(w);
        return hr;
    }

    kes::test::LogCapture m_log;
    std::string m_deviceName;
};

TEST_F(PlatformLogTest, AVideoDriverThatRefusesIsNamedWithSdlsReason)
{
    // The video system starts again with the driver asked for.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    KesPlatformSetVideoDriver("no-such-driver");
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "LOG_TEST", "log", WS_POPUP, 0, 0, 32, 32, NULL, NULL, NULL, NULL), nullptr);
    // Not out of memory: the machine has no such driver.
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    EXPECT_TRUE(Said("video driver 'no-such-driver' refused: ")) << All();

    // SDL's driver names compare without regard to case.
    m_log.Clear();
    KesPlatformSetVideoDriver("OffScreen");
    HWND w = CreateWindowExA(0, "LOG_TEST", "log", WS_POPUP, 0, 0, 32, 32, NULL, NULL, NULL, NULL);
    ASSERT_NE(w, nullptr) << All();
    EXPECT_STRCASEEQ(KesPlatformVideoDriver(), "offscreen");
    EXPECT_TRUE(m_log.Lines().empty()) << All();
    DestroyWindow(w);
}

TEST_F(PlatformLogTest, RenderDevicesAreChosenByNameInAnyCaseAndUnknownOnesListTheKnown)
{
    KesPlatformSetVideoDriver("offscreen");
    struct Case {
        const char* program; // KesPlatformSetRenderDevice, null: none
        const char* env;     // KESTO_RENDER_DEVICE, null: unset
        HRESULT result;
        const char* said;    // part of the one line expected, null: silence
    } cases[] = {
        {"SoftWare", nullptr, D3D_OK, nullptr},
        {nullptr, "SOFTWARE", D3D_OK, nullptr},
        {"vulkan", nullptr, D3DERR_NOTAVAILABLE, "render device 'vulkan' unknown; known: opengl, software"},
        {nullptr, "vulkan", D3DERR_NOTAVAILABLE, "render device 'vulkan' unknown; known: opengl, software"},
        // The program's own choice comes before the player's.
        {"software", "vulkan", D3D_OK, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program ? c.program : "-") + " / " + (c.env ? c.env : "-"));
        m_log.Clear();
        m_deviceName.clear();
        KesPlatformSetRenderDevice(c.program);
        if (c.env)
            setenv("KESTO_RENDER_DEVICE", c.env, 1);
        else
            unsetenv("KESTO_RENDER_DEVICE");
        EXPECT_EQ(MakeDevice(), c.result);
        if (c.result == D3D_OK) {
            EXPECT_EQ(m_deviceName, "software");
        }
        if (c.said) {
            ASSERT_EQ(m_log.Lines().size(), 1u) << All();
            EXPECT_EQ(m_log.Lines()[0], c.said);
        } else {
            EXPECT_TRUE(m_log.Lines().empty()) << All();
        }
    }
}

// The sound layer reports through the same handler: a file that is no sound
// it can decode is named with the reason.
TEST_F(PlatformLogTest, ASoundThatCannotBeDecodedIsNamed)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    FMOD::System* system = nullptr;
    ASSERT_EQ(FMOD::System_Create(&system), FMOD_OK);
    ASSERT_EQ(system->init(4, FMOD_INIT_NORMAL, nullptr), FMOD_OK);
    char path[] = "/tmp/kesto_log_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const char junk[] = "OggS but nothing after it that any decoder would take";
    ASSERT_EQ(write(fd, junk, sizeof junk), ssize_t(sizeof junk));
    close(fd);

    FMOD::Sound* sound = nullptr;
    EXPECT_NE(system->createSound(path, FMOD_DEFAULT, nullptr, &sound), FMOD_OK);
    EXPECT_EQ(sound, nullptr);
    EXPECT_TRUE(Said(std::string("sound ") + path)) << All();
    unlink(path);
    system->release();
}

// A program's diagnostic text reaches the same handler as one line without
// its line end; the program's own repeats are passed on as Windows passes
// them to the debugger.
TEST_F(PlatformLogTest, OutputDebugStringIsOneLineOfTheLogWithoutItsLineEnd)
{
    const struct {
        const char* text;
        const char* line; // null: nothing
    } cases[] = {
        {"plain", "plain"},
        {"unix end\n", "unix end"},
        {"windows end\r\n", "windows end"},
        {"two\nlines kept as one\n", "two\nlines kept as one"},
        {"", nullptr},
        {"\r\n", nullptr},
        {nullptr, nullptr},
    };
    for (const auto& c : cases) {
        m_log.Clear();
        OutputDebugStringA(c.text);
        if (c.line) {
            EXPECT_EQ(m_log.Lines(), std::vector<std::string>{c.line});
        } else {
            EXPECT_TRUE(m_log.Lines().empty()) << All();
        }
    }
    m_log.Clear();
    OutputDebugStringA("again\n");
    OutputDebugStringA("again\n");
    EXPECT_EQ(m_log.Lines(), (std::vector<std::string>{"again", "again"}));
}

// A handler may make the engine say something more (a game that loads a
// fallback file when told of a missing one): it hears that line too, after
// its own, instead of waiting on itself.
std::vector<std::string> g_heard;
void Answering(const char* line, void*)
{
    g_heard.push_back(line);
    if (g_heard.size() == 1) OutputDebugStringA("said while hearing");
}

TEST(PlatformLogHandler, AHandlerThatMakesTheEngineSpeakHearsItToo)
{
    g_heard.clear();
    KesPlatformSetLogHandler(Answering, nullptr);
    OutputDebugStringA("first");
    KesPlatformSetLogHandler(nullptr, nullptr);
    EXPECT_EQ(g_heard, (std::vector<std::string>{"first", "said while hearing"}));
}

// Without a handler a line goes to standard error, after "kesto: ".
TEST_F(PlatformLogTest, WithoutAHandlerLinesGoToStandardError)
{
    KesPlatformSetLogHandler(nullptr, nullptr);
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformSetRenderDevice("vulkan");
    testing::internal::CaptureStderr();
    EXPECT_EQ(MakeDevice(), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "kesto: render device 'vulkan' unknown; known: opengl, software\n");
}

} // namespace
