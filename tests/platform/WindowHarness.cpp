#include "WindowHarness.h"

#include <KesPlatform.h>

#include <cstdio>

namespace kes::test {
namespace {

const char* kClass = "KESTO_HARNESS";

LRESULT CALLBACK LoggingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowHarness::s_log.push_back(MessageText(message, wParam, lParam));
    if (WindowHarness::s_reply) return WindowHarness::s_reply(hWnd, message, wParam, lParam);
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

} // namespace

std::vector<std::string> WindowHarness::s_log;
LRESULT (*WindowHarness::s_reply)(HWND, UINT, WPARAM, LPARAM) = nullptr;

std::string MessageText(UINT message, WPARAM wParam, LPARAM lParam)
{
    char buf[96];
    snprintf(buf, sizeof buf, "WM 0x%04X w=%lu l=0x%08X", message, (unsigned long)wParam, unsigned(DWORD(lParam)));
    return buf;
}

void WindowHarness::SetUp()
{
    KesPlatformSetVideoDriver("offscreen");
    s_log.clear();
    s_reply = nullptr;
}

void WindowHarness::TearDown()
{
    if (m_window && IsWindow(m_window)) DestroyWindow(m_window);
    m_window = nullptr;
    UnregisterClassA(kClass, NULL);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    }
    s_reply = nullptr;
}

HWND WindowHarness::MakeWindow(DWORD style, UINT classStyle, int width, int height)
{
    WNDCLASSA wc = {};
    wc.style = classStyle;
    wc.lpfnWndProc = LoggingProc;
    wc.lpszClassName = kClass;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    RegisterClassA(&wc);
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, style, FALSE, 0);
    m_window = CreateWindowExA(0, kClass, "harness", style, 100, 50, r.right - r.left, r.bottom - r.top, NULL, NULL,
                               NULL, NULL);
    EXPECT_NE(m_window, nullptr);
    return m_window;
}

std::vector<MSG> WindowHarness::Pump()
{
    std::vector<MSG> got;
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        got.push_back(msg);
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return got;
}

std::vector<std::string> WindowHarness::TakeLog()
{
    std::vector<std::string> log;
    log.swap(s_log);
    return log;
}

} // namespace kes::test
