// The effect program on the GPU: the GLSL text of effect/EffectGlsl.cpp
// behind a vertex shader for pre-transformed vertices, its uniforms found by
// name. Draws without a pixel shader run it too, as function 0 at full
// alpha, which returns the texel unchanged.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLPROGRAM_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLPROGRAM_H

#include "GlApi.h"

#include "../Device.h"
#include "../effect/EffectProgram.h"

#include <string>

namespace kes::d3d9::gl {

// Vertex attribute slots.
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kUvAttribute = 1;

// The effect constants a draw runs with: the bound effect program's
// registers, or the pass-through function when no pixel shader is bound.
EffectConstants ConstantsFor(const PipelineState& state);

// The program runs as one GL program per effect function, made the first
// time a draw needs it: with the function a constant, the compiler drops
// the other functions' code, which a CPU rasterizer (and many GPUs) would
// otherwise step through for every pixel. The program with the function as
// a uniform is built and checked when the device is made or reset, and
// stands in for a variant the driver refuses.
//
// Draws whose constants reduce the program to texel x constant
// (EffectModulate.h) run one more program, the multiply alone, whatever
// their function: plain, tinted, faded and darkened sprites then share one
// program and switch none between them.
class EffectProgramGl {
public:
    // Compiles and links the program for the context's dialect, and checks
    // that it has every constant. False with the driver's info log in `why`.
    bool Build(const Api& gl, bool es, std::string* why);
    void Destroy(const Api& gl);

    // Sets the target's size: width x height pixels.
    void Use(const Api& gl, UINT width, UINT height);
    // Makes the program for k.function current and sends the constants
    // that differ from the ones it last had.
    void SetConstants(const Api& gl, const EffectConstants& k);
    // Makes the multiplying program current with `factor`, sent when it
    // differs from the one it last had (for a factor of exactly one, the
    // program that only samples; `filtered` for draws sampled linearly both
    // ways). False when the driver refuses that program: the caller runs
    // SetConstants instead.
    bool SetModulation(const Api& gl, const Float4& factor, bool filtered = false);

    // The variants: functions 0 to 5, and 6 for every other value (flat colour).
    static constexpr int kVariants = 7;

private:
    struct Linked {
        GLuint program = 0;
        GLint function = -1, blend = -1, alpha = -1, color = -1, toClip = -1, factor = -1, sampler = -1;
        EffectConstants sent;
        bool anySent = false;
        bool sizeSent = false;
    };

    // The variant for `function`, built now if need be; the general program
    // when the variant cannot be built.
    Linked& For(const Api& gl, int function);
    bool Link(const Api& gl, const char* define, const char* body, Linked* out, std::string* why);
    // Makes l current and sends it the target's size if it has not had it.
    void Bind(const Api& gl, Linked& l);
    // `l`, linked from kEffectGlslModulate with `define` the first time;
    // null when the driver refuses it (then and from then on), logged with
    // `instead`, what the device does in its place.
    Linked* Reduced(const Api& gl, Linked& l, bool& failed, const char* define, const char* instead);

    bool m_es = false;
    Linked m_general;
    Linked m_variants[kVariants];
    bool m_variantFailed[kVariants] = {};
    Linked m_modulate, m_texelOnly, m_texelFiltered;
    bool m_modulateFailed = false, m_texelOnlyFailed = false, m_texelFilteredFailed = false;
    GLuint m_current = 0;
    float m_toClipX = 0, m_toClipY = 0;
};

} // namespace kes::d3d9::gl

#endif
