// The main loop under a scripted game: callbacks and their order, one
// message per iteration, the clock, the frame rate, pausing, lost devices
// and the ways a game ends.
#include "GameScript.h"

#include <KesD3D9.h>
#include <KesPlatform.h>

namespace kes::test {
namespace {

using AppRun = GameScript;
using Log = std::vector<std::string>;

TEST_F(AppRun, CallbacksComeInOrderOneMessagePerIteration)
{
    InitGame();
    PostKey(WM_KEYDOWN, 'A');
    Post(WM_MOUSEMOVE, 0, MAKELPARAM(10, 20));
    double firstDelta = -1, firstTime = -1;
    m_onUpdate = [&](int update) {
        if (update == 1) {
            firstDelta = m_app->GetDeltaTime();
            firstTime = m_app->GetCurTime();
            EXPECT_TRUE(DWORD(GetWindowLongA(m_app->GetHWnd(), GWL_STYLE)) & WS_VISIBLE);
        }
        if (update == 4) m_app->ExitApp();
    };
    RunGame();
    // The key's character is translated into a message of its own, queued
    // behind the move that was already waiting.
    EXPECT_EQ(m_log, (Log{"showed", "key 65 s0 up0 r1 b0", "update", "move 10,20", "update", "char 61 r1", "update",
                          "update"}));
    // The first step measures against nothing and is replaced.
    EXPECT_EQ(firstDelta, 0.016667);
    EXPECT_EQ(firstTime, 0.016667);
    EXPECT_FALSE(IsWindow(m_app->GetHWnd()));
    EXPECT_EQ(m_app->m_pause, 1);
}

TEST_F(AppRun, TheFrameRateCountsTheIterationsOfEachSecond)
{
    InitGame();
    std::vector<double> times;
    std::vector<DWORD> rates;
    m_onUpdate = [&](int update) {
        times.push_back(m_app->GetCurTime());
        rates.push_back(m_app->GetFPS());
        if (m_app->GetCurTime() > 2.2) m_app->ExitApp();
    };
    RunGame(100000);
    // Every iteration draws here, so updates and iterations are one: the
    // rate stays 0 until the clock first passes one second; the iteration
    // that closes a window is not counted in it.
    size_t first = 0;
    while (first < rates.size() && rates[first] == 0) ++first;
    ASSERT_LT(first, rates.size());
    EXPECT_GT(times[first], 1.0);
    EXPECT_LE(times[first - 1], 1.0);
    EXPECT_EQ(rates[first], DWORD(first));
    // The next window closes a second after this one did; found by the
    // clock, since two seconds may well count the same number of iterations.
    size_t second = first + 1;
    while (second < rates.size() && times[second] - times[first] <= 1.0) {
        ASSERT_EQ(rates[second], rates[first]);
        ++second;
    }
    ASSERT_LT(second, rates.size());
    EXPECT_EQ(rates[second], DWORD(second - first - 1));
    for (size_t i = 1; i < times.size(); ++i) ASSERT_GE(times[i], times[i - 1]);
}

TEST_F(AppRun, PauseFromTheUpdateCallbackStopsFramesUntilInputResumes)
{
    InitGame();
    m_onUpdate = [&](int update) {
        if (update == 2) {
            m_app->Pause(1);
            // Messages and input keep flowing while paused.
            Post(WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
            Post(WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
            PostKey(WM_KEYDOWN, VK_F2); // a key that types nothing
        }
        if (update == 3) m_app->ExitApp();
    };
    m_onInput = [&](MInputEven* e) {
        if (m_app->InputGetVKey(VK_F2, 0, 0, 0)) m_app->Pause(0);
    };
    RunGame();
    EXPECT_EQ(m_log, (Log{"showed", "update", "update", "move 1,1", "move 2,2", "key 113 s0 up0 r1 b0", "update"}));
}

TEST_F(AppRun, ALostDeviceIsResetBetweenTheCallbacksWhoseResultsDecide)
{
    struct Case {
        int lost, restore;
        Log expected;
    };
    const Case cases[] = {
        {1, 1, {"showed", "update", "update", "lost", "restore", "update"}},
        // The iteration that retrieves the quit still finds the device
        // waiting for its reset and asks the game once more.
        {0, 1, {"showed", "update", "update", "lost", "lost"}},
        {1, 0, {"showed", "update", "update", "lost", "restore"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "lost " << c.lost << " restore " << c.restore);
        TearDown();
        SetUp();
        m_log.clear();
        m_updates = 0;
        InitGame();
        m_lostResult = c.lost;
        m_restoreResult = c.restore;
        m_onUpdate = [&](int update) {
            if (update == 2) KesPlatformLoseDevice(m_app->m_pRender->m_pDevice);
            if (update == 3) m_app->ExitApp();
        };
        RunGame();
        EXPECT_EQ(m_log, c.expected);
        EXPECT_EQ(m_app->m_pause, 1);
        if (c.lost && c.restore) {
            EXPECT_EQ(m_app->m_pRender->CheckDevice(), D3D_OK);
        }
    }
}

TEST_F(AppRun, WithoutAnInputCallbackTheLastEventStaysReadable)
{
    InitGame();
    m_app->SetInputEvenFunc(nullptr);
    PostKey(WM_KEYDOWN, VK_F5); // types nothing, so no character event follows
    int answers[3] = {};
    m_onUpdate = [&](int update) {
        answers[update - 1] = m_app->InputGetVKey(VK_F5, 0, 0, 0);
        if (update == 3) m_app->ExitApp();
    };
    RunGame();
    EXPECT_EQ(answers[0], 1);
    EXPECT_EQ(answers[2], 1) << "never cleared without a callback";
}

TEST_F(AppRun, CloseRequestsGoToTheExitCallbackWhenThereIsOne)
{
    struct Case {
        const char* name;
        bool exitFunc;
        std::vector<std::pair<UINT, int>> keys; // messages to post, or WM_CLOSE
        Log expected;
    };
    const Case cases[] = {
        {"close box with exit callback", true, {{WM_CLOSE, 0}}, {"showed", "exit", "update", "update"}},
        {"close box without", false, {{WM_CLOSE, 0}}, {"showed"}},
        {"Alt+F4 with exit callback",
         true,
         {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, VK_F4}, {WM_SYSKEYUP, VK_F4}},
         {"showed", "key 18 s4 up0 r1 b0", "update", "key 115 s4 up0 r1 b0", "update", "exit", "update", "update"}},
        {"Alt+F4 without",
         false,
         {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, VK_F4}, {WM_SYSKEYUP, VK_F4}},
         {"showed", "key 18 s4 up0 r1 b0", "update", "key 115 s4 up0 r1 b0", "update"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        m_log.clear();
        m_updates = 0;
        m_hasExitFunc = c.exitFunc;
        InitGame();
        for (auto& k : c.keys) {
            if (k.first == WM_CLOSE)
                Post(WM_CLOSE, 0, 0);
            else
                PostKey(k.first, k.second);
        }
        // With an exit callback the window stays until the game ends it.
        m_onUpdate = [&](int update) {
            if (update == int(c.keys.size()) + 1) m_app->ExitApp();
        };
        RunGame();
        EXPECT_EQ(m_log, c.expected);
        EXPECT_FALSE(IsWindow(m_app->GetHWnd()));
    }
}

TEST_F(AppRun, AltEnterTogglesFullScreenOnTheRelease)
{
    InitGame();
    PostKey(WM_SYSKEYDOWN, VK_MENU);
    PostKey(WM_SYSKEYDOWN, VK_RETURN);
    PostKey(WM_SYSKEYUP, VK_RETURN);
    PostKey(WM_SYSKEYUP, VK_MENU);
    int windowedAt[5] = {};
    m_onUpdate = [&](int update) {
        windowedAt[update - 1] = m_app->m_windowed;
        if (update == 5) m_app->ExitApp();
    };
    RunGame();
    EXPECT_EQ(m_log, (Log{"showed", "key 18 s4 up0 r1 b0", "update", "key 13 s4 up0 r1 b0", "update", "lost",
                          "restore", "update", "key 18 s0 up1 r1 b0", "update", "update"}));
    EXPECT_EQ(windowedAt[1], 1);
    EXPECT_EQ(windowedAt[2], 0) << "full screen from the release of Enter";
    EXPECT_EQ(m_app->m_pRender->m_pp.Windowed, 0);
}

TEST_F(AppRun, MinimiseAndRestoreReachTheGame)
{
    InitGame();
    Post(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Post(WM_SYSCOMMAND, SC_RESTORE, 0);
    Post(WM_SYSCOMMAND, SC_KEYMENU, 0);
    m_onUpdate = [&](int update) {
        if (update == 3) m_app->ExitApp();
    };
    RunGame();
    EXPECT_EQ(m_log, (Log{"showed", "deactive", "update", "active", "update", "update"}));
}

TEST_F(AppRun, TheHiddenCursorComesBackOutsideTheClientArea)
{
    InitGame();
    m_app->SetHideMouse(1);
    HWND w = m_app->GetHWnd();
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW);
    SetCursor(arrow);
    SendMessageA(w, WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(SetCursor(arrow), nullptr) << "hidden over the client area";
    SendMessageA(w, WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_EQ(SetCursor(arrow), arrow) << "the arrow over the title bar";
    m_app->SetHideMouse(0);
    SendMessageA(w, WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(SetCursor(arrow), arrow);
}

} // namespace
} // namespace kes::test
