// The viewer's own widgets, drawn with the engine's drawing and text in the
// look of the demo game: dark translucent panels with gold edges, light
// text. Immediate: each frame draws every widget and asks it what the
// frame's input did to it.
#ifndef KESTO_TOOLS_VIEW_UI_H
#define KESTO_TOOLS_VIEW_UI_H

#include "Input.h"

#include <cstdint>
#include <string>
#include <unordered_map>

class MApp;
class MImage;

namespace kes::view {

constexpr uint32_t kPanelFill = 0xE0101020;
constexpr uint32_t kPanelEdge = 0xFFE8C060;
constexpr uint32_t kTextColour = 0xFFF0E8D0;
constexpr uint32_t kDimText = 0xFFA09880;
constexpr uint32_t kHighlight = 0xFF5A4A20;
constexpr uint32_t kWindowFill = 0xFF181820;
constexpr uint32_t kFailText = 0xFFFF7060;

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool Holds(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
};

class Ui {
public:
    Ui(MApp& app, void* font) : m_app(app), m_font(font) {}
    ~Ui();
    Ui(const Ui&) = delete;
    Ui& operator=(const Ui&) = delete;

    // Starts a frame over this input.
    void Begin(const Input& input);
    // Text images not drawn for a while are given back.
    void End();

    MApp& App() { return m_app; }
    const Input& In() const { return *m_input; }

    void Panel(const Rect& r);
    void Fill(const Rect& r, uint32_t colour);
    // One line of code page 936 text with its top at y; its width.
    int Text(const std::string& text, int x, int y, uint32_t colour = kTextColour);
    int TextWidth(const std::string& text);
    // A press inside `r` this frame.
    bool Clicked(const Rect& r) const;
    bool Button(const Rect& r, const std::string& label, bool lit = false);
    // A labelled track: pressing or dragging on it sets *value (lo..hi,
    // whole steps of `step`). True when the value changed.
    bool Slider(const Rect& r, const std::string& label, float* value, float lo, float hi, float step);

    // Where each slider's track was drawn last, and its range, by label:
    // for scripted input and for the state the viewer reports.
    struct Track {
        Rect rect;
        float lo, hi;
    };
    const std::unordered_map<std::string, Track>& Tracks() const { return m_tracks; }
    // Where each button was drawn last, by label.
    const std::unordered_map<std::string, Rect>& Buttons() const { return m_buttons; }

private:
    struct Cached {
        MImage* image;
        unsigned lastUsed;
    };
    MImage* TextImage(const std::string& text);

    MApp& m_app;
    void* m_font;
    const Input* m_input = nullptr;
    unsigned m_frame = 0;
    std::unordered_map<std::string, Cached> m_texts;
    std::string m_dragging; // the slider being dragged, by label
    std::unordered_map<std::string, Track> m_tracks;
    std::unordered_map<std::string, Rect> m_buttons;
};

} // namespace kes::view

#endif
