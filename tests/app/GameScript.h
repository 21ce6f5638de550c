// A game driven by a script: an MApp on a software device, small enough to
// run quickly, whose callbacks log what the engine calls and run the test's
// own code at chosen frames. Input arrives as it would from a player, as
// messages posted to the window (or SDL events pushed into SDL's queue).
#ifndef KESTO_TESTS_APP_GAMESCRIPT_H
#define KESTO_TESTS_APP_GAMESCRIPT_H

#include <KesApp.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kes::test {

class GameScript : public ::testing::Test {
protected:
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;

    void SetUp() override;
    void TearDown() override;

    // Window and device as a game's Init makes them; no retrace wait, so
    // that the loop runs at its own pace.
    void InitGame();
    // Runs the loop; fails the test instead of hanging when the script does
    // not end the game within `maxUpdates` update calls.
    void RunGame(int maxUpdates = 2000);

    // Posts a message to the game's window.
    void Post(UINT message, WPARAM wParam, LPARAM lParam);
    // Key messages with the lParam a keyboard gives them.
    void PostKey(UINT message, int vk, bool previouslyDown = false, int scan = 0);

    // Every callback call and input event, as text ("update", "key 65 s0 up0 r1", ...).
    std::vector<std::string> m_log;
    int m_updates = 0;

    // The test's own code: at the start of the given update call (1-based),
    // on every input event, and as the callbacks' results.
    std::function<void(int update)> m_onUpdate;
    std::function<void(MInputEven*)> m_onInput;
    int m_lostResult = 1;
    int m_restoreResult = 1;
    bool m_hasExitFunc = false;

    MApp* m_app = nullptr;
    int m_maxUpdates = 0;

    static GameScript* s_current;

private:
    static int Update();
    static int Input(MInputEven* e);
    static int Showed();
    static int Lost();
    static int Restore();
    static int Exit();
    static int Active();
    static int DeActive();
};

// "key vk s<state> up<keyUp> r<repeat> b<bit12>", "char <byte> r<repeat>",
// "button <message> s<state> <x>,<y>", "move <x>,<y>", "wheel <notches> s<state> <x>,<y>".
std::string Describe(const MInputEven& e);

} // namespace kes::test

#endif
