// The thread's message queue: retrieval order, filters, sending and
// posting, the key state, the characters of key presses, and the default
// window procedure.
#include "WindowHarness.h"

namespace kes::test {
namespace {

using MessageQueue = WindowHarness;

LPARAM KeyParam(int scan, bool up, bool alt = false, bool extended = false)
{
    DWORD l = 1u | (DWORD(scan) << 16);
    if (extended) l |= 1u << 24;
    if (alt) l |= 1u << 29;
    if (up) l |= 3u << 30;
    return LPARAM(LONG(l));
}

TEST_F(MessageQueue, PostedThenInputThenQuitThenPaint)
{
    HWND w = MakeWindow(WS_POPUP, 0, 64, 48);
    ShowWindow(w, SW_SHOW); // a shown window needs painting
    PostQuitMessage(3);
    ASSERT_TRUE(PostMessageA(w, WM_USER + 1, 1, 2));
    ASSERT_TRUE(PostMessageA(NULL, WM_USER + 2, 0, 0)); // the thread's own
    MSG m;
    // A filter leaves the others waiting; PM_NOREMOVE leaves the message.
    ASSERT_TRUE(PeekMessageA(&m, NULL, WM_USER + 2, WM_USER + 2, PM_NOREMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 2));
    ASSERT_TRUE(PeekMessageA(&m, w, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 1));
    EXPECT_EQ(m.hwnd, w);
    EXPECT_EQ(m.wParam, 1u);
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_USER + 2));
    EXPECT_EQ(m.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&m), 0) << "a thread message goes to no window";
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_QUIT));
    EXPECT_EQ(m.wParam, 3u);
    // The paint request comes last and stays until the window validates.
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_PAINT));
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, UINT(WM_PAINT));
    DispatchMessageA(&m); // the default procedure validates
    EXPECT_FALSE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueue, SendingPostingAndDestroyedWindows)
{
    HWND w = MakeWindow(WS_POPUP, 0, 32, 32);
    s_reply = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_USER ? 42 : 0; };
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 42) << "sending calls the procedure at once";
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"WM 0x0400 w=0 l=0x00000000"}));
    PostMessageA(w, WM_USER, 5, 6);
    DestroyWindow(w);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"WM 0x0002 w=0 l=0x00000000"}));
    MSG m;
    EXPECT_FALSE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) << "the dead window's messages went with it";
    EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_WINDOW_HANDLE));
    EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);

    PostQuitMessage(7);
    EXPECT_EQ(GetMessageA(&m, NULL, 0, 0), FALSE);
    EXPECT_EQ(m.wParam, 7u);
}

TEST_F(MessageQueue, KeyStateFollowsTheKeyMessagesRetrieved)
{
    HWND w = MakeWindow(WS_POPUP, 0, 32, 32);
    MSG m;
    PostMessageA(w, WM_KEYDOWN, VK_SHIFT, KeyParam(0x36, false));
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0) << "not before it is retrieved";
    ASSERT_TRUE(PeekMessageA(&m, NULL, 0, 0, PM_REMOVE));
    EXPECT_NE(GetKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_RSHIFT) & 0x8000, 0) << "the scan code tells the right Shift";
    EXPECT_EQ(GetKeyState(VK_LSHIFT) & 0x8000, 0);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0) << "down reads as negative";

    const SHORT capsBefore = GetKeyState(VK_CAPITAL) & 1;
    PostMessageA(w, WM_KEYDOWN, VK_CAPITAL, KeyParam(0x3A, false));
    PostMessageA(w, WM_KEYDOWN, VK_CAPITAL, KeyParam(0x3A, false) | (1 << 30)); // auto-repeat: no toggle
    PostMessageA(w, WM_KEYUP, VK_CAPITAL, KeyParam(0x3A, true));
    PostMessageA(w, WM_KEYUP, VK_SHIFT, KeyParam(0x36, true));
    PostMessageA(w, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(GetKeyState(VK_CAPITAL), SHORT(capsBefore ^ 1)) << "one press toggles once";
    EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
    EXPECT_EQ(GetKeyState(VK_RSHIFT) & 0x8000, 0);
    EXPECT_NE(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    PostMessageA(w, WM_LBUTTONUP, 0, 0);
    PeekMessageA(&m, NULL, 0, 0, PM_REMOVE);
    EXPECT_EQ(GetKeyState(VK_LBUTTON) & 0x8000, 0);
    if (capsBefore ^ 1) { // leave Caps Lock as it was for the other tests
        PostMessageA(w, WM_KEYDOWN, VK_CAPITAL, KeyParam(0x3A, false));
        PostMessageA(w, WM_KEYUP, VK_CAPITAL, KeyParam(0x3A, true));
        while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
        }
    }
}

TEST_F(MessageQueue, PostedKeyPressesTypeAsOnAUsKeyboard)
{
    HWND w = MakeWindow(WS_POPUP, 0, 32, 32);
    struct Case {
        std::vector<int> held; // keys held down first (VK_SHIFT, VK_CONTROL, VK_MENU)
        UINT message;
        int vk;
        std::string typed; // the WM_CHAR / WM_SYSCHAR bytes
    };
    const Case cases[] = {
        {{}, WM_KEYDOWN, 'A', "a"},
        {{VK_SHIFT}, WM_KEYDOWN, 'A', "A"},
        {{VK_SHIFT}, WM_KEYDOWN, '1', "!"},
        {{}, WM_KEYDOWN, VK_OEM_2, "/"},
        {{}, WM_KEYDOWN, VK_SPACE, " "},
        {{}, WM_KEYDOWN, VK_NUMPAD7, "7"},
        {{}, WM_KEYDOWN, VK_RETURN, "\r"},
        {{VK_CONTROL}, WM_KEYDOWN, VK_RETURN, "\n"},
        {{}, WM_KEYDOWN, VK_BACK, "\b"},
        {{}, WM_KEYDOWN, VK_TAB, "\t"},
        {{}, WM_KEYDOWN, VK_ESCAPE, "\x1B"},
        {{VK_CONTROL}, WM_KEYDOWN, 'C', "\x03"},
        {{VK_CONTROL, VK_SHIFT}, WM_KEYDOWN, 'Z', "\x1A"},
        {{}, WM_KEYDOWN, VK_F1, ""},
        {{}, WM_KEYUP, 'A', ""},
        {{VK_MENU}, WM_SYSKEYDOWN, 'X', "x"}, // typed as WM_SYSCHAR
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "vk " << c.vk);
        for (int k : c.held) PostMessageA(w, WM_KEYDOWN, WPARAM(k), KeyParam(0, false));
        PostMessageA(w, c.message, WPARAM(c.vk), KeyParam(0, c.message == WM_KEYUP));
        for (int k : c.held) PostMessageA(w, WM_KEYUP, WPARAM(k), KeyParam(0, true));
        std::string typed;
        UINT charMessage = 0;
        for (const MSG& m : Pump()) {
            if (m.message == WM_CHAR || m.message == WM_SYSCHAR) {
                typed += char(m.wParam);
                charMessage = m.message;
            }
        }
        EXPECT_EQ(typed, c.typed);
        if (!typed.empty()) {
            EXPECT_EQ(charMessage, UINT(c.message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR));
        }
    }
}

TEST_F(MessageQueue, TheDefaultProcedureClosesOnAltF4)
{
    HWND w = MakeWindow(WS_CAPTION | WS_SYSMENU, 0, 32, 32);
    PostMessageA(w, WM_SYSKEYDOWN, VK_F4, KeyParam(0x3E, false, true));
    Pump();
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{
                             "WM 0x0104 w=115 l=0x203E0001", // WM_SYSKEYDOWN
                             "WM 0x0112 w=61536 l=0x00000000", // WM_SYSCOMMAND SC_CLOSE
                             "WM 0x0010 w=0 l=0x00000000", // WM_CLOSE
                             "WM 0x0002 w=0 l=0x00000000", // WM_DESTROY
                         }));
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(MessageQueue, WindowGeometryAddsWindowsFrame)
{
    HWND w = MakeWindow(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 200, 100);
    RECT outer, client;
    ASSERT_TRUE(GetWindowRect(w, &outer));
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    EXPECT_EQ(outer.right - outer.left, 200 + 2 * GetSystemMetrics(SM_CXFIXEDFRAME));
    EXPECT_EQ(outer.bottom - outer.top, 100 + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME));
    // The client's top-left corner on the screen lies inside the frame.
    POINT origin = {0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(origin.x, outer.left + GetSystemMetrics(SM_CXFIXEDFRAME));
    EXPECT_EQ(origin.y, outer.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFIXEDFRAME));
    POINT back = origin;
    ScreenToClient(w, &back);
    EXPECT_EQ(back.x, 0);
    EXPECT_EQ(back.y, 0);

    // Styles change; the frame follows when the window is placed again.
    SetWindowLongA(w, GWL_STYLE, LONG(WS_POPUP));
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 320, 240, SWP_FRAMECHANGED);
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_EXSTYLE)) & WS_EX_TOPMOST, DWORD(WS_EX_TOPMOST));
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)) & WS_VISIBLE, 0u);
    ShowWindow(w, SW_SHOW);
    EXPECT_EQ(DWORD(GetWindowLongA(w, GWL_STYLE)) & WS_VISIBLE, DWORD(WS_VISIBLE));
}

} // namespace
} // namespace kes::test
