// The entry list: name or id, size, part and kind, filtered by what was
// typed, sorted by a clicked column, scrolled by keys and the wheel. Only
// the rows on screen are looked at (their kinds sniffed, their text and
// thumbnails made).
#ifndef KESTO_TOOLS_VIEW_LISTPANEL_H
#define KESTO_TOOLS_VIEW_LISTPANEL_H

#include "EntryFilter.h"
#include "EntryOrder.h"
#include "Thumbs.h"
#include "Ui.h"

#include <ostream>

namespace kes::view {

class ListPanel {
public:
    ListPanel(DataSet& data, Thumbs& thumbs);

    // Draws the list in `r` and takes the clicks and the wheel over it.
    void Frame(Ui& ui, const Rect& r);
    // Keys and characters for the list. True when used.
    bool Key(const InputEvent& e);

    // The chosen entry, or -1 when the list is empty.
    int Selected() const;
    // Chooses an entry (it is kept visible); false when it is filtered out.
    bool Select(size_t entry);
    const std::string& Filter() const { return m_filter; }
    void SetFilter(const std::string& filter);
    size_t Rows() const { return m_order.size(); }
    void State(std::ostream& out) const;

private:
    void Reorder();  // sorts again (a new column or direction)
    void Refilter(); // the filter changed
    void MoveTo(long row);

    DataSet& m_data;
    Thumbs& m_thumbs;
    std::string m_filter;
    Column m_column = Column::Name;
    bool m_descending = false;
    EntryFilter m_filtered;
    std::vector<size_t> m_sorted; // every entry, in the column's order
    std::vector<size_t> m_order;  // those the filter keeps
    long m_cursor = 0, m_top = 0;
    int m_visible = 32; // rows on screen (known after the first frame; about this many)
};

} // namespace kes::view

#endif
