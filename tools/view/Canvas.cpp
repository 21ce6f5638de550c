#include "Canvas.h"

#include "Pixels.h"

#include <FrameExport.h>
#include <KesApp.h>

#include <algorithm>

namespace kes::view {

Canvas::Canvas(int width, int height, uint32_t fill)
    : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height), fill)
{
}

void Canvas::Fill(int x, int y, int w, int h, uint32_t colour)
{
    for (int j = std::max(y, 0); j < std::min(y + h, m_height); ++j)
        for (int i = std::max(x, 0); i < std::min(x + w, m_width); ++i) m_pixels[size_t(j) * size_t(m_width) + size_t(i)] = colour;
}

void Canvas::Place(const std::vector<uint32_t>& argb, int w, int h, int x, int y)
{
    for (int sy = 0, ty = y; sy < h; ++sy, ++ty) {
        if (ty < 0 || ty >= m_height) continue;
        for (int sx = 0, tx = x; sx < w; ++sx, ++tx) {
            if (tx < 0 || tx >= m_width) continue;
            uint32_t& d = m_pixels[size_t(ty) * size_t(m_width) + size_t(tx)];
            d = Over(argb[size_t(sy) * size_t(w) + size_t(sx)], d);
        }
    }
}

void Canvas::Label(MApp& app, void* font, const std::string& text, int x, int y, int maxWidth)
{
    if (!font || text.empty()) return;
    MImage* image = app.LoadText(font, text.c_str(), 0, 0, 0);
    if (!image) return;
    std::vector<uint32_t> coverage;
    if (ReadPixels(image, &coverage)) {
        const int w = std::min(image->m_width, maxWidth);
        for (int j = 0; j < image->m_height; ++j)
            for (int i = 0; i < w; ++i) {
                const int tx = x + i, ty = y + j;
                if (tx < 0 || ty < 0 || tx >= m_width || ty >= m_height) continue;
                uint32_t& d = m_pixels[size_t(ty) * size_t(m_width) + size_t(tx)];
                d = Over(coverage[size_t(j) * size_t(image->m_width) + size_t(i)], d);
            }
    }
    app.CloseImage(image);
}

bool Canvas::WritePng(const std::string& path, std::string* error) const
{
    kes::was::tool::PngPicture picture;
    picture.width = m_width;
    picture.height = m_height;
    picture.argb = m_pixels;
    return kes::was::tool::WriteFramePng(path, picture, true, error);
}

} // namespace kes::view
