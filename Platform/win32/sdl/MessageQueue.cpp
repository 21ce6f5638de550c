// The thread's message queue over SDL's event queue.
//
// Retrieval order is Windows': posted messages, then input, then the quit
// request, then WM_PAINT for a window that needs painting. SDL's events are
// read into the input queue whenever the program looks for a message, so a
// game that never looks keeps its input waiting, as on Windows. The engine
// runs on one thread; the queue is that thread's.
#include <windows.h>

#include "EventPump.h"
#include "Keyboard.h"
#include "MessageQueue.h"
#include "SdlVideo.h"
#include "WindowTable.h"

#include <SDL.h>

#include <deque>

namespace kes::sdl {
namespace {

struct ThreadQueue {
    std::deque<QueuedMessage> posted;
    std::deque<QueuedMessage> input;
    bool quit = false;
    int quitCode = 0;
    QueuedMessage lastKey;
    bool haveLastKey = false;
};

ThreadQueue& Queue()
{
    static ThreadQueue* q = new ThreadQueue;
    return *q;
}

MSG MakeMsg(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG m{};
    m.hwnd = hWnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = timeGetTime();
    // Where the input last put the cursor: asking the desktop would cost a
    // round trip to it for every message.
    m.pt = LastCursorPos();
    return m;
}

// A window filter of null takes every message, (HWND)-1 only the thread's own.
bool Matches(const MSG& m, HWND hWnd, UINT first, UINT last)
{
    if (hWnd == (HWND)(intptr_t)-1) {
        if (m.hwnd) return false;
    } else if (hWnd && m.hwnd != hWnd) {
        return false;
    }
    return (first == 0 && last == 0) || (m.message >= first && m.message <= last);
}

bool IsMouseMessage(UINT m)
{
    return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST;
}

bool IsKeyMessage(UINT m)
{
    return m == WM_KEYDOWN || m == WM_KEYUP || m == WM_SYSKEYDOWN || m == WM_SYSKEYUP;
}

bool TakeFrom(std::deque<QueuedMessage>& q, MSG* out, HWND hWnd, UINT first, UINT last, bool remove)
{
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (!Matches(it->msg, hWnd, first, last)) continue;
        *out = it->msg;
        if (remove) {
            ThreadQueue& tq = Queue();
            if (IsKeyMessage(it->msg.message)) {
                tq.lastKey = *it;
                tq.haveLastKey = true;
            }
            q.erase(it);
            NoteRetrieved(*out);
            // The window chooses its cursor before it hears of the mouse.
            if (IsMouseMessage(out->message) && out->message != WM_MOUSEWHEEL && LiveWindow(out->hwnd))
                SendMessageA(out->hwnd, WM_SETCURSOR, (WPARAM)out->hwnd, MAKELPARAM(HTCLIENT, out->message));
        }
        return true;
    }
    return false;
}

bool PaintRequest(MSG* out, HWND hWnd, UINT first, UINT last)
{
    if (!((first == 0 && last == 0) || (WM_PAINT >= first && WM_PAINT <= last))) return false;
    for (HWND w : Windows().windows) {
        if (!w->needsPaint || !w->visible || w->destroying || (hWnd && hWnd != w)) continue;
        *out = MakeMsg(w, WM_PAINT, 0, 0);
        return true;
    }
    return false;
}

} // namespace

void PostInput(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    QueuedMessage q;
    q.msg = MakeMsg(hWnd, message, wParam, lParam);
    q.fromInput = true;
    Queue().input.push_back(q);
}

QueuedMessage* LastWaitingInput()
{
    ThreadQueue& q = Queue();
    return q.input.empty() ? nullptr : &q.input.back();
}

const QueuedMessage* LastRetrievedKey()
{
    return Queue().haveLastKey ? &Queue().lastKey : nullptr;
}

void ForgetQueuedMessages(HWND hWnd)
{
    ThreadQueue& q = Queue();
    for (auto* d : {&q.posted, &q.input})
        for (auto it = d->begin(); it != d->end();) it = it->msg.hwnd == hWnd ? d->erase(it) : it + 1;
    if (q.haveLastKey && q.lastKey.msg.hwnd == hWnd) q.haveLastKey = false;
}

} // namespace kes::sdl

using namespace kes::sdl;

extern "C" {

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg) return FALSE;
    PumpEvents();
    ThreadQueue& q = Queue();
    const bool remove = (wRemoveMsg & PM_REMOVE) != 0;
    if (TakeFrom(q.posted, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove)) return TRUE;
    if (TakeFrom(q.input, lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, remove)) return TRUE;
    if (q.quit && ((wMsgFilterMin == 0 && wMsgFilterMax == 0) ||
                   (WM_QUIT >= wMsgFilterMin && WM_QUIT <= wMsgFilterMax))) {
        *lpMsg = MakeMsg(nullptr, WM_QUIT, WPARAM(q.quitCode), 0);
        if (remove) q.quit = false;
        return TRUE;
    }
    // Paint requests stay until the window validates itself.
    return PaintRequest(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax) ? TRUE : FALSE;
}

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (hWnd && hWnd != (HWND)(intptr_t)-1 && !LiveWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    while (!PeekMessageA(lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, PM_REMOVE)) {
        // Nothing to do until an event arrives; without a video system
        // nothing can, but posted messages may come from nowhere else, so wait
        // in short steps rather than forever.
        if (!SDL_WasInit(SDL_INIT_VIDEO) || !SDL_WaitEventTimeout(nullptr, 10)) Sleep(1);
    }
    return lpMsg->message == WM_QUIT ? FALSE : TRUE;
}

LRESULT WINAPI DispatchMessageA(const MSG* lpMsg)
{
    if (!lpMsg || !LiveWindow(lpMsg->hwnd) || !lpMsg->hwnd->proc) return 0;
    return lpMsg->hwnd->proc(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!LiveWindow(hWnd) || !hWnd->proc) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return hWnd->proc(hWnd, Msg, wParam, lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd && !LiveWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    QueuedMessage q;
    q.msg = MakeMsg(hWnd, Msg, wParam, lParam);
    Queue().posted.push_back(q);
    return TRUE;
}

void WINAPI PostQuitMessage(int nExitCode)
{
    Queue().quit = true;
    Queue().quitCode = nExitCode;
}

} // extern "C"
