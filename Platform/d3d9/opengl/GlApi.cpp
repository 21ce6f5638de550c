// Loading the OpenGL entry points through SDL.
#include "GlApi.h"

#include <SDL_stdinc.h>
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
    // A library may hand out an entry point its context does not support:
    // the version says.
    GLint major = 0, minor = 0;
    GetIntegerv(GL_MAJOR_VERSION, &major);
    GetIntegerv(GL_MINOR_VERSION, &minor);
    const GLubyte* version = GetString(GL_VERSION);
    const bool es = version && SDL_strncmp(reinterpret_cast<const char*>(version), "OpenGL ES", 9) == 0;
    MultiDrawArrays = nullptr;
    if (!es)
        MultiDrawArrays = reinterpret_cast<void(APIENTRY*)(GLenum, const GLint*, const GLsizei*, GLsizei)>(
            SDL_GL_GetProcAddress("glMultiDrawArrays"));
    ClipControl = nullptr;
    if (!es && (major > 4 || (major == 4 && minor >= 5)))
        ClipControl = reinterpret_cast<void(APIENTRY*)(GLenum, GLenum)>(SDL_GL_GetProcAddress("glClipControl"));
    return true;
}

} // namespace kes::d3d9::gl
