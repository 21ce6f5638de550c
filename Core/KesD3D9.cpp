// MRender: device creation and reset, resources, fixed states, the frame's
// begin, clear and end, and texture-backed image creation.
#include "KesD3D9.h"

#include <stdlib.h>
#include <string.h>

namespace {

// GBK text of the fatal texture error.
const char kTextureErrorText[] = "D3D\xB4\xED\xCE\xF3\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xCE\xC6\xC0\xED";
const char kTextureErrorCaption[] = "Kesto \xD1\xCF\xD6\xD8\xB4\xED\xCE\xF3\xCC\xE1\xCA\xBE";

UINT PresentationInterval(int async)
{
    return async ? D3DPRESENT_INTERVAL_ONE : D3DPRESENT_INTERVAL_IMMEDIATE;
}

template <class T>
void SafeRelease(T*& p)
{
    if (p) {
        p->Release();
        p = 0;
    }
}

} // namespace

MRender::MRender()
    : m_cmdCount(0), m_pD3D(0), m_pDevice(0), m_pVertexBuffer(0), m_pPixelShader(0), m_pConstTable(0),
      m_hFunction(0), m_hAlpha(0), m_hBlend(0), m_hColor(0), m_linearMag(0), m_boundImage(0), m_pVBBuffer(0), m_vertexCount(0),
      m_maxVBSize(960000), m_vbMapped(0)
{
    memset(&m_pp, 0, sizeof m_pp);
}

MRender::~MRender()
{
    // Commands never replayed give their references back.
    DropCommands();
    ReleaseResources();
    SafeRelease(m_pDevice);
    SafeRelease(m_pD3D);
}

void MRender::DropCommands()
{
    for (int i = 0; i < m_cmdCount; ++i) {
        if (m_cmds[i].image) m_cmds[i].image->Release();
    }
    m_cmdCount = 0;
    m_vertexCount = 0;
}

int MRender::CreateDevice(HWND hWnd, int async, int width, int height, int windowed)
{
    KES_CHECK(hWnd, KES_D3D9_SOURCE);
    // A game that shut down and starts again (Shutdown, then Init) brings
    // the device of its first window: it goes before the new one is made.
    DropCommands();
    ReleaseResources();
    SafeRelease(m_pDevice);
    SafeRelease(m_pD3D);
    m_pD3D = Direct3DCreate9(D3D_SDK_VERSION);
    if (!m_pD3D) return 0;

    D3DCAPS9 caps;
    if (FAILED(m_pD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) return 0;
    const DWORD behaviour = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT) ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                                                                           : D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    D3DDISPLAYMODE mode;
    if (FAILED(m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return 0;

    memset(&m_pp, 0, sizeof m_pp);
    m_pp.BackBufferWidth = UINT(width);
    m_pp.BackBufferHeight = UINT(height);
    m_pp.BackBufferFormat = mode.Format;
    m_pp.BackBufferCount = 1;
    m_pp.SwapEffect = D3DSWAPEFFECT_FLIP;
    m_pp.hDeviceWindow = hWnd;
    m_pp.Windowed = windowed;
    m_pp.PresentationInterval = PresentationInterval(async);

    if (FAILED(m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, hWnd, behaviour, &m_pp, &m_pDevice)))
        return 0;
    if (!CreateResources()) return 0;
    if (!ApplyStates()) return 0;
    return 1;
}

int MRender::ResetDevice(int async, int width, int height, int windowed)
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return 0;
    // What was recorded for the old buffer must never replay against the new one.
    DropCommands();
    ReleaseResources();
    m_pp.BackBufferWidth = UINT(width);
    m_pp.BackBufferHeight = UINT(height);
    m_pp.Windowed = windowed;
    m_pp.PresentationInterval = PresentationInterval(async);
    if (FAILED(m_pDevice->Reset(&m_pp))) {
        ReleaseResources();
        return 0;
    }
    if (!CreateResources() || !ApplyStates()) {
        ReleaseResources();
        return 0;
    }
    return 1;
}

int MRender::MapVertexBuffer()
{
    void* bits = 0;
    m_vbMapped = SUCCEEDED(m_pVertexBuffer->Lock(0, UINT(m_maxVBSize), &bits, 0)) ? 1 : 0;
    if (m_vbMapped) m_pVBBuffer = static_cast<MVertex*>(bits);
    return m_vbMapped;
}

int MRender::CreateResources()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return 0;

    ID3DXBuffer* code = 0;
    ID3DXBuffer* errors = 0;
    if (FAILED(D3DXCompileShader(kes::kEffectShaderSource, UINT(strlen(kes::kEffectShaderSource)), NULL, NULL, "main",
                                 "ps_3_0", 0x800, &code, &errors, &m_pConstTable))) {
        SafeRelease(errors);
        SafeRelease(code);
        return 0;
    }
    SafeRelease(errors);
    const HRESULT made = m_pDevice->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &m_pPixelShader);
    SafeRelease(code);
    if (FAILED(made)) {
        SafeRelease(m_pConstTable);
        return 0;
    }
    m_hFunction = m_pConstTable->GetConstantByName(NULL, "g_function");
    m_hAlpha = m_pConstTable->GetConstantByName(NULL, "g_alpha");
    m_hBlend = m_pConstTable->GetConstantByName(NULL, "g_blend");
    m_hColor = m_pConstTable->GetConstantByName(NULL, "g_color");

    if (FAILED(m_pDevice->CreateVertexBuffer(UINT(m_maxVBSize), 0, VERTEX_FVF, D3DPOOL_DEFAULT, &m_pVertexBuffer, NULL))) {
        SafeRelease(m_pConstTable);
        SafeRelease(m_pPixelShader);
        return 0;
    }
    m_vertexCount = 0;
    // A failed lock may leave the pointer alone: it must not keep the old
    // (released) buffer's address and pass for mapped.
    m_pVBBuffer = 0;
    KES_CHECK(SUCCEEDED(m_pVertexBuffer->Lock(0, m_maxVBSize, (void **)&m_pVBBuffer, 0)), KES_D3D9_SOURCE);
    m_vbMapped = m_pVBBuffer != 0;
    return 1;
}

void MRender::ReleaseResources()
{
    if (m_pVertexBuffer) {
        if (m_vbMapped) m_pVertexBuffer->Unlock();
        m_vbMapped = 0;
        SafeRelease(m_pVertexBuffer);
    }
    SafeRelease(m_pPixelShader);
    SafeRelease(m_pConstTable);
}

int MRender::ApplyStates()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return 0;
    m_pDevice->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(MVertex));
    m_pDevice->SetFVF(VERTEX_FVF);
    m_pDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_pDevice->SetRenderState(D3DRS_LIGHTING, FALSE);
    m_pDevice->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    m_pDevice->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_pDevice->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_pDevice->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_pDevice->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    m_linearMag = 0;
    m_pDevice->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    m_pDevice->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    m_pDevice->SetPixelShader(m_pPixelShader);
    // A reset leaves sampler 0 without a texture; so must the replay's memory.
    ForgetImage(0);
    return 1;
}

void MRender::ForgetImage(MImage* img)
{
    if (!img || img == m_boundImage) m_boundImage = 0;
}

HRESULT MRender::CheckDevice()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return D3DERR_INVALIDCALL;
    return m_pDevice->TestCooperativeLevel();
}

int MRender::BeginFrame()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice || !m_pVertexBuffer) return 0;
    if (!m_vbMapped) {
        // The last frame's end could not map the buffer again: try now, so
        // that a failure which was no device loss does not stop drawing for good.
        MapVertexBuffer();
        return 0;
    }
    if (FAILED(m_pVertexBuffer->Unlock())) return 0;
    m_vbMapped = 0;
    if (FAILED(m_pDevice->BeginScene())) {
        // The commands stay for the next frame; their vertices must stay
        // writable behind them.
        MapVertexBuffer();
        return 0;
    }
    return 1;
}

void MRender::ClearFrame()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return;
    m_pDevice->Clear(0, NULL, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
}

int MRender::EndFrame()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return 0;
    m_cmdCount = 0;
    m_vertexCount = 0;
    if (FAILED(m_pDevice->EndScene())) return 0;
    if (FAILED(m_pDevice->Present(NULL, NULL, NULL, NULL))) return 0;
    if (!m_pVertexBuffer) return 0;
    return MapVertexBuffer();
}

int MRender::CanCreateTexture(unsigned width, unsigned height)
{
    // Direct3D 9's usual largest texture, for when the device cannot be asked.
    DWORD maxW = 16384, maxH = 16384;
    D3DCAPS9 caps;
    if (m_pD3D && SUCCEEDED(m_pD3D->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps))) {
        maxW = caps.MaxTextureWidth;
        maxH = caps.MaxTextureHeight;
    }
    return width > 0 && height > 0 && width <= maxW && height <= maxH;
}

MImage* MRender::CreateTextureImage(unsigned width, unsigned height, int format)
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    IDirect3DTexture9* tex = 0;
    if (!m_pDevice || FAILED(D3DXCreateTexture(m_pDevice, width, height, 0, 0, D3DFORMAT(format), D3DPOOL_MANAGED, &tex))) {
        MessageBoxA(NULL, kTextureErrorText, kTextureErrorCaption, 0);
        exit(-1);
    }
    MImage* img = new MImage;
    img->m_format = format;
    img->m_tex = tex;
    img->m_width = int(width);
    img->m_height = int(height);
    D3DSURFACE_DESC desc;
    if (SUCCEEDED(tex->GetLevelDesc(0, &desc))) {
        img->m_texU = float(DWORD(width)) / float(DWORD(desc.Width));
        img->m_texV = float(DWORD(height)) / float(DWORD(desc.Height));
    }
    return img;
}
