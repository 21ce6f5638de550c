#include "SoundView.h"

#include <KesApp.h>

namespace kes::view {

SoundView::SoundView(Loader& loader, size_t entry, SoundState& shared)
    : m_loader(loader), m_shared(shared), m_label(EntryLabel(loader.Data().Entries()[entry])),
      m_kind(KindName(loader.Data().Kind(entry))), m_size(loader.Data().Entries()[entry].size)
{
    m_name = loader.Name(entry, &m_problem);
}

void SoundView::Play()
{
    if (m_name.empty()) return;
    MApp& app = m_loader.App();
    if (m_shared.loop) {
        app.PlayMusic(m_name.c_str());
        m_shared.music = m_label;
    } else {
        app.PlaySoundA(m_name.c_str());
        ++m_plays;
    }
}

void SoundView::Stop()
{
    // The engine stops only its music; effects play to their end.
    m_loader.App().PlayMusic(nullptr);
    m_shared.music.clear();
}

void SoundView::Stage(Ui& ui, const Rect& stage, double)
{
    ui.Text(m_label, stage.x + 16, stage.y + 16);
    ui.Text(m_kind + " sound, " + std::to_string(m_size) + " bytes", stage.x + 16, stage.y + 40, kDimText);
    ui.Text(m_shared.music.empty() ? "no music playing" : "music: " + m_shared.music, stage.x + 16, stage.y + 64,
            kDimText);
}

void SoundView::Controls(Ui& ui, const Rect& controls)
{
    if (ui.Button(Rect{controls.x + 8, controls.y + 8, 60, 22}, "Play")) Play();
    if (ui.Button(Rect{controls.x + 74, controls.y + 8, 60, 22}, "Stop")) Stop();
    if (ui.Button(Rect{controls.x + 140, controls.y + 8, 60, 22}, "Loop", m_shared.loop)) m_shared.loop = !m_shared.loop;
    if (ui.Slider(Rect{controls.x + 8, controls.y + 40, (controls.w - 24) / 2, 20}, "Volume", &m_shared.volume, 0, 1, 0.05f)) {
        m_loader.App().SetMusicVolume(m_shared.volume);
        m_loader.App().SetSoundVolume(m_shared.volume);
    }
}

bool SoundView::Key(Ui&, const InputEvent& e)
{
    if (e.kind == InputEvent::Char && e.ch == ' ') {
        if (m_shared.music == m_label) Stop();
        else Play();
        return true;
    }
    return false;
}

void SoundView::State(std::ostream& out) const
{
    out << "view sound\nloop " << m_shared.loop << "\nvolume " << m_shared.volume << "\neffects " << m_plays << "\n";
}

std::string SoundView::Summary() const
{
    return m_label + ": " + m_kind + " sound, " + std::to_string(m_size) + " bytes";
}

} // namespace kes::view
