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

/// Receives a failed check's report. Checks stay active in every build. A
/// failed check reports its expression text, the engine source it comes from
/// and the line, and execution goes on with the next statement once the
/// report returns. The strings are valid only during the call.
typedef void (*KesAssertHandler)(const wchar_t* expr, const wchar_t* file, unsigned line);

/// Reports a failed check through the installed handler (by default a line on
/// standard error).
KESTO_API void KesAssertReport(const wchar_t* expr, const wchar_t* file, unsigned line);

/// Installs `handler` (null restores the default) and returns the previous one.
KESTO_API KesAssertHandler KesSetAssertHandler(KesAssertHandler handler);

/// Pastes the L prefix onto the string literal `s` (used through KES_WIDE).
#define KES_WIDE_(s) L##s
/// The wide string literal of `s`, after `s` is macro-expanded.
#define KES_WIDE(s) KES_WIDE_(s)
/// Reports `cond`'s text, `source` and the line through KesAssertReport when
/// `cond` is false; nothing otherwise. `source` is the engine file as its
/// developers name it, e.g. L"Core/KesFile".
#define KES_CHECK(cond, source) ((cond) ? (void)0 : KesAssertReport(KES_WIDE(#cond), source, __LINE__))

/// The source name under which the checks of Singleton and of the
/// containers' and palette's indexes report a failure.
#define KES_UTILITY_SOURCE L"include/KesUtility"

// ---- MList: growable array of untyped pointers ----------------------------------

/// A growable array of untyped pointers. It owns its storage, never the
/// objects pointed to.
class KESTO_API MList {
public:
    int max;     ///< allocated slots
    int num;     ///< stored pointers
    void** data; ///< slots beyond num are unspecified

    MList();  ///< Empty, with room for 10 pointers.
    ~MList(); ///< Frees the storage, not the objects pointed to.

    void Pushback(void* p); ///< Appends `p`, doubling the storage when full.
    void Pushhead(void* p); ///< Puts `p` before the first pointer.
    void* Popback();            ///< null when empty
    void* Pophead();            ///< null when empty
    void Delete(void* p);       ///< removes the first occurrence only
    /// Slot `index` itself. An index from num on is a failed check; one
    /// outside the storage then gets a blank scratch slot.
    void*& operator[](int index);
    int GetCount();             ///< the number of stored pointers (num)
    void Reset();               ///< forgets the pointers, keeps the storage

    /// Not copied: two lists would free one storage.
    MList(const MList&) = delete;
    MList& operator=(const MList&) = delete; ///< not assigned, for the same reason

private:
    void resize(int n);
    void Grow(int shift);
};

// ---- MMapPtr: sorted map from 32-bit ids to untyped pointers ---------------------

/// A map from 32-bit ids to untyped pointers, kept sorted by id and searched
/// by bisection. It owns its storage, never the objects pointed to.
class KESTO_API MMapPtr {
public:
    /// One id and its pointer.
    struct Entry {
        DWORD id;  ///< the key
        void* ptr; ///< the value; not owned
    };

    int max;     ///< allocated entries
    int num;     ///< stored entries, ascending by id (unsigned)
    Entry* data; ///< the entries; those beyond num are unspecified

    MMapPtr();  ///< Empty, with room for 10 entries.
    ~MMapPtr(); ///< Frees the storage, not the objects pointed to.

    void* Find(DWORD id) const;      ///< null when absent
    void Insert(DWORD id, void* p);  ///< replaces the pointer of an existing id
    void Delete(DWORD id);           ///< removes the entry of `id`, if any
    void DeleteByIndex(int index);   ///< ignores indexes outside 0..num-1
    void*& operator[](int i);        ///< i-th pointer in ascending id order
    int GetCount();                  ///< the number of entries (num)
    void Reset();                    ///< forgets the entries, keeps the storage

    /// Not copied: two maps would free one storage.
    MMapPtr(const MMapPtr&) = delete;
    MMapPtr& operator=(const MMapPtr&) = delete; ///< not assigned, for the same reason

private:
    /// Bisection: true with *pos at the match, or false with *pos at the
    /// insertion position.
    bool Search(DWORD id, int* pos) const;
};

// ---- T_Com: intrusive atomic reference count --------------------------------------

/// An intrusive, atomic reference count, the base of MImage and MImageVolume.
/// The creator holds the first reference. Ref() adds one, Release() drops one
/// and destroys the object with the last. Objects are never deleted directly.
template <class T>
class T_Com {
protected:
    /// Protected: an object goes with its last Release, never with delete.
    virtual ~T_Com() = 0;

public:
    T_Com() : m_count(1) {} ///< One reference, the creator's.
    /// Copies the count as it stands (the copy does not start at one).
    T_Com(const T_Com& o) : m_count(o.m_count) {}
    /// Copies the count as it stands.
    T_Com& operator=(const T_Com& o)
    {
        m_count = o.m_count;
        return *this;
    }

    /// Adds a reference and returns the object, for the new holder to Release.
    virtual T* Ref()
    {
        AddRef();
        return static_cast<T*>(this);
    }

    /// Gives back a reference; the last one destroys the object.
    void Release()
    {
        if (InterlockedDecrement(&m_count) == 0) delete this;
    }

    LONG IsLast() { return m_count == 1 ? 1 : 0; } ///< 1 when one reference is left
    LONG RefCount() { return m_count; }            ///< the references held

protected:
    LONG volatile m_count; ///< the references held; changed atomically

private:
    void AddRef() { InterlockedIncrement(&m_count); }
    friend class MApp; ///< the caches take references without the virtual call
};

template <class T>
T_Com<T>::~T_Com()
{
}

// ---- Singleton: the one application object ------------------------------------------

/// The one object of class T (MApp), reachable from anywhere once
/// constructed. Constructing a second one while the first lives, or asking
/// before the first or after its end, is a failed check.
template <class T>
class Singleton {
public:
    /// Becomes the one object.
    Singleton()
    {
        KES_CHECK(!m_Singleton, KES_UTILITY_SOURCE);
        m_Singleton = static_cast<T*>(this);
    }
    /// Leaves the place empty.
    ~Singleton()
    {
        KES_CHECK(m_Singleton, KES_UTILITY_SOURCE);
        m_Singleton = 0;
    }
    Singleton& operator=(const Singleton&) { return *this; } ///< the one object stays the one object

    /// The one object; there must be one (asking without one is a failed check).
    static T& GetSingleton()
    {
        KES_CHECK(m_Singleton, KES_UTILITY_SOURCE);
        return *m_Singleton;
    }
    /// The one object, or null (with a failed check) when there is none.
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
    unsigned short color; ///< the colour's 16 bits

    MPixel() : color(0) {}                      ///< black
    MPixel(const MPixel& p) : color(p.color) {} ///< the same colour
    MPixel(unsigned short c) : color(c) {}      ///< the 5-6-5 colour `c` as it is
    /// The top bits of each 8-bit channel.
    MPixel(unsigned char r, unsigned char g, unsigned char b)
        : color((unsigned short)(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3)))
    {
    }
    /// The same colour.
    MPixel& operator=(const MPixel& p)
    {
        color = p.color;
        return *this;
    }
    /// The 5-6-5 colour `c` as it is.
    MPixel& operator=(const unsigned short& c)
    {
        color = c;
        return *this;
    }

    /// Channel-wise sum, saturating at each channel's maximum.
    MPixel operator+(MPixel p) const;
    MPixel operator-(MPixel p) const; ///< channel-wise, clamping at 0
    MPixel& operator+=(MPixel p) { return *this = *this + p; } ///< *this + p, stored
    MPixel& operator-=(MPixel p) { return *this = *this - p; } ///< *this - p, stored

    operator unsigned short() const { return color; } ///< the colour's 16 bits
};

/// 32-bit 0xAARRGGBB colour, the byte order of an A8R8G8B8 texture.
struct KESTO_API MAPixel {
    DWORD color; ///< 0xAARRGGBB

    MAPixel() : color(0) {}                       ///< 0: transparent black
    MAPixel(const MAPixel& p) : color(p.color) {} ///< the same colour
    MAPixel(DWORD argb) : color(argb) {}          ///< 0xAARRGGBB as it is
    /// From its channels (note the order: alpha last).
    MAPixel(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : color((DWORD(a) << 24) | (DWORD(r) << 16) | (DWORD(g) << 8) | DWORD(b))
    {
    }
    /// Expands a 5-6-5 colour: each field's low bits refill the new low bits.
    MAPixel(unsigned short c, unsigned char a);
    /// The same colour.
    MAPixel& operator=(MAPixel p)
    {
        color = p.color;
        return *this;
    }
    /// 0xAARRGGBB as it is.
    MAPixel& operator=(const DWORD& argb)
    {
        color = argb;
        return *this;
    }

    /// All four channels summed, saturating at 255.
    MAPixel operator+(MAPixel p) const;
    MAPixel operator-(MAPixel p) const; ///< all four channels, clamping at 0
    MAPixel& operator+=(MAPixel p) { return *this = *this + p; } ///< *this + p, stored
    MAPixel& operator-=(MAPixel p) { return *this = *this - p; } ///< *this - p, stored

    operator DWORD() const { return color; } ///< 0xAARRGGBB
};

/// A palette of MAPixel entries; owns its array.
class KESTO_API MAPalette {
public:
    int cnt;        ///< entries
    MAPixel* color; ///< the entries (owned); null when cnt is 0

    MAPalette(); ///< Empty.
    explicit MAPalette(int n); ///< `n` entries of 0 (none when n <= 0).
    MAPalette(int n, const DWORD* c); ///< A copy of `n` 0xAARRGGBB colours (see ReCreate).
    MAPalette(int n, const unsigned short* c); ///< `n` 5-6-5 colours, expanded (see ReCreate).
    ~MAPalette(); ///< Frees the entries.

    /// Reuses the array when n equals cnt; n 0 or a null c empties the palette.
    void ReCreate(int n, const DWORD* c);
    /// 5-6-5 colours, expanded; alpha 0 in every entry.
    void ReCreate(int n, const unsigned short* c);

    MAPixel GetColor(int i) { return color[i]; } ///< entry `i`, unchecked
    /// Entry `i` itself. An index outside the entries is a failed check and
    /// then gets a blank scratch entry.
    MAPixel& operator[](int i);
    /// Scales every entry by its own luminance (the argument is not used).
    void ChangeColor(MAPixel c);

    /// Not copied: two palettes would free one array.
    MAPalette(const MAPalette&) = delete;
    MAPalette& operator=(const MAPalette&) = delete; ///< not assigned, for the same reason

private:
    void FreePal();
    bool Resize(int n, const void* c);
};

// ---- points and rectangles ---------------------------------------------------------------

/// Helpers of the header's own templates, not for games.
namespace kes_detail {
/// A coordinate as a LONG, for T_Point's conversion to POINT: an int as it is.
inline LONG ToLong(int v)
{
    return v;
}
/// A float truncated toward zero like the processor's conversion; values it
/// cannot represent (and NaN) give its "integer indefinite" value instead of
/// undefined behaviour.
inline LONG ToLong(float v)
{
    return (v > -2147483649.0f && v < 2147483648.0f) ? LONG(v) : LONG(0x80000000u);
}
} // namespace kes_detail

/// A point on the screen or in a picture, of int or float coordinates.
template <class T>
struct T_Point {
    T x; ///< grows to the right
    T y; ///< grows downward

    T_Point() : x(0), y(0) {}              ///< (0, 0)
    T_Point(T px, T py) : x(px), y(py) {} ///< (px, py)
    /// The same point.
    T_Point& operator=(const T_Point& p)
    {
        x = p.x;
        y = p.y;
        return *this;
    }
    T_Point(const T_Point&) = default; ///< the same point

    int operator==(const T_Point& p) const { return x == p.x && y == p.y; } ///< 1 when both coordinates match
    int operator!=(const T_Point& p) const { return x != p.x || y != p.y; } ///< 1 when a coordinate differs
    T_Point operator+(const T_Point& p) const { return T_Point(x + p.x, y + p.y); } ///< coordinate-wise sum
    T_Point operator-(const T_Point& p) const { return T_Point(x - p.x, y - p.y); } ///< coordinate-wise difference
    /// Adds `p` coordinate-wise.
    T_Point& operator+=(const T_Point& p)
    {
        x += p.x;
        y += p.y;
        return *this;
    }
    /// Subtracts `p` coordinate-wise.
    T_Point& operator-=(const T_Point& p)
    {
        x -= p.x;
        y -= p.y;
        return *this;
    }
    int IsLeft(const T_Point& p) const { return x < p.x; }  ///< 1 when left of `p`
    int IsRight(const T_Point& p) const { return x > p.x; } ///< 1 when right of `p`
    int IsUp(const T_Point& p) const { return y < p.y; }    ///< 1 when above `p`
    int IsDown(const T_Point& p) const { return y > p.y; }  ///< 1 when below `p`

    /// As a Win32 POINT; float coordinates are truncated toward zero (see
    /// kes_detail::ToLong).
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
    ///@{
    /// The origin (x left, y top) and the size (w wide, h high).
    T x, y, w, h;
    ///@}

    T_Rect() : x(0), y(0), w(0), h(0) {}                              ///< (0, 0, 0, 0)
    T_Rect(T rx, T ry, T rw, T rh) : x(rx), y(ry), w(rw), h(rh) {}    ///< origin (rx, ry), size rw x rh
    T_Rect(T_Point<T>& p, T rw, T rh) : x(p.x), y(p.y), w(rw), h(rh) {} ///< origin `p`, size rw x rh
    T_Rect(const T_Rect&) = default;                                  ///< the same rectangle
    /// The same rectangle.
    T_Rect& operator=(const T_Rect& r)
    {
        x = r.x;
        y = r.y;
        w = r.w;
        h = r.h;
        return *this;
    }

    int operator==(const T_Rect& r) const { return x == r.x && y == r.y && w == r.w && h == r.h; } ///< 1 when all four match
    int operator!=(const T_Rect& r) const { return !(*this == r); } ///< 1 when any of the four differs
    T_Rect operator+(const T_Point<T>& p) const { return T_Rect(x + p.x, y + p.y, w, h); } ///< moved by `p`
    T_Rect operator-(const T_Point<T>& p) const { return T_Rect(x - p.x, y - p.y, w, h); } ///< moved back by `p`
    /// Moves the rectangle by `p`.
    T_Rect& operator+=(const T_Point<T>& p)
    {
        x += p.x;
        y += p.y;
        return *this;
    }
    /// Moves the rectangle back by `p`.
    T_Rect& operator-=(const T_Point<T>& p)
    {
        x -= p.x;
        y -= p.y;
        return *this;
    }

    int IsVaild() const { return w > 0 && h > 0; } ///< 1 when both width and height are above 0
    int IsCover(const T_Point<T>& p) const { return IsCover(p.x, p.y); } ///< 1 when the rectangle covers `p`
    /// 1 when the rectangle covers (px, py): x <= px < x + w, y <= py < y + h.
    int IsCover(T px, T py) const
    {
        const T r = x + w, b = y + h;
        return x <= px && px < r && y <= py && py < b;
    }
    /// 1 when the rectangle lies wholly inside `r` (its origin inside `r`).
    int IsIn(const T_Rect& r) const
    {
        const T ra = x + w, ba = y + h, rb = r.x + r.w, bb = r.y + r.h;
        return x >= r.x && y >= r.y && x < rb && y < bb && ra <= rb && ba <= bb;
    }
    /// 1 when the rectangle and `r` have no pixel in common.
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
    /// The same with the other rectangle given as (x2, y2, w2, h2).
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
    ///@{
    /// The four edges; as a source rectangle, fractions of the picture.
    float left, top, right, bottom;
    ///@}
    RECTF() = default; ///< Uninitialised edges (as a plain struct).
    RECTF(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {} ///< (l, t, r, b)
    RECTF(const RECTF&) = default; ///< the same edges
    /// The same edges.
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
