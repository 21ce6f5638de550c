// Loading the OpenGL entry points through SDL.
#include "GlApi.h"

#include <SDL_video.h>

namespace kes::d3d9::gl {

bool Api::Load(const char** missing)
{
#define KESTO_GL_LOAD(ret, name, params)                                                                             \
    name = reinterpret_cast<ret(APIENTRY*) params>(SDL_GL_GetProcAddress("gl" #name));                              \
    if (!name) {                                                                                                     \
        *missing = "gl" #name;                                                                                       \
        return false;                                                                                                \
    }
    KESTO_GL_FUNCTIONS(KESTO_GL_LOAD)
#undef KESTO_GL_LOAD
    return true;
}

} // namespace kes::d3d9::gl
