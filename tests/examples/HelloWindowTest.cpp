// hello_window: frames follow each other (the square has gone round by the
// frames run), the frame-time graph has its bars, the rate is written.
#include "ExampleRunner.h"

#include <cmath>
#include <string>

namespace kes::examples {
namespace {

const Rgb kSquare = {240, 128, 48}; // 0xFFF08030
const Box kGraph = {40, 410, 760, 560};
const Box kText = {30, 8, 780, 80};

// Where the square's middle is after `frame` frames: once round (400, 200)
// at radius 120 every 120 frames.
void SquareAt(int frame, double* x, double* y)
{
    const double turn = (frame % 120) / 120.0 * 6.283185307;
    *x = 400 + 120 * std::cos(turn);
    *y = 200 + 120 * std::sin(turn);
}

TEST(HelloWindowExample, TheSquareGoesRoundFrameByFrame)
{
    // The screenshot is of the frame before the last one counted.
    for (int frames : {31, 61, 91}) {
        const ExampleRun run = RunExample("hello_window", {}, frames, "hello_window_" + std::to_string(frames));
        ASSERT_TRUE(Ran(run));
        double x, y, seenX = 0, seenY = 0;
        SquareAt(frames - 1, &x, &y);
        EXPECT_GT(Matching(run.shot, Box{0, 0, 800, 400}, kSquare, 12, &seenX, &seenY), 1400) << frames << " frames";
        EXPECT_NEAR(seenX, x, 4) << frames << " frames";
        EXPECT_NEAR(seenY, y, 4) << frames << " frames";
    }
}

TEST(HelloWindowExample, DrawsTheFrameGraphAndTheRate)
{
    // Enough frames for a bar in every place of the graph.
    const ExampleRun run = RunExample("hello_window", {}, 130, "hello_window_graph");
    ASSERT_TRUE(Ran(run));
    // Green bars over the graph's dark ground, one a frame, 5 of every 6
    // columns.
    int barColumns = 0;
    for (int x = kGraph.left; x < kGraph.right; ++x) {
        const Rgb p = run.shot.At(x, kGraph.bottom - 2);
        barColumns += p.g > p.r + 60 && p.g > p.b + 40;
    }
    EXPECT_GT(barColumns, (kGraph.right - kGraph.left) * 3 / 4);
    EXPECT_GT(InkIn(run.shot, kText).count, 400) << "no text where the frame rate is written";
    EXPECT_EQ(InkIn(run.shot, Box{0, 570, 800, 600}, 0).count, 0) << "the window is not cleared below the graph";
}

} // namespace
} // namespace kes::examples
