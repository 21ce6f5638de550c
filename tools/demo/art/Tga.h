// Truevision TGA output: 32-bit pictures with alpha, run-length coded.
#ifndef KESTO_DEMO_ART_TGA_H
#define KESTO_DEMO_ART_TGA_H

#include "Png.h"

#include <string>

namespace kes::demo::art {

// Writes `picture` (its key point is not kept) as an image of type 10
// (run-length true colour), 32 bits with 8 of alpha, first row at the top.
bool WriteTga(const std::string& path, const kes::was::tool::PngPicture& picture, std::string* error);

} // namespace kes::demo::art

#endif
