// Making OpenGL contexts through SDL.
#include "GlContext.h"

#include <cstdio>
#include <mutex>
#include <vector>

namespace kes::d3d9::gl {
namespace {

std::mutex g_versionLock;
ContextVersion g_version;

std::string Describe(const ContextVersion& v)
{
    char text[48];
    snprintf(text, sizeof text, "OpenGL%s %d.%d%s", v.es ? " ES" : "", v.major, v.minor, v.es ? "" : " core");
    return text;
}

SDL_GLContext TryContext(SDL_Window* window, const ContextVersion& v)
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, v.es ? SDL_GL_CONTEXT_PROFILE_ES : SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, v.major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, v.minor);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // The device draws into a framebuffer object of its own; the window's
    // framebuffer only receives the finished frame.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    // Leave SDL's defaults for anyone else who makes a context.
    SDL_GL_ResetAttributes();
    return context;
}

const char* Text(const GLubyte* s)
{
    return s ? reinterpret_cast<const char*>(s) : "";
}

} // namespace

void SetContextVersion(const ContextVersion& version)
{
    std::lock_guard<std::mutex> lock(g_versionLock);
    g_version = version;
}

ContextVersion AskedContextVersion()
{
    std::lock_guard<std::mutex> lock(g_versionLock);
    return g_version;
}

bool Context::Create(SDL_Window* window, std::string* why)
{
    Destroy();
    const ContextVersion asked = AskedContextVersion();
    std::vector<ContextVersion> order;
    if (asked.major > 0)
        order.push_back(asked);
    else
        order = {ContextVersion{3, 3, false}, ContextVersion{3, 0, true}};

    why->clear();
    for (const ContextVersion& v : order) {
        m_handle = TryContext(window, v);
        if (m_handle) {
            m_es = v.es;
            break;
        }
        *why += (why->empty() ? "" : "; ") + ("no " + Describe(v) + " context: " + SDL_GetError());
    }
    if (!m_handle) return false;
    m_windowId = SDL_GetWindowID(window);
    why->clear();

    const char* missing = nullptr;
    if (SDL_GL_MakeCurrent(window, m_handle) != 0 || !m_api.Load(&missing)) {
        *why = missing ? std::string("the GL library has no ") + missing
                       : std::string("cannot make the context current: ") + SDL_GetError();
        Destroy();
        return false;
    }
    m_renderer = Text(m_api.GetString(GL_RENDERER));
    m_vendor = Text(m_api.GetString(GL_VENDOR));
    m_version = Text(m_api.GetString(GL_VERSION));
    return true;
}

void Context::Destroy()
{
    if (!m_handle) return;
    // With no context to make current SDL asks for no window, so this is
    // safe after the window has gone.
    if (SDL_GL_GetCurrentContext() == m_handle) SDL_GL_MakeCurrent(Window(), nullptr);
    SDL_GL_DeleteContext(m_handle);
    m_handle = nullptr;
    m_windowId = 0;
    m_api = Api();
}

SDL_Window* Context::Window() const
{
    return m_windowId ? SDL_GetWindowFromID(m_windowId) : nullptr;
}

bool Context::MakeCurrent()
{
    if (!m_handle) return false;
    SDL_Window* window = Window();
    if (!window) return false;
    if (SDL_GL_GetCurrentContext() == m_handle && SDL_GL_GetCurrentWindow() == window) return true;
    return SDL_GL_MakeCurrent(window, m_handle) == 0;
}

bool IsSoftwareRasterizer(const std::string& renderer)
{
    for (const char* name : {"llvmpipe", "softpipe", "Software Rasterizer"})
        if (renderer.find(name) != std::string::npos) return true;
    return false;
}

} // namespace kes::d3d9::gl
