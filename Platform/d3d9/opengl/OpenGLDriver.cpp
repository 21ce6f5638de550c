// The OpenGL device's record in the driver table, and the automatic choice:
// OpenGL where its GL runs on a GPU, the software device where the only GL
// is a CPU rasterizer (Mesa's llvmpipe draws sprites several times slower
// than our own rasterizer).
#include "OpenGLDevice.h"

#include "../DeviceDrivers.h"

#include "../../config/Log.h"

#include <SDL.h>

namespace kes::d3d9 {
namespace {

// Finding out that the GL is a CPU rasterizer costs a context; the answer
// holds for the video driver and the version asked for, so it is kept.
struct CpuVerdict {
    std::string videoDriver;
    gl::ContextVersion version;
    std::string why; // empty: not known to be a CPU rasterizer
};

CpuVerdict& Verdict()
{
    static CpuVerdict* verdict = new CpuVerdict;
    return *verdict;
}

bool SameVersion(const gl::ContextVersion& a, const gl::ContextVersion& b)
{
    return a.major == b.major && a.minor == b.minor && a.es == b.es;
}

OpenGLDevice* Make(HWND window, const D3DPRESENT_PARAMETERS& params, bool acceptCpu, std::string* why, bool* cpu)
{
    auto* device = new OpenGLDevice(window, params);
    if (device->Start(acceptCpu, why, cpu)) return device;
    device->Release();
    return nullptr;
}

Device* OpenAsked(HWND window, const D3DPRESENT_PARAMETERS& params)
{
    std::string why;
    bool cpu = false;
    Device* device = Make(window, params, true, &why, &cpu);
    if (!device) platform::Log("OpenGL device: %s", why.c_str());
    return device;
}

Device* OpenIfBest(HWND window, const D3DPRESENT_PARAMETERS& params, std::string* why)
{
    CpuVerdict& known = Verdict();
    const char* driver = SDL_GetCurrentVideoDriver();
    const std::string videoDriver = driver ? driver : "";
    const gl::ContextVersion version = gl::AskedContextVersion();
    if (!known.why.empty() && known.videoDriver == videoDriver && SameVersion(known.version, version)) {
        *why = known.why;
        return nullptr;
    }
    bool cpu = false;
    OpenGLDevice* device = Make(window, params, false, why, &cpu);
    if (cpu) known = CpuVerdict{videoDriver, version, *why};
    return device;
}

} // namespace

const DeviceDriver kOpenGLDriver = {"opengl", "OpenGL 3.3 core or OpenGL ES 3.0 on the GPU", OpenAsked,
                                    OpenIfBest};

} // namespace kes::d3d9
