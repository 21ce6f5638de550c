// A picture (JPEG, BMP, TGA, PNG): zoomed by the wheel about the cursor,
// panned by dragging, shown at its own size by the 1 key; its size and the
// texture format the engine made of it shown.
#ifndef KESTO_TOOLS_VIEW_PICTUREVIEW_H
#define KESTO_TOOLS_VIEW_PICTUREVIEW_H

#include "Loader.h"
#include "View.h"

namespace kes::view {

class PictureView : public View {
public:
    PictureView(Loader& loader, size_t entry);
    ~PictureView() override;

    void Stage(Ui& ui, const Rect& stage, double seconds) override;
    void Controls(Ui& ui, const Rect& controls) override;
    bool Key(Ui& ui, const InputEvent& e) override;
    void State(std::ostream& out) const override;
    std::string Summary() const override;

private:
    void ZoomAbout(float factor, int x, int y);
    void OneToOne();

    Loader& m_loader;
    MImage* m_picture = nullptr;
    std::string m_label;
    std::string m_kind;
    Rect m_stage;
    bool m_placed = false;   // the first frame fits the picture in
    float m_zoom = 1;
    float m_x = 0, m_y = 0;  // the picture's top-left on the screen
    bool m_dragging = false;
    int m_dragX = 0, m_dragY = 0;
};

} // namespace kes::view

#endif
