// A sound: played as the music (looping, and it goes on while the list is
// browsed) or once as an effect, stopped, its volume set. The sound system
// reads it through the engine's files like any game's sound.
#ifndef KESTO_TOOLS_VIEW_SOUNDVIEW_H
#define KESTO_TOOLS_VIEW_SOUNDVIEW_H

#include "Loader.h"
#include "View.h"

namespace kes::view {

// What outlives one sound's view: the music playing and the volume.
struct SoundState {
    std::string music; // the entry playing as music, empty when none
    float volume = 1;
    bool loop = true;
};

class SoundView : public View {
public:
    SoundView(Loader& loader, size_t entry, SoundState& shared);

    void Stage(Ui& ui, const Rect& stage, double seconds) override;
    void Controls(Ui& ui, const Rect& controls) override;
    bool Key(Ui& ui, const InputEvent& e) override;
    void State(std::ostream& out) const override;
    std::string Summary() const override;

    void Play();
    void Stop();

private:
    Loader& m_loader;
    SoundState& m_shared;
    std::string m_label, m_kind, m_name;
    uint64_t m_size = 0;
    int m_plays = 0; // effects started
};

} // namespace kes::view

#endif
