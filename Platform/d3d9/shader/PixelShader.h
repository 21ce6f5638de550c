// Pixel programs the platform knows, their compiled form, and the shader
// objects devices make from it.
//
// "Compiling" a known program gives a small code blob: a tag, the program's
// number and the register of each of its constants. A device turns the blob
// back into the program it runs itself (Platform/d3d9/effect for the
// engine's effect program).
#ifndef KESTO_PLATFORM_D3D9_PIXELSHADER_H
#define KESTO_PLATFORM_D3D9_PIXELSHADER_H

#include <d3d9.h>

#include "../Resources.h"

#include <string>
#include <vector>

namespace kes::d3d9 {

constexpr UINT kFloatRegisters = 224; // ps_3_0
constexpr UINT kIntRegisters = 16;

enum class ProgramKind : DWORD { Effect = 1 };

enum class RegisterSet { Int, Float };

struct ShaderConstant {
    std::string name;
    RegisterSet set;
    UINT reg;      // first register
    UINT columns;  // 1 for int and float, 4 for float4
};

struct ProgramInfo {
    ProgramKind kind = ProgramKind::Effect;
    std::vector<ShaderConstant> constants;

    const ShaderConstant* Find(const char* name) const;
};

// The code blob of a program, and back. Decode fails on anything that is
// not a blob this platform made.
std::vector<DWORD> EncodeProgram(const ProgramInfo& info);
bool DecodeProgram(const DWORD* code, ProgramInfo* info);

// Recognises a known program in shader source text. False with a message
// when the text is none of them.
bool RecogniseProgram(const char* text, size_t length, const char* entry, ProgramInfo* info, std::string* error);

class Device;

class PixelShader : public RefCounted<IDirect3DPixelShader9> {
public:
    PixelShader(Device* device, ProgramInfo info);
    ~PixelShader() override;

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;

    const ProgramInfo& Info() const { return m_info; }
    // Where the effect program finds its constants (register numbers).
    UINT RegFunction() const { return m_regFunction; }
    UINT RegBlend() const { return m_regBlend; }
    UINT RegAlpha() const { return m_regAlpha; }
    UINT RegColor() const { return m_regColor; }

private:
    Device* m_device;
    ProgramInfo m_info;
    UINT m_regFunction = 0, m_regBlend = 0, m_regAlpha = 0, m_regColor = 0;
};

} // namespace kes::d3d9

#endif
