// Containers, colours and palettes, and the assertion report.
#include <KesUtility.h>

#include <stdio.h>
#include <string.h>

// ---- assertion report --------------------------------------------------------------

namespace {

void DefaultAssertHandler(const wchar_t* expr, const wchar_t* file, unsigned line)
{
    fprintf(stderr, "Assertion failed: %ls, file %ls, line %u\n", expr, file, line);
    fflush(stderr);
}

KesAssertHandler g_assertHandler = DefaultAssertHandler;

} // namespace

void KesAssertReport(const wchar_t* expr, const wchar_t* file, unsigned line)
{
    g_assertHandler(expr, file, line);
}

KesAssertHandler KesSetAssertHandler(KesAssertHandler handler)
{
    KesAssertHandler previous = g_assertHandler;
    g_assertHandler = handler ? handler : DefaultAssertHandler;
    return previous;
}

// ---- MList ---------------------------------------------------------------------------

MList::MList() : max(10), num(0), data(new void*[10])
{
}

MList::~MList()
{
    delete[] data;
}

// Doubles the storage; the old pointers land `shift` slots up (1 leaves slot 0
// free for Pushhead).
void MList::Grow(int shift)
{
    max *= 2;
    void** grown = new void*[max];
    if (num) memcpy(grown + shift, data, size_t(num) * sizeof(void*));
    delete[] data;
    data = grown;
}

void MList::Pushback(void* p)
{
    if (num >= max) Grow(0);
    data[num++] = p;
}

void MList::Pushhead(void* p)
{
    if (num >= max) {
        Grow(1);
    } else if (num) {
        memmove(data + 1, data, size_t(num) * sizeof(void*));
    }
    data[0] = p;
    ++num;
}

void* MList::Popback()
{
    if (num == 0) return 0;
    return data[--num];
}

void* MList::Pophead()
{
    if (num == 0) return 0;
    void* p = data[0];
    --num;
    if (num) memmove(data, data + 1, size_t(num) * sizeof(void*));
    return p;
}

void MList::Delete(void* p)
{
    for (int i = 0; i < num; ++i) {
        if (data[i] == p) {
            --num;
            if (i < num) memmove(data + i, data + i + 1, size_t(num - i) * sizeof(void*));
            return;
        }
    }
}

void*& MList::operator[](int index)
{
    KES_CHECK(index<num, KES_UTILITY_SOURCE);
    // Execution goes on after a failed check: an index outside the storage
    // gets a blank scratch slot instead of memory that is not the list's.
    if (index < 0 || index >= max) {
        static void* scratch;
        scratch = 0;
        return scratch;
    }
    return data[index];
}

int MList::GetCount()
{
    return num;
}

void MList::Reset()
{
    num = 0;
}

void MList::resize(int n)
{
    void** grown = new void*[n];
    const int keep = num < n ? num : n;
    if (keep) memcpy(grown, data, size_t(keep) * sizeof(void*));
    delete[] data;
    data = grown;
}

// ---- MMapPtr ---------------------------------------------------------------------------

MMapPtr::MMapPtr() : max(10), num(0), data(new Entry[10]())
{
}

MMapPtr::~MMapPtr()
{
    delete[] data;
}

bool MMapPtr::Search(DWORD id, int* pos) const
{
    int lo = 0, hi = num - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const DWORD v = data[mid].id;
        if (id == v) {
            *pos = mid;
            return true;
        }
        if (id < v)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    *pos = lo;
    return false;
}

void* MMapPtr::Find(DWORD id) const
{
    int pos;
    return Search(id, &pos) ? data[pos].ptr : 0;
}

void MMapPtr::Insert(DWORD id, void* p)
{
    int pos;
    if (Search(id, &pos)) {
        data[pos].ptr = p;
        return;
    }
    if (num < max) {
        memmove(data + pos + 1, data + pos, size_t(num - pos) * sizeof(Entry));
    } else {
        max *= 2;
        Entry* grown = new Entry[max]();
        memcpy(grown, data, size_t(pos) * sizeof(Entry));
        memcpy(grown + pos + 1, data + pos, size_t(num - pos) * sizeof(Entry));
        delete[] data;
        data = grown;
    }
    data[pos].id = id;
    data[pos].ptr = p;
    ++num;
}

void MMapPtr::Delete(DWORD id)
{
    int pos;
    if (Search(id, &pos)) DeleteByIndex(pos);
}

void MMapPtr::DeleteByIndex(int index)
{
    if (index < 0 || index >= num) return;
    --num;
    memmove(data + index, data + index + 1, size_t(num - index) * sizeof(Entry));
}

void*& MMapPtr::operator[](int i)
{
    KES_CHECK(i<num, KES_UTILITY_SOURCE);
    // As for MList: never hand out memory outside the storage.
    if (i < 0 || i >= max) {
        static void* scratch;
        scratch = 0;
        return scratch;
    }
    return data[i].ptr;
}

int MMapPtr::GetCount()
{
    return num;
}

void MMapPtr::Reset()
{
    num = 0;
}

// ---- MPixel and MAPixel ------------------------------------------------------------------

namespace {

inline unsigned Field(unsigned v, int shift, unsigned mask)
{
    return (v >> shift) & mask;
}

inline unsigned SatAdd(unsigned a, unsigned b, unsigned top)
{
    const unsigned s = a + b;
    return s > top ? top : s;
}

inline unsigned SatSub(unsigned a, unsigned b)
{
    return a > b ? a - b : 0;
}

} // namespace

MPixel MPixel::operator+(MPixel p) const
{
    const unsigned r = SatAdd(Field(color, 11, 31), Field(p.color, 11, 31), 31);
    const unsigned g = SatAdd(Field(color, 5, 63), Field(p.color, 5, 63), 63);
    const unsigned b = SatAdd(Field(color, 0, 31), Field(p.color, 0, 31), 31);
    return MPixel((unsigned short)((r << 11) | (g << 5) | b));
}

MPixel MPixel::operator-(MPixel p) const
{
    const unsigned r = SatSub(Field(color, 11, 31), Field(p.color, 11, 31));
    const unsigned g = SatSub(Field(color, 5, 63), Field(p.color, 5, 63));
    const unsigned b = SatSub(Field(color, 0, 31), Field(p.color, 0, 31));
    return MPixel((unsigned short)((r << 11) | (g << 5) | b));
}

MAPixel::MAPixel(unsigned short c, unsigned char a)
{
    const unsigned r5 = Field(c, 11, 31), g6 = Field(c, 5, 63), b5 = Field(c, 0, 31);
    const unsigned r = (r5 << 3) | (r5 & 7);
    const unsigned g = (g6 << 2) | (g6 & 3);
    const unsigned b = (b5 << 3) | (b5 & 7);
    color = (DWORD(a) << 24) | (r << 16) | (g << 8) | b;
}

MAPixel MAPixel::operator+(MAPixel p) const
{
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= DWORD(SatAdd(Field(color, shift, 255), Field(p.color, shift, 255), 255)) << shift;
    return MAPixel(out);
}

MAPixel MAPixel::operator-(MAPixel p) const
{
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= DWORD(SatSub(Field(color, shift, 255), Field(p.color, shift, 255))) << shift;
    return MAPixel(out);
}

// ---- MAPalette ----------------------------------------------------------------------------

MAPalette::MAPalette() : cnt(0), color(0)
{
}

MAPalette::MAPalette(int n) : cnt(0), color(0)
{
    if (n > 0) {
        color = new MAPixel[n];
        cnt = n;
    }
}

MAPalette::MAPalette(int n, const DWORD* c) : cnt(0), color(0)
{
    ReCreate(n, c);
}

MAPalette::MAPalette(int n, const unsigned short* c) : cnt(0), color(0)
{
    ReCreate(n, c);
}

MAPalette::~MAPalette()
{
    FreePal();
}

void MAPalette::FreePal()
{
    delete[] color;
    color = 0;
    cnt = 0;
}

// Makes room for n entries; false (and an empty palette) when there is
// nothing to copy.
bool MAPalette::Resize(int n, const void* c)
{
    if (n <= 0 || !c) {
        FreePal();
        return false;
    }
    if (n != cnt) {
        FreePal();
        color = new MAPixel[n];
        cnt = n;
    }
    return true;
}

void MAPalette::ReCreate(int n, const DWORD* c)
{
    if (!Resize(n, c)) return;
    for (int i = 0; i < n; ++i) color[i] = MAPixel(c[i]);
}

void MAPalette::ReCreate(int n, const unsigned short* c)
{
    if (!Resize(n, c)) return;
    for (int i = 0; i < n; ++i) color[i] = MAPixel(c[i], (unsigned char)0);
}

MAPixel& MAPalette::operator[](int i)
{
    KES_CHECK(i<cnt, KES_UTILITY_SOURCE);
    // Execution goes on after a failed check; an empty palette has no array
    // at all, so an index outside the entries gets a blank scratch entry.
    if (i < 0 || i >= cnt) {
        static MAPixel scratch;
        scratch = MAPixel();
        return scratch;
    }
    return color[i];
}

void MAPalette::ChangeColor(MAPixel)
{
    for (int i = 0; i < cnt; ++i) {
        const DWORD v = color[i].color;
        const unsigned r = Field(v, 16, 255), g = Field(v, 8, 255), b = Field(v, 0, 255);
        const unsigned lum = (30 * r + 59 * g + 11 * b) / 100;
        color[i] = MAPixel((unsigned char)(r * lum / 255), (unsigned char)(g * lum / 255),
                           (unsigned char)(b * lum / 255), (unsigned char)(v >> 24));
    }
}
