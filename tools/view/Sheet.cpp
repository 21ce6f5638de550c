#include "Sheet.h"

#include "Canvas.h"
#include "EntryOrder.h"
#include "Pixels.h"

#include <KesApp.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace kes::view {
namespace {

struct Placed {
    std::vector<uint32_t> argb; // the picture as shown: every step-th pixel of every step-th row
    int width = 0, height = 0;  // of argb
    int step = 1;
    int group = 0, frame = 0;
    std::string label;   // the entry's, in the layout
    std::string caption; // under the cell: the file name, and the group of a sprite of several
};

std::string FileName(const std::string& label)
{
    const size_t slash = label.find_last_of("/\\");
    return slash == std::string::npos ? label : label.substr(slash + 1);
}

int StepFor(int w, int h)
{
    const int side = std::max(w, h);
    return side <= kCell ? 1 : (side + kCell - 1) / kCell;
}

// Keeps only what the sheet shows of the image, so that a sheet of many
// large pictures holds no more than its cells.
bool Grab(MImage* image, int group, int frame, const std::string& label, bool thin, Placed* out)
{
    std::vector<uint32_t> whole;
    if (!image || !ReadPixels(image, &whole)) return false;
    const int w = image->m_width, h = image->m_height;
    out->step = thin ? StepFor(w, h) : 1;
    out->width = (w + out->step - 1) / out->step;
    out->height = (h + out->step - 1) / out->step;
    out->argb.resize(size_t(out->width) * size_t(out->height));
    for (int y = 0; y < out->height; ++y)
        for (int x = 0; x < out->width; ++x)
            out->argb[size_t(y) * size_t(out->width) + size_t(x)] =
                whole[size_t(y * out->step) * size_t(w) + size_t(x * out->step)];
    out->group = group;
    out->frame = frame;
    out->label = label;
    out->caption = FileName(label);
    return true;
}

class Layout {
public:
    explicit Layout(const std::string& path) : m_out(path + ".layout") {}
    bool Ok() const { return bool(m_out); }
    void Put(int x, int y, const Placed& p)
    {
        m_out << x << ' ' << y << ' ' << p.width << ' ' << p.height << ' ' << p.step << ' ' << p.group << ' ' << p.frame
              << ' ' << p.label << '\n';
    }
    // `what`: "failed" (nothing shown) or "damaged" (shown in part).
    void Problem(const char* what, const std::string& label, const std::string& reason)
    {
        m_out << what << ' ' << label << ' ' << reason << '\n';
    }

private:
    std::ofstream m_out;
};

void Tell(const std::string& reason)
{
    std::fprintf(stderr, "kesto-view: %s\n", reason.c_str());
}

} // namespace

bool WriteContactSheet(Loader& loader, void* font, int columns, const std::string& out, SheetResult* result,
                       std::string* error)
{
    DataSet& data = loader.Data();
    MApp& app = loader.App();
    Layout layout(out);
    if (!layout.Ok()) {
        *error = out + ".layout: cannot write";
        return false;
    }
    std::vector<Placed> cells;
    // The sheet stays a picture viewers open: so many rows and no more.
    columns = std::max(1, columns);
    const size_t most = size_t(columns) * size_t((kSheetSide - kGap) / (kCell + kLabel + kGap));
    size_t left = 0; // sprites and pictures that did not fit
    for (size_t i : OrderEntries(data, Column::Name, false)) {
        const EntryKind kind = data.Kind(i);
        if (cells.size() >= most && (kind == EntryKind::Was || IsPicture(kind))) {
            ++left;
            continue;
        }
        const std::string label = EntryLabel(data.Entries()[i]);
        std::string reason;
        bool shown = false;
        if (kind == EntryKind::Was) {
            MImageVolume* sprite = loader.Sprite(i, &reason);
            shown = sprite != nullptr;
            if (sprite) {
                for (int g = 0; g < sprite->m_groupCount; ++g) {
                    Placed p;
                    if (!Grab(sprite->GetImage(g, 0), g, 0, label, true, &p)) continue;
                    if (sprite->m_groupCount > 1) p.caption += " g" + std::to_string(g);
                    cells.push_back(std::move(p));
                }
                app.CloseImageVolume(sprite);
            }
        } else if (IsPicture(kind)) {
            MImage* picture = loader.Picture(i, &reason);
            Placed p;
            shown = picture && Grab(picture, 0, 0, label, true, &p);
            if (shown) cells.push_back(std::move(p));
            if (picture) app.CloseImage(picture);
        } else {
            continue;
        }
        if (!reason.empty()) {
            Tell(reason);
            layout.Problem(shown ? "damaged" : "failed", label, reason);
            ++result->failed;
        }
    }
    if (cells.size() > most) { // the groups of the last sprite went past
        cells.resize(most);
        ++left;
    }
    if (left) {
        Tell(std::to_string(left) + " more sprites and pictures do not fit on the sheet (" + std::to_string(most) +
             " cells at most); a sheet of one of them, or more columns, shows them");
        layout.Problem("omitted", std::to_string(left), "do not fit on the sheet");
    }
    columns = std::max(1, std::min(columns, int(std::max<size_t>(cells.size(), 1))));
    const int rows = int((cells.size() + size_t(columns) - 1) / size_t(columns));
    Canvas canvas(kGap + columns * (kCell + kGap), kGap + std::max(rows, 1) * (kCell + kLabel + kGap), kSheetBackground);
    for (size_t n = 0; n < cells.size(); ++n) {
        const Placed& p = cells[n];
        const int cx = kGap + int(n % size_t(columns)) * (kCell + kGap);
        const int cy = kGap + int(n / size_t(columns)) * (kCell + kLabel + kGap);
        canvas.Fill(cx, cy, kCell, kCell, kCellBackdrop);
        const int x = cx + (kCell - p.width) / 2, y = cy + (kCell - p.height) / 2;
        canvas.Place(p.argb, p.width, p.height, x, y);
        canvas.Label(app, font, p.caption, cx, cy + kCell + 1, kCell);
        layout.Put(x, y, p);
        ++result->placed;
    }
    return canvas.WritePng(out, error);
}

bool WriteSpriteSheet(Loader& loader, void* font, size_t entry, const std::string& out, SheetResult* result,
                      std::string* error)
{
    MApp& app = loader.App();
    const std::string label = EntryLabel(loader.Data().Entries()[entry]);
    std::string reason;
    MImageVolume* sprite = loader.Sprite(entry, &reason);
    if (!sprite) {
        *error = reason;
        ++result->failed;
        return false;
    }
    if (!reason.empty()) {
        Tell(reason);
        ++result->failed;
    }
    // The box that holds every frame with the key points on one spot.
    int minX = 0, minY = 0, maxX = 1, maxY = 1;
    bool any = false;
    for (int i = 0; i < sprite->m_total; ++i) {
        MImage* f = sprite->GetImage(i / sprite->m_frameCount, i % sprite->m_frameCount);
        if (!f) continue;
        minX = any ? std::min(minX, -f->m_keyX) : -f->m_keyX;
        minY = any ? std::min(minY, -f->m_keyY) : -f->m_keyY;
        maxX = any ? std::max(maxX, f->m_width - f->m_keyX) : f->m_width - f->m_keyX;
        maxY = any ? std::max(maxY, f->m_height - f->m_keyY) : f->m_height - f->m_keyY;
        any = true;
    }
    const int cellW = std::max(1, maxX - minX), cellH = std::max(1, maxY - minY);
    const int columns = std::max(1, sprite->m_frameCount), rows = std::max(1, sprite->m_groupCount);
    const int64_t width = kGap + int64_t(columns) * (cellW + kGap), height = kLabel + kGap + int64_t(rows) * (cellH + kGap);
    if (width > kSheetSide || height > kSheetSide) {
        app.CloseImageVolume(sprite);
        *error = label + ": a sheet of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is too large";
        return false;
    }
    Layout layout(out);
    Canvas canvas(int(width), int(height), kSheetBackground);
    canvas.Label(app, font, label, kGap, 0, int(width) - kGap);
    for (int g = 0; g < sprite->m_groupCount; ++g) {
        for (int f = 0; f < sprite->m_frameCount; ++f) {
            const int cx = kGap + f * (cellW + kGap), cy = kLabel + kGap + g * (cellH + kGap);
            canvas.Fill(cx, cy, cellW, cellH, kCellBackdrop);
            MImage* image = sprite->GetImage(g, f);
            Placed p;
            if (!Grab(image, g, f, label, false, &p)) continue;
            const int x = cx - minX - image->m_keyX, y = cy - minY - image->m_keyY;
            canvas.Place(p.argb, p.width, p.height, x, y);
            layout.Put(x, y, p);
            ++result->placed;
        }
    }
    app.CloseImageVolume(sprite);
    return canvas.WritePng(out, error);
}

} // namespace kes::view
