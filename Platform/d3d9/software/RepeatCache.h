// Results the quad path keeps for draws that repeat: something made from a
// texture's contents (a mapped copy of its texels, its filtered texels for
// one size of quad), kept under a key that names the texture object, its
// revision and whatever else the result depends on.
//
// A result is made on the second draw with the same key, so that draws whose
// constants change every time never pay for one. Results are dropped when
// their texture goes away (Forget), so an address reused by a new texture
// never finds an old result. Their bytes stay within a budget; the least
// recently drawn go first, but only once they have not been drawn for a
// while: when more draws repeat than the budget holds, the ones without a
// result take the uncached path instead of pushing out results still in use
// (which would then be made again a frame later, and so on).
//
// Key needs `texture` (const void*), operator== and a hash type Key::Hash.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_REPEATCACHE_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_REPEATCACHE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <list>
#include <unordered_map>
#include <vector>

namespace kes::d3d9 {

template <class Key>
class RepeatCache {
public:
    // Keys remembered as seen once (without a result), at most.
    static constexpr size_t kMaxSeen = 4096;
    // A result not drawn in this many draws may make room for a new one.
    static constexpr uint64_t kStaleDraws = 4096;

    // Fills a result of the asked size (in bytes aligned for any type).
    using Make = std::function<void(void* result)>;

    explicit RepeatCache(size_t budgetBytes) : m_budget(budgetBytes) {}

    // The result for `key` (`bytes` long, made by `make` on the key's
    // second draw); null before that, for results larger than a quarter of
    // the budget, and while the budget is taken by results in use. The
    // pointer stays valid until the next call.
    const void* Find(const Key& key, size_t bytes, const Make& make)
    {
        ++m_draws;
        if (bytes > m_budget / 4) return nullptr;
        const auto found = m_index.find(key);
        if (found == m_index.end()) {
            m_seen.push_front(Entry{key, m_draws, {}});
            m_index.emplace(key, m_seen.begin());
            if (m_seen.size() > kMaxSeen) Erase(m_seen, std::prev(m_seen.end()));
            return nullptr;
        }
        const typename List::iterator it = found->second;
        it->lastDraw = m_draws;
        if (!it->bytes.empty()) {
            if (it != m_copies.begin()) m_copies.splice(m_copies.begin(), m_copies, it);
            return it->bytes.data();
        }
        if (it != m_seen.begin()) m_seen.splice(m_seen.begin(), m_seen, it);
        if (bytes == 0 || !MakeRoom(bytes)) return nullptr;
        it->bytes.resize(bytes);
        make(it->bytes.data());
        m_bytes += bytes;
        m_copies.splice(m_copies.begin(), m_seen, it);
        return it->bytes.data();
    }

    // Drops every result made from a texture that is going away.
    void Forget(const void* texture)
    {
        for (List* list : {&m_seen, &m_copies})
            for (auto it = list->begin(); it != list->end();) {
                const auto next = std::next(it);
                if (it->key.texture == texture) Erase(*list, it);
                it = next;
            }
    }

    size_t Bytes() const { return m_bytes; }
    size_t Results() const { return m_copies.size(); }
    size_t Budget() const { return m_budget; }

private:
    struct Entry {
        Key key;
        uint64_t lastDraw = 0;
        std::vector<unsigned char> bytes; // empty while the key was seen once only
    };
    // Most recently drawn first. Entries move from m_seen to m_copies when
    // their result is made (splicing keeps the index's iterators valid).
    using List = std::list<Entry>;

    bool MakeRoom(size_t bytes)
    {
        while (m_bytes + bytes > m_budget) {
            const typename List::iterator oldest = std::prev(m_copies.end());
            if (m_draws - oldest->lastDraw < kStaleDraws) return false;
            Erase(m_copies, oldest);
        }
        return true;
    }

    void Erase(List& list, typename List::iterator it)
    {
        m_bytes -= it->bytes.size();
        m_index.erase(it->key);
        list.erase(it);
    }

    size_t m_budget;
    size_t m_bytes = 0;
    uint64_t m_draws = 0;
    List m_seen, m_copies;
    std::unordered_map<Key, typename List::iterator, typename Key::Hash> m_index;
};

} // namespace kes::d3d9

#endif
