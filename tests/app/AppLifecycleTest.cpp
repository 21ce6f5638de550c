// The application object: defaults, settings before and after Init, the
// window Init makes, full screen, Shutdown, and the random numbers.
#include "GameScript.h"
#include "TestSupport.h"

#include <KesD3D9.h>
#include <KesPlatform.h>
#include <win32/sdl/SdlVideo.h>
#include <d3d9/Device.h>

#include <SDL.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

namespace kes::test {
namespace {

using AppLifecycle = GameScript;

std::string ExecutablePath()
{
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

D3DSURFACE_DESC BackBufferDesc(MApp* app)
{
    D3DSURFACE_DESC desc{};
    IDirect3DSurface9* back = nullptr;
    if (SUCCEEDED(app->m_pRender->m_pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
        back->GetDesc(&desc);
        back->Release();
    }
    return desc;
}

TEST_F(AppLifecycle, ANewObjectHasTheDefaultsAndSettingsOnlyRecord)
{
    MApp& app = *m_app;
    EXPECT_EQ(Singleton<MApp>::GetSingletonPtr(), &app);
    EXPECT_EQ(app.GetWindowsWidth(), 800);
    EXPECT_EQ(app.GetWindowsHeight(), 600);
    EXPECT_EQ(app.m_windowed, 1);
    EXPECT_EQ(app.m_async, 1);
    EXPECT_EQ(app.IsInited(), 0);
    EXPECT_EQ(app.GetFPS(), 0u);
    EXPECT_EQ(app.GetCurTime(), 0.0);
    EXPECT_EQ(app.GetHWnd(), nullptr);
    EXPECT_NE(app.m_hInst, nullptr);
    EXPECT_EQ(app.m_input.m_type, 0);
    EXPECT_EQ(std::string(app.m_path), ExecutablePath() + "\\");

    // Before Init the setters only record; nothing exists to apply them to.
    app.SetWindowSize(800, 600);
    app.SetWindowMode(0);
    app.SetWindowMode(1);
    app.SetAsync(0);
    app.SetHideMouse(1);
    const std::string longTitle(300, 'x');
    app.SetWinTitle(longTitle.c_str());
    EXPECT_EQ(std::string(app.m_title), longTitle.substr(0, 255));
    EXPECT_EQ(app.m_async, 0);
    EXPECT_EQ(app.m_hideMouse, 1);
    EXPECT_EQ(app.GetHWnd(), nullptr);
    EXPECT_EQ(m_log.size(), 0u);
}

TEST_F(AppLifecycle, InitMakesAHiddenCentredWindowWhoseClientIsTheBackBuffer)
{
    InitGame();
    MApp& app = *m_app;
    EXPECT_EQ(app.IsInited(), 1);
    HWND w = app.GetHWnd();
    ASSERT_TRUE(IsWindow(w));
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)) & WS_VISIBLE, 0u) << "Run shows the window, not Init";
    EXPECT_EQ(app.m_winStyle, 0x00CA0000u);
    EXPECT_EQ(app.m_fullStyle, 0x90000000u);

    RECT client, outer;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    ASSERT_TRUE(GetWindowRect(w, &outer));
    const int cx = kWidth + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    const int cy = kHeight + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - cx) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - cy) / 2);
    EXPECT_EQ(outer.right - outer.left, cx);
    EXPECT_EQ(outer.bottom - outer.top, cy);
    EXPECT_EQ(memcmp(&outer, &app.m_winRect, sizeof outer), 0);
    EXPECT_EQ(app.m_fullRect.right, kWidth);
    EXPECT_EQ(app.m_fullRect.bottom, kHeight);

    const D3DSURFACE_DESC bb = BackBufferDesc(&app);
    EXPECT_EQ(bb.Width, UINT(kWidth));
    EXPECT_EQ(bb.Height, UINT(kHeight));
    EXPECT_EQ(app.m_pRender->m_pp.PresentationInterval, UINT(D3DPRESENT_INTERVAL_IMMEDIATE));
    EXPECT_EQ(m_log.size(), 0u) << "Init calls no game callback";

    // The class is the engine's: a second Init cannot register it again.
    EXPECT_EQ(app.Init(), 0);
    app.Shutdown();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(app.GetHWnd(), nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "KESTO_WINDOW_CLASS";
    EXPECT_NE(RegisterClassA(&wc), 0) << "Shutdown unregisters the class";
    UnregisterClassA("KESTO_WINDOW_CLASS", NULL);
}

TEST_F(AppLifecycle, AGameThatShutDownCanStartAgain)
{
    InitGame();
    IDirect3DDevice9* first = m_app->m_pRender->m_pDevice;
    first->AddRef();
    m_app->Shutdown();
    // The second start makes a new window and device; the engine lets go of
    // the first device, so the test's reference is its last.
    ASSERT_EQ(m_app->Init(), 1);
    EXPECT_NE(m_app->m_pRender->m_pDevice, first);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_TRUE(IsWindow(m_app->GetHWnd()));
    EXPECT_NE(m_app->m_pRender->m_pDevice, nullptr);
    EXPECT_EQ(kes::d3d9::Device::OfWindow(m_app->GetHWnd()),
              static_cast<kes::d3d9::Device*>(m_app->m_pRender->m_pDevice));
}

TEST_F(AppLifecycle, AFailedInitLeavesWhatItMadeAndItsWindowPostsNoQuit)
{
    KesPlatformSetRenderDevice("no such device");
    MApp& app = *m_app;
    app.SetWindowSize(kWidth, kHeight);
    EXPECT_EQ(app.Init(), 0);
    EXPECT_EQ(app.IsInited(), 0);
    ASSERT_TRUE(IsWindow(app.GetHWnd())) << "the window made before the device stays";
    // Messages reach only the default procedure: closing destroys the window
    // without the engine's quit message.
    app.Shutdown();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
    KesPlatformSetRenderDevice(SuiteRenderDevice().c_str());
}

TEST_F(AppLifecycle, FullScreenBeforeInitMakesATopMostPopupAndAFullScreenDevice)
{
    m_app->SetWindowMode(0);
    InitGame();
    MApp& app = *m_app;
    HWND w = app.GetHWnd();
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)) & (WS_POPUP | WS_VISIBLE), DWORD(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_EXSTYLE)) & WS_EX_TOPMOST, DWORD(WS_EX_TOPMOST));
    RECT outer;
    ASSERT_TRUE(GetWindowRect(w, &outer));
    EXPECT_EQ(outer.left, 0);
    EXPECT_EQ(outer.top, 0);
    EXPECT_EQ(app.m_pRender->m_pp.Windowed, 0);
    // The game still sees a client area of its own size, whatever the desktop's.
    RECT client;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
}

TEST_F(AppLifecycle, SettersAfterInitResetTheDeviceAndPlaceTheWindow)
{
    InitGame();
    MApp& app = *m_app;
    HWND w = app.GetHWnd();
    RECT before;
    ASSERT_TRUE(GetWindowRect(w, &before));

    app.SetWindowSize(kWidth, kHeight);
    EXPECT_TRUE(m_log.empty()) << "the same size resets nothing";

    app.SetWindowSize(200, 100);
    EXPECT_EQ((std::vector<std::string>{"lost", "restore"}), m_log);
    EXPECT_EQ(app.m_pause, 0);
    EXPECT_EQ(BackBufferDesc(&app).Width, 200u);
    EXPECT_EQ(BackBufferDesc(&app).Height, 100u);
    RECT after, client;
    ASSERT_TRUE(GetWindowRect(w, &after));
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(after.left, before.left) << "the window keeps its top-left corner";
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)) & WS_VISIBLE, DWORD(WS_VISIBLE)) << "the adjustment shows it";

    // Presentation mode: a reset, no placement.
    m_log.clear();
    app.SetAsync(1);
    EXPECT_EQ((std::vector<std::string>{"lost", "restore"}), m_log);
    EXPECT_EQ(app.m_pRender->m_pp.PresentationInterval, UINT(D3DPRESENT_INTERVAL_ONE));

    // A paused game is running again once a reset succeeded.
    app.Pause(1);
    app.SetAsync(0);
    EXPECT_EQ(app.m_pause, 0);

    app.SetWinTitle("\xD6\xD0\xCE\xC4"); // GBK text reaches the desktop as UTF-8
    EXPECT_STREQ(SDL_GetWindowTitle(sdl::WindowOf(w)), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST_F(AppLifecycle, ARefusedResetPostsTheQuitAndLeavesTheGamePaused)
{
    InitGame();
    m_lostResult = 0;
    m_app->SetAsync(1);
    EXPECT_EQ((std::vector<std::string>{"lost"}), m_log);
    EXPECT_EQ(m_app->m_pause, 1);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));

    m_log.clear();
    m_lostResult = 1;
    m_restoreResult = 0;
    m_app->SetWindowSize(100, 80);
    EXPECT_EQ((std::vector<std::string>{"lost", "restore"}), m_log);
    EXPECT_EQ(m_app->m_pause, 1);
    RECT client;
    GetClientRect(m_app->GetHWnd(), &client);
    EXPECT_EQ(client.right, kWidth) << "a failed reset skips the window's adjustment";
    EXPECT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(AppLifecycle, ToggleFullscreenTwiceReturnsTheWindowWhereItWas)
{
    InitGame();
    MApp& app = *m_app;
    HWND w = app.GetHWnd();
    // The player moved the window before going full screen.
    SetWindowPos(w, HWND_TOP, 37, 21, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT before;
    ASSERT_TRUE(GetWindowRect(w, &before));

    app.ToggleFullscreen();
    EXPECT_EQ(app.m_windowed, 0);
    EXPECT_EQ(app.m_pRender->m_pp.Windowed, 0);
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_EXSTYLE)) & WS_EX_TOPMOST, DWORD(WS_EX_TOPMOST));
    RECT full;
    ASSERT_TRUE(GetWindowRect(w, &full));
    EXPECT_EQ(full.left, 0);
    EXPECT_EQ(full.right, kWidth);

    app.ToggleFullscreen();
    EXPECT_EQ(app.m_windowed, 1);
    EXPECT_EQ(app.m_pRender->m_pp.Windowed, 1);
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_EXSTYLE)) & WS_EX_TOPMOST, 0u);
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)) & 0x00CA0000u, 0x00CA0000u);
    RECT after, client;
    ASSERT_TRUE(GetWindowRect(w, &after));
    EXPECT_EQ(memcmp(&before, &after, sizeof before), 0)
        << after.left << "," << after.top << " " << after.right << "," << after.bottom;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);
    EXPECT_EQ(m_log, (std::vector<std::string>{"lost", "restore", "lost", "restore"}));
}

TEST_F(AppLifecycle, RandomNumbersFollowTheOneStream)
{
    MApp& app = *m_app;
    // The stream is the classic C library generator's: its top fifteen
    // bits give the well-known sequence of rand() seeded with 1.
    app.m_seed = 1;
    const int classic[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int expected : classic) {
        const float f = app.RandFloat(0.0f, 65535.0f);
        EXPECT_EQ(int(f) & 0x7FFF, expected);
    }

    app.m_seed = 7;
    const DWORD seedBefore = app.m_seed;
    EXPECT_EQ(app.RandInt(5, 5), 5);
    EXPECT_NE(app.m_seed, seedBefore) << "a one-value range still advances the stream";
    EXPECT_EQ(app.RandFloat(2.0f, 2.0f), 2.0f);

    bool seen[10] = {};
    for (int i = 0; i < 2000; ++i) {
        const int v = app.RandInt(0, 9);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 9);
        seen[v] = true;
        const float f = app.RandFloat(1.0f, 0.0f);
        ASSERT_GT(f, 0.0f);
        ASSERT_LE(f, 1.0f);
        const int n = app.RandInt(-3, 3);
        ASSERT_GE(n, -3);
        ASSERT_LE(n, 3);
    }
    for (bool s : seen) EXPECT_TRUE(s) << "both ends are included";

    // The two ranges whose span wraps to 0 must not divide by it.
    app.RandInt(INT_MIN, INT_MAX);
    app.RandInt(10, 9);

    // RandInt mixes the state with its upper bits.
    app.m_seed = 0;
    const DWORD s1 = 2531011u;
    EXPECT_EQ(app.RandInt(0, 1000000), int(((s1 >> 15) ^ s1) % 1000001u));
}

} // namespace
} // namespace kes::test
