#include "FrameExport.h"

#include <Files.h>

namespace kes::was::tool {

std::string FrameFileName(int group, int frame)
{
    return "g" + std::to_string(group) + "_f" + std::to_string(frame);
}

bool WriteFramePng(const std::string& path, const PngPicture& picture, bool force, std::string* error)
{
    cli::OutputFile out;
    if (!out.Open(path, force, error)) return false;
    std::string reason;
    if (!WritePng(out.Stream(), picture, &reason)) {
        *error = ferror(out.Stream()) ? out.WriteFailed() : out.Path() + ": cannot write: " + reason;
        return false;
    }
    return out.Finish(error);
}

} // namespace kes::was::tool
