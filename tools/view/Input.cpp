#include "Input.h"

#include <KesApp.h>

namespace kes::view {

void Input::Take(const MInputEven& e)
{
    InputEvent ev{InputEvent::Move};
    switch (e.m_type) {
    case MInputEven::KEY:
        if (e.m_keyUp) return;
        ev.kind = InputEvent::Key;
        ev.vkey = int(e.m_vkey);
        ev.modifiers = e.m_state;
        break;
    case MInputEven::CHARACTER:
        ev.kind = InputEvent::Char;
        ev.ch = e.m_char;
        break;
    case MInputEven::MOUSE_BUTTON:
        if (e.m_button == WM_LBUTTONDOWN || e.m_button == WM_LBUTTONDBLCLK) ev.kind = InputEvent::Press;
        else if (e.m_button == WM_LBUTTONUP) ev.kind = InputEvent::Release;
        else return;
        m_x = e.m_x;
        m_y = e.m_y;
        m_down = ev.kind == InputEvent::Press;
        break;
    case MInputEven::MOUSE_MOVE:
        m_x = e.m_x;
        m_y = e.m_y;
        break;
    case MInputEven::MOUSE_WHEEL:
        // The wheel's message carries screen coordinates: the cursor's last
        // place in the window is where it turned.
        ev.kind = InputEvent::Wheel;
        ev.notches = e.m_wheel;
        break;
    default: return;
    }
    ev.x = m_x;
    ev.y = m_y;
    m_events.push_back(ev);
}

} // namespace kes::view
