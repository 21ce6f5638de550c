// T_Point, T_Rect (for int and float) and RECTF.
#include <KesUtility.h>

#include <gtest/gtest.h>

#include <stddef.h>

#include <limits>

namespace {

// The same cases run for both element types; every value in them is exact in
// either type.
template <class T>
class Geometry : public ::testing::Test {
protected:
    using Point = T_Point<T>;
    using Rect = T_Rect<T>;

    static Rect R(double x, double y, double w, double h) { return Rect(T(x), T(y), T(w), T(h)); }
    static Point Pt(double x, double y) { return Point(T(x), T(y)); }
};

using ElementTypes = ::testing::Types<int, float>;
TYPED_TEST_SUITE(Geometry, ElementTypes);

template <class T>
::testing::AssertionResult SameRect(const T_Rect<T>& got, const T_Rect<T>& want)
{
    if (got.x == want.x && got.y == want.y && got.w == want.w && got.h == want.h)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got (" << got.x << ", " << got.y << ", " << got.w << ", " << got.h
                                         << "), want (" << want.x << ", " << want.y << ", " << want.w << ", "
                                         << want.h << ")";
}

// ---- T_Point -----------------------------------------------------------------------------

TYPED_TEST(Geometry, PointArithmeticAndComparison)
{
    using Point = typename TestFixture::Point;
    const Point zero;
    EXPECT_EQ(zero.x, 0);
    EXPECT_EQ(zero.y, 0);

    const Point a = this->Pt(3, -4), b = this->Pt(10, 20);
    const Point sum = a + b, diff = a - b;
    EXPECT_EQ(sum.x, 13);
    EXPECT_EQ(sum.y, 16);
    EXPECT_EQ(diff.x, -7);
    EXPECT_EQ(diff.y, -24);
    EXPECT_EQ(a.x, 3) << "operator+ changed its left operand";

    Point c = a;
    (c += b) += b;
    EXPECT_TRUE(c == this->Pt(23, 36));
    (c -= b) -= a;
    EXPECT_TRUE(c == this->Pt(10, 20));

    struct Case {
        double x, y;
        int equal;
    } cases[] = {{3, -4, 1}, {4, -4, 0}, {3, -3, 0}, {-4, 3, 0}};
    for (const Case& k : cases) {
        EXPECT_EQ(a == this->Pt(k.x, k.y), k.equal) << k.x << "," << k.y;
        EXPECT_EQ(a != this->Pt(k.x, k.y), 1 - k.equal) << k.x << "," << k.y;
    }
}

TYPED_TEST(Geometry, PointDirectionsFollowScreenAxes)
{
    // y grows downward: "up" is the smaller y.
    struct Case {
        double x, y, px, py;
        int left, right, up, down;
    } cases[] = {
        {1, 2, 1, 5, 0, 0, 1, 0},
        {1, 5, 1, 2, 0, 0, 0, 1},
        {0, 0, 4, 0, 1, 0, 0, 0},
        {4, 0, 0, 0, 0, 1, 0, 0},
        {-3, -3, -3, -3, 0, 0, 0, 0},
        {-1, 9, 1, -9, 1, 0, 0, 1},
    };
    for (const auto& k : cases) {
        const auto p = this->Pt(k.x, k.y), q = this->Pt(k.px, k.py);
        EXPECT_EQ(p.IsLeft(q), k.left) << k.x << "," << k.y;
        EXPECT_EQ(p.IsRight(q), k.right) << k.x << "," << k.y;
        EXPECT_EQ(p.IsUp(q), k.up) << k.x << "," << k.y;
        EXPECT_EQ(p.IsDown(q), k.down) << k.x << "," << k.y;
    }
}

TEST(T_Point, ConvertsToAWin32PointTruncatingTowardZero)
{
    struct Case {
        float x, y;
        LONG wx, wy;
    } cases[] = {
        {-0.5f, 3.99f, 0, 3},
        {-1.7f, 2.9f, -1, 2},
        {-2.0f, 0.0f, -2, 0},
        {1e9f, -1e9f, 1000000000, -1000000000},
    };
    for (const Case& c : cases) {
        const POINT pt = T_Point<float>(c.x, c.y);
        EXPECT_EQ(pt.x, c.wx) << c.x;
        EXPECT_EQ(pt.y, c.wy) << c.y;
    }
    const POINT pi = T_Point<int>(-7, 2147483647);
    EXPECT_EQ(pi.x, -7);
    EXPECT_EQ(pi.y, 2147483647);
}

TEST(T_Point, ComparisonsWithNaNAreFalse)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const T_Point<float> p(nan, 1), q(nan, 1);
    EXPECT_EQ(p == q, 0);
    EXPECT_EQ(p != q, 1);
    EXPECT_EQ(p.IsLeft(q) | p.IsRight(q), 0);
    EXPECT_EQ(p.IsUp(q) | p.IsDown(q), 0);
}

// ---- T_Rect ------------------------------------------------------------------------------

TYPED_TEST(Geometry, RectConstructionEqualityAndTranslation)
{
    using Rect = typename TestFixture::Rect;
    EXPECT_TRUE(SameRect(Rect(), this->R(0, 0, 0, 0)));
    auto origin = this->Pt(-2, 7);
    EXPECT_TRUE(SameRect(Rect(origin, TypeParam(4), TypeParam(5)), this->R(-2, 7, 4, 5)));

    const Rect base = this->R(1, 2, 3, 4);
    const Rect oneOff[] = {this->R(9, 2, 3, 4), this->R(1, 9, 3, 4), this->R(1, 2, 9, 4), this->R(1, 2, 3, 9)};
    for (const Rect& other : oneOff) {
        EXPECT_EQ(base == other, 0);
        EXPECT_EQ(base != other, 1);
    }
    EXPECT_EQ(base == this->R(1, 2, 3, 4), 1);
    EXPECT_EQ(base != this->R(1, 2, 3, 4), 0);

    // Translation moves the origin only.
    const auto d = this->Pt(10, -20);
    EXPECT_TRUE(SameRect(base + d, this->R(11, -18, 3, 4)));
    EXPECT_TRUE(SameRect(base - d, this->R(-9, 22, 3, 4)));
    Rect m = base;
    (m += d) += d;
    EXPECT_TRUE(SameRect(m, this->R(21, -38, 3, 4)));
    (m -= d) -= this->Pt(20, 0);
    EXPECT_TRUE(SameRect(m, this->R(-9, -18, 3, 4)));
}

TYPED_TEST(Geometry, RectValidity)
{
    struct Case {
        double w, h;
        int valid;
    } cases[] = {{10, 10, 1}, {1, 1, 1}, {0, 10, 0}, {10, 0, 0}, {10, -1, 0}, {-5, -5, 0}, {-1, 3, 0}};
    for (const auto& k : cases) EXPECT_EQ(this->R(4, 4, k.w, k.h).IsVaild(), k.valid) << k.w << "x" << k.h;
}

TYPED_TEST(Geometry, RectCoversItsLeftAndTopEdgesOnly)
{
    struct Case {
        double x, y, w, h, px, py;
        int covered;
    } cases[] = {
        {0, 0, 10, 10, 0, 0, 1},
        {0, 0, 10, 10, 9, 9, 1},
        {0, 0, 10, 10, 10, 5, 0},
        {0, 0, 10, 10, 5, 10, 0},
        {0, 0, 10, 10, -1, 5, 0},
        {0, 0, 10, 10, 5, -1, 0},
        {-5, -5, 10, 10, 4, 4, 1},
        {-5, -5, 10, 10, 5, 0, 0},
        {3, 3, 0, 0, 3, 3, 0}, // an empty rectangle covers nothing
    };
    for (const auto& k : cases) {
        const auto r = this->R(k.x, k.y, k.w, k.h);
        EXPECT_EQ(r.IsCover(TypeParam(k.px), TypeParam(k.py)), k.covered) << k.px << "," << k.py;
        EXPECT_EQ(r.IsCover(this->Pt(k.px, k.py)), k.covered) << k.px << "," << k.py;
    }
}

TYPED_TEST(Geometry, RectInsideAnother)
{
    struct Case {
        double a[4], b[4];
        int in;
    } cases[] = {
        {{0, 0, 10, 10}, {0, 0, 10, 10}, 1},   // itself
        {{2, 2, 3, 3}, {0, 0, 10, 10}, 1},
        {{5, 5, 0, 0}, {0, 0, 10, 10}, 1},     // empty, at an inner point
        {{10, 0, 0, 5}, {0, 0, 10, 10}, 0},    // zero width on the right edge
        {{0, 10, 5, 0}, {0, 0, 10, 10}, 0},    // zero height on the bottom edge
        {{5, 5, 6, 2}, {0, 0, 10, 10}, 0},     // sticks out to the right
        {{5, 5, 2, 6}, {0, 0, 10, 10}, 0},     // and below
        {{-1, 0, 5, 5}, {0, 0, 10, 10}, 0},    // and to the left
        {{0, -1, 5, 5}, {0, 0, 10, 10}, 0},    // and above
        {{0, 0, 10, 10}, {2, 2, 3, 3}, 0},     // the other way round
    };
    for (const auto& k : cases) {
        const auto a = this->R(k.a[0], k.a[1], k.a[2], k.a[3]), b = this->R(k.b[0], k.b[1], k.b[2], k.b[3]);
        EXPECT_EQ(a.IsIn(b), k.in) << k.a[0] << "," << k.a[1] << "," << k.a[2] << "," << k.a[3];
    }
}

// Pairs of rectangles and what the overlap operations make of them.
struct PairCase {
    const char* name;
    double a[4], b[4];
    int out;          // IsOut, either way round
    double cross[4];  // CrT_Rect, either way round
    double hor[4];    // a.HorRect(b)
    double ver[4];    // a.VerRect(b)
};

const PairCase kPairs[] = {
    {"overlapping corners", {0, 0, 10, 10}, {5, 5, 10, 10}, 0, {5, 5, 5, 5}, {0, 5, 15, 5}, {5, 0, 5, 15}},
    {"touching on the right", {0, 0, 10, 10}, {10, 0, 5, 5}, 1, {0, 0, 0, 0}, {0, 0, 15, 5}, {10, 0, 0, 10}},
    {"touching below", {0, 0, 10, 10}, {0, 10, 5, 5}, 1, {0, 0, 0, 0}, {0, 10, 10, 0}, {0, 0, 5, 15}},
    {"one column in common", {0, 0, 10, 10}, {9, 0, 5, 5}, 0, {9, 0, 1, 5}, {0, 0, 14, 5}, {9, 0, 1, 10}},
    {"far apart", {0, 0, 10, 10}, {20, 30, 5, 5}, 1, {0, 0, 0, 0}, {0, 30, 25, -20}, {20, 0, -10, 35}},
    {"contained", {0, 0, 10, 10}, {2, 3, 4, 5}, 0, {2, 3, 4, 5}, {0, 3, 10, 5}, {2, 0, 4, 10}},
    {"identical", {1, 1, 4, 4}, {1, 1, 4, 4}, 0, {1, 1, 4, 4}, {1, 1, 4, 4}, {1, 1, 4, 4}},
    {"negative coordinates", {-10, -10, 15, 15}, {0, 0, 10, 10}, 0, {0, 0, 5, 5}, {-10, 0, 20, 5}, {0, -10, 5, 20}},
    // An empty rectangle strictly inside still passes the overlap test.
    {"empty inside", {0, 0, 10, 10}, {5, 5, 0, 0}, 0, {5, 5, 0, 0}, {0, 5, 10, 0}, {5, 0, 0, 10}},
};

TYPED_TEST(Geometry, RectOverlapOperations)
{
    for (const PairCase& k : kPairs) {
        SCOPED_TRACE(k.name);
        const auto a = this->R(k.a[0], k.a[1], k.a[2], k.a[3]), b = this->R(k.b[0], k.b[1], k.b[2], k.b[3]);
        const auto cross = this->R(k.cross[0], k.cross[1], k.cross[2], k.cross[3]);

        EXPECT_EQ(a.IsOut(b), k.out);
        EXPECT_EQ(b.IsOut(a), k.out);
        EXPECT_TRUE(SameRect(a.CrT_Rect(b), cross));
        EXPECT_TRUE(SameRect(b.CrT_Rect(a), cross));
        EXPECT_TRUE(SameRect(a.CrT_Rect(b.x, b.y, b.w, b.h), cross));
        EXPECT_TRUE(SameRect(a.HorRect(b), this->R(k.hor[0], k.hor[1], k.hor[2], k.hor[3])));
        EXPECT_TRUE(SameRect(a.VerRect(b), this->R(k.ver[0], k.ver[1], k.ver[2], k.ver[3])));
    }
}

TEST(T_Rect, FloatRectanglesUseFractionsAndSinglePrecisionEdges)
{
    EXPECT_EQ(T_Rect<float>(0, 0, 0.5f, 0.5f).IsVaild(), 1);
    EXPECT_EQ(T_Rect<float>(0, 0, 0.5f, 0.0f).IsVaild(), 0);

    const T_Rect<float> a(0.25f, 0.25f, 0.5f, 0.5f), b(0.5f, 0.0f, 1.0f, 1.0f);
    EXPECT_TRUE(SameRect(a.CrT_Rect(b), T_Rect<float>(0.5f, 0.25f, 0.25f, 0.5f)));
    EXPECT_EQ(a.IsCover(0.74f, 0.25f), 1);
    EXPECT_EQ(a.IsCover(0.75f, 0.25f), 0);

    // 2^24 + 1 rounds back to 2^24 in single precision, so this rectangle's
    // right edge equals its left edge and it covers nothing there.
    const float big = 16777216.0f;
    const T_Rect<float> far(big, 0, 1, 1);
    EXPECT_EQ(far.IsCover(big, 0), 0);
    EXPECT_TRUE(SameRect(far.VerRect(T_Rect<float>(0, 0, 2 * big, 1)), T_Rect<float>(big, 0, 0, 1)));
}

TEST(T_Rect, ComparisonsWithNaNAreFalse)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const T_Rect<float> r(0, 0, nan, 10), same(0, 0, nan, 10);
    EXPECT_EQ(r == same, 0);
    EXPECT_EQ(r != same, 1);
    EXPECT_EQ(r.IsVaild(), 0);
    EXPECT_EQ(r.IsCover(1, 1), 0);
    EXPECT_EQ(T_Rect<float>(nan, 0, 10, 10).IsIn(T_Rect<float>(-100, -100, 200, 200)), 0);
}

// ---- layout --------------------------------------------------------------------------------

TEST(GeometryLayout, FieldsAreInDeclaredOrder)
{
    // Games and the drawing operations hand these over as plain memory; a
    // rectangle's origin has the layout of a point.
    static_assert(sizeof(T_Point<int>) == 8 && sizeof(T_Point<float>) == 8, "two fields");
    static_assert(sizeof(T_Rect<int>) == 16 && sizeof(T_Rect<float>) == 16, "four fields");
    static_assert(sizeof(RECTF) == 16, "four floats");
    EXPECT_EQ(offsetof(T_Rect<float>, x), 0u);
    EXPECT_EQ(offsetof(T_Rect<float>, y), 4u);
    EXPECT_EQ(offsetof(T_Rect<float>, w), 8u);
    EXPECT_EQ(offsetof(T_Rect<float>, h), 12u);
    EXPECT_EQ(offsetof(T_Point<int>, y), 4u);
    EXPECT_EQ(offsetof(RECTF, left), 0u);
    EXPECT_EQ(offsetof(RECTF, top), 4u);
    EXPECT_EQ(offsetof(RECTF, right), 8u);
    EXPECT_EQ(offsetof(RECTF, bottom), 12u);

    RECTF src = {0.125f, 0.25f, 0.5f, 1.0f};
    RECTF dst = {9, 9, 9, 9};
    dst = src;
    EXPECT_EQ(dst.left, 0.125f);
    EXPECT_EQ(dst.top, 0.25f);
    EXPECT_EQ(dst.right, 0.5f);
    EXPECT_EQ(dst.bottom, 1.0f);
}

} // namespace
