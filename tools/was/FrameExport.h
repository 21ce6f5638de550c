// Writing one frame of a sprite as a PNG file, as `kesto-was export` does:
// the frame's key point and the sprite's key point and box ride along in
// text chunks, so that `kesto-was encode` rebuilds the same sprite from the
// files. Shared with the viewer, which exports the frames the engine decoded.
#ifndef KESTO_TOOLS_WAS_FRAMEEXPORT_H
#define KESTO_TOOLS_WAS_FRAMEEXPORT_H

#include "Png.h"

#include <string>

namespace kes::was::tool {

// "g<group>_f<frame>": the file name (without ".png") of a slot.
std::string FrameFileName(int group, int frame);

// Writes `picture` to `path` whole or not at all (a failure leaves what was
// there). An existing file is replaced only when `force` is set. False with
// a message naming the path and the reason.
bool WriteFramePng(const std::string& path, const PngPicture& picture, bool force, std::string* error);

} // namespace kes::was::tool

#endif
