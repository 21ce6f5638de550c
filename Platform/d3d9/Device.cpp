// The device behaviour every backend shares.
#include "Device.h"

#include "WindowPresenter.h"

#include <cstring>
#include <set>

namespace kes::d3d9 {

bool BoundEffectConstants(const PipelineState& state, EffectConstants* k)
{
    const PixelShader* shader = state.pixelShader;
    if (!shader || shader->Info().kind != ProgramKind::Effect) return false;
    // Register numbers come from our own program blob; a corrupt one reads
    // register 0 rather than outside the register file.
    const auto intReg = [](UINT r) { return r < kIntRegisters ? r : 0; };
    const auto floatReg = [](UINT r) { return r < kFloatRegisters ? r : 0; };
    k->function = state.constI[intReg(shader->RegFunction())][0];
    k->blend = state.constI[intReg(shader->RegBlend())][0];
    k->alpha = state.constF[floatReg(shader->RegAlpha())][0];
    const float* c = state.constF[floatReg(shader->RegColor())];
    k->color = Float4{c[0], c[1], c[2], c[3]};
    return true;
}
namespace {

// Devices the application still holds, for the platform's own calls that
// start from a window (screenshots).
std::set<Device*>& LiveDevices()
{
    static std::set<Device*>* devices = new std::set<Device*>;
    return *devices;
}

} // namespace

Device::Device(HWND window, const D3DPRESENT_PARAMETERS& params) : m_params(params), m_window(window)
{
    LiveDevices().insert(this);
}

Device::~Device()
{
    LiveDevices().erase(this);
}

Device* Device::OfWindow(HWND window)
{
    for (Device* d : LiveDevices())
        if (window && d->Window() == window && d->m_refs > 0) return d;
    return nullptr;
}

ULONG Device::Release()
{
    const ULONG left = --m_refs;
    if (left == 0) {
        // The application is done with the device; the object itself goes
        // with the last resource made from it.
        ClearState();
        // A full-screen device gives the desktop back, as on Windows.
        if (!m_params.Windowed) {
            m_params.Windowed = TRUE;
            ApplyDisplayMode(Window(), m_params);
        }
        Shutdown();
        if (m_resources == 0) delete this;
    }
    return left;
}

void Device::Retain()
{
    ++m_resources;
}

void Device::Drop()
{
    if (--m_resources == 0 && m_refs == 0) delete this;
}

// Bindings hold no reference: as on Windows, a bound default-pool resource
// the application released does not keep a Reset from succeeding. A resource
// that goes away is unbound instead (see the ...Destroyed hooks).
void Device::ClearState()
{
    m_state.texture = nullptr;
    m_state.stream = nullptr;
    m_state.pixelShader = nullptr;
}

HRESULT Device::TestCooperativeLevel()
{
    return m_lost ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* p)
{
    if (!p || p->BackBufferWidth == 0 || p->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    // As on Windows: a reset with default-pool resources alive fails, and
    // the device stays lost.
    if (m_defaultPoolResources > 0) return D3DERR_INVALIDCALL;
    const HRESULT hr = ResetBackBuffer(*p);
    if (FAILED(hr)) return hr;
    m_params = *p;
    ApplyDisplayMode(Window(), m_params);
    // A reset returns every state to its default, textures and streams unbound.
    ClearState();
    m_state = PipelineState();
    m_inScene = false;
    m_lost = false;
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD, D3DFORMAT Format, D3DPOOL Pool,
                              IDirect3DTexture9** ppTexture, HANDLE*)
{
    if (!ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (BytesPerPixel(Format) == 0) return D3DERR_INVALIDCALL;
    bool ok = false;
    Texture* t = new Texture(this, Width, Height, Levels, Format, Pool, &ok);
    if (!ok) {
        t->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *ppTexture = t;
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT Length, DWORD, DWORD FVF, D3DPOOL Pool,
                                   IDirect3DVertexBuffer9** ppVertexBuffer, HANDLE*)
{
    if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
    *ppVertexBuffer = nullptr;
    bool ok = false;
    VertexBuffer* vb = new VertexBuffer(this, Length, FVF, Pool, &ok);
    if (!ok) {
        vb->Release();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    *ppVertexBuffer = vb;
    return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT Width, UINT Height, D3DFORMAT Format, D3DPOOL Pool,
                                            IDirect3DSurface9** ppSurface, HANDLE*)
{
    if (!ppSurface) return D3DERR_INVALIDCALL;
    *ppSurface = nullptr;
    bool ok = false;
    Surface* s = new Surface(this, Format, Width, Height, Pool, &ok);
    if (!ok) {
        s->Release();
        return D3DERR_INVALIDCALL;
    }
    *ppSurface = s;
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface)
{
    if (!pRenderTarget || !pDestSurface) return D3DERR_INVALIDCALL;
    PixelStore& from = static_cast<Surface*>(pRenderTarget)->Store();
    PixelStore& to = static_cast<Surface*>(pDestSurface)->Store();
    if (from.format != to.format || from.width != to.width || from.height != to.height)
        return D3DERR_INVALIDCALL;
    const size_t rowBytes = size_t(from.width) * size_t(BytesPerPixel(from.format));
    for (UINT y = 0; y < from.height; ++y) memcpy(to.Row(y), from.Row(y), rowBytes);
    ++to.revision;
    return D3D_OK;
}

HRESULT Device::BeginScene()
{
    if (m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = true;
    return D3D_OK;
}

HRESULT Device::EndScene()
{
    if (!m_inScene) return D3DERR_INVALIDCALL;
    m_inScene = false;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value)
{
    switch (State) {
    case D3DRS_ALPHABLENDENABLE: m_state.alphaBlend = Value != 0; break;
    case D3DRS_SRCBLEND: m_state.srcBlend = Value; break;
    case D3DRS_DESTBLEND: m_state.destBlend = Value; break;
    case D3DRS_CULLMODE: m_state.cullMode = Value; break;
    case D3DRS_ZENABLE:
    case D3DRS_LIGHTING:
    case D3DRS_BLENDOP: break; // no depth buffer, no lighting, one blend operation
    default: return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD Stage, IDirect3DBaseTexture9* pTexture)
{
    if (Stage != 0) return D3DERR_INVALIDCALL;
    m_state.texture = static_cast<Texture*>(pTexture);
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD Sampler, D3DSAMPLERSTATETYPE Type, DWORD Value)
{
    if (Sampler != 0) return D3DERR_INVALIDCALL;
    switch (Type) {
    case D3DSAMP_MAGFILTER: m_state.magFilter = Value; break;
    case D3DSAMP_MINFILTER: m_state.minFilter = Value; break;
    case D3DSAMP_ADDRESSU: m_state.addressU = Value; break;
    case D3DSAMP_ADDRESSV: m_state.addressV = Value; break;
    case D3DSAMP_MIPFILTER: break; // level 0 only
    default: return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD FVF)
{
    m_state.fvf = FVF;
    return D3D_OK;
}

HRESULT Device::CreatePixelShader(const DWORD* pFunction, IDirect3DPixelShader9** ppShader)
{
    if (!ppShader) return D3DERR_INVALIDCALL;
    *ppShader = nullptr;
    ProgramInfo info;
    if (!pFunction || !DecodeProgram(pFunction, &info)) return D3DERR_INVALIDCALL;
    *ppShader = new PixelShader(this, std::move(info));
    return D3D_OK;
}

HRESULT Device::SetPixelShader(IDirect3DPixelShader9* pShader)
{
    m_state.pixelShader = static_cast<PixelShader*>(pShader);
    return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantF(UINT StartRegister, const float* pConstantData, UINT Vector4fCount)
{
    if (!pConstantData || StartRegister >= kFloatRegisters || Vector4fCount > kFloatRegisters - StartRegister)
        return D3DERR_INVALIDCALL;
    memcpy(m_state.constF[StartRegister], pConstantData, sizeof(float) * 4 * Vector4fCount);
    return D3D_OK;
}

HRESULT Device::SetPixelShaderConstantI(UINT StartRegister, const int* pConstantData, UINT Vector4iCount)
{
    if (!pConstantData || StartRegister >= kIntRegisters || Vector4iCount > kIntRegisters - StartRegister)
        return D3DERR_INVALIDCALL;
    memcpy(m_state.constI[StartRegister], pConstantData, sizeof(int) * 4 * Vector4iCount);
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer9* pStreamData, UINT OffsetInBytes,
                                UINT Stride)
{
    if (StreamNumber != 0) return D3DERR_INVALIDCALL;
    m_state.stream = static_cast<VertexBuffer*>(pStreamData);
    m_state.streamOffset = OffsetInBytes;
    m_state.streamStride = Stride;
    return D3D_OK;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT start, UINT primitives)
{
    if (!m_inScene) return D3DERR_INVALIDCALL;
    if (m_lost) return D3D_OK; // a lost device draws nothing, without complaint
    if (m_state.fvf != (D3DFVF_XYZRHW | D3DFVF_TEX1) || m_state.streamStride != sizeof(VertexXyzrhwTex1))
        return D3DERR_INVALIDCALL;
    VertexBuffer* vb = m_state.stream;
    if (!vb || vb->Locked()) return D3DERR_INVALIDCALL;

    uint64_t count;
    switch (type) {
    case D3DPT_LINELIST: count = uint64_t(primitives) * 2; break;
    case D3DPT_LINESTRIP: count = uint64_t(primitives) + 1; break;
    case D3DPT_TRIANGLELIST: count = uint64_t(primitives) * 3; break;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: count = uint64_t(primitives) + 2; break;
    default: return D3DERR_INVALIDCALL;
    }
    if (primitives == 0) return D3D_OK;
    const uint64_t first = uint64_t(m_state.streamOffset) + uint64_t(start) * sizeof(VertexXyzrhwTex1);
    if (first + count * sizeof(VertexXyzrhwTex1) > vb->Length()) return D3DERR_INVALIDCALL;
    const auto* v = reinterpret_cast<const VertexXyzrhwTex1*>(vb->Data() + first);
    return Draw(type, v, UINT(count));
}

void Device::TextureCreated(Texture* t)
{
    if (t->Pool() == D3DPOOL_DEFAULT) ++m_defaultPoolResources;
}

void Device::TextureDestroyed(Texture* t)
{
    if (t->Pool() == D3DPOOL_DEFAULT) --m_defaultPoolResources;
    if (m_state.texture == t) m_state.texture = nullptr;
    if (m_refs > 0) ForgetTexture(t);
}

void Device::VertexBufferCreated(VertexBuffer* vb)
{
    if (vb->Pool() == D3DPOOL_DEFAULT) ++m_defaultPoolResources;
}

void Device::VertexBufferDestroyed(VertexBuffer* vb)
{
    if (vb->Pool() == D3DPOOL_DEFAULT) --m_defaultPoolResources;
    if (m_state.stream == vb) m_state.stream = nullptr;
}

void Device::PixelShaderDestroyed(PixelShader* ps)
{
    if (m_state.pixelShader == ps) m_state.pixelShader = nullptr;
}

} // namespace kes::d3d9
