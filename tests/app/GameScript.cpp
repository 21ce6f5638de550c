#include "GameScript.h"
#include "TestSupport.h"

#include <KesPlatform.h>

#include <cstdio>

namespace kes::test {

GameScript* GameScript::s_current = nullptr;

std::string Describe(const MInputEven& e)
{
    char buf[128];
    switch (e.m_type) {
    case MInputEven::KEY:
        snprintf(buf, sizeof buf, "key %u s%d up%d r%d b%d", unsigned(e.m_vkey), e.m_state, e.m_keyUp, e.m_repeat,
                 e.m_bit12);
        break;
    case MInputEven::CHARACTER: snprintf(buf, sizeof buf, "char %02X r%d", unsigned(BYTE(e.m_char)), e.m_repeat); break;
    case MInputEven::MOUSE_BUTTON:
        snprintf(buf, sizeof buf, "button %X s%X %d,%d", unsigned(e.m_button), unsigned(e.m_state), e.m_x, e.m_y);
        break;
    case MInputEven::MOUSE_MOVE: snprintf(buf, sizeof buf, "move %d,%d", e.m_x, e.m_y); break;
    case MInputEven::MOUSE_WHEEL:
        snprintf(buf, sizeof buf, "wheel %d s%X %d,%d", e.m_wheel, unsigned(e.m_state), e.m_x, e.m_y);
        break;
    default: snprintf(buf, sizeof buf, "type %d", e.m_type); break;
    }
    return buf;
}

void GameScript::SetUp()
{
    // Only posted and pushed input: a desktop's own events would mix in.
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformSetRenderDevice(SuiteRenderDevice().c_str());
    s_current = this;
    m_app = new MApp;
}

void GameScript::TearDown()
{
    if (m_app) {
        m_app->Shutdown();
        delete m_app;
        m_app = nullptr;
    }
    // Nothing may leak into the next test: no waiting message, no key held.
    for (int vk : {VK_MENU, VK_SHIFT, VK_CONTROL, VK_LBUTTON})
        PostMessageA(NULL, vk == VK_LBUTTON ? WM_LBUTTONUP : WM_KEYUP, WPARAM(vk), LPARAM(0xC0000001u));
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
    }
    s_current = nullptr;
}

void GameScript::InitGame()
{
    m_app->SetWindowSize(kWidth, kHeight);
    m_app->SetAsync(0);
    m_app->SetUpdateFrameFunc(Update);
    m_app->SetInputEvenFunc(Input);
    m_app->SetWindowShowedFunc(Showed);
    m_app->SetLostDeviceFunc(Lost);
    m_app->SetRestoreDeviceFunc(Restore);
    m_app->SetActiveFunc(Active);
    m_app->SetDeActiveFunc(DeActive);
    if (m_hasExitFunc) m_app->SetExitFunc(Exit);
    ASSERT_EQ(m_app->Init(), 1);
}

void GameScript::RunGame(int maxUpdates)
{
    m_maxUpdates = maxUpdates;
    m_app->Run();
}

void GameScript::Post(UINT message, WPARAM wParam, LPARAM lParam)
{
    ASSERT_TRUE(PostMessageA(m_app->GetHWnd(), message, wParam, lParam));
}

void GameScript::PostKey(UINT message, int vk, bool previouslyDown, int scan)
{
    const bool up = message == WM_KEYUP || message == WM_SYSKEYUP;
    DWORD lParam = 1u | (DWORD(scan & 0xFF) << 16);
    if (message == WM_SYSKEYDOWN || message == WM_SYSKEYUP) lParam |= 1u << 29;
    if (up || previouslyDown) lParam |= 1u << 30;
    if (up) lParam |= 1u << 31;
    Post(message, WPARAM(vk), LPARAM(LONG(lParam)));
}

int GameScript::Update()
{
    GameScript* g = s_current;
    ++g->m_updates;
    g->m_log.push_back("update");
    if (g->m_onUpdate) g->m_onUpdate(g->m_updates);
    // A script that forgets to end the game fails instead of hanging.
    if (g->m_updates > g->m_maxUpdates && g->m_app->GetHWnd() && IsWindow(g->m_app->GetHWnd())) {
        ADD_FAILURE() << "the game did not end within " << g->m_maxUpdates << " frames";
        g->m_app->ExitApp();
    }
    return 1;
}

int GameScript::Input(MInputEven* e)
{
    GameScript* g = s_current;
    g->m_log.push_back(Describe(*e));
    if (g->m_onInput) g->m_onInput(e);
    return 1;
}

int GameScript::Showed()
{
    s_current->m_log.push_back("showed");
    return 1;
}

int GameScript::Lost()
{
    s_current->m_log.push_back("lost");
    return s_current->m_lostResult;
}

int GameScript::Restore()
{
    s_current->m_log.push_back("restore");
    return s_current->m_restoreResult;
}

int GameScript::Exit()
{
    s_current->m_log.push_back("exit");
    return 1;
}

int GameScript::Active()
{
    s_current->m_log.push_back("active");
    return 1;
}

int GameScript::DeActive()
{
    s_current->m_log.push_back("deactive");
    return 1;
}

} // namespace kes::test
