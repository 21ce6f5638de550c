// What every Direct3D 9 device of the platform shares: reference counting,
// resource creation, the pipeline state the engine sets, pixel shader
// constants, scenes, and the lost / reset cycle. A backend (software,
// OpenGL) adds clearing, drawing, presenting and its back buffer.
#ifndef KESTO_PLATFORM_D3D9_DEVICE_H
#define KESTO_PLATFORM_D3D9_DEVICE_H

#include <d3d9.h>

#include "Resources.h"
#include "effect/EffectProgram.h"
#include "shader/PixelShader.h"
#include "../win32/sdl/SdlVideo.h"

#include <cstdint>

namespace kes::d3d9 {

// Pre-transformed vertex with one texture coordinate (D3DFVF_XYZRHW | D3DFVF_TEX1).
struct VertexXyzrhwTex1 {
    float x, y, z, rhw, u, v;
};

// The pipeline state a draw sees.
struct PipelineState {
    bool alphaBlend = false;
    DWORD srcBlend = D3DBLEND_ONE;
    DWORD destBlend = D3DBLEND_ZERO;
    DWORD cullMode = D3DCULL_CCW;
    DWORD magFilter = D3DTEXF_POINT;
    DWORD minFilter = D3DTEXF_POINT;
    DWORD addressU = D3DTADDRESS_WRAP;
    DWORD addressV = D3DTADDRESS_WRAP;
    Texture* texture = nullptr;          // sampler 0
    VertexBuffer* stream = nullptr;      // stream 0
    UINT streamOffset = 0;
    UINT streamStride = 0;
    DWORD fvf = 0;
    PixelShader* pixelShader = nullptr;
    float constF[kFloatRegisters][4] = {};
    int constI[kIntRegisters][4] = {};
};

// The effect program's four constants as the bound pixel shader maps them to
// registers, for every device that runs the program. False, with `k` left
// as it is, when no effect program is bound.
bool BoundEffectConstants(const PipelineState& state, EffectConstants* k);

class Device : public RefCounted<IDirect3DDevice9> {
public:
    Device(HWND window, const D3DPRESENT_PARAMETERS& params);
    ~Device() override;

    // The device the application holds for `window`, or null.
    static Device* OfWindow(HWND window);

    // The backend's name, as KesPlatformDeviceName reports it.
    virtual const char* Name() const = 0;

    // Resources made by the device keep its object (not its use) alive:
    // games release the device before the last textures of their images.
    ULONG Release() override;
    void Retain();
    void Drop();

    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
    HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                          IDirect3DTexture9** ppTexture, HANDLE* pSharedHandle) override;
    HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                               IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE* pSharedHandle) override;
    HRESULT CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                        IDirect3DSurface9** ppSurface, HANDLE* pSharedHandle) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
    HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture) override;
    HRESULT SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value) override;
    HRESULT SetFVF(DWORD FVF) override;
    HRESULT CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader) override;
    HRESULT SetPixelShader(IDirect3DPixelShader9* pShader) override;
    HRESULT SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount) override;
    HRESULT SetPixelShaderConstantI(UINT StartRegister, const int* pConstantData, UINT Vector4iCount) override;
    HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                            UINT Stride) override;

    // Checks what every draw needs (scene open, a vertex format the
    // platform draws, a stream that is not locked and holds the vertices)
    // and hands the vertices to the backend.
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;

    // Resource bookkeeping: default-pool resources must all be released
    // before Reset succeeds, as on Windows.
    void TextureCreated(Texture* t);
    void TextureDestroyed(Texture* t);
    void VertexBufferCreated(VertexBuffer* vb);
    void VertexBufferDestroyed(VertexBuffer* vb);
    void PixelShaderDestroyed(PixelShader* ps);

    // The display was taken away (KesPlatformLoseDevice).
    void Lose() { m_lost = true; }
    bool IsLost() const { return m_lost; }

    // The window presented into; null once the game has destroyed it.
    HWND Window() const { return m_window.Handle(); }
    const D3DPRESENT_PARAMETERS& Params() const { return m_params; }
    const PipelineState& State() const { return m_state; }

protected:
    // The backend draws `count` vertices of `type` (already checked: the
    // vertices lie inside the stream).
    virtual HRESULT Draw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count) = 0;
    // The backend remakes its back buffer for new parameters.
    virtual HRESULT ResetBackBuffer(const D3DPRESENT_PARAMETERS& params) = 0;
    // Optional: a texture is going away (GPU devices free their copy).
    virtual void ForgetTexture(Texture*) {}
    // The application released the device: let go of the window and of
    // anything that needs it. Resources may still outlive this.
    virtual void Shutdown() {}

    bool InScene() const { return m_inScene; }

    PipelineState m_state;
    D3DPRESENT_PARAMETERS m_params;

private:
    void ClearState();

    sdl::WindowHold m_window;
    bool m_inScene = false;
    bool m_lost = false;
    int m_defaultPoolResources = 0;
    int m_resources = 0; // live resources made by this device
};

} // namespace kes::d3d9

#endif
