// Pixel stores, surfaces, textures and vertex buffers in ordinary memory.
#include "Resources.h"

#include "Device.h"

#include <cstring>
#include <new>

namespace kes::d3d9 {

bool PixelStore::Describe(D3DFORMAT f, UINT w, UINT h)
{
    const int bpp = BytesPerPixel(f);
    if (bpp == 0 || w == 0 || h == 0 || w > 16384 || h > 16384) return false;
    format = f;
    width = w;
    height = h;
    // Rows start on 4-byte boundaries, as Direct3D's pitches do.
    pitch = INT((size_t(w) * size_t(bpp) + 3) & ~size_t(3));
    bytes.clear();
    ++revision;
    return true;
}

bool PixelStore::Materialise(NewBytes contents)
{
    if (!bytes.empty()) return true;
    if (pitch == 0) return false;
    const size_t n = size_t(pitch) * height;
    try {
        if (contents == NewBytes::Zeroed) {
            bytes.assign(n, 0);
        } else {
            bytes.resize(n); // left as they are: see PixelAllocator::construct
#if defined(KESTO_POISON_NEW_TEXTURES)
            memset(bytes.data(), 0xCD, n);
#endif
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool PixelStore::Allocate(D3DFORMAT f, UINT w, UINT h, NewBytes contents)
{
    return Describe(f, w, h) && Materialise(contents);
}

// ---- Surface ---------------------------------------------------------------------

Surface::Surface(Device* device, IUnknown* owner, PixelStore* store, D3DPOOL pool)
    : m_device(device), m_owner(owner), m_store(store), m_pool(pool)
{
    m_device->Retain();
    if (m_owner) m_owner->AddRef();
}

Surface::Surface(Device* device, D3DFORMAT format, UINT width, UINT height, D3DPOOL pool, bool* ok)
    : m_device(device), m_owner(nullptr), m_store(&m_own), m_pool(pool)
{
    m_device->Retain();
    *ok = m_own.Allocate(format, width, height);
}

Surface::~Surface()
{
    if (m_owner) m_owner->Release();
    m_device->Drop();
}

HRESULT Surface::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *ppDevice = m_device;
    return D3D_OK;
}

HRESULT Surface::GetDesc(D3DSURFACE_DESC* pDesc)
{
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = D3DSURFACE_DESC{m_store->format, D3DRTYPE_SURFACE, 0,         m_pool, D3DMULTISAMPLE_NONE,
                             0,               m_store->width,   m_store->height};
    return D3D_OK;
}

namespace {

// Points a lock at the whole store or at a rectangle inside it.
HRESULT LockStore(PixelStore& store, D3DLOCKED_RECT* out, const RECT* rect)
{
    if (!out) return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            UINT(rect->right) > store.width || UINT(rect->bottom) > store.height)
            return D3DERR_INVALIDCALL;
        offset = size_t(rect->top) * size_t(store.pitch) + size_t(rect->left) * size_t(BytesPerPixel(store.format));
    }
    out->Pitch = store.pitch;
    out->pBits = store.bytes.data() + offset;
    return D3D_OK;
}

} // namespace

HRESULT Surface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD)
{
    if (m_locked) return D3DERR_INVALIDCALL;
    const HRESULT hr = LockStore(*m_store, pLockedRect, pRect);
    if (SUCCEEDED(hr)) m_locked = true;
    return hr;
}

HRESULT Surface::UnlockRect()
{
    if (!m_locked) return D3DERR_INVALIDCALL;
    m_locked = false;
    ++m_store->revision;
    return D3D_OK;
}

// ---- Texture ---------------------------------------------------------------------

Texture::Texture(Device* device, UINT width, UINT height, UINT levels, D3DFORMAT format, D3DPOOL pool, bool* ok)
    : m_device(device), m_pool(pool)
{
    m_device->Retain();
    *ok = false;
    UINT chain = 1;
    for (UINT w = width, h = height; w > 1 || h > 1; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) ++chain;
    if (levels == 0 || levels > chain) levels = chain;
    m_levels.resize(levels);
    m_locked.assign(levels, false);
    UINT w = width, h = height;
    for (UINT i = 0; i < levels; ++i) {
        // Level 0 gets its bytes now; the others, zeroed, when first locked.
        const bool made =
            i == 0 ? m_levels[i].Allocate(format, w, h, NewBytes::AsTheyCome) : m_levels[i].Describe(format, w, h);
        if (!made) return;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
    }
    *ok = true;
    m_registered = true;
    m_device->TextureCreated(this);
}

Texture::~Texture()
{
    if (m_registered) m_device->TextureDestroyed(this);
    m_device->Drop();
}

HRESULT Texture::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *ppDevice = m_device;
    return D3D_OK;
}

DWORD Texture::GetLevelCount()
{
    return DWORD(m_levels.size());
}

HRESULT Texture::GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc)
{
    if (!pDesc || Level >= m_levels.size()) return D3DERR_INVALIDCALL;
    const PixelStore& s = m_levels[Level];
    *pDesc = D3DSURFACE_DESC{s.format, D3DRTYPE_SURFACE, 0, m_pool, D3DMULTISAMPLE_NONE, 0, s.width, s.height};
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel)
{
    if (!ppSurfaceLevel || Level >= m_levels.size()) return D3DERR_INVALIDCALL;
    if (!m_levels[Level].Materialise()) return E_OUTOFMEMORY;
    *ppSurfaceLevel = new Surface(m_device, this, &m_levels[Level], m_pool);
    return D3D_OK;
}

HRESULT Texture::LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD)
{
    if (Level >= m_levels.size() || m_locked[Level]) return D3DERR_INVALIDCALL;
    if (!m_levels[Level].Materialise()) return E_OUTOFMEMORY;
    const HRESULT hr = LockStore(m_levels[Level], pLockedRect, pRect);
    if (SUCCEEDED(hr)) m_locked[Level] = true;
    return hr;
}

HRESULT Texture::UnlockRect(UINT Level)
{
    if (Level >= m_levels.size() || !m_locked[Level]) return D3DERR_INVALIDCALL;
    m_locked[Level] = false;
    ++m_levels[Level].revision;
    return D3D_OK;
}

// ---- VertexBuffer ---------------------------------------------------------------

VertexBuffer::VertexBuffer(Device* device, UINT length, DWORD, D3DPOOL pool, bool* ok)
    : m_device(device), m_pool(pool)
{
    m_device->Retain();
    *ok = false;
    if (length == 0) return;
    try {
        m_bytes.assign(length, 0);
    } catch (const std::bad_alloc&) {
        return;
    }
    *ok = true;
    m_registered = true;
    m_device->VertexBufferCreated(this);
}

VertexBuffer::~VertexBuffer()
{
    if (m_registered) m_device->VertexBufferDestroyed(this);
    m_device->Drop();
}

HRESULT VertexBuffer::GetDevice(IDirect3DDevice9** ppDevice)
{
    if (!ppDevice) return D3DERR_INVALIDCALL;
    m_device->AddRef();
    *ppDevice = m_device;
    return D3D_OK;
}

HRESULT VertexBuffer::Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD)
{
    if (!ppbData || m_locked) return D3DERR_INVALIDCALL;
    if (SizeToLock == 0) SizeToLock = Length() - (OffsetToLock < Length() ? OffsetToLock : Length());
    if (OffsetToLock >= Length() || SizeToLock > Length() - OffsetToLock) return D3DERR_INVALIDCALL;
    m_locked = true;
    *ppbData = m_bytes.data() + OffsetToLock;
    return D3D_OK;
}

HRESULT VertexBuffer::Unlock()
{
    if (!m_locked) return D3DERR_INVALIDCALL;
    m_locked = false;
    return D3D_OK;
}

} // namespace kes::d3d9
