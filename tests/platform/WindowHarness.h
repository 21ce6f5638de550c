// A plain window whose procedure logs every message it receives (as text,
// "WM 0x0100 w=65 l=0x001E0001"), on SDL's offscreen driver, for tests of
// the message queue and of SDL's events becoming messages.
#ifndef KESTO_TESTS_PLATFORM_WINDOWHARNESS_H
#define KESTO_TESTS_PLATFORM_WINDOWHARNESS_H

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kes::test {

class WindowHarness : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A window of `style` whose client area is `width` x `height`.
    HWND MakeWindow(DWORD style, UINT classStyle, int width, int height);

    // Retrieves, translates and dispatches every waiting message; returns
    // the messages retrieved, as MSG.
    std::vector<MSG> Pump();

    // The window procedure's log, cleared by TakeLog.
    std::vector<std::string> TakeLog();

    HWND m_window = nullptr;

public:
    // What the window procedure received, and what it answers (null: DefWindowProcA).
    static std::vector<std::string> s_log;
    static LRESULT (*s_reply)(HWND, UINT, WPARAM, LPARAM);
};

std::string MessageText(UINT message, WPARAM wParam, LPARAM lParam);

} // namespace kes::test

#endif
