// Small pictures of the list's sprites and pictures, made as their rows
// come into view: at most one entry is decoded a frame, so that scrolling
// through thousands never stalls the window, and only the thumbnail is
// kept (the decoded picture is given back at once).
#ifndef KESTO_TOOLS_VIEW_THUMBS_H
#define KESTO_TOOLS_VIEW_THUMBS_H

#include "Loader.h"

#include <ostream>
#include <unordered_map>

namespace kes::view {

constexpr int kThumbSide = 16;

class Thumbs {
public:
    explicit Thumbs(Loader& loader) : m_loader(loader) {}
    ~Thumbs();
    Thumbs(const Thumbs&) = delete;
    Thumbs& operator=(const Thumbs&) = delete;

    // The thumbnail of entry i, or nullptr while it is not made yet (it is
    // then asked for) or cannot be (a damaged entry, not a picture).
    MImage* Get(size_t i);
    // Once a frame: makes the first thumbnail asked for since the last call,
    // and lets go of those not shown for a while.
    void Frame();
    void State(std::ostream& out) const;

private:
    struct Thumb {
        MImage* image = nullptr; // nullptr: it cannot be made
        unsigned lastShown = 0;
    };
    MImage* Make(size_t i);

    Loader& m_loader;
    std::unordered_map<size_t, Thumb> m_thumbs;
    std::vector<size_t> m_asked; // this frame, in the order of the rows
    unsigned m_frame = 0;
    unsigned m_made = 0;    // thumbnails decoded in all
    unsigned m_mostInOneFrame = 0;
};

} // namespace kes::view

#endif
