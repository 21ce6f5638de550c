// Memory for pixel stores. Games load and drop sprites all the time; large
// blocks handed back to the system and asked for again cost a page fault per
// 4 KB, more than decoding the pictures. Freed blocks are kept, up to a
// budget, for the next store of the same size.
#ifndef KESTO_PLATFORM_D3D9_PIXELMEMORY_H
#define KESTO_PLATFORM_D3D9_PIXELMEMORY_H

#include <cstddef>
#include <new>

namespace kes::d3d9 {

void* AcquirePixelMemory(size_t bytes);
void ReleasePixelMemory(void* p, size_t bytes);

template <class T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U>
    PixelAllocator(const PixelAllocator<U>&)
    {
    }
    T* allocate(size_t n)
    {
        void* p = AcquirePixelMemory(n * sizeof(T));
        if (!p) throw std::bad_alloc();
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) { ReleasePixelMemory(p, n * sizeof(T)); }
    // An element made without a value is default-initialised: bytes are left
    // as the memory holds them, and the store decides whether to zero them.
    template <class U>
    void construct(U* p)
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U>
    bool operator==(const PixelAllocator<U>&) const
    {
        return true;
    }
    template <class U>
    bool operator!=(const PixelAllocator<U>&) const
    {
        return false;
    }
};

} // namespace kes::d3d9

#endif
