#include "Game.h"

#include "Hud.h"
#include "Showcase.h"
#include "Sounds.h"

#include <KesPlatform.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kes::demo {
namespace {

// The open ground between the panels, where the hero may be sent.
constexpr int kLeft = 200, kRight = 600, kTop = 112, kBottom = 512;
constexpr float kMinZoom = 0.5f, kMaxZoom = 2.5f;

} // namespace

Game::Game(MApp& app, const Assets& assets, const Options& options, Script* script)
    : m_app(app), m_assets(assets), m_script(script), m_follow(options.follow)
{
    m_hero.Place(400, 330);
}

void Game::Frame()
{
    ++m_frame;
    if (m_script) {
        // What is on screen now is the frame before this one.
        const std::string shot = m_script->ShotPath(m_frame - 1);
        if (!shot.empty()) TakeShot(shot);
        if (m_frame > m_script->Frames()) {
            m_app.ExitApp();
            return;
        }
        const bool standing = !m_hero.Walking();
        m_script->Steer(m_hero);
        if (standing && m_hero.Walking()) PlayClick(m_app);
    }
    // A scripted run steps time evenly, so that its pictures do not depend
    // on how fast the machine is.
    const float step = m_script ? Script::kStep : float(m_app.GetDeltaTime());
    m_seconds += step;
    m_hero.Update(step, m_zoom);
    Draw();
}

void Game::TakeShot(const std::string& path)
{
    if (KesPlatformSaveScreenshot(m_app.GetHWnd(), path.c_str())) {
        std::printf("kesto-demo: frame %d written to %s\n", m_frame - 1, path.c_str());
        ++m_shotsWritten;
    } else {
        std::fprintf(stderr, "kesto-demo: frame %d could not be written to %s\n", m_frame - 1, path.c_str());
        ++m_shotsFailed;
    }
    std::fflush(stdout);
}

void Game::Input()
{
    if (m_app.InputGetVKey(VK_ESCAPE, 0, 0, 0)) {
        m_app.ExitApp();
        return;
    }
    if (m_script) return; // the script has the hero
    POINT pt;
    if (m_app.InputGetVKey('F', 0, 1, 0)) { // on release: a held key repeats its presses
        m_follow = !m_follow;
        if (m_follow) {
            pt = m_app.GetMousePos();
            SendHero(pt.x, pt.y);
        }
    } else if (m_app.InputCheckMouseClick(WM_LBUTTONDOWN, 0, &pt)) {
        m_dragging = true;
        SendHero(pt.x, pt.y);
        PlayClick(m_app);
    } else if (m_app.InputCheckMouseClick(WM_LBUTTONUP, 0, &pt)) {
        m_dragging = false;
    } else if (m_app.InputCheckMouseMove(&pt)) {
        if (m_dragging || m_follow) SendHero(pt.x, pt.y);
    } else {
        int delta = 0;
        const int notches = m_app.InputCheckMouseWheel(0, pt, delta);
        if (notches) m_zoom = std::clamp(m_zoom * std::pow(1.25f, float(notches)), kMinZoom, kMaxZoom);
    }
}

void Game::SendHero(int x, int y)
{
    m_hero.WalkTo(float(std::clamp(x, kLeft, kRight)), float(std::clamp(y, kTop, kBottom)));
}

void Game::Draw()
{
    RECTF whole(0, 0, 1, 1);
    m_app.DrawImage(m_assets.background, 0, 0, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
    DrawShowcase(m_app, m_assets, m_seconds);
    DrawTarget();
    m_hero.Draw(m_app, m_assets, m_zoom);
    DrawHud(m_app, m_assets, m_seconds, unsigned(m_app.GetFPS()));
}

void Game::DrawTarget()
{
    if (!m_hero.Walking()) return;
    const float x = m_hero.TargetX(), y = m_hero.TargetY();
    m_app.DrawLineEx(m_hero.X(), m_hero.Y(), x, y, 0x50FFFFFF, 2);
    const float r = 6 + 2 * std::sin(m_seconds * 8);
    m_app.DrawRect(x - r, y - r * 0.5f, 2 * r, r, 0xFFFFE070, 1);
    m_app.DrawLine(x - 3, y, x + 3, y, 0xFFFFE070, 1);
    m_app.DrawLine(x, y - 2, x, y + 2, 0xFFFFE070, 1);
}

} // namespace kes::demo
