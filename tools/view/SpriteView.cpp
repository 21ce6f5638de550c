#include "SpriteView.h"

#include "Pixels.h"

#include <FrameExport.h>
#include <KesApp.h>

#include <cmath>
#include <filesystem>

namespace fs = std::filesystem;

namespace kes::view {

SpriteView::SpriteView(Loader& loader, size_t entry, std::string exportFolder)
    : m_loader(loader), m_label(EntryLabel(loader.Data().Entries()[entry])), m_exportFolder(std::move(exportFolder))
{
    m_sprite = loader.Sprite(entry, &m_problem);
}

SpriteView::~SpriteView()
{
    if (m_sprite) m_loader.App().CloseImageVolume(m_sprite);
}

DWORD SpriteView::Colour() const
{
    auto byte = [](float v) { return DWORD(std::lround(v)) & 255; };
    return byte(m_hue) << 24 | byte(m_tintR) << 16 | byte(m_tintG) << 8 | byte(m_tintB);
}

void SpriteView::Step(int by)
{
    if (!m_sprite || m_sprite->m_frameCount <= 0) return;
    m_frame = ((m_frame + by) % m_sprite->m_frameCount + m_sprite->m_frameCount) % m_sprite->m_frameCount;
}

void SpriteView::Stage(Ui& ui, const Rect& stage, double seconds)
{
    MApp& app = ui.App();
    if (!m_sprite) return;
    if (m_playing) {
        m_clock += seconds;
        const double each = 1.0 / double(m_speed);
        while (m_clock >= each) {
            m_clock -= each;
            Step(1);
        }
    }
    m_keyX = stage.x + stage.w / 2;
    m_keyY = stage.y + stage.h * 2 / 3;
    if (MImage* image = m_sprite->GetImage(m_group, m_frame)) {
        RECTF whole(0, 0, 1, 1);
        app.DrawImage(image, float(m_keyX), float(m_keyY), whole, int(std::lround(m_blend)), Colour(), m_alpha,
                      m_scale, m_scale);
        if (m_overlay) {
            const float x0 = float(m_keyX) - float(image->m_keyX) * m_scale;
            const float y0 = float(m_keyY) - float(image->m_keyY) * m_scale;
            app.DrawRect(x0, y0, float(image->m_width) * m_scale, float(image->m_height) * m_scale, 0xFF40C0E0, 1);
            app.DrawLine(float(m_keyX - 6), float(m_keyY), float(m_keyX + 7), float(m_keyY), 0xFFFF4040, 1);
            app.DrawLine(float(m_keyX), float(m_keyY - 6), float(m_keyX), float(m_keyY + 7), 0xFFFF4040, 1);
        }
    }

}

void SpriteView::Controls(Ui& ui, const Rect& controls)
{
    if (!m_sprite) return;
    // A row of buttons, then two columns of sliders.
    int x = controls.x + 8;
    const int y = controls.y + 8;
    auto button = [&](const char* label, int w, bool lit = false) {
        const bool hit = ui.Button(Rect{x, y, w, 22}, label, lit);
        x += w + 6;
        return hit;
    };
    if (button(m_playing ? "Pause" : "Play", 60, m_playing)) m_playing = !m_playing;
    if (button("<", 26)) Step(-1), m_playing = false;
    if (button(">", 26)) Step(1), m_playing = false;
    if (button("Direction", 80)) m_group = (m_group + 1) % std::max(m_sprite->m_groupCount, 1);
    if (button("Key", 40, m_overlay)) m_overlay = !m_overlay;
    if (button("Reset", 54)) {
        m_blend = 14;
        m_tintR = m_tintG = m_tintB = m_hue = 128;
        m_alpha = m_scale = 1;
    }
    if (button("Export frame", 96)) ExportFrames(Export::Frame);
    if (button("Group", 54)) ExportFrames(Export::Group);
    if (button("All", 40)) ExportFrames(Export::Sprite);

    const int colW = (controls.w - 24) / 2, rowH = 22;
    int row = 0;
    auto slider = [&](const char* label, float* v, float lo, float hi, float step) {
        const Rect r{controls.x + 8 + (row % 2) * (colW + 8), controls.y + 40 + (row / 2) * rowH, colW, rowH - 2};
        ++row;
        ui.Slider(r, label, v, lo, hi, step);
    };
    slider("Speed", &m_speed, 1, 30, 1);
    slider("Blend", &m_blend, 0, 21, 1);
    slider("Red", &m_tintR, 0, 255, 1);
    slider("Hue", &m_hue, 0, 255, 1);
    slider("Green", &m_tintG, 0, 255, 1);
    slider("Alpha", &m_alpha, 0, 1, 0.05f);
    slider("Blue", &m_tintB, 0, 255, 1);
    slider("Scale", &m_scale, 0.25f, 4, 0.25f);
    if (!m_exported.empty()) ui.Text(m_exported, controls.x + 8, controls.y + 40 + 4 * rowH + 4, kDimText);
}

bool SpriteView::Key(Ui&, const InputEvent& e)
{
    if (!m_sprite) return false;
    if (e.kind == InputEvent::Char && e.ch == ' ') {
        m_playing = !m_playing;
        return true;
    }
    if (e.kind != InputEvent::Key) return false;
    switch (e.vkey) {
    case VK_LEFT: Step(-1), m_playing = false; return true;
    case VK_RIGHT: Step(1), m_playing = false; return true;
    case VK_TAB: m_group = (m_group + 1) % std::max(m_sprite->m_groupCount, 1); return true;
    case VK_F2:
        ExportFrames(e.modifiers == 2 ? Export::Sprite : e.modifiers == 1 ? Export::Group : Export::Frame);
        return true;
    default: return false;
    }
}

int SpriteView::ExportFrames(Export what)
{
    if (!m_sprite) return -1;
    std::string safe = m_label;
    for (char& c : safe)
        if (c == '/' || c == '\\' || c == ':') c = '_';
    const fs::path folder = fs::path(m_exportFolder) / safe;
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        m_problem = folder.string() + ": " + ec.message();
        return -1;
    }
    int written = 0;
    for (int g = 0; g < m_sprite->m_groupCount; ++g) {
        if (what != Export::Sprite && g != m_group) continue;
        for (int f = 0; f < m_sprite->m_frameCount; ++f) {
            if (what == Export::Frame && f != m_frame) continue;
            MImage* image = m_sprite->GetImage(g, f);
            if (!image) continue;
            kes::was::tool::PngPicture picture;
            if (!ReadPixels(image, &picture.argb)) continue;
            picture.width = image->m_width;
            picture.height = image->m_height;
            picture.hasKey = true;
            picture.keyX = image->m_keyX;
            picture.keyY = image->m_keyY;
            picture.hasSprite = true;
            picture.spriteKeyX = m_sprite->m_keyX;
            picture.spriteKeyY = m_sprite->m_keyY;
            picture.spriteWidth = m_sprite->m_width;
            picture.spriteHeight = m_sprite->m_height;
            std::string error;
            const fs::path file = folder / (kes::was::tool::FrameFileName(g, f) + ".png");
            if (!kes::was::tool::WriteFramePng(file.string(), picture, true, &error)) {
                m_problem = error;
                return -1;
            }
            ++written;
        }
    }
    m_exported = "exported " + std::to_string(written) + (written == 1 ? " frame to " : " frames to ") + folder.string();
    return written;
}

void SpriteView::State(std::ostream& out) const
{
    out << "view sprite\n";
    if (!m_sprite) return;
    out << "groups " << m_sprite->m_groupCount << "\nframes " << m_sprite->m_frameCount << "\ngroup " << m_group
        << "\nframe " << m_frame << "\nplaying " << m_playing << "\nspeed " << m_speed << "\nblend " << m_blend
        << "\ncolour " << std::hex << Colour() << std::dec << "\nalpha " << m_alpha << "\nscale " << m_scale
        << "\nkey " << m_keyX << ' ' << m_keyY << "\noverlay " << m_overlay << "\n";
    if (!m_exported.empty()) out << "exported " << m_exported << "\n";
}

std::string SpriteView::Summary() const
{
    if (!m_sprite) return m_label;
    return m_label + ": sprite, " + std::to_string(m_sprite->m_groupCount) + " x " +
           std::to_string(m_sprite->m_frameCount) + " frames, box " + std::to_string(m_sprite->m_width) + " x " +
           std::to_string(m_sprite->m_height) + ", group " + std::to_string(m_group) + " frame " +
           std::to_string(m_frame);
}

} // namespace kes::view
