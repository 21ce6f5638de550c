// The OpenGL context of one device, on the window's SDL window: OpenGL 3.3
// core where the platform offers it, else OpenGL ES 3.0, with its entry
// points and what the driver calls itself.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLCONTEXT_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLCONTEXT_H

#include "GlApi.h"

#include <SDL_video.h>

#include <string>

namespace kes::d3d9::gl {

// The version the device asks for; major 0 means the automatic order
// (3.3 core, then ES 3.0). Tests ask for one that cannot exist to see the
// device fall back; it applies to contexts made afterwards.
struct ContextVersion {
    int major = 0;
    int minor = 0;
    bool es = false;
};
void SetContextVersion(const ContextVersion& version);
ContextVersion AskedContextVersion();

class Context {
public:
    Context() = default;
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    ~Context() { Destroy(); }

    // Makes the context on `window` and loads its entry points. False with
    // the driver's reason in `why`.
    bool Create(SDL_Window* window, std::string* why);
    void Destroy();

    // Makes this context current on its window; devices on other windows
    // have their own, and any of them may have been current last. False
    // once the context or its window is gone.
    bool MakeCurrent();
    // True when the context was made and its window has gone since: it can
    // draw nowhere any more.
    bool WindowGone() const { return m_handle && !Window(); }

    const Api& Gl() const { return m_api; }
    bool Es() const { return m_es; }
    const std::string& Renderer() const { return m_renderer; }
    const std::string& Vendor() const { return m_vendor; }
    const std::string& Version() const { return m_version; }
    // The window the context was made on, or null once it has gone.
    SDL_Window* Window() const;

private:
    // The window by SDL's id, which is never reused: the game may destroy
    // the window before it releases the device, and the freed window must
    // never reach SDL again.
    Uint32 m_windowId = 0;
    SDL_GLContext m_handle = nullptr;
    bool m_es = false;
    Api m_api;
    std::string m_renderer;
    std::string m_vendor;
    std::string m_version;
};

// True when the GL_RENDERER string names a rasterizer that runs on the CPU
// (Mesa's llvmpipe and softpipe, the classic swrast).
bool IsSoftwareRasterizer(const std::string& renderer);

} // namespace kes::d3d9::gl

#endif
