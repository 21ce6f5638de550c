#include "Thumbs.h"

#include "Pixels.h"

#include <KesApp.h>

#include <algorithm>
#include <cstring>

namespace kes::view {
namespace {

constexpr size_t kThumbsKept = 512;  // beyond these, the ones not shown lately go
constexpr unsigned kShownLately = 60; // frames

} // namespace

Thumbs::~Thumbs()
{
    for (auto& [i, t] : m_thumbs)
        if (t.image) m_loader.App().CloseImage(t.image);
}

MImage* Thumbs::Get(size_t i)
{
    const auto it = m_thumbs.find(i);
    if (it == m_thumbs.end()) {
        m_asked.push_back(i);
        return nullptr;
    }
    it->second.lastShown = m_frame;
    return it->second.image;
}

MImage* Thumbs::Make(size_t i)
{
    MApp& app = m_loader.App();
    const EntryKind kind = m_loader.Data().Kind(i);
    std::string reason;
    MImageVolume* sprite = nullptr;
    MImage* source = nullptr;
    if (kind == EntryKind::Was) {
        sprite = m_loader.Sprite(i, &reason);
        for (int n = 0; sprite && !source && n < sprite->m_total; ++n)
            source = sprite->GetImage(n / sprite->m_frameCount, n % sprite->m_frameCount);
    } else if (IsPicture(kind)) {
        source = m_loader.Picture(i, &reason);
    }
    MImage* thumb = nullptr;
    std::vector<uint32_t> argb;
    if (source && ReadPixels(source, &argb)) {
        const int w = source->m_width, h = source->m_height;
        const int step = std::max(1, (std::max(w, h) + kThumbSide - 1) / kThumbSide);
        const int tw = (w + step - 1) / step, th = (h + step - 1) / step;
        thumb = app.CreateImage(DWORD(tw), DWORD(th));
        unsigned char* bits = nullptr;
        int pitch = 0;
        if (thumb && thumb->Lock(&bits, &pitch)) {
            for (int y = 0; y < th; ++y)
                for (int x = 0; x < tw; ++x)
                    std::memcpy(bits + ptrdiff_t(y) * pitch + 4 * x, &argb[size_t(y * step) * size_t(w) + size_t(x * step)], 4);
            thumb->Unlock();
        } else if (thumb) {
            app.CloseImage(thumb);
            thumb = nullptr;
        }
    }
    if (sprite) app.CloseImageVolume(sprite);
    else if (source) app.CloseImage(source);
    return thumb;
}

void Thumbs::Frame()
{
    ++m_frame;
    unsigned made = 0;
    for (size_t i : m_asked) {
        if (m_thumbs.count(i)) continue;
        m_thumbs[i] = Thumb{Make(i), m_frame};
        ++made;
        ++m_made;
        break; // one a frame
    }
    m_mostInOneFrame = std::max(m_mostInOneFrame, made);
    m_asked.clear();
    if (m_thumbs.size() <= kThumbsKept) return;
    for (auto it = m_thumbs.begin(); it != m_thumbs.end();) {
        if (m_frame - it->second.lastShown > kShownLately) {
            if (it->second.image) m_loader.App().CloseImage(it->second.image);
            it = m_thumbs.erase(it);
        } else {
            ++it;
        }
    }
}

void Thumbs::State(std::ostream& out) const
{
    out << "thumbs " << m_made << "\nthumbs-most-in-a-frame " << m_mostInOneFrame << "\nthumbs-kept " << m_thumbs.size()
        << "\n";
}

} // namespace kes::view
