// Where a sprite frame goes: the name kesto-was encode looks for.
#ifndef KESTO_DEMO_ART_FRAMEFILES_H
#define KESTO_DEMO_ART_FRAMEFILES_H

#include "Png.h"

#include <string>

namespace kes::demo::art {

inline bool WriteFrame(const std::string& folder, int group, int frame, const kes::was::tool::PngPicture& picture,
                       std::string* error)
{
    const std::string path = folder + "/g" + std::to_string(group) + "_f" + std::to_string(frame) + ".png";
    return kes::was::tool::WritePng(path, picture, error);
}

} // namespace kes::demo::art

#endif
