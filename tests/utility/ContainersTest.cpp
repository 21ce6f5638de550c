// MList, MMapPtr, the T_Com reference count and Singleton<MApp>.
#include <KesApp.h>
#include <KesUtility.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdint.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <thread>
#include <vector>

using kes::test::AssertRecorder;

namespace {

const wchar_t* const kSource = L"include/KesUtility";

// Distinct pointers that are never dereferenced: the containers must not
// touch what they store, so fake addresses are enough (and would crash a
// container that tried to free them).
void* P(uintptr_t n)
{
    return reinterpret_cast<void*>((n + 1) * 16);
}

// Small deterministic generator for the randomised sequences.
struct Rng {
    uint32_t x;
    explicit Rng(uint32_t seed) : x(seed * 2654435761u + 1) {}
    uint32_t Next()
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};

// The capacity an MList or MMapPtr must have after holding `peak` items:
// 10, doubled only as often as needed.
int CapacityFor(int peak)
{
    int cap = 10;
    while (cap < peak) cap *= 2;
    return cap;
}

std::vector<void*> Contents(MList& list)
{
    std::vector<void*> out;
    for (int i = 0; i < list.GetCount(); ++i) out.push_back(list[i]);
    return out;
}

std::vector<DWORD> Ids(const MMapPtr& map)
{
    std::vector<DWORD> out;
    for (int i = 0; i < map.num; ++i) out.push_back(map.data[i].id);
    return out;
}

// ---- MList -----------------------------------------------------------------------------

TEST(MList, NewListIsEmptyAndPopsGiveNull)
{
    MList list;
    EXPECT_EQ(list.max, 10);
    EXPECT_EQ(list.GetCount(), 0);
    ASSERT_NE(list.data, nullptr);

    void** storage = list.data;
    EXPECT_EQ(list.Popback(), nullptr);
    EXPECT_EQ(list.Pophead(), nullptr);
    list.Delete(P(1));
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.max, 10);
    EXPECT_EQ(list.data, storage);
}

TEST(MList, PushesAndPopsAtBothEnds)
{
    MList list;
    list.Pushback(P(2));
    list.Pushhead(P(1));
    list.Pushback(P(3));
    list.Pushhead(P(0));
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(0), P(1), P(2), P(3)}));

    EXPECT_EQ(list.Pophead(), P(0));
    EXPECT_EQ(list.Popback(), P(3));
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(1), P(2)}));
    EXPECT_EQ(list.Popback(), P(2));
    EXPECT_EQ(list.Pophead(), P(1));
    EXPECT_EQ(list.Pophead(), nullptr);
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(MList, EleventhPushDoublesTheStorageAndKeepsTheOrder)
{
    struct Case {
        const char* name;
        bool atHead;
    } cases[] = {{"Pushback", false}, {"Pushhead", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MList list;
        for (int i = 0; i < 10; ++i) list.Pushback(P(i));
        ASSERT_EQ(list.max, 10);
        void** before = list.data;

        if (c.atHead)
            list.Pushhead(P(99));
        else
            list.Pushback(P(99));

        EXPECT_EQ(list.max, 20);
        EXPECT_NE(list.data, before);
        ASSERT_EQ(list.GetCount(), 11);
        std::vector<void*> want;
        for (int i = 0; i < 10; ++i) want.push_back(P(i));
        want.insert(c.atHead ? want.begin() : want.end(), P(99));
        EXPECT_EQ(Contents(list), want);
    }
}

TEST(MList, DeleteRemovesOnlyTheFirstOccurrence)
{
    MList list;
    for (void* p : {P(1), P(2), P(1), P(3), P(1)}) list.Pushback(p);

    list.Delete(P(1));
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(2), P(1), P(3), P(1)}));
    list.Delete(P(7)); // absent
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(2), P(1), P(3), P(1)}));
    list.Delete(P(1));
    list.Delete(P(1));
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(2), P(3)}));
    list.Delete(P(3)); // the last slot
    list.Delete(P(2)); // the only one
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.max, 10);
}

TEST(MList, ResetForgetsThePointersButKeepsTheStorage)
{
    MList list;
    for (int i = 0; i < 25; ++i) list.Pushback(P(i));
    ASSERT_EQ(list.max, 40);
    void** storage = list.data;

    list.Reset();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.Popback(), nullptr);
    for (int i = 0; i < 40; ++i) list.Pushhead(P(i));
    EXPECT_EQ(list.max, 40);
    EXPECT_EQ(list.data, storage) << "refilling up to the old capacity reallocated";
    EXPECT_EQ(list[0], P(39));
    EXPECT_EQ(list[39], P(0));
}

TEST(MList, IndexingChecksTheUpperBound)
{
    MList list;
    list.Pushback(P(1));
    list.Pushback(P(2));
    {
        AssertRecorder asserts;
        list[1] = P(5); // a reference into the list
        EXPECT_EQ(list.Popback(), P(5));
        EXPECT_TRUE(asserts.Reports().empty());
    }
    {
        // At num: reported, and the slot (still inside the storage) is given.
        AssertRecorder asserts;
        void** slot = &list[1];
        EXPECT_TRUE(asserts.SawOnly(L"index<num", kSource));
        EXPECT_EQ(slot, list.data + 1);
        ASSERT_EQ(asserts.Reports().size(), 1u);
        EXPECT_GT(asserts.Reports()[0].line, 0u);
    }
}

TEST(MList, IndexOutsideTheStorageIsReportedWithoutTouchingIt)
{
    // Execution continues after the report; the storage has 10 slots, so an
    // index beyond them must not reach (or corrupt) the memory behind it.
    // Only the upper bound is checked: a negative index is not reported, but
    // must not reach memory before the storage either.
    MList list;
    list.Pushback(P(1));
    AssertRecorder asserts;
    list[10] = P(2);
    list[1000] = P(3);
    list[-1] = P(4);
    EXPECT_EQ(list[-1], nullptr);
    EXPECT_EQ(asserts.Reports().size(), 2u);
    for (const auto& r : asserts.Reports()) {
        EXPECT_EQ(r.expr, L"index<num");
        EXPECT_EQ(r.file, kSource);
    }
    EXPECT_EQ(Contents(list), (std::vector<void*>{P(1)}));
}

TEST(MList, MatchesADequeOverALongRandomSequence)
{
    // Mixed pushes, pops, deletes and resets, checked after every step
    // against a model; the capacity only doubles when a push finds it full.
    MList list;
    std::deque<void*> model;
    Rng rng(7);
    size_t peak = 0;
    for (int step = 0; step < 4000; ++step) {
        const uint32_t op = rng.Below(100);
        void* p = P(rng.Below(50));
        if (op < 35) {
            list.Pushback(p);
            model.push_back(p);
        } else if (op < 65) {
            list.Pushhead(p);
            model.push_front(p);
        } else if (op < 77) {
            void* want = model.empty() ? nullptr : model.back();
            if (!model.empty()) model.pop_back();
            ASSERT_EQ(list.Popback(), want) << step;
        } else if (op < 89) {
            void* want = model.empty() ? nullptr : model.front();
            if (!model.empty()) model.pop_front();
            ASSERT_EQ(list.Pophead(), want) << step;
        } else if (op < 99) {
            list.Delete(p);
            for (auto it = model.begin(); it != model.end(); ++it) {
                if (*it == p) {
                    model.erase(it);
                    break;
                }
            }
        } else {
            list.Reset();
            model.clear();
        }
        peak = std::max(peak, model.size());
        ASSERT_EQ(list.GetCount(), int(model.size())) << step;
        ASSERT_EQ(Contents(list), std::vector<void*>(model.begin(), model.end())) << step;
        ASSERT_EQ(list.max, CapacityFor(int(peak))) << step;
    }
    EXPECT_GT(peak, 40u) << "the sequence should have grown the list several times";
}

// ---- MMapPtr ---------------------------------------------------------------------------

TEST(MMapPtr, NewMapIsEmptyWithZeroedStorage)
{
    MMapPtr map;
    EXPECT_EQ(map.max, 10);
    EXPECT_EQ(map.GetCount(), 0);
    for (int i = 0; i < map.max; ++i) {
        EXPECT_EQ(map.data[i].id, 0u) << i;
        EXPECT_EQ(map.data[i].ptr, nullptr) << i;
    }
    // The zeroed entries hold id 0, but none of them is stored.
    EXPECT_EQ(map.Find(0), nullptr);
    EXPECT_EQ(map.Find(0xFFFFFFFFu), nullptr);
    map.Delete(0);
    map.DeleteByIndex(0);
    EXPECT_EQ(map.GetCount(), 0);
}

TEST(MMapPtr, KeepsIdsSortedAndReplacesAnExistingId)
{
    MMapPtr map;
    map.Insert(5, P(5));
    map.Insert(1, P(1));
    map.Insert(3, P(3));
    EXPECT_EQ(Ids(map), (std::vector<DWORD>{1, 3, 5}));
    EXPECT_EQ(map[0], P(1));
    EXPECT_EQ(map[1], P(3));
    EXPECT_EQ(map[2], P(5));

    map.Insert(3, P(33));
    EXPECT_EQ(map.GetCount(), 3);
    EXPECT_EQ(map.Find(3), P(33));
    EXPECT_EQ(map[1], P(33));
    EXPECT_EQ(map.Find(2), nullptr);
    EXPECT_EQ(map.Find(6), nullptr);
}

TEST(MMapPtr, OrdersIdsAsUnsignedNumbers)
{
    MMapPtr map;
    const DWORD ids[] = {0x80000000u, 0xFFFFFFFFu, 0, 0x7FFFFFFFu, 1, 0x80000001u};
    for (DWORD id : ids) map.Insert(id, P(id & 0xFF));
    EXPECT_EQ(Ids(map), (std::vector<DWORD>{0, 1, 0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFFu}));
    for (DWORD id : ids) EXPECT_EQ(map.Find(id), P(id & 0xFF)) << std::hex << id;
    EXPECT_EQ(map.Find(0xFFFFFFFEu), nullptr);
    EXPECT_EQ(map.Find(2), nullptr);
}

TEST(MMapPtr, EleventhIdDoublesTheStorageWhereverItLands)
{
    // Ids 10, 20, ..., 100 fill the storage; the 11th lands first, in the
    // middle or last, and the grown storage is zeroed behind the entries.
    const DWORD eleventh[] = {5, 55, 105, 0, 0xFFFFFFFFu};
    for (DWORD extra : eleventh) {
        SCOPED_TRACE(extra);
        MMapPtr map;
        for (DWORD id = 10; id <= 100; id += 10) map.Insert(id, P(id));
        ASSERT_EQ(map.max, 10);

        map.Insert(extra, P(extra));
        EXPECT_EQ(map.max, 20);
        ASSERT_EQ(map.GetCount(), 11);
        std::vector<DWORD> want;
        for (DWORD id = 10; id <= 100; id += 10) want.push_back(id);
        want.push_back(extra);
        std::sort(want.begin(), want.end());
        EXPECT_EQ(Ids(map), want);
        for (DWORD id : want) EXPECT_EQ(map.Find(id), P(id)) << id;
        for (int i = map.num; i < map.max; ++i) {
            EXPECT_EQ(map.data[i].id, 0u) << i;
            EXPECT_EQ(map.data[i].ptr, nullptr) << i;
        }
    }
}

TEST(MMapPtr, DeletesByIdAndByIndex)
{
    MMapPtr map;
    for (DWORD id : {40u, 10u, 30u, 20u, 50u}) map.Insert(id, P(id));

    map.Delete(30);
    EXPECT_EQ(Ids(map), (std::vector<DWORD>{10, 20, 40, 50}));
    map.Delete(35); // absent
    EXPECT_EQ(Ids(map), (std::vector<DWORD>{10, 20, 40, 50}));

    for (int ignored : {-1, 4, 5, 1000}) map.DeleteByIndex(ignored);
    EXPECT_EQ(Ids(map), (std::vector<DWORD>{10, 20, 40, 50}));

    map.DeleteByIndex(3); // the last
    map.DeleteByIndex(0); // the first
    EXPECT_EQ(Ids(map), (std::vector<DWORD>{20, 40}));
    EXPECT_EQ(map.Find(10), nullptr);
    EXPECT_EQ(map.Find(50), nullptr);
    EXPECT_EQ(map.Find(40), P(40));
}

TEST(MMapPtr, ResetForgetsTheEntriesButKeepsTheStorage)
{
    MMapPtr map;
    for (DWORD id = 1; id <= 15; ++id) map.Insert(id, P(id));
    ASSERT_EQ(map.max, 20);
    MMapPtr::Entry* storage = map.data;

    map.Reset();
    EXPECT_EQ(map.GetCount(), 0);
    // The old entries are still in the storage; none may be found.
    EXPECT_EQ(map.Find(1), nullptr);
    EXPECT_EQ(map.Find(8), nullptr);

    for (DWORD id = 20; id > 0; --id) map.Insert(id * 3, P(id));
    EXPECT_EQ(map.max, 20);
    EXPECT_EQ(map.data, storage) << "refilling up to the old capacity reallocated";
    EXPECT_EQ(map.Find(3), P(1));
    EXPECT_EQ(map.Find(1), nullptr);
}

TEST(MMapPtr, IndexingChecksTheUpperBound)
{
    MMapPtr map;
    map.Insert(7, P(7));
    {
        AssertRecorder asserts;
        map[0] = P(8); // a reference to the stored pointer
        EXPECT_EQ(map.Find(7), P(8));
        EXPECT_TRUE(asserts.Reports().empty());
    }
    {
        AssertRecorder asserts;
        void** slot = &map[1];
        EXPECT_TRUE(asserts.SawOnly(L"i<num", kSource));
        EXPECT_EQ(slot, &map.data[1].ptr);
    }
    {
        // Beyond the storage: reported, and nothing behind it is touched.
        AssertRecorder asserts;
        map[10] = P(1);
        map[500] = P(2);
        map[-1] = P(3);
        EXPECT_EQ(asserts.Reports().size(), 2u);
        for (const auto& r : asserts.Reports()) EXPECT_EQ(r.expr, L"i<num");
        EXPECT_EQ(Ids(map), (std::vector<DWORD>{7}));
    }
}

TEST(MMapPtr, MatchesAStdMapOverALongRandomSequence)
{
    // Ids drawn from a small range (many repeats and hits) spread over the
    // whole unsigned range, including the top bit.
    MMapPtr map;
    std::map<DWORD, void*> model;
    Rng rng(11);
    size_t peak = 0;
    for (int step = 0; step < 5000; ++step) {
        const DWORD id = rng.Below(120) * 0x02222223u;
        const uint32_t op = rng.Below(100);
        if (op < 60) {
            void* p = P(rng.Below(1000));
            map.Insert(id, p);
            model[id] = p;
        } else if (op < 85) {
            map.Delete(id);
            model.erase(id);
        } else if (op < 99) {
            const int index = int(rng.Below(uint32_t(model.size()) + 2)) - 1;
            map.DeleteByIndex(index);
            if (index >= 0 && size_t(index) < model.size()) model.erase(std::next(model.begin(), index));
        } else {
            map.Reset();
            model.clear();
        }
        peak = std::max(peak, model.size());
        ASSERT_EQ(map.GetCount(), int(model.size())) << step;
        ASSERT_EQ(map.max, CapacityFor(int(peak))) << step;
        int i = 0;
        for (const auto& kv : model) {
            ASSERT_EQ(map.data[i].id, kv.first) << step;
            ASSERT_EQ(map[i], kv.second) << step;
            ++i;
        }
        ASSERT_EQ(map.Find(id), model.count(id) ? model[id] : nullptr) << step;
    }
    EXPECT_GT(peak, 40u) << "the sequence should have grown the map several times";
}

// ---- T_Com -----------------------------------------------------------------------------

// A counted object that tells the test when it is destroyed.
class Counted : public T_Com<Counted> {
public:
    explicit Counted(std::atomic<int>* destroyed) : m_destroyed(destroyed) {}

protected:
    ~Counted() override { m_destroyed->fetch_add(1); }

private:
    std::atomic<int>* m_destroyed;
};

TEST(T_Com, CreatorHoldsTheFirstReferenceAndTheLastReleaseDestroys)
{
    std::atomic<int> destroyed{0};
    Counted* obj = new Counted(&destroyed);
    EXPECT_EQ(obj->RefCount(), 1);
    EXPECT_EQ(obj->IsLast(), 1);

    EXPECT_EQ(obj->Ref(), obj);
    EXPECT_EQ(obj->RefCount(), 2);
    EXPECT_EQ(obj->IsLast(), 0);
    EXPECT_EQ(obj->Ref(), obj);
    EXPECT_EQ(obj->RefCount(), 3);

    obj->Release();
    obj->Release();
    EXPECT_EQ(destroyed.load(), 0);
    EXPECT_EQ(obj->RefCount(), 1);
    EXPECT_EQ(obj->IsLast(), 1);

    obj->Release(); // through the virtual destructor; ASan checks the free
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(T_Com, ConcurrentRefAndReleaseKeepTheCountExact)
{
    std::atomic<int> destroyed{0};
    Counted* obj = new Counted(&destroyed);
    const int kThreads = 8, kRounds = 20000;

    // Every thread starts with a reference of its own, churns the count, and
    // drops its reference at the end; the creator keeps the object alive.
    for (int t = 0; t < kThreads; ++t) obj->Ref();
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kRounds; ++i) {
                if ((i + t) % 3 == 0) {
                    obj->Ref();
                    obj->Ref();
                    obj->Release();
                    obj->Release();
                } else {
                    obj->Ref();
                    obj->Release();
                }
            }
            obj->Release();
        });
    }
    go = true;
    for (auto& th : threads) th.join();

    EXPECT_EQ(destroyed.load(), 0);
    EXPECT_EQ(obj->RefCount(), 1);
    obj->Release();
    EXPECT_EQ(destroyed.load(), 1);
}

TEST(T_Com, TheLastReleaseOnAnyThreadDestroysExactlyOnce)
{
    // Two threads drop the two references of a fresh object at the same
    // moment, round after round: exactly one of them must destroy it.
    const int kRounds = 20000;
    std::atomic<int> destroyed{0};
    std::vector<Counted*> objects(kRounds);
    for (Counted*& obj : objects) {
        obj = new Counted(&destroyed);
        obj->Ref();
    }
    std::atomic<int> arrived{0};
    auto releaseAll = [&] {
        for (int i = 0; i < kRounds; ++i) {
            // Meet the other thread, spinning briefly so that both leave
            // together, yielding when the other is not running.
            arrived.fetch_add(1);
            for (int spin = 0; arrived.load() < 2 * (i + 1); ++spin)
                if (spin > 2000) std::this_thread::yield();
            objects[i]->Release();
        }
    };
    std::thread a(releaseAll), b(releaseAll);
    a.join();
    b.join();
    EXPECT_EQ(destroyed.load(), kRounds);
}

// ---- Singleton<MApp> ---------------------------------------------------------------------

// Reads the recorded application object without going through the checked
// accessors.
struct SingletonPeek : Singleton<MApp> {
    static MApp* Current() { return m_Singleton; }
};

class SingletonTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(SingletonPeek::Current(), nullptr) << "an earlier test left an MApp"; }
    void TearDown() override { EXPECT_EQ(SingletonPeek::Current(), nullptr) << "the test left an MApp"; }
};

TEST_F(SingletonTest, RecordsTheApplicationObjectWhileItLives)
{
    AssertRecorder asserts;
    {
        MApp app;
        EXPECT_EQ(Singleton<MApp>::GetSingletonPtr(), &app);
        EXPECT_EQ(&Singleton<MApp>::GetSingleton(), &app);
    }
    EXPECT_TRUE(asserts.Reports().empty());
    EXPECT_EQ(SingletonPeek::Current(), nullptr);

    // A later application object is recorded in its turn.
    auto second = std::make_unique<MApp>();
    EXPECT_EQ(Singleton<MApp>::GetSingletonPtr(), second.get());
    second.reset();
    EXPECT_TRUE(asserts.Reports().empty());
}

TEST_F(SingletonTest, AccessWithoutAnApplicationObjectIsReported)
{
    AssertRecorder asserts;
    EXPECT_EQ(Singleton<MApp>::GetSingletonPtr(), nullptr);
    EXPECT_TRUE(asserts.SawOnly(L"m_Singleton", kSource));
}

TEST_F(SingletonTest, ASecondApplicationObjectIsReported)
{
    AssertRecorder asserts;
    auto first = std::make_unique<MApp>();
    EXPECT_TRUE(asserts.Reports().empty());

    auto second = std::make_unique<MApp>();
    EXPECT_TRUE(asserts.SawOnly(L"!m_Singleton", kSource));
    // Execution went on: the newer object is the one recorded.
    EXPECT_EQ(SingletonPeek::Current(), second.get());

    // Tearing both down leaves no application object; the second teardown
    // finds the record already cleared and says so.
    asserts.Clear();
    second.reset();
    EXPECT_TRUE(asserts.Reports().empty());
    first.reset();
    EXPECT_TRUE(asserts.SawOnly(L"m_Singleton", kSource));
    EXPECT_EQ(SingletonPeek::Current(), nullptr);
}

} // namespace
