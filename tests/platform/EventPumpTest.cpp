// SDL's events becoming the messages a Windows window receives: keys with
// their lParam, typed text in code page 936, the mouse in client
// coordinates with double clicks and wheel units, window events, and the
// client area scaled over the desktop in full screen.
#include "WindowHarness.h"

#include <win32/sdl/WindowTable.h>

#include <SDL.h>

#include <cstring>

namespace kes::test {
namespace {

class EventPump : public WindowHarness {
protected:
    Uint32 Id() { return SDL_GetWindowID(m_window->sdl); }

    void Key(Uint32 type, SDL_Scancode sc, SDL_Keycode sym, Uint16 mod, Uint8 repeat = 0)
    {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = type;
        e.key.windowID = Id();
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = repeat;
        e.key.keysym.scancode = sc;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    void Text(const char* utf8)
    {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = SDL_TEXTINPUT;
        e.text.windowID = Id();
        strncpy(e.text.text, utf8, sizeof e.text.text - 1);
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    void Motion(int x, int y, Uint32 buttons = 0)
    {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = SDL_MOUSEMOTION;
        e.motion.windowID = Id();
        e.motion.x = x;
        e.motion.y = y;
        e.motion.state = buttons;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    void Button(Uint32 type, Uint8 button, int x, int y)
    {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = type;
        e.button.windowID = Id();
        e.button.button = button;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    void Click(Uint8 button, int x, int y)
    {
        Button(SDL_MOUSEBUTTONDOWN, button, x, y);
        Button(SDL_MOUSEBUTTONUP, button, x, y);
    }
    void Wheel(float y, int mouseX, int mouseY, Uint32 direction = SDL_MOUSEWHEEL_NORMAL)
    {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = SDL_MOUSEWHEEL;
        e.wheel.windowID = Id();
        e.wheel.y = int(y);
        e.wheel.preciseY = y;
        e.wheel.direction = direction;
        e.wheel.mouseX = mouseX;
        e.wheel.mouseY = mouseY;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    void WindowEvent(Uint8 event)
    {
        SDL_Event e;
        memset(&e, 0, sizeof e);
        e.type = SDL_WINDOWEVENT;
        e.window.windowID = Id();
        e.window.event = event;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    }
    // Every message retrieved, translated and dispatched, as text; the
    // messages sent along the way (WM_SETCURSOR) are in the log.
    std::vector<std::string> Messages()
    {
        std::vector<std::string> out;
        for (const MSG& m : Pump()) out.push_back(MessageText(m.message, m.wParam, m.lParam));
        return out;
    }
};

using Texts = std::vector<std::string>;

TEST_F(EventPump, KeysArriveWithWindowsLParam)
{
    MakeWindow(WS_POPUP, 0, 64, 48);
    Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0, 1); // auto-repeat
    Key(SDL_KEYUP, SDL_SCANCODE_A, SDLK_a, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL);
    Key(SDL_KEYUP, SDL_SCANCODE_RCTRL, SDLK_RCTRL, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT);
    Key(SDL_KEYDOWN, SDL_SCANCODE_X, SDLK_x, KMOD_LALT);
    Key(SDL_KEYUP, SDL_SCANCODE_X, SDLK_x, KMOD_LALT);
    Key(SDL_KEYUP, SDL_SCANCODE_LALT, SDLK_LALT, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_X, SDLK_x, KMOD_LALT | KMOD_LCTRL); // Ctrl+Alt is no system key
    Key(SDL_KEYDOWN, SDL_SCANCODE_F10, SDLK_F10, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_LEFT, SDLK_LEFT, 0);
    EXPECT_EQ(Messages(), (Texts{
                              "WM 0x0100 w=65 l=0x001E0001",  // WM_KEYDOWN 'A', scan 0x1E
                              "WM 0x0100 w=65 l=0x401E0001",  // again, previously down
                              "WM 0x0101 w=65 l=0xC01E0001",  // WM_KEYUP
                              "WM 0x0100 w=17 l=0x011D0001",  // right Ctrl: extended
                              "WM 0x0101 w=17 l=0xC11D0001",
                              "WM 0x0104 w=18 l=0x20380001",  // WM_SYSKEYDOWN Alt, context bit
                              "WM 0x0104 w=88 l=0x202D0001",  // Alt+X
                              "WM 0x0105 w=88 l=0xE02D0001",  // WM_SYSKEYUP
                              "WM 0x0105 w=18 l=0xE0380001",  // Alt released
                              "WM 0x0100 w=88 l=0x002D0001",  // Ctrl+Alt+X
                              "WM 0x0104 w=121 l=0x00440001", // F10 alone
                              "WM 0x0100 w=37 l=0x014B0001",  // the cursor block is extended
                          }));
    // Nothing stays held for the tests after this one.
    Key(SDL_KEYUP, SDL_SCANCODE_X, SDLK_x, 0);
    Key(SDL_KEYUP, SDL_SCANCODE_F10, SDLK_F10, 0);
    Key(SDL_KEYUP, SDL_SCANCODE_LEFT, SDLK_LEFT, 0);
    Pump();
}

TEST_F(EventPump, TypedTextBecomesCodePage936Characters)
{
    MakeWindow(WS_POPUP, 0, 64, 48);
    Key(SDL_KEYDOWN, SDL_SCANCODE_A, SDLK_a, 0);
    Text("a");
    Key(SDL_KEYDOWN, SDL_SCANCODE_Z, SDLK_z, 0);
    Text("\xE4\xB8\xAD"); // U+4E2D, GBK D6 D0
    Key(SDL_KEYDOWN, SDL_SCANCODE_B, SDLK_b, 0);
    Text("\xF0\x9F\x98\x80"); // outside GBK
    Key(SDL_KEYDOWN, SDL_SCANCODE_RETURN, SDLK_RETURN, 0);
    Key(SDL_KEYDOWN, SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL);
    Key(SDL_KEYDOWN, SDL_SCANCODE_C, SDLK_c, KMOD_LCTRL);
    Key(SDL_KEYUP, SDL_SCANCODE_LCTRL, SDLK_LCTRL, 0);
    EXPECT_EQ(Messages(), (Texts{
                              "WM 0x0100 w=65 l=0x001E0001",
                              "WM 0x0102 w=97 l=0x001E0001", // WM_CHAR 'a' carries its key's lParam
                              "WM 0x0100 w=90 l=0x002C0001",
                              "WM 0x0102 w=214 l=0x002C0001", // lead byte first
                              "WM 0x0102 w=208 l=0x002C0001",
                              "WM 0x0100 w=66 l=0x00300001",
                              "WM 0x0102 w=63 l=0x00300001", // '?'
                              "WM 0x0100 w=13 l=0x001C0001",
                              "WM 0x0102 w=13 l=0x001C0001", // Enter types a carriage return
                              "WM 0x0100 w=17 l=0x001D0001",
                              "WM 0x0100 w=67 l=0x002E0001",
                              "WM 0x0102 w=3 l=0x002E0001", // Ctrl+C: posted, so ahead of the release
                              "WM 0x0101 w=17 l=0xC01D0001",
                          }));
    // An input method's text comes with no key of its own.
    Text("\xE6\x96\x87"); // U+6587, GBK CE C4
    EXPECT_EQ(Messages(), (Texts{"WM 0x0102 w=206 l=0x00000001", "WM 0x0102 w=196 l=0x00000001"}));
}

TEST_F(EventPump, MouseMessagesInClientCoordinatesAfterTheCursorMessage)
{
    HWND w = MakeWindow(WS_POPUP, CS_DBLCLKS, 64, 48);
    Motion(3, 4);
    Motion(5, 6); // merged into the waiting move
    Key(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 7, 8);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 7, 8);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE, 9, 10);
    TakeLog();
    EXPECT_EQ(Messages(), (Texts{
                              "WM 0x0200 w=0 l=0x00060005",
                              "WM 0x0100 w=16 l=0x002A0001",
                              "WM 0x0201 w=5 l=0x00080007", // MK_LBUTTON | MK_SHIFT
                              "WM 0x0202 w=4 l=0x00080007",
                              "WM 0x0207 w=20 l=0x000A0009", // MK_MBUTTON | MK_SHIFT
                          }));
    // The window picks its cursor before each mouse message (not the key's).
    const Texts log = TakeLog();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], MessageText(WM_SETCURSOR, WPARAM(w), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(log[1], "WM 0x0200 w=0 l=0x00060005");
    Key(SDL_KEYUP, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, 0);
    Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_MIDDLE, 9, 10);
    Pump();
}

TEST_F(EventPump, DoubleClicksFollowWindowsRule)
{
    MakeWindow(WS_POPUP, CS_DBLCLKS, 64, 48);
    Click(SDL_BUTTON_LEFT, 10, 10);
    Click(SDL_BUTTON_LEFT, 11, 12);  // close and soon: a double click
    Click(SDL_BUTTON_LEFT, 11, 12);  // the third press starts afresh
    Click(SDL_BUTTON_LEFT, 20, 12);  // too far from the last press
    Click(SDL_BUTTON_RIGHT, 20, 12); // another button
    Click(SDL_BUTTON_RIGHT, 20, 12);
    Texts downs;
    for (const std::string& m : Messages())
        if (m.find("0x0202") == std::string::npos && m.find("0x0205") == std::string::npos)
            downs.push_back(m.substr(0, 9));
    EXPECT_EQ(downs, (Texts{"WM 0x0201", "WM 0x0203", "WM 0x0201", "WM 0x0201", "WM 0x0204", "WM 0x0206"}));

    // Too slow.
    Click(SDL_BUTTON_LEFT, 30, 30);
    SDL_Delay(GetDoubleClickTime() + 20);
    Click(SDL_BUTTON_LEFT, 30, 30);
    downs.clear();
    for (const std::string& m : Messages())
        if (m.find("0x0202") == std::string::npos) downs.push_back(m.substr(0, 9));
    EXPECT_EQ(downs, (Texts{"WM 0x0201", "WM 0x0201"}));
}

TEST_F(EventPump, WithoutTheClassStyleThereAreNoDoubleClicks)
{
    MakeWindow(WS_POPUP, 0, 64, 48);
    Click(SDL_BUTTON_LEFT, 10, 10);
    Click(SDL_BUTTON_LEFT, 10, 10);
    Texts downs;
    for (const std::string& m : Messages())
        if (m.find("0x0202") == std::string::npos) downs.push_back(m.substr(0, 9));
    EXPECT_EQ(downs, (Texts{"WM 0x0201", "WM 0x0201"}));
}

TEST_F(EventPump, TheWheelInUnitsOf120WithFinerStepsKept)
{
    HWND w = MakeWindow(WS_CAPTION, 0, 64, 48);
    Wheel(-1.0f, 5, 6); // a turn back drops what earlier turns left over
    Wheel(1.0f, 5, 6);
    Wheel(-2.0f, 5, 6);
    Wheel(1.0f, 5, 6, SDL_MOUSEWHEEL_FLIPPED);
    for (int i = 0; i < 4; ++i) Wheel(0.25f, 5, 6); // a precise wheel
    Wheel(0.004f, 5, 6); // less than 1/120: carried, not sent
    Wheel(0.004f, 5, 6);
    std::vector<int> deltas;
    LPARAM where = 0;
    for (const MSG& m : Pump()) {
        ASSERT_EQ(m.message, UINT(WM_MOUSEWHEEL));
        deltas.push_back(GET_WHEEL_DELTA_WPARAM(m.wParam));
        where = m.lParam;
    }
    EXPECT_EQ(deltas, (std::vector<int>{-120, 120, -240, -120, 30, 30, 30, 30}));
    // Wheel positions are screen coordinates.
    POINT p = {5, 6};
    ClientToScreen(w, &p);
    EXPECT_EQ(GET_X_LPARAM(where), p.x);
    EXPECT_EQ(GET_Y_LPARAM(where), p.y);
    Wheel(0.004f, 5, 6);
    std::vector<MSG> rest = Pump();
    ASSERT_EQ(rest.size(), 1u) << "three small steps make one unit";
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(rest[0].wParam), 1);
}

TEST_F(EventPump, WindowEventsBecomeWindowMessages)
{
    HWND w = MakeWindow(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 64, 48);
    ShowWindow(w, SW_SHOW);
    ValidateRect(w, NULL);
    s_reply = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return m == WM_CLOSE ? 0 : DefWindowProcA(h, m, wp, lp); // keep the window
    };
    WindowEvent(SDL_WINDOWEVENT_CLOSE);
    WindowEvent(SDL_WINDOWEVENT_MINIMIZED);
    WindowEvent(SDL_WINDOWEVENT_MINIMIZED); // once is enough
    WindowEvent(SDL_WINDOWEVENT_RESTORED);
    WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    WindowEvent(SDL_WINDOWEVENT_EXPOSED);
    EXPECT_EQ(Messages(), (Texts{
                              "WM 0x0010 w=0 l=0x00000000",     // WM_CLOSE
                              "WM 0x0112 w=61472 l=0x00000000", // SC_MINIMIZE
                              "WM 0x0112 w=61728 l=0x00000000", // SC_RESTORE
                              "WM 0x001C w=1 l=0x00000000",     // WM_ACTIVATEAPP
                              "WM 0x0006 w=1 l=0x00000000",     // WM_ACTIVATE
                              "WM 0x000F w=0 l=0x00000000",     // exposed: painted
                          }));
    EXPECT_TRUE(IsWindow(w));
}

TEST_F(EventPump, FullScreenScalesTheClientOverTheDesktop)
{
    HWND w = MakeWindow(WS_POPUP, 0, 64, 48);
    ShowWindow(w, SW_SHOW);
    // A device shows a 200 x 100 back buffer over the whole desktop.
    sdl::SetDeviceFullscreen(w, true, 200, 100);
    RECT client;
    ASSERT_TRUE(GetClientRect(w, &client));
    EXPECT_EQ(client.right, 200);
    EXPECT_EQ(client.bottom, 100);
    const sdl::Viewport v = sdl::ViewportOf(w);
    ASSERT_GT(v.windowW, 0);
    // The client keeps its shape, centred with bars.
    EXPECT_NEAR(double(v.dest.w) / v.dest.h, 2.0, 0.02);
    EXPECT_TRUE(v.dest.x == 0 || v.dest.y == 0);
    EXPECT_EQ(v.dest.x * 2 + v.dest.w, v.windowW);
    Motion(v.dest.x + v.dest.w / 2, v.dest.y + v.dest.h / 2);
    Motion(v.dest.x + v.dest.w - 1, v.dest.y + v.dest.h - 1);
    Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, v.dest.x, v.dest.y);
    Texts m;
    for (const MSG& msg : Pump())
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)
            m.push_back(MessageText(msg.message, msg.wParam, msg.lParam));
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0], MessageText(WM_MOUSEMOVE, 0, MAKELPARAM(199, 99)));
    EXPECT_EQ(m[1], MessageText(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0)));
    // Screen and client coordinates convert through the same scaling.
    POINT p = {100, 50};
    ClientToScreen(w, &p);
    ScreenToClient(w, &p);
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);

    sdl::SetDeviceFullscreen(w, false, 0, 0);
    int ww = 0, wh = 0;
    SDL_GetWindowSize(w->sdl, &ww, &wh);
    EXPECT_EQ(ww, 200) << "back as a window of the client's size";
    EXPECT_EQ(wh, 100);
}

} // namespace
} // namespace kes::test
