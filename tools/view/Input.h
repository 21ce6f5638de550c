// The window's input of one frame, as the engine delivered it: the events in
// order, and the keyboard and mouse state they leave.
#ifndef KESTO_TOOLS_VIEW_INPUT_H
#define KESTO_TOOLS_VIEW_INPUT_H

#include <string>
#include <vector>

struct MInputEven;

namespace kes::view {

struct InputEvent {
    enum Kind { Key, Char, Press, Release, Move, Wheel } kind;
    int vkey = 0;     // Key: the virtual-key code
    int modifiers = 0; // Key: 1 Shift, 2 Ctrl, 4 Alt (the engine's codes)
    char ch = 0;      // Char: one byte of code page 936 text
    int x = 0, y = 0; // the cursor (client coordinates)
    int notches = 0;  // Wheel: +1 away from the user
};

class Input {
public:
    // Records the engine's event (called from its input callback).
    void Take(const MInputEven& e);
    // The events since the last Clear.
    const std::vector<InputEvent>& Events() const { return m_events; }
    void Clear() { m_events.clear(); }

    int MouseX() const { return m_x; }
    int MouseY() const { return m_y; }
    bool ButtonDown() const { return m_down; }

private:
    std::vector<InputEvent> m_events;
    int m_x = -1, m_y = -1;
    bool m_down = false;
};

} // namespace kes::view

#endif
