#include "GlFinish.h"

#include <SDL.h>

namespace kes::bench {

void FinishGl()
{
    using Finish = void (*)(void);
    // Looked up once: the contexts of the process (SDL's, the engine's,
    // SFML's) share one GL library and its dispatch to the current one.
    static const Finish finish = [] {
        if (!SDL_GL_GetProcAddress("glFinish")) SDL_GL_LoadLibrary(nullptr);
        return reinterpret_cast<Finish>(SDL_GL_GetProcAddress("glFinish"));
    }();
    if (finish) finish();
}

} // namespace kes::bench
