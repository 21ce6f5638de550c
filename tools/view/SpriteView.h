// A sprite: its groups x frames grid played, paused or stepped at a chosen
// speed, its key point and each frame's rectangle shown, and every effect
// the engine's sprite batcher offers applied live (blend level, tint, hue
// turn, alpha, scale). Frames, a group or the whole sprite export as PNG
// files through the sprite tool's writer.
#ifndef KESTO_TOOLS_VIEW_SPRITEVIEW_H
#define KESTO_TOOLS_VIEW_SPRITEVIEW_H

#include "Loader.h"
#include "View.h"

class MImageVolume;

namespace kes::view {

class SpriteView : public View {
public:
    // `exportFolder`: where exported frames go (a folder per sprite in it).
    SpriteView(Loader& loader, size_t entry, std::string exportFolder);
    ~SpriteView() override;

    void Stage(Ui& ui, const Rect& stage, double seconds) override;
    void Controls(Ui& ui, const Rect& controls) override;
    bool Key(Ui& ui, const InputEvent& e) override;
    void State(std::ostream& out) const override;
    std::string Summary() const override;

    // The colour argument of MApp::DrawImage: hue turn in the alpha byte,
    // tint in the others.
    DWORD Colour() const;
    enum class Export { Frame, Group, Sprite };
    // Writes the frames asked for; the files written, or -1 with a reason in Problem().
    int ExportFrames(Export what);

private:
    void Step(int by);

    Loader& m_loader;
    MImageVolume* m_sprite = nullptr;
    std::string m_label;
    std::string m_exportFolder;
    int m_group = 0, m_frame = 0;
    bool m_playing = true;
    bool m_overlay = true; // key point and frame rectangle
    double m_clock = 0;
    float m_speed = 10;    // frames a second
    float m_blend = 14;    // BLEND_NORMAL
    float m_tintR = 128, m_tintG = 128, m_tintB = 128, m_hue = 128; // neutral
    float m_alpha = 1, m_scale = 1;
    int m_keyX = 0, m_keyY = 0; // where the key point was drawn
    std::string m_exported;     // what the last export wrote
};

} // namespace kes::view

#endif
