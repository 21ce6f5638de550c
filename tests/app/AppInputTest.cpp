// The input event record and its queries, fed by posted messages as a
// player's keyboard and mouse would feed them.
#include "GameScript.h"

namespace kes::test {
namespace {

using AppInput = GameScript;
using Log = std::vector<std::string>;

TEST_F(AppInput, EachKindWritesItsFields)
{
    InitGame();
    // Shift and Ctrl held together report Shift; Alt wins over both.
    PostKey(WM_KEYDOWN, VK_CONTROL);
    PostKey(WM_KEYDOWN, VK_SHIFT, false, 0x2A);
    PostKey(WM_KEYDOWN, 'K');
    PostKey(WM_SYSKEYDOWN, VK_MENU);
    PostKey(WM_SYSKEYDOWN, 'K');
    PostKey(WM_SYSKEYUP, VK_MENU);
    PostKey(WM_KEYUP, VK_SHIFT, false, 0x2A);
    PostKey(WM_KEYDOWN, 'K', true);
    PostKey(WM_KEYUP, VK_CONTROL);
    // Bit 12 is the repeat count's: a count of 4096 sets it.
    Post(WM_KEYDOWN, 'K', LPARAM(0x1000 | (1 << 30)));
    Post(WM_CHAR, 0xD6, 3);
    // Coordinates are signed 16-bit halves.
    Post(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(-5, 7));
    Post(WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(300, -2));
    Post(WM_MBUTTONUP, 0, MAKELPARAM(1, 2));
    Post(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-1, -1));
    // Wheel deltas in 1/120 notch, truncated toward zero.
    for (int delta : {120, 30, -119, 240, -360})
        Post(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, WORD(SHORT(delta))), MAKELPARAM(900, 700));
    const int messages = 23;
    m_onUpdate = [&](int update) {
        if (update == messages + 4) m_app->ExitApp();
    };
    RunGame();
    Log events;
    for (const std::string& line : m_log)
        if (line != "update" && line != "showed") events.push_back(line);
    EXPECT_EQ(events, (Log{
                          "key 17 s2 up0 r1 b0",
                          "key 16 s1 up0 r1 b0",
                          "key 75 s1 up0 r1 b0",
                          "key 18 s4 up0 r1 b0",
                          "key 75 s4 up0 r1 b0",
                          "key 18 s1 up1 r1 b0",
                          "key 16 s2 up1 r1 b0",
                          "key 75 s2 up0 r1 b0",
                          "key 17 s0 up1 r1 b0",
                          "key 75 s0 up0 r4096 b1",
                          "char D6 r3",
                          "button 201 s5 -5,7",
                          "button 206 s2 300,-2",
                          "button 208 s0 1,2",
                          "move -1,-1",
                          "wheel 1 s8 900,700",
                          "wheel 0 s8 900,700",
                          "wheel 0 s8 900,700",
                          "wheel 2 s8 900,700",
                          "wheel -3 s8 900,700",
                          // The characters of the presses, queued behind everything
                          // posted before them: Ctrl+K twice, then 'k'.
                          "char 0B r1",
                          "char 0B r1",
                          "char 6B r4096",
                      }));
}

TEST_F(AppInput, QueriesMatchTheirKindMaskAndDirection)
{
    InitGame();
    PostKey(WM_KEYDOWN, VK_SHIFT, false, 0x2A);
    PostKey(WM_KEYDOWN, 'Z');
    PostKey(WM_KEYUP, 'Z');
    PostKey(WM_KEYUP, VK_SHIFT, false, 0x2A);
    Post(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    Post(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(5, 6));
    Post(WM_MOUSEWHEEL, MAKEWPARAM(0, 30), MAKELPARAM(8, 9));
    Post(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 120), MAKELPARAM(10, 11));
    Post(WM_MOUSEMOVE, 0, MAKELPARAM(12, 13));
    m_onInput = [&](MInputEven*) {
        MApp& a = *m_app;
        char buf[160];
        char ch = 'x';
        POINT click{-1, -1}, shiftClick{-1, -1}, move{-1, -1}, wheelAt{-1, -1};
        int delta = 99;
        const int anyPress = a.InputGetVKey(0, 0, 0, 0), anyRelease = a.InputGetVKey(0, 0, 1, 0);
        const int zWithShift = a.InputGetVKey('Z', 1, 0, 0), zWithCtrl = a.InputGetVKey('Z', 2, 0, 0);
        const int c = a.InputGetChar(&ch);
        const int l = a.InputCheckMouseClick(WM_LBUTTONDOWN, 0, &click);
        const int ls = a.InputCheckMouseClick(WM_LBUTTONDOWN, MK_SHIFT, &shiftClick);
        const int r = a.InputCheckMouseClick(WM_RBUTTONDOWN, 0, &click);
        const int mv = a.InputCheckMouseMove(&move);
        const int w = a.InputCheckMouseWheel(0, wheelAt, delta);
        const int ws = a.InputCheckMouseWheel(MK_SHIFT, wheelAt, delta);
        snprintf(buf, sizeof buf, "q press%d release%d zs%d zc%d char%d/%c l%d ls%d(%ld,%ld) r%d mv%d wheel%d/%d ws%d at%ld,%ld",
                 anyPress, anyRelease, zWithShift, zWithCtrl, c, ch, l, ls, long(shiftClick.x), long(shiftClick.y), r,
                 mv, w, delta, ws, long(wheelAt.x), long(wheelAt.y));
        m_log.push_back(buf);
    };
    m_onUpdate = [&](int update) {
        if (update == 12) m_app->ExitApp();
    };
    RunGame();
    Log answers;
    for (const std::string& line : m_log)
        if (line.rfind("q ", 0) == 0) answers.push_back(line);
    const char* const none = "zs0 zc0 char0/x l0 ls0(-1,-1) r0 mv0 wheel0/0 ws0 at-1,-1";
    ASSERT_EQ(answers.size(), 10u);
    EXPECT_EQ(answers[0], std::string("q press1 release0 ") + none);
    EXPECT_EQ(answers[1], "q press1 release0 zs1 zc0 char0/x l0 ls0(-1,-1) r0 mv0 wheel0/0 ws0 at-1,-1");
    EXPECT_EQ(answers[2], std::string("q press0 release1 ") + none);
    EXPECT_EQ(answers[3], std::string("q press0 release1 ") + none);
    EXPECT_EQ(answers[4], "q press0 release0 zs0 zc0 char0/x l1 ls0(-1,-1) r0 mv0 wheel0/0 ws0 at-1,-1");
    EXPECT_EQ(answers[5], "q press0 release0 zs0 zc0 char0/x l1 ls1(5,6) r0 mv0 wheel0/0 ws0 at-1,-1");
    // Less than a notch: no notches, although the position was written.
    EXPECT_EQ(answers[6], "q press0 release0 zs0 zc0 char0/x l0 ls0(-1,-1) r0 mv0 wheel0/0 ws0 at8,9");
    EXPECT_EQ(answers[7], "q press0 release0 zs0 zc0 char0/x l0 ls0(-1,-1) r0 mv0 wheel1/1 ws1 at10,11");
    EXPECT_EQ(answers[8], "q press0 release0 zs0 zc0 char0/x l0 ls0(-1,-1) r0 mv1 wheel0/0 ws0 at-1,-1");
    // 'Z' with Shift typed 'Z', queued behind what was posted before it.
    EXPECT_EQ(answers[9], "q press0 release0 zs0 zc0 char1/Z l0 ls0(-1,-1) r0 mv0 wheel0/0 ws0 at-1,-1");
    // Outside the callback the record was delivered and cleared.
    EXPECT_EQ(m_app->m_input.m_type, 0);
    POINT pt;
    EXPECT_EQ(m_app->InputCheckMouseMove(&pt), 0);
}

} // namespace
} // namespace kes::test
