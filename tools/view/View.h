// What the right-hand side of the window shows for the entry chosen: a
// sprite, a picture, a sound, text, or what is wrong with the entry.
#ifndef KESTO_TOOLS_VIEW_VIEW_H
#define KESTO_TOOLS_VIEW_VIEW_H

#include "Ui.h"

#include <ostream>
#include <string>

namespace kes::view {

class View {
public:
    virtual ~View() = default;
    // Draws into `stage` (what spills over it is covered afterwards) and
    // takes the input over it; `seconds` since the last frame.
    virtual void Stage(Ui& ui, const Rect& stage, double seconds) = 0;
    // Draws the view's controls into `controls`, over the frame.
    virtual void Controls(Ui& ui, const Rect& controls) = 0;
    // A key or character while the view has the keyboard. True when used.
    virtual bool Key(Ui& ui, const InputEvent& e) = 0;
    // "key value" lines of what it shows, for --state.
    virtual void State(std::ostream& out) const = 0;
    // One line about the entry for the status line (its size, its frames).
    virtual std::string Summary() const = 0;
    // Why the entry shows nothing or only in part; empty when all is well.
    const std::string& Problem() const { return m_problem; }

protected:
    std::string m_problem;
};

} // namespace kes::view

#endif
