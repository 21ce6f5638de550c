#include "PictureView.h"

#include <KesApp.h>

#include <algorithm>
#include <cmath>

namespace kes::view {
namespace {

const char* FormatName(int format)
{
    switch (format) {
    case KES_FMT_A8R8G8B8: return "A8R8G8B8";
    case KES_FMT_X8R8G8B8: return "X8R8G8B8";
    case KES_FMT_R5G6B5: return "R5G6B5";
    case KES_FMT_A8: return "A8";
    default: return "unknown format";
    }
}

constexpr float kMinZoom = 1.0f / 16, kMaxZoom = 32;

} // namespace

PictureView::PictureView(Loader& loader, size_t entry)
    : m_loader(loader), m_label(EntryLabel(loader.Data().Entries()[entry])),
      m_kind(KindName(loader.Data().Kind(entry)))
{
    m_picture = loader.Picture(entry, &m_problem);
}

PictureView::~PictureView()
{
    if (m_picture) m_loader.App().CloseImage(m_picture);
}

void PictureView::OneToOne()
{
    if (!m_picture) return;
    m_zoom = 1;
    m_x = float(m_stage.x + (m_stage.w - m_picture->m_width) / 2);
    m_y = float(m_stage.y + (m_stage.h - m_picture->m_height) / 2);
}

void PictureView::ZoomAbout(float factor, int x, int y)
{
    const float zoom = std::clamp(m_zoom * factor, kMinZoom, kMaxZoom);
    // The picture's point under the cursor stays under it.
    m_x = float(x) - (float(x) - m_x) * zoom / m_zoom;
    m_y = float(y) - (float(y) - m_y) * zoom / m_zoom;
    m_zoom = zoom;
}

void PictureView::Stage(Ui& ui, const Rect& stage, double)
{
    m_stage = stage;
    if (!m_picture) return;
    if (!m_placed) {
        m_placed = true;
        OneToOne();
        const float fit = std::min(float(stage.w) / float(m_picture->m_width), float(stage.h) / float(m_picture->m_height));
        if (fit < 1) ZoomAbout(fit, stage.x + stage.w / 2, stage.y + stage.h / 2);
    }
    const Input& in = ui.In();
    for (const InputEvent& e : in.Events()) {
        if (e.kind == InputEvent::Wheel && stage.Holds(e.x, e.y)) ZoomAbout(std::pow(1.25f, float(e.notches)), e.x, e.y);
        if (e.kind == InputEvent::Press && stage.Holds(e.x, e.y)) {
            m_dragging = true;
            m_dragX = e.x;
            m_dragY = e.y;
        }
    }
    if (m_dragging) {
        m_x += float(in.MouseX() - m_dragX);
        m_y += float(in.MouseY() - m_dragY);
        m_dragX = in.MouseX();
        m_dragY = in.MouseY();
        if (!in.ButtonDown()) m_dragging = false;
    }
    RECTF whole(0, 0, 1, 1);
    ui.App().DrawImage(m_picture, std::round(m_x + float(m_picture->m_keyX) * m_zoom),
                       std::round(m_y + float(m_picture->m_keyY) * m_zoom), whole, BLEND_NORMAL, 0, 1, m_zoom, m_zoom);

}

void PictureView::Controls(Ui& ui, const Rect& controls)
{
    if (!m_picture) return;
    const Rect& stage = m_stage;
    if (ui.Button(Rect{controls.x + 8, controls.y + 8, 50, 22}, "1:1")) OneToOne();
    if (ui.Button(Rect{controls.x + 64, controls.y + 8, 30, 22}, "+"))
        ZoomAbout(1.25f, stage.x + stage.w / 2, stage.y + stage.h / 2);
    if (ui.Button(Rect{controls.x + 100, controls.y + 8, 30, 22}, "-"))
        ZoomAbout(0.8f, stage.x + stage.w / 2, stage.y + stage.h / 2);
    char zoom[32];
    std::snprintf(zoom, sizeof zoom, "%.0f%%", double(m_zoom) * 100);
    ui.Text(zoom, controls.x + 140, controls.y + 11);
    ui.Text("wheel: zoom at the cursor   drag: move   1: its own size", controls.x + 8, controls.y + 40, kDimText);
}

bool PictureView::Key(Ui&, const InputEvent& e)
{
    if (e.kind != InputEvent::Char) return false;
    const int cx = m_stage.x + m_stage.w / 2, cy = m_stage.y + m_stage.h / 2;
    switch (e.ch) {
    case '1': OneToOne(); return true;
    case '+':
    case '=': ZoomAbout(1.25f, cx, cy); return true;
    case '-': ZoomAbout(0.8f, cx, cy); return true;
    default: return false;
    }
}

void PictureView::State(std::ostream& out) const
{
    out << "view picture\n";
    if (!m_picture) return;
    out << "size " << m_picture->m_width << ' ' << m_picture->m_height << "\nformat " << FormatName(m_picture->m_format)
        << "\nzoom " << m_zoom << "\nat " << std::lround(m_x) << ' ' << std::lround(m_y) << "\n";
}

std::string PictureView::Summary() const
{
    if (!m_picture) return m_label;
    return m_label + ": " + m_kind + " picture, " + std::to_string(m_picture->m_width) + " x " +
           std::to_string(m_picture->m_height) + ", " + FormatName(m_picture->m_format);
}

} // namespace kes::view
