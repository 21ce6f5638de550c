// A small game for the end-to-end input test: a real window on whatever X
// server DISPLAY names, every input event the engine hands to the game
// written to standard output as one line, so that a driver sending real
// X input (run_x11_input.sh) can check what reached the game.
//
// Lines, each flushed at once:
//   driver <name>                      the video driver the window runs on
//   ready                              the window is shown
//   key <vk> s<state> up<keyUp> r<repeat> b<bit12>
//   char <byte in hex>
//   button <message in hex> s<MK_ flags in hex> <x>,<y>
//   move <x>,<y>
//   wheel <notches> s<MK_ flags in hex> <screen x>,<screen y>
//   windowed <0|1>                     the game saw the display mode change
//   active / deactive                  restored / minimised
//   ended                              Run returned, the window is gone
//
// No exit callback: closing the window (Alt+F4) ends the game at once.
#include <KesApp.h>
#include <KesPlatform.h>

#include <cstdarg>
#include <cstdio>

namespace {

const char kTitle[] = "Kesto X11 input";
const int kWidth = 320;
const int kHeight = 240;

MApp* g_app = nullptr;
int g_windowed = 1;

void Say(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    // The driver reads the lines while the game runs.
    fflush(stdout);
}

int Input(MInputEven* e)
{
    switch (e->m_type) {
    case MInputEven::KEY:
        Say("key %u s%d up%d r%d b%d", unsigned(e->m_vkey), e->m_state, e->m_keyUp, e->m_repeat, e->m_bit12);
        break;
    case MInputEven::CHARACTER: Say("char %02X", unsigned(BYTE(e->m_char))); break;
    case MInputEven::MOUSE_BUTTON:
        Say("button %X s%X %d,%d", unsigned(e->m_button), unsigned(e->m_state), e->m_x, e->m_y);
        break;
    case MInputEven::MOUSE_MOVE: Say("move %d,%d", e->m_x, e->m_y); break;
    case MInputEven::MOUSE_WHEEL:
        Say("wheel %+d s%X %d,%d", e->m_wheel, unsigned(e->m_state), e->m_x, e->m_y);
        break;
    default: Say("event %d", e->m_type); break;
    }
    return 1;
}

int Update()
{
    // Alt+Enter switches the mode inside the window procedure; the game
    // sees the result on its next frame.
    if (g_app->m_windowed != g_windowed) {
        g_windowed = g_app->m_windowed;
        Say("windowed %d", g_windowed);
    }
    return 1;
}

int Showed()
{
    const char* driver = KesPlatformVideoDriver();
    Say("driver %s", driver ? driver : "(none)");
    Say("ready");
    return 1;
}

int Active()
{
    Say("active");
    return 1;
}

int DeActive()
{
    Say("deactive");
    return 1;
}

} // namespace

int main()
{
    MApp app;
    g_app = &app;
    app.SetWinTitle(kTitle);
    app.SetWindowSize(kWidth, kHeight);
    // No retrace wait: input is read as fast as the loop turns.
    app.SetAsync(0);
    app.SetInputEvenFunc(Input);
    app.SetUpdateFrameFunc(Update);
    app.SetWindowShowedFunc(Showed);
    app.SetActiveFunc(Active);
    app.SetDeActiveFunc(DeActive);
    if (!app.Init()) {
        Say("init failed");
        return 1;
    }
    g_windowed = app.m_windowed;
    app.Run();
    app.Shutdown();
    Say("ended");
    return 0;
}
