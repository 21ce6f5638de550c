// Contact sheets: the data's pictures laid out in one PNG file, decoded by
// the engine's own loaders, for people and machines without a display.
//
// The contact sheet of a data set has a cell for the first frame of every
// group of every sprite and for every picture, in the list's order by name
// (an entry without one is named by its id, 0x%08x). A cell is kCell x kCell pixels with a kLabel-pixel
// strip below for the entry's name (and the group, for sprites), cells
// kGap apart and from the edges, `columns` to a row. A picture larger than
// a cell is shown at every step-th pixel of every step-th row, step the
// smallest whole number that makes it fit; it is centred in its cell
// (rounding left and up). A sheet is at most kSheetSide pixels high: what
// does not fit is counted on standard error and in the layout
// ("omitted <count> ...").
//
// The sheet of one sprite has a row for each group and a column for each
// frame, under a kLabel strip with its name. Every cell is the box that
// holds all frames with their key points on one spot; each frame is placed
// with its key point there.
//
// Pixels are laid over the backdrop by their alpha, rounded to nearest
// (Pixels.h's Over). Beside OUT.png, OUT.png.layout says where each picture
// went, one line each: "x y width height step group frame label", or
// "failed label reason" for an entry that could not be decoded, or
// "damaged label reason" for one shown in part (a sprite some of whose
// frames were left out).
#ifndef KESTO_TOOLS_VIEW_SHEET_H
#define KESTO_TOOLS_VIEW_SHEET_H

#include "Loader.h"

#include <cstdint>
#include <string>

namespace kes::view {

constexpr int kCell = 96;
constexpr int kLabel = 16;
constexpr int kGap = 4;
constexpr int kSheetSide = 16384; // the longest side a sheet may have
constexpr uint32_t kSheetBackground = 0xFF181820;
constexpr uint32_t kCellBackdrop = 0xFF303048;

struct SheetResult {
    int placed = 0;  // pictures on the sheet
    int failed = 0;  // entries that could not be decoded, or only in part (the reasons went to standard error)
};

// `font`: the face the labels are written in; without one (null) there are no labels.
bool WriteContactSheet(Loader& loader, void* font, int columns, const std::string& out, SheetResult* result,
                       std::string* error);
bool WriteSpriteSheet(Loader& loader, void* font, size_t entry, const std::string& out, SheetResult* result,
                      std::string* error);

} // namespace kes::view

#endif
