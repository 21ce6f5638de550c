// A small cache of freed pixel blocks, by exact size.
#include "PixelMemory.h"

#include <cstdlib>
#include <map>
#include <mutex>

namespace kes::d3d9 {
namespace {

constexpr size_t kBudget = size_t(64) << 20;  // bytes kept for reuse at most
constexpr size_t kSmallest = size_t(64) << 10; // smaller blocks are the allocator's business

struct Cache {
    std::mutex mutex;
    std::multimap<size_t, void*> blocks;
    size_t kept = 0;

    ~Cache()
    {
        for (auto& b : blocks) free(b.second);
    }
};

Cache& TheCache()
{
    static Cache cache;
    return cache;
}

} // namespace

void* AcquirePixelMemory(size_t bytes)
{
    if (bytes >= kSmallest) {
        Cache& c = TheCache();
        std::lock_guard<std::mutex> lock(c.mutex);
        auto it = c.blocks.find(bytes);
        if (it != c.blocks.end()) {
            void* p = it->second;
            c.blocks.erase(it);
            c.kept -= bytes;
            return p;
        }
    }
    return malloc(bytes ? bytes : 1);
}

void ReleasePixelMemory(void* p, size_t bytes)
{
    if (!p) return;
    if (bytes >= kSmallest) {
        Cache& c = TheCache();
        std::lock_guard<std::mutex> lock(c.mutex);
        if (c.kept + bytes <= kBudget) {
            c.blocks.emplace(bytes, p);
            c.kept += bytes;
            return;
        }
    }
    free(p);
}

} // namespace kes::d3d9
