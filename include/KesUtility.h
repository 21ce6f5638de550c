/// \file
/// Kesto's utility types: containers, reference counting, the singleton,
/// colours and palettes, points and rectangles, and the assertion report.
///
/// Nothing here owns what its pointers point to: clearing or destroying an
/// MList or MMapPtr never frees the objects behind the stored pointers.
#ifndef KESTO_KESUTILITY_H
#define KESTO_KESUTILITY_H

#include <KesExport.h>
#include <windows.h>

#include <wchar.h>

// ---- assertion report --------------------------------------------------------
//
// Checks stay active in every build. A failed check reports its expression
// text, the engine source it comes from and the line, and execution goes on
// with the next statement once the report returns.

typedef void (*KesAssertHandler)(const wchar_t* expr, const wchar_t* file, unsigned line);

/// Reports a failed check through the installed handler (by default a line on
/// standard error).
KESTO_API void KesAssertReport(const wchar_t* expr, const wchar_t* file, unsigned line);

/// Installs `handler` (null restores the default) and returns the previous one.
KESTO_API KesAssertHandler KesSetAssertHandler(KesAssertHandler handler);

#define KES_WIDE_(s) L##s
#define KES_WIDE(s) KES_WIDE_(s)
// `source` is the engine file as its developers name it, e.g. L"Core/KesFile".
#define KES_CHECK(cond, source) ((cond) ? (void)0 : KesAssertReport(KES_WIDE(#cond), source, __LINE__))

#define KES_UTILITY_SOURCE L"include/KesUtility"

// ---- MList: growable array of untyped pointers ----------------------------------

class KESTO_API MList {
public:
    int max;     ///< allocated slots
    int num;     ///< stored pointers
    void** data; ///< slots beyond num are unspecified

    MList();
    ~MList();

    void Pushback(void* p);
    void Pushhead(void* p);
    void* Popback();            ///< null when empty
    void* Pophead();            ///< null when empty
    void Delete(void* p);       ///< removes the first occurrence only
    void*& operator[](int index);
    int GetCount();
    void Reset();               ///< forgets the pointers, keeps the storage

    MList(const MList&) = delete;
    MList& operator=(const MList&) = delete;

private:
    void resize(int n);
    void Grow(int shift);
};

// ---- MMapPtr: sorted map from 32-bit ids to untyped pointers ---------------------

class KESTO_API MMapPtr {
public:
    struct Entry {
        DWORD id;
        void* ptr;
    };

    int max;     ///< allocated entries
    int num;     ///< stored entries, ascending by id (unsigned)
    Entry* data;

    MMapPtr();
    ~MMapPtr();

    void* Find(DWORD id) const;      ///< null when absent
    void Insert(DWORD id, void* p);  ///< replaces the pointer of an existing id
    void Delete(DWORD id);
    void DeleteByIndex(int index);   ///< ignores indexes outside 0..num-1
    void*& operator[](int i);        ///< i-th pointer in ascending id order
    int GetCount();
    void Reset();

    MMapPtr(const MMapPtr&) = delete;
    MMapPtr& operator=(const MMapPtr&) = delete;

private:
    /// Bisection: true with *pos at the match, or false with *pos at the
    /// insertion position.
    bool Search(DWORD id, int* pos) const;
};

// ---- T_Com: intrusive atomic reference count --------------------------------------
//
// The creator holds the first reference. Ref() adds one, Release() drops one
// and destroys the object with the last. Objects are never deleted directly.

template <class T>
class T_Com {
protected:
    virtual ~T_Com() = 0;

public:
    T_Com() : m_count(1) {}
    T_Com(const T_Com& o) : m_count(o.m_count) {}
    T_Com& operator=(const T_Com& o)
    {
        m_count = o.m_count;
        return *this;
    }

    virtual T* Ref()
    {
        AddRef();
        return static_cast<T*>(this);
    }

    void Release()
    {
        if (InterlockedDecrement(&m_count) == 0) delete this;
    }

    LONG IsLast() { return m_count == 1 ? 1 : 0; }
    LONG RefCount() { return m_count; }

protected:
    LONG volatile m_count;

private:
    void AddRef() { InterlockedIncrement(&m_count); }
    friend class MApp; ///< the caches take references without the virtual call
};

template <class T>
T_Com<T>::~T_Com()
{
}

// ---- Singleton: the one application object ------------------------------------------

template <class T>
class Singleton {
public:
    Singleton()
    {
        KES_CHECK(!m_Singleton, KES_UTILITY_SOURCE);
        m_Singleton = static_cast<T*>(this);
    }
    ~Singleton()
    {
        KES_CHECK(m_Singleton, KES_UTILITY_SOURCE);
        m_Singleton = 0;
    }
    Singleton& operator=(const Singleton&) { return *this; }

    static T& GetSingleton()
    {
        KES_CHECK(m_Singleton, KES_UTILITY_SOURCE);
        return *m_Singleton;
    }
    static T* GetSingletonPtr()
    {
        KES_CHECK(m_Singleton, KES_UTILITY_SOURCE);
        return m_Singleton;
    }

protected:
    /// Defined once, in the library, for each instantiation it exports.
    static T* m_Singleton;
};

// ---- colours ---------------------------------------------------------------------------

/// 16-bit 5-6-5 colour: red in bits 11-15, green 5-10, blue 0-4.
struct KESTO_API MPixel {
    unsigned short color;

    MPixel() : color(0) {}
    MPixel(const MPixel& p) : color(p.color) {}
    MPixel(unsigned short c) : color(c) {}
    /// The top bits of each 8-bit channel.
    MPixel(unsigned char r, unsigned char g, unsigned char b)
        : color((unsigned short)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)))
    {
    }
    MPixel& operator=(const MPixel& p)
    {
        color = p.color;
        return *this;
    }
    MPixel& operator=(const unsigned short& c)
    {
        color = c;
        return *this;
    }

    /// Channel-wise, saturating at each channel's maximum / clamping at 0.
    MPixel operator+(MPixel p) const;
    MPixel operator-(MPixel p) const;
    MPixel& operator+=(MPixel p) { return *this = *this + p; }
    MPixel& operator-=(MPixel p) { return *this = *this - p; }

    operator unsigned short() const { return color; }
};

/// 32-bit 0xAARRGGBB colour, the byte order of an A8R8G8B8 texture.
struct KESTO_API MAPixel {
    DWORD color;

    MAPixel() : color(0) {}
    MAPixel(const MAPixel& p) : color(p.color) {}
    MAPixel(DWORD argb) : color(argb) {}
    MAPixel(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : color((DWORD(a) << 24) | (DWORD(r) << 16) | (DWORD(g) << 8) | DWORD(b))
    {
    }
    /// Expands a 5-6-5 colour: each field's low bits refill the new low bits.
    MAPixel(unsigned short c, unsigned char a);
    MAPixel& operator=(MAPixel p)
    {
        color = p.color;
        return *this;
    }
    MAPixel& operator=(const DWORD& argb)
    {
        color = argb;
        return *this;
    }

    /// All four channels, saturating at 255 / clamping at 0.
    MAPixel operator+(MAPixel p) const;
    MAPixel operator-(MAPixel p) const;
    MAPixel& operator+=(MAPixel p) { return *this = *this + p; }
    MAPixel& operator-=(MAPixel p) { return *this = *this - p; }

    operator DWORD() const { return color; }
};

/// A palette of MAPixel entries; owns its array.
class KESTO_API MAPalette {
public:
    int cnt;
    MAPixel* color; ///< null when cnt is 0

    MAPalette();
    explicit MAPalette(int n);
    MAPalette(int n, const DWORD* c);
    MAPalette(int n, const unsigned short* c);
    ~MAPalette();

    /// Reuses the array when n equals cnt; n 0 or a null c empties the palette.
    void ReCreate(int n, const DWORD* c);
    /// 5-6-5 colours, expanded; alpha 0 in every entry.
    void ReCreate(int n, const unsigned short* c);

    MAPixel GetColor(int i) { return color[i]; }
    MAPixel& operator[](int i);
    /// Scales every entry by its own luminance (the argument is not used).
    void ChangeColor(MAPixel c);

    MAPalette(const MAPalette&) = delete;
    MAPalette& operator=(const MAPalette&) = delete;

private:
    void FreePal();
    bool Resize(int n, const void* c);
};

// ---- points and rectangles ---------------------------------------------------------------

namespace kes_detail {
/// Truncates toward zero like the processor's conversion; values it cannot
/// represent (and NaN) give its "integer indefinite" value instead of
/// undefined behaviour.
inline LONG ToLong(int v)
{
    return v;
}
inline LONG ToLong(float v)
{
    return (v > -2147483649.0f && v < 2147483648.0f) ? LONG(v) : LONG(0x80000000u);
}
} // namespace kes_detail

template <class T>
struct T_Point {
    T x; ///< grows to the right
    T y; ///< grows downward

    T_Point() : x(0), y(0) {}
    T_Point(T px, T py) : x(px), y(py) {}
    T_Point& operator=(const T_Point& p)
    {
        x = p.x;
        y = p.y;
        return *this;
    }
    T_Point(const T_Point&) = default;

    int operator==(const T_Point& p) const { return x == p.x && y == p.y; }
    int operator!=(const T_Point& p) const { return x != p.x || y != p.y; }
    T_Point operator+(const T_Point& p) const { return T_Point(x + p.x, y + p.y); }
    T_Point operator-(const T_Point& p) const { return T_Point(x - p.x, y - p.y); }
    T_Point& operator+=(const T_Point& p)
    {
        x += p.x;
        y += p.y;
        return *this;
    }
    T_Point& operator-=(const T_Point& p)
    {
        x -= p.x;
        y -= p.y;
        return *this;
    }
    int IsLeft(const T_Point& p) const { return x < p.x; }
    int IsRight(const T_Point& p) const { return x > p.x; }
    int IsUp(const T_Point& p) const { return y < p.y; }
    int IsDown(const T_Point& p) const { return y > p.y; }

    operator POINT() const
    {
        POINT pt;
        pt.x = kes_detail::ToLong(x);
        pt.y = kes_detail::ToLong(y);
        return pt;
    }
};

/// Origin and size; covers x <= px < x + w, y <= py < y + h.
template <class T>
struct T_Rect {
    T x, y, w, h;

    T_Rect() : x(0), y(0), w(0), h(0) {}
    T_Rect(T rx, T ry, T rw, T rh) : x(rx), y(ry), w(rw), h(rh) {}
    T_Rect(T_Point<T>& p, T rw, T rh) : x(p.x), y(p.y), w(rw), h(rh) {}
    T_Rect(const T_Rect&) = default;
    T_Rect& operator=(const T_Rect& r)
    {
        x = r.x;
        y = r.y;
        w = r.w;
        h = r.h;
        return *this;
    }

    int operator==(const T_Rect& r) const { return x == r.x && y == r.y && w == r.w && h == r.h; }
    int operator!=(const T_Rect& r) const { return !(*this == r); }
    T_Rect operator+(const T_Point<T>& p) const { return T_Rect(x + p.x, y + p.y, w, h); }
    T_Rect operator-(const T_Point<T>& p) const { return T_Rect(x - p.x, y - p.y, w, h); }
    T_Rect& operator+=(const T_Point<T>& p)
    {
        x += p.x;
        y += p.y;
        return *this;
    }
    T_Rect& operator-=(const T_Point<T>& p)
    {
        x -= p.x;
        y -= p.y;
        return *this;
    }

    int IsVaild() const { return w > 0 && h > 0; }
    int IsCover(const T_Point<T>& p) const { return IsCover(p.x, p.y); }
    int IsCover(T px, T py) const
    {
        const T r = x + w, b = y + h;
        return x <= px && px < r && y <= py && py < b;
    }
    int IsIn(const T_Rect& r) const
    {
        const T ra = x + w, ba = y + h, rb = r.x + r.w, bb = r.y + r.h;
        return x >= r.x && y >= r.y && x < rb && y < bb && ra <= rb && ba <= bb;
    }
    int IsOut(const T_Rect& r) const
    {
        const T ra = x + w, ba = y + h, rb = r.x + r.w, bb = r.y + r.h;
        return x >= rb || ra <= r.x || y >= bb || ba <= r.y;
    }

    /// Spans both horizontally, limited to the common vertical band (no check:
    /// the height may come out zero or negative).
    T_Rect HorRect(const T_Rect& r) const
    {
        const T ra = x + w, ba = y + h, rb = r.x + r.w, bb = r.y + r.h;
        const T left = x < r.x ? x : r.x;
        const T top = y > r.y ? y : r.y;
        return T_Rect(left, top, (ra > rb ? ra : rb) - left, (ba < bb ? ba : bb) - top);
    }
    /// Limited to the common horizontal band, spanning both vertically.
    T_Rect VerRect(const T_Rect& r) const
    {
        const T ra = x + w, ba = y + h, rb = r.x + r.w, bb = r.y + r.h;
        const T left = x > r.x ? x : r.x;
        const T top = y < r.y ? y : r.y;
        return T_Rect(left, top, (ra < rb ? ra : rb) - left, (ba > bb ? ba : bb) - top);
    }
    /// The intersection, or (0, 0, 0, 0) when the rectangles do not overlap.
    T_Rect CrT_Rect(const T_Rect& r) const { return CrT_Rect(r.x, r.y, r.w, r.h); }
    T_Rect CrT_Rect(T x2, T y2, T w2, T h2) const
    {
        const T ra = x + w, ba = y + h, rb = x2 + w2, bb = y2 + h2;
        if (!(x < rb && ra > x2 && y < bb && ba > y2)) return T_Rect();
        const T left = x > x2 ? x : x2;
        const T top = y > y2 ? y : y2;
        return T_Rect(left, top, (ra < rb ? ra : rb) - left, (ba < bb ? ba : bb) - top);
    }
};

/// Four edges, as the drawing operations take their source rectangle.
struct RECTF {
    float left, top, right, bottom;
    RECTF() = default;
    RECTF(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
    RECTF(const RECTF&) = default;
    RECTF& operator=(const RECTF& r)
    {
        left = r.left;
        top = r.top;
        right = r.right;
        bottom = r.bottom;
        return *this;
    }
};

#endif
