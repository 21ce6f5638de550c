#include "TextView.h"

#include <KesApp.h>

#include <iconv.h>

#include <cerrno>
#include <filesystem>
#include <cmath>

namespace kes::view {
namespace {

// The engine hands typed text on in code page 936; the UTF-8 loader is
// given the same text in UTF-8 (a byte that is no GBK is dropped).
std::string GbkToUtf8(const std::string& gbk)
{
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == iconv_t(-1)) return gbk;
    std::string out(gbk.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(gbk.data());
    size_t inLeft = gbk.size();
    char* to = out.data();
    size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &to, &outLeft) != size_t(-1)) break;
        if (errno != EILSEQ && errno != EINVAL) break;
        ++in, --inLeft; // skip what is no GBK
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// Removes the last character of GBK text: a double-byte character goes
// whole, the last character starting where a walk from the front says (lead
// bytes are 0x81..0xFE).
void EraseLastCharacter(std::string* text)
{
    size_t cut = 0;
    for (size_t at = 0; at < text->size();) {
        cut = at;
        at += static_cast<unsigned char>((*text)[at]) >= 0x81 && at + 1 < text->size() ? 2 : 1;
    }
    text->erase(cut);
}

} // namespace

TextView::TextView(Loader& loader, std::vector<FontChoice> fonts, size_t first, std::string startFolder)
    : m_loader(loader), m_app(loader.App()), m_data(loader.Data()), m_startFolder(std::move(startFolder)),
      m_fonts(std::move(fonts)), m_font(first)
{
}

TextView::~TextView()
{
    if (m_image) m_app.CloseImage(m_image);
}

void TextView::Remake()
{
    m_dirty = false;
    if (m_image) m_app.CloseImage(m_image);
    m_image = nullptr;
    m_problem.clear();
    if (m_font >= m_fonts.size()) {
        m_problem = "no font file to write with (give one with --font)";
        return;
    }
    FontChoice& choice = m_fonts[m_font];
    if (choice.path.empty() && choice.entry >= 0) choice.path = m_data.EngineName(size_t(choice.entry), &m_problem, true);
    m_fontPath = choice.path;
    m_label = choice.label;
    if (m_fontPath.empty()) return;
    const int size = int(std::lround(m_size));
    // The engine keeps a font under its name for good: every style asked
    // for is a font of its own.
    const std::string key = m_fontPath + "|" + std::to_string(size) + "|" + std::to_string(m_bold) + "|" +
                            std::to_string(m_italic);
    void* font = m_loader.Font(key, m_fontPath, size, m_bold, m_italic, m_label, &m_problem);
    if (!font) return;
    if (m_text.empty()) return;
    const int width = int(std::lround(m_width));
    if (m_utf8) {
        const std::string utf8 = GbkToUtf8(m_text);
        m_image = m_app.LoadTextUtf8(font, utf8.c_str(), m_underline, m_emboss, width);
    } else {
        m_image = m_app.LoadText(font, m_text.c_str(), m_underline, m_emboss, width);
    }
    if (!m_image) m_problem = m_label + ": the engine made no text image of it";
}

void TextView::Stage(Ui& ui, const Rect& stage, double)
{
    if (m_dirty) Remake();
    if (m_image) {
        RECTF whole(0, 0, 1, 1);
        ui.App().DrawTextImage(m_image, float(stage.x + 16 + m_image->m_keyX), float(stage.y + 40 + m_image->m_keyY),
                               whole, 0xFFFFFFFF, 0, 1, 1);
    }
    ui.Text("font " + m_label + (m_utf8 ? "   text as UTF-8" : "   text as GBK"), stage.x + 16, stage.y + 12, kDimText);
    if (m_width > 0)
        ui.App().DrawLine(float(stage.x + 16 + int(m_width)), float(stage.y + 36), float(stage.x + 16 + int(m_width)),
                          float(stage.y + stage.h - 8), 0x80E8C060, 1);

    m_stageWidth = stage.w;
}

void TextView::Controls(Ui& ui, const Rect& controls)
{
    int x = controls.x + 8;
    auto toggle = [&](const char* label, bool* on) {
        if (ui.Button(Rect{x, controls.y + 8, 72, 22}, label, *on)) {
            *on = !*on;
            m_dirty = true;
        }
        x += 78;
    };
    toggle("Bold", &m_bold);
    toggle("Italic", &m_italic);
    toggle("Underline", &m_underline);
    toggle("Emboss", &m_emboss);
    toggle("UTF-8", &m_utf8);
    if (m_fonts.size() > 1 && ui.Button(Rect{x, controls.y + 8, 72, 22}, "Font")) {
        m_font = (m_font + 1) % m_fonts.size();
        m_dirty = true;
    }
    x += 78;
    if (ui.Button(Rect{x, controls.y + 8, 88, 22}, "Font file", m_typingPath)) m_typingPath = !m_typingPath;
    const int colW = (controls.w - 24) / 2;
    if (ui.Slider(Rect{controls.x + 8, controls.y + 40, colW, 20}, "Size", &m_size, 8, 64, 1)) m_dirty = true;
    if (ui.Slider(Rect{controls.x + 16 + colW, controls.y + 40, colW, 20}, "Wrap", &m_width, 0, float(m_stageWidth - 32), 8))
        m_dirty = true;
    if (m_typingPath)
        ui.Text("font file: " + m_pathField + "_   (Enter uses it)", controls.x + 8, controls.y + 66, kTextColour);
    else
        ui.Text("type to change the text; Backspace removes; Escape goes back to the list", controls.x + 8,
                controls.y + 66, kDimText);
}

bool TextView::Key(Ui&, const InputEvent& e)
{
    std::string& field = m_typingPath ? m_pathField : m_text;
    if (e.kind == InputEvent::Char && static_cast<unsigned char>(e.ch) >= 0x20) {
        field += e.ch;
        m_dirty = m_dirty || !m_typingPath;
        return true;
    }
    if (e.kind != InputEvent::Key) return false;
    if (e.vkey == VK_BACK && !field.empty()) {
        EraseLastCharacter(&field);
        m_dirty = m_dirty || !m_typingPath;
        return true;
    }
    if (e.vkey == VK_RETURN && m_typingPath) {
        UseTypedPath();
        return true;
    }
    return false;
}

// The font file typed in joins the fonts the Font button goes through (once)
// and is written with; what the engine says of it, when it cannot, is the
// problem shown.
void TextView::UseTypedPath()
{
    if (m_pathField.empty()) return;
    const std::filesystem::path typed(m_pathField);
    const std::string path = typed.is_relative() ? (std::filesystem::path(m_startFolder) / typed).string() : m_pathField;
    size_t i = 0;
    while (i < m_fonts.size() && m_fonts[i].path != path) ++i;
    if (i == m_fonts.size()) m_fonts.push_back({m_pathField, path});
    m_font = i;
    m_typingPath = false;
    m_dirty = true;
}

void TextView::State(std::ostream& out) const
{
    out << "view text\nfont " << m_label << "\nfonts " << m_fonts.size() << "\nfontfile " << m_pathField
        << "\ntypingpath " << m_typingPath << "\ntext " << m_text << "\nutf8 " << m_utf8 << "\nsize " << m_size << "\nbold " << m_bold
        << "\nitalic " << m_italic << "\nunderline " << m_underline << "\nemboss " << m_emboss << "\nwrap " << m_width
        << "\n";
    if (m_image) out << "image " << m_image->m_width << ' ' << m_image->m_height << "\n";
}

std::string TextView::Summary() const
{
    std::string s = "text in " + m_label;
    if (m_image) s += ": " + std::to_string(m_image->m_width) + " x " + std::to_string(m_image->m_height) + " pixels";
    return s;
}

} // namespace kes::view
