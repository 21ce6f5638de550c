// text: one sentence given as GBK and as UTF-8 makes the same picture,
// wrapped to the example's width over several lines; the UTF-8 line of
// letters GBK lacks is drawn.
#include "ExampleRunner.h"

namespace kes::examples {
namespace {

// The rows of a part that hold ink, as bands of consecutive rows.
int InkBands(const Shot& shot, Box part)
{
    int bands = 0;
    bool inBand = false;
    for (int y = part.top; y < part.bottom; ++y) {
        const bool ink = InkIn(shot, Box{part.left, y, part.right, y + 1}).count > 0;
        if (ink && !inBand) ++bands;
        inBand = ink;
    }
    return bands;
}

TEST(TextExample, BothEncodingsDrawTheSameWrappedSentence)
{
    const ExampleRun run = RunExample("text", {}, 5, "text");
    ASSERT_TRUE(Ran(run)) << run.output;
    const Shot& shot = run.shot;

    // The GBK image at (30, 70), the UTF-8 one at (430, 70), both wrapped
    // to 340 pixels: pixel for pixel the same.
    const Box gbk{30, 70, 30 + 360, 340};
    const Ink gbkInk = InkIn(shot, gbk);
    ASSERT_GT(gbkInk.count, 2000) << "the GBK sentence is drawn";
    EXPECT_LE(gbkInk.bounds.right - gbkInk.bounds.left, 340) << "within the wrap width";
    EXPECT_GE(InkBands(shot, gbk), 3) << "wrapped over several lines";
    int differing = 0;
    for (int y = gbk.top; y < gbk.bottom; ++y)
        for (int x = gbk.left; x < gbk.right; ++x) {
            const Rgb a = shot.At(x, y), b = shot.At(x + 400, y);
            if (a.r != b.r || a.g != b.g || a.b != b.b) ++differing;
        }
    EXPECT_EQ(differing, 0) << "GBK and UTF-8 pictures differ";

    // The line beyond GBK, in its own colour, with its underline.
    const Ink beyond = InkIn(shot, Box{30, 380, 800, 480});
    EXPECT_GT(beyond.count, 300);
    EXPECT_GT(beyond.r, beyond.b) << "drawn in its warm colour";
}

} // namespace
} // namespace kes::examples
