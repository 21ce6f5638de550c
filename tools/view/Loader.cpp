#include "Loader.h"

#include <KesApp.h>

namespace kes::view {

std::string Loader::Name(size_t i, std::string* reason)
{
    const Entry& e = m_data.Entries()[i];
    if (const char* damage = m_data.Damage(e)) {
        *reason = EntryLabel(e) + ": " + damage;
        return std::string();
    }
    std::string error;
    std::string name = m_data.EngineName(i, &error);
    if (name.empty()) *reason = error;
    return name;
}

std::string Loader::Why(size_t i, const char* what)
{
    const std::string said = m_log.FirstSinceMark();
    const std::string label = EntryLabel(m_data.Entries()[i]);
    return said.empty() ? label + ": the engine cannot read it as " + what : label + ": " + said;
}

void* Loader::Font(const std::string& key, const std::string& path, int size, bool bold, bool italic,
                   const std::string& label, std::string* reason)
{
    m_log.Mark();
    void* font = m_app.GetFont(key.c_str(), path.c_str(), size, bold ? 2 : 0, italic);
    if (!font) {
        const std::string said = m_log.FirstSinceMark();
        *reason = label + ": " + (said.empty() ? "the engine cannot use it as a font" : said);
    }
    return font;
}

MImageVolume* Loader::Sprite(size_t i, std::string* reason)
{
    const std::string name = Name(i, reason);
    if (name.empty()) return nullptr;
    m_log.Mark();
    MImageVolume* volume = m_app.LoadWas(name.c_str());
    // A sprite whose damaged frames were left out still comes back: what
    // the engine said about them is the reason all the same.
    if (!volume || !m_log.FirstSinceMark().empty()) *reason = Why(i, "a sprite");
    return volume;
}

MImage* Loader::Picture(size_t i, std::string* reason)
{
    const std::string name = Name(i, reason);
    if (name.empty()) return nullptr;
    m_log.Mark();
    MImage* image = nullptr;
    switch (m_data.Kind(i)) {
    case EntryKind::Jpeg: image = m_app.LoadJPEG(name.c_str()); break;
    case EntryKind::Bmp: image = m_app.LoadBMP(name.c_str()); break;
    case EntryKind::Tga: image = m_app.LoadTGA(name.c_str()); break;
    case EntryKind::Png: image = m_app.LoadPNG(name.c_str()); break;
    default:
        *reason = EntryLabel(m_data.Entries()[i]) + ": not a picture (" + KindName(m_data.Kind(i)) + ")";
        return nullptr;
    }
    if (!image) *reason = Why(i, KindName(m_data.Kind(i)));
    return image;
}

} // namespace kes::view
