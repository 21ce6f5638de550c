// input: every kind of input event the engine hands a game, shown as it
// arrives. The engine calls Input once per event with the event recorded
// in the application; the Input... queries ask it what it was.
//
//   input [data folder] [--frames N] [--screenshot PATH] [--script]
//
// --script plays a few keys, letters, clicks, a double click and a wheel
// turn through the engine's window procedure, as the window would deliver
// them, so that a run with nobody at the keyboard shows them too.
#include <KesApp.h>

#include "ExampleRun.h"

#include <stdio.h>
#include <string.h>

namespace {

ExampleOptions g_options;
void* g_font = 0;
enum { KEY, TYPED, MOUSE, BUTTON, WHEEL, LINES };
char g_lines[LINES][128] = {"key: none yet", "typed: ", "mouse: not moved", "button: none yet", "wheel: 0"};
ExampleLabel g_labels[LINES];
char g_typed[40] = "";
int g_wheel = 0;
POINT g_mouse = {-100, -100};

int Input(MInputEven* event)
{
    MApp& app = Singleton<MApp>::GetSingleton();
    char c;
    POINT at;
    int notches;
    if (event->m_type == MInputEven::KEY) {
        snprintf(g_lines[KEY], sizeof g_lines[KEY], "key: 0x%02X %s%s", unsigned(event->m_vkey),
                 event->m_keyUp ? "released" : "pressed", app.InputGetVKey(0, 1, 0, 0) ? " with Shift" : "");
        if (app.InputGetVKey(VK_ESCAPE, 0, 0, 0)) app.ExitApp();
    } else if (app.InputGetChar(&c)) {
        const size_t n = strlen(g_typed);
        if (c == '\b' && n > 0) g_typed[n - 1] = 0;
        else if (c >= 32 && n + 1 < sizeof g_typed) g_typed[n] = c, g_typed[n + 1] = 0;
        snprintf(g_lines[TYPED], sizeof g_lines[TYPED], "typed: %s", g_typed);
    } else if (app.InputCheckMouseMove(&at)) {
        g_mouse = at;
        snprintf(g_lines[MOUSE], sizeof g_lines[MOUSE], "mouse: %ld, %ld", long(at.x), long(at.y));
    } else if (app.InputCheckMouseClick(WM_LBUTTONDBLCLK, 0, &at)) {
        snprintf(g_lines[BUTTON], sizeof g_lines[BUTTON], "button: double click at %ld, %ld", long(at.x), long(at.y));
    } else if (app.InputCheckMouseClick(WM_LBUTTONDOWN, 0, &at) || app.InputCheckMouseClick(WM_RBUTTONDOWN, 0, &at)) {
        snprintf(g_lines[BUTTON], sizeof g_lines[BUTTON], "button: %s press at %ld, %ld",
                 event->m_button == WM_LBUTTONDOWN ? "left" : "right", long(at.x), long(at.y));
    } else if (app.InputCheckMouseWheel(0, at, notches)) {
        g_wheel += notches;
        snprintf(g_lines[WHEEL], sizeof g_lines[WHEEL], "wheel: %+d", g_wheel);
    }
    return 1;
}

// What a player would do, one message a frame from frame 10 on. Run hands
// the game the event of each message it dispatches; a message given to the
// window procedure directly is handed on the same way here.
void PlayScript(MApp& app)
{
    struct Step {
        UINT message;
        WPARAM wParam;
        int x, y; // the mouse's client position, or the key's lParam
    };
    static const Step kSteps[] = {
        {WM_KEYDOWN, 'K', 1, 0}, {WM_CHAR, 'K', 1, 0}, {WM_KEYUP, 'K', 1, 0xC000},
        {WM_CHAR, 'e', 1, 0},    {WM_CHAR, 's', 1, 0}, {WM_CHAR, 't', 1, 0},
        {WM_CHAR, 'o', 1, 0},    {WM_CHAR, '!', 1, 0}, {WM_MOUSEMOVE, 0, 520, 380},
        {WM_LBUTTONDOWN, MK_LBUTTON, 520, 380}, {WM_LBUTTONUP, 0, 520, 380},
        {WM_LBUTTONDBLCLK, MK_LBUTTON, 520, 380}, {WM_LBUTTONUP, 0, 520, 380},
        {WM_MOUSEWHEEL, WPARAM(2 * WHEEL_DELTA) << 16, 520, 380},
    };
    const int i = FrameNumber() - 10;
    if (i < 0 || i >= int(sizeof kSteps / sizeof kSteps[0])) return;
    const Step& s = kSteps[i];
    const bool key = s.message == WM_KEYDOWN || s.message == WM_KEYUP || s.message == WM_CHAR;
    const LPARAM lParam = key ? LPARAM(LONG(DWORD(s.x) | DWORD(s.y) << 16)) : MAKELPARAM(s.x, s.y);
    MApp::WindowProc(app.GetHWnd(), s.message, s.wParam, lParam);
    Input(&app.m_input);
    app.m_input.m_type = 0;
}

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    if (g_options.script) PlayScript(app);
    // One line a kind, 40 pixels apart, then a cross where the mouse is.
    for (int i = 0; i < LINES; ++i) {
        app.DrawRect(30, 30 + 40 * float(i), 740, 34, 0xFF182030, 0);
        DrawLabel(app, g_font, &g_labels[i], g_lines[i], 40, 35 + 40 * float(i), 0xFFFFFFFF);
    }
    app.DrawLine(g_mouse.x - 12, g_mouse.y, g_mouse.x + 13, g_mouse.y, 0xFFFFD040, 3);
    app.DrawLine(g_mouse.x, g_mouse.y - 12, g_mouse.x, g_mouse.y + 13, 0xFFFFD040, 3);
    EndOfFrame(app, g_options);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "input", 60, &g_options)) return 2;
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: input", Update, Input)) return 1;
    g_font = ExampleFont(app, 20);
    app.Run();
    for (ExampleLabel& label : g_labels) ReleaseLabel(app, &label);
    app.Shutdown();
    return 0;
}
