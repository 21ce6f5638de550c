// Text as the engine makes it: typed text, made into an image from its GBK
// form or from the same text in UTF-8, in a font file (the
// entry chosen, when it is a font, else the viewer's own, or one whose path
// is typed in), at a size, bold, italic, underlined, embossed, wrapped at a
// width.
#ifndef KESTO_TOOLS_VIEW_TEXTVIEW_H
#define KESTO_TOOLS_VIEW_TEXTVIEW_H

#include "Loader.h"
#include "View.h"

#include <vector>

namespace kes::view {

// A font file to choose: one on disk, or an entry of the data (copied to
// disk when first used: the engine reads fonts from disk only).
struct FontChoice {
    std::string label;
    std::string path;  // empty for an entry not copied yet
    int entry = -1;
};

class TextView : public View {
public:
    // `fonts`: those the Font button goes through, starting at `first`. A
    // font path typed in is taken from `startFolder` when relative.
    TextView(Loader& loader, std::vector<FontChoice> fonts, size_t first, std::string startFolder);
    ~TextView() override;

    void Stage(Ui& ui, const Rect& stage, double seconds) override;
    void Controls(Ui& ui, const Rect& controls) override;
    bool Key(Ui& ui, const InputEvent& e) override;
    void State(std::ostream& out) const override;
    std::string Summary() const override;

private:
    void Remake();
    void UseTypedPath();

    Loader& m_loader;
    MApp& m_app;
    DataSet& m_data;
    std::string m_startFolder;
    bool m_typingPath = false; // keys go to m_pathField, not to the text
    std::string m_pathField;
    std::vector<FontChoice> m_fonts;
    size_t m_font;
    std::string m_fontPath, m_label;
    std::string m_text = "Kesto \xce\xc4\xd7\xd6"; // "Kesto" and two GBK characters
    bool m_utf8 = false;
    float m_size = 24, m_width = 0;
    bool m_bold = false, m_italic = false, m_underline = false, m_emboss = false;
    MImage* m_image = nullptr;
    bool m_dirty = true;
    int m_stageWidth = 500;
};

} // namespace kes::view

#endif
