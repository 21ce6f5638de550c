// A picture being put together in memory for a sheet, 0xAARRGGBB.
#ifndef KESTO_TOOLS_VIEW_CANVAS_H
#define KESTO_TOOLS_VIEW_CANVAS_H

#include <cstdint>
#include <string>
#include <vector>

class MApp;
class MImage;

namespace kes::view {

class Canvas {
public:
    Canvas(int width, int height, uint32_t fill);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const std::vector<uint32_t>& Pixels() const { return m_pixels; }

    void Fill(int x, int y, int w, int h, uint32_t colour);
    // Lays a w x h picture over the canvas at (x, y), by alpha; what falls
    // outside is cut off.
    void Place(const std::vector<uint32_t>& argb, int w, int h, int x, int y);
    // Writes `text` (code page 936) in `font` in white at (x, y), cut at
    // maxWidth. Nothing without a font.
    void Label(MApp& app, void* font, const std::string& text, int x, int y, int maxWidth);

    bool WritePng(const std::string& path, std::string* error) const;

private:
    int m_width, m_height;
    std::vector<uint32_t> m_pixels;
};

} // namespace kes::view

#endif
