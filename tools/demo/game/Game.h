// The game itself: one frame (move, then draw everything in order) and one
// input event at a time, as the engine's callbacks deliver them.
#ifndef KESTO_DEMO_GAME_GAME_H
#define KESTO_DEMO_GAME_GAME_H

#include "Assets.h"
#include "Hero.h"
#include "Options.h"
#include "Script.h"

namespace kes::demo {

class Game {
public:
    // `assets` must stay loaded and `script` (null for a person at the
    // controls) alive while the game runs.
    Game(MApp& app, const Assets& assets, const Options& options, Script* script);

    // The update callback: called once per frame, before the frame is drawn.
    void Frame();
    // The input callback.
    void Input();

    int ShotsWritten() const { return m_shotsWritten; }
    int ShotsFailed() const { return m_shotsFailed; }

private:
    void TakeShot(const std::string& path);
    void SendHero(int x, int y);
    void Draw();
    void DrawTarget();

    MApp& m_app;
    const Assets& m_assets;
    Script* m_script;
    Hero m_hero;
    int m_frame = 0;        // frames begun
    float m_seconds = 0;    // game time
    float m_zoom = 1;
    bool m_follow;
    bool m_dragging = false;
    int m_shotsWritten = 0, m_shotsFailed = 0;
};

} // namespace kes::demo

#endif
