#include "Ui.h"

#include <KesApp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kes::view {
namespace {

constexpr size_t kTextsKept = 600;   // text images kept beyond the ones in use
constexpr unsigned kTextFrames = 90; // frames a text image stays unused before it goes

} // namespace

Ui::~Ui()
{
    for (auto& [text, cached] : m_texts) m_app.CloseImage(cached.image);
}

void Ui::Begin(const Input& input)
{
    m_input = &input;
    ++m_frame;
    if (!input.ButtonDown()) m_dragging.clear();
}

void Ui::End()
{
    if (m_texts.size() <= kTextsKept) return;
    for (auto it = m_texts.begin(); it != m_texts.end();) {
        if (m_frame - it->second.lastUsed > kTextFrames) {
            m_app.CloseImage(it->second.image);
            it = m_texts.erase(it);
        } else {
            ++it;
        }
    }
}

MImage* Ui::TextImage(const std::string& text)
{
    if (!m_font || text.empty()) return nullptr;
    auto it = m_texts.find(text);
    if (it == m_texts.end()) {
        MImage* image = m_app.LoadText(m_font, text.c_str(), 0, 0, 0);
        if (!image) return nullptr;
        it = m_texts.emplace(text, Cached{image, m_frame}).first;
    }
    it->second.lastUsed = m_frame;
    return it->second.image;
}

void Ui::Panel(const Rect& r)
{
    m_app.DrawRect(float(r.x), float(r.y), float(r.w), float(r.h), kPanelFill, 0);
    m_app.DrawRect(float(r.x), float(r.y), float(r.w), float(r.h), kPanelEdge, 1);
}

void Ui::Fill(const Rect& r, uint32_t colour)
{
    m_app.DrawRect(float(r.x), float(r.y), float(r.w), float(r.h), colour, 0);
}

int Ui::Text(const std::string& text, int x, int y, uint32_t colour)
{
    MImage* image = TextImage(text);
    if (!image) return 0;
    RECTF whole(0, 0, 1, 1);
    m_app.DrawTextImage(image, float(x + image->m_keyX), float(y + image->m_keyY), whole, colour, 0, 1, 1);
    return image->m_width;
}

int Ui::TextWidth(const std::string& text)
{
    MImage* image = TextImage(text);
    return image ? image->m_width : 0;
}

bool Ui::Clicked(const Rect& r) const
{
    for (const InputEvent& e : m_input->Events())
        if (e.kind == InputEvent::Press && r.Holds(e.x, e.y)) return true;
    return false;
}

bool Ui::Button(const Rect& r, const std::string& label, bool lit)
{
    m_buttons[label] = r;
    const bool hover = r.Holds(m_input->MouseX(), m_input->MouseY());
    Fill(r, lit ? kHighlight : (hover ? 0xFF303040 : 0xFF202030));
    m_app.DrawRect(float(r.x), float(r.y), float(r.w), float(r.h), kPanelEdge, 1);
    Text(label, r.x + (r.w - TextWidth(label)) / 2, r.y + 3);
    return Clicked(r);
}

bool Ui::Slider(const Rect& r, const std::string& label, float* value, float lo, float hi, float step)
{
    const int labelW = 70, valueW = 48;
    const Rect track{r.x + labelW, r.y + r.h / 2 - 3, r.w - labelW - valueW, 6};
    const Rect hit{track.x - 4, r.y, track.w + 8, r.h};
    m_tracks[label] = Track{track, lo, hi};
    Text(label, r.x, r.y + 2, kDimText);
    Fill(track, 0xFF404050);
    const float before = *value;
    if (Clicked(hit)) m_dragging = label;
    if (m_dragging == label) {
        const float t = std::clamp(float(m_input->MouseX() - track.x) / float(std::max(track.w - 1, 1)), 0.0f, 1.0f);
        *value = std::clamp(lo + std::round(t * (hi - lo) / step) * step, lo, hi);
    }
    const float t = (*value - lo) / (hi - lo);
    Fill(Rect{track.x, track.y, int(std::lround(t * float(track.w))), track.h}, kPanelEdge);
    Fill(Rect{track.x + int(std::lround(t * float(track.w - 1))) - 2, r.y + 2, 5, r.h - 4}, kTextColour);
    char shown[32];
    if (step >= 1) std::snprintf(shown, sizeof shown, "%d", int(std::lround(*value)));
    else std::snprintf(shown, sizeof shown, "%.2f", double(*value));
    Text(shown, track.x + track.w + 8, r.y + 2);
    return *value != before;
}

} // namespace kes::view
