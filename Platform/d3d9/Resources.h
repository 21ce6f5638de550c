// Direct3D 9 resources shared by every device: pixel stores, surfaces,
// textures, vertex buffers. They live in ordinary memory; a GPU device
// uploads a texture when it binds one whose contents changed since.
#ifndef KESTO_PLATFORM_D3D9_RESOURCES_H
#define KESTO_PLATFORM_D3D9_RESOURCES_H

#include <d3d9.h>

#include "PixelFormats.h"
#include "PixelMemory.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace kes::d3d9 {

class Device;

// What the bytes of a new store hold.
enum class NewBytes {
    Zeroed,
    // Whatever the memory held before, as Direct3D leaves a new texture's
    // contents undefined: whoever locks one writes what it shows (every
    // loader writes every pixel), and zeroing megabytes first would cost a
    // picture's load a tenth of its time. Test builds fill these bytes with
    // a pattern instead, so that a reader relying on zeros is found.
    AsTheyCome,
};

// One image: rows top to bottom, `pitch` bytes apart.
struct PixelStore {
    D3DFORMAT format = D3DFMT_UNKNOWN;
    UINT width = 0;
    UINT height = 0;
    INT pitch = 0;
    std::vector<uint8_t, PixelAllocator<uint8_t>> bytes;
    // Grows every time the contents may have changed (each unlock), so that
    // GPU copies know when to refresh.
    uint32_t revision = 0;

    // Sets the format, size and pitch; false for sizes the platform refuses.
    bool Describe(D3DFORMAT f, UINT w, UINT h);
    // Describe, then make the bytes. False when the size is zero or the
    // bytes cannot be allocated.
    bool Allocate(D3DFORMAT f, UINT w, UINT h, NewBytes contents = NewBytes::Zeroed);
    // Makes the bytes of a described store that has none yet.
    bool Materialise(NewBytes contents = NewBytes::Zeroed);
    uint8_t* Row(UINT y) { return bytes.data() + size_t(y) * size_t(pitch); }
    const uint8_t* Row(UINT y) const { return bytes.data() + size_t(y) * size_t(pitch); }
};

// COM-style reference count for the platform's objects.
template <class Interface>
class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

protected:
    std::atomic<ULONG> m_refs{1};
};

// A surface: either a level of a texture (it then keeps the texture alive)
// or a store of its own (back buffers, offscreen plain surfaces).
class Surface : public RefCounted<IDirect3DSurface9> {
public:
    Surface(Device* device, IUnknown* owner, PixelStore* store, D3DPOOL pool);
    Surface(Device* device, D3DFORMAT format, UINT width, UINT height, D3DPOOL pool, bool* ok);
    ~Surface() override;

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
    HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect() override;

    PixelStore& Store() { return *m_store; }

private:
    Device* m_device;
    IUnknown* m_owner; // holds a reference when the store is someone else's
    PixelStore* m_store;
    PixelStore m_own;
    D3DPOOL m_pool;
    bool m_locked = false;
};

class Texture : public RefCounted<IDirect3DTexture9> {
public:
    // Levels: 0 asks for the whole chain down to 1 x 1.
    Texture(Device* device, UINT width, UINT height, UINT levels, D3DFORMAT format, D3DPOOL pool, bool* ok);
    ~Texture() override;

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    DWORD GetLevelCount() override;
    HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override;
    HRESULT GetSurfaceLevel(UINT Level, IDirect3DSurface9** ppSurfaceLevel) override;
    HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
    HRESULT UnlockRect(UINT Level) override;

    // Levels beyond 0 get their bytes when first locked: the engine asks for
    // whole chains but only ever writes and samples level 0.
    PixelStore& Level(UINT i) { return m_levels[i]; }
    const PixelStore& Level(UINT i) const { return m_levels[i]; }
    D3DPOOL Pool() const { return m_pool; }

private:
    Device* m_device;
    D3DPOOL m_pool;
    std::vector<PixelStore> m_levels;
    std::vector<bool> m_locked;
    bool m_registered = false;
};

class VertexBuffer : public RefCounted<IDirect3DVertexBuffer9> {
public:
    VertexBuffer(Device* device, UINT length, DWORD fvf, D3DPOOL pool, bool* ok);
    ~VertexBuffer() override;

    HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
    HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, void** ppbData, DWORD Flags) override;
    HRESULT Unlock() override;

    const uint8_t* Data() const { return m_bytes.data(); }
    UINT Length() const { return UINT(m_bytes.size()); }
    bool Locked() const { return m_locked; }
    D3DPOOL Pool() const { return m_pool; }

private:
    Device* m_device;
    D3DPOOL m_pool;
    std::vector<uint8_t> m_bytes;
    bool m_locked = false;
    bool m_registered = false;
};

} // namespace kes::d3d9

#endif
