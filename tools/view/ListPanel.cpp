#include "ListPanel.h"

#include <KesApp.h>

#include <algorithm>

namespace kes::view {
namespace {

constexpr int kRowHeight = 18, kHeader = 24;
const char* const kColumnNames[] = {"Name", "Size", "Part", "Kind"};

} // namespace

ListPanel::ListPanel(DataSet& data, Thumbs& thumbs) : m_data(data), m_thumbs(thumbs), m_filtered(data)
{
    Reorder();
}

void ListPanel::Reorder()
{
    m_sorted = OrderEntries(m_data, m_column, m_descending);
    m_filtered.Forget();
    Refilter();
}

void ListPanel::Refilter()
{
    const int keep = Selected();
    m_order = m_filtered.Kept(m_sorted, m_filter);
    m_cursor = 0;
    m_top = 0;
    if (keep >= 0) Select(size_t(keep));
}

void ListPanel::SetFilter(const std::string& filter)
{
    m_filter = filter;
    Refilter();
}

int ListPanel::Selected() const
{
    return m_order.empty() ? -1 : int(m_order[size_t(m_cursor)]);
}

bool ListPanel::Select(size_t entry)
{
    const auto it = std::find(m_order.begin(), m_order.end(), entry);
    if (it == m_order.end()) return false;
    MoveTo(long(it - m_order.begin()));
    return true;
}

void ListPanel::MoveTo(long row)
{
    if (m_order.empty()) return;
    m_cursor = std::clamp(row, 0L, long(m_order.size()) - 1);
    if (m_cursor < m_top) m_top = m_cursor;
    if (m_cursor >= m_top + m_visible) m_top = m_cursor - m_visible + 1;
}

bool ListPanel::Key(const InputEvent& e)
{
    if (e.kind == InputEvent::Char) {
        const unsigned char c = static_cast<unsigned char>(e.ch);
        if (c < 0x20 || c == 0x7F) return false;
        SetFilter(m_filter + e.ch);
        return true;
    }
    if (e.kind != InputEvent::Key) return false;
    switch (e.vkey) {
    case VK_UP: MoveTo(m_cursor - 1); return true;
    case VK_DOWN: MoveTo(m_cursor + 1); return true;
    case VK_PRIOR: MoveTo(m_cursor - m_visible); return true;
    case VK_NEXT: MoveTo(m_cursor + m_visible); return true;
    case VK_HOME: MoveTo(0); return true;
    case VK_END: MoveTo(long(m_order.size()) - 1); return true;
    case VK_BACK:
        if (m_filter.empty()) return false;
        SetFilter(m_filter.substr(0, m_filter.size() - 1));
        return true;
    default: return false;
    }
}

void ListPanel::Frame(Ui& ui, const Rect& r)
{
    ui.Panel(r);
    const int widths[4] = {r.w - 8 - 80 - 80 - 56, 80, 80, 56};
    int x = r.x + 4;
    for (int c = 0; c < 4; ++c) {
        const bool sorted = int(m_column) == c;
        std::string title = kColumnNames[c];
        if (sorted) title += m_descending ? " v" : " ^";
        if (ui.Button(Rect{x, r.y + 4, widths[c] - 2, kHeader - 6}, title, sorted)) {
            if (sorted) m_descending = !m_descending;
            else m_column = Column(c), m_descending = false;
            Reorder();
        }
        x += widths[c];
    }
    const Rect rows{r.x + 4, r.y + kHeader, r.w - 14, r.h - kHeader - 4};
    m_visible = std::max(1, rows.h / kRowHeight);
    for (const InputEvent& e : ui.In().Events()) {
        if (e.kind == InputEvent::Wheel && r.Holds(e.x, e.y))
            m_top = std::clamp(m_top - 3L * e.notches, 0L, std::max(0L, long(m_order.size()) - m_visible));
        if (e.kind == InputEvent::Press && rows.Holds(e.x, e.y)) {
            const long row = m_top + (e.y - rows.y) / kRowHeight;
            if (row < long(m_order.size())) m_cursor = row;
        }
    }
    for (int n = 0; n < m_visible && m_top + n < long(m_order.size()); ++n) {
        const size_t i = m_order[size_t(m_top + n)];
        const Entry& e = m_data.Entries()[i];
        const int y = rows.y + n * kRowHeight;
        if (m_top + n == m_cursor) ui.Fill(Rect{rows.x, y, rows.w, kRowHeight}, kHighlight);
        const EntryKind kind = m_data.Kind(i);
        const bool damaged = m_data.Damage(e) != nullptr;
        int cx = rows.x + 2;
        if (kind == EntryKind::Was || IsPicture(kind)) {
            if (MImage* thumb = m_thumbs.Get(i)) {
                RECTF whole(0, 0, 1, 1);
                ui.App().DrawImage(thumb, float(cx + (kThumbSide - thumb->m_width) / 2),
                                   float(y + 1 + (kThumbSide - thumb->m_height) / 2), whole, BLEND_NORMAL, 0, 1, 1, 1);
            }
        }
        ui.Text(EntryLabel(e), cx + kThumbSide + 4, y + 2, damaged ? kFailText : kTextColour);
        cx += widths[0];
        ui.Text(std::to_string(e.size), cx, y + 2, kDimText);
        cx += widths[1];
        ui.Text(m_data.PartName(e), cx, y + 2, kDimText);
        cx += widths[2];
        ui.Text(KindName(kind), cx, y + 2, kind == EntryKind::Unknown ? kDimText : kTextColour);
    }
    // The scroll bar: where the screenful lies in the whole list.
    if (long(m_order.size()) > m_visible) {
        const int barH = std::max(12, int(int64_t(rows.h) * m_visible / long(m_order.size())));
        const int barY = rows.y + int(int64_t(rows.h - barH) * m_top / std::max(1L, long(m_order.size()) - m_visible));
        ui.Fill(Rect{r.x + r.w - 8, barY, 4, barH}, kPanelEdge);
    }
}

void ListPanel::State(std::ostream& out) const
{
    out << "filter " << m_filter << "\nrows " << m_order.size() << "\nsort " << kColumnNames[int(m_column)]
        << (m_descending ? " descending" : "") << "\ntop " << m_top << "\n";
}

} // namespace kes::view
