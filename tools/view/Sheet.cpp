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
    std::vector<uint32_t> argb;
    int width = 0, height = 0, step = 1;
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

bool Grab(MImage* image, int group, int frame, const std::string& label, Placed* out)
{
    if (!image || !ReadPixels(image, &out->argb)) return false;
    out->width = image->m_width;
    out->height = image->m_height;
    out->step = StepFor(out->width, out->height);
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
        m_out << x << ' ' << y << ' ' << (p.width + p.step - 1) / p.step << ' ' << (p.height + p.step - 1) / p.step
              << ' ' << p.step << ' ' << p.group << ' ' << p.frame << ' ' << p.label << '\n';
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
    for (size_t i : OrderEntries(data, Column::Name, false, std::string())) {
        const EntryKind kind = data.Kind(i);
        const std::string label = EntryLabel(data.Entries()[i]);
        std::string reason;
        bool shown = false;
        if (kind == EntryKind::Was) {
            MImageVolume* sprite = loader.Sprite(i, &reason);
            shown = sprite != nullptr;
            if (sprite) {
                for (int g = 0; g < sprite->m_groupCount; ++g) {
                    Placed p;
                    if (!Grab(sprite->GetImage(g, 0), g, 0, label, &p)) continue;
                    if (sprite->m_groupCount > 1) p.caption += " g" + std::to_string(g);
                    cells.push_back(std::move(p));
                }
                app.CloseImageVolume(sprite);
            }
        } else if (IsPicture(kind)) {
            MImage* picture = loader.Picture(i, &reason);
            Placed p;
            shown = picture && Grab(picture, 0, 0, label, &p);
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
    columns = std::max(1, std::min(columns, int(std::max<size_t>(cells.size(), 1))));
    const int rows = int((cells.size() + size_t(columns) - 1) / size_t(columns));
    Canvas canvas(kGap + columns * (kCell + kGap), kGap + std::max(rows, 1) * (kCell + kLabel + kGap), kSheetBackground);
    for (size_t n = 0; n < cells.size(); ++n) {
        const Placed& p = cells[n];
        const int cx = kGap + int(n % size_t(columns)) * (kCell + kGap);
        const int cy = kGap + int(n / size_t(columns)) * (kCell + kLabel + kGap);
        canvas.Fill(cx, cy, kCell, kCell, kCellBackdrop);
        const int tw = (p.width + p.step - 1) / p.step, th = (p.height + p.step - 1) / p.step;
        const int x = cx + (kCell - tw) / 2, y = cy + (kCell - th) / 2;
        canvas.Place(p.argb, p.width, p.height, x, y, p.step);
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
    if (width > 16384 || height > 16384) {
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
            if (!Grab(image, g, f, label, &p)) continue;
            p.step = 1; // frames are shown whole
            const int x = cx - minX - image->m_keyX, y = cy - minY - image->m_keyY;
            canvas.Place(p.argb, p.width, p.height, x, y, 1);
            layout.Put(x, y, p);
            ++result->placed;
        }
    }
    app.CloseImageVolume(sprite);
    return canvas.WritePng(out, error);
}

} // namespace kes::view
