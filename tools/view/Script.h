// Input played into the window at given frames, for headless runs,
// screenshots and tests: SDL events pushed into SDL's queue, so that they
// take the whole way a person's keyboard and mouse take (the engine's event
// pump, its window messages, the input callback). The engine takes one
// message a frame: give each action a few frames. One action a line:
// "<frame> <verb> ...".
//
//   key <name>            a key pressed and released: a letter or digit,
//                         up, down, left, right, pageup, pagedown, home,
//                         end, space, tab, enter, escape, backspace, f1..f12;
//                         shift+ or ctrl+ before it holds that key too
//   type <text>           the rest of the line as typed text (UTF-8, at
//                         most 31 bytes; the engine hands it on as GBK)
//   click <x> <y>         the left button pressed and released there
//   drag <x> <y> <x2> <y2> pressed at the first point, released at the second
//   wheel <x> <y> <n>     the wheel turned n notches with the cursor there
//   slide <label> <value> the slider of that label set to the value by a click
//   press <label>         a click on the button of that label (the rest of the line)
//   shot <png>            the frame last shown written as a PNG picture
//   quit                  the window closed
#ifndef KESTO_TOOLS_VIEW_SCRIPT_H
#define KESTO_TOOLS_VIEW_SCRIPT_H

#include "Ui.h"

#include <windows.h>

#include <string>
#include <vector>

namespace kes::view {

class Script {
public:
    // False with a message naming the line that is wrong.
    bool Load(const std::string& path, std::string* error);
    // Posts the actions of `frame` to the window. Screenshots that failed
    // and "quit" are told through the results.
    struct Result {
        HWND window = nullptr; // for screenshots
        int shotsFailed = 0;
        bool quit = false;
    };
    void Play(int frame, const Ui& ui, Result* result) const;

private:
    struct Action {
        int frame;
        std::string verb;
        std::vector<std::string> args;
        std::string rest; // "type": the text
    };
    std::vector<Action> m_actions;
};

} // namespace kes::view

#endif
