// pictures: each loader's picture is drawn where the example puts it. The
// BMP and PNG badges (red, green, blue and yellow quarters, 32 x 32, three
// times their size) show their quarters the right way up; the PNG's tiles
// repeat them; the JPEG and the TGA from the demo's archives fill their
// places.
#include "ExampleRunner.h"

namespace kes::examples {
namespace {

const Rgb kRed{230, 40, 40}, kGreen{40, 200, 60}, kBlue{50, 80, 230}, kYellow{240, 220, 40};

// The quarters of a badge drawn at (left, top) with 3 x 3 (or 1.25 x
// 1.25) screen pixels a picture pixel: each quarter's middle.
void ExpectBadge(const Shot& shot, int left, int top, double scale, const char* what)
{
    const struct {
        double u, v;
        Rgb colour;
    } quarters[] = {{8, 8, kRed}, {24, 8, kGreen}, {8, 24, kBlue}, {24, 24, kYellow}};
    for (const auto& q : quarters) {
        const int x = left + int(q.u * scale), y = top + int(q.v * scale);
        EXPECT_EQ(Matching(shot, Box{x - 1, y - 1, x + 2, y + 2}, q.colour, 10), 9) << what << " at " << x << ", " << y;
    }
}

TEST(PicturesExample, EachLoaderDrawsItsPictureInItsPlace)
{
    const ExampleRun run = RunExample("pictures", {DemoData()}, 5, "pictures");
    ASSERT_TRUE(Ran(run)) << run.output;

    ExpectBadge(run.shot, 100, 400, 3, "BMP badge");
    ExpectBadge(run.shot, 260, 400, 3, "PNG badge");
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 8; ++column)
            ExpectBadge(run.shot, 440 + 40 * column, 400 + 40 * row, 1.25, "PNG tile");

    // The JPEG background shrunk into the top-left 400 x 300: drawn all over.
    const Ink back = InkIn(run.shot, Box{0, 0, 400, 300}, 10);
    EXPECT_GT(back.count, 400 * 300 * 9 / 10);
    // The TGA logo beside it: drawn, and with alpha (not a filled rectangle).
    const Ink logo = InkIn(run.shot, Box{440, 40, 800, 380});
    EXPECT_GT(logo.count, 500);
    EXPECT_LT(logo.count, (logo.bounds.right - logo.bounds.left) * (logo.bounds.bottom - logo.bounds.top));
}

} // namespace
} // namespace kes::examples
