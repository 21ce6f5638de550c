// The main loop: one message, the clock, the device's state and one frame
// per iteration, until the quit message arrives.
#include <KesApp.h>

#include "KesD3D9.h"

#include <string.h>

namespace {

const double kLargestStep = 0.5;       // seconds; a longer gap (a drag, a debugger) is not game time
const double kReplacementStep = 0.016667;
const double kRateWindow = 1.0;        // seconds of m_curTime per frame-rate count

} // namespace

void MApp::Run()
{
    LARGE_INTEGER frequency, counter;
    LONGLONG previous = 0;
    DWORD iterations = 0;
    double windowStart = 0.0;
    MSG msg;

    m_curTime = 0.0;
    QueryPerformanceFrequency(&frequency);
    ShowWindow(m_hWnd, SW_SHOW);
    UpdateWindow(m_hWnd);
    if (m_windowShowedFunc) m_windowShowedFunc();
    memset(&msg, 0, sizeof msg);

    for (;;) {
        // One message per iteration: a burst of input spreads over frames.
        const BOOL got = PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE);
        if (got) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (m_input.m_type != 0 && m_inputEvenFunc) {
                m_inputEvenFunc(&m_input);
                m_input.m_type = 0;
            }
        }

        QueryPerformanceCounter(&counter);
        double step = double(counter.QuadPart - previous) / double(frequency.QuadPart);
        previous = counter.QuadPart;
        if (step > kLargestStep) step = kReplacementStep;
        m_deltaTime = step;
        m_curTime += step;

        if (m_curTime - windowStart > kRateWindow) {
            m_fps = iterations;
            windowStart = m_curTime;
            iterations = 0;
        } else {
            ++iterations;
        }

        int drawFrame;
        if (m_pRender->CheckDevice() == D3DERR_DEVICENOTRESET) {
            // The device came back from a loss: rebuild it between the
            // game's callbacks; any refusal ends the game, paused.
            m_pause = 1;
            drawFrame = 0;
            if (m_lostDeviceFunc && !m_lostDeviceFunc())
                PostQuitMessage(0);
            else if (!m_pRender->ResetDevice(m_async, m_winWidth, m_winHeight, m_windowed))
                PostQuitMessage(0);
            else if (m_restoreDeviceFunc && !m_restoreDeviceFunc())
                PostQuitMessage(0);
            else {
                m_pause = 0;
                drawFrame = 1;
            }
        } else {
            drawFrame = m_pause == 0;
        }

        if (drawFrame) {
            if (m_updateFrameFunc) m_updateFrameFunc();
            UpdateSoundSystem();
            if (m_pRender->BeginFrame()) {
                m_pRender->ClearFrame();
                m_pRender->DrawBatch();
                m_pRender->EndFrame();
            }
        }

        Sleep(1);
        if (got && msg.message == WM_QUIT) return;
    }
}
