// archive_round_trip: the picture packed at build time is found in gfx.wdf
// (not as a loose file: the run's folder holds none) and drawn four times
// its size in the middle of the window, the right way up, its key colour
// left out.
#include "ExampleRunner.h"

namespace kes::examples {
namespace {

TEST(ArchiveRoundTripExample, ThePackedPictureIsDrawnFromTheArchive)
{
    // No data folder given: the example finds the one its build packed.
    const ExampleRun run = RunExample("archive_round_trip", {}, 5, "archive_round_trip");
    ASSERT_TRUE(Ran(run));
    EXPECT_NE(run.output.find("gfx/badge.tga: id 0x"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("from gfx.wdf"), std::string::npos) << run.output;

    // The 64 x 64 badge at (272, 172), 4 x 4 screen pixels a picture pixel
    // (filtered between them, so each spot is a picture pixel's middle):
    // a magenta edge 2 pixels wide, its first stored pixel's colour and so
    // transparent; a white frame 4 pixels wide; red, green, blue and yellow
    // quarters.
    struct Spot {
        const char* what;
        int x, y;
        Rgb colour;
    };
    const Spot spots[] = {
        {"transparent edge, top left", 272 + 2, 172 + 2, {0, 0, 0}},
        {"transparent edge, bottom right", 272 + 253, 172 + 253, {0, 0, 0}},
        {"frame, top left", 272 + 16, 172 + 16, {255, 255, 255}},
        {"frame, bottom right", 272 + 240, 172 + 240, {255, 255, 255}},
        {"red quarter, top left", 272 + 64, 172 + 64, {220, 40, 40}},
        {"green quarter, top right", 272 + 192, 172 + 64, {40, 200, 60}},
        {"blue quarter, bottom left", 272 + 64, 172 + 192, {40, 70, 220}},
        {"yellow quarter, bottom right", 272 + 192, 172 + 192, {240, 210, 40}},
        {"outside", 200, 100, {0, 0, 0}},
    };
    for (const Spot& s : spots)
        EXPECT_EQ(Matching(run.shot, Box{s.x - 1, s.y - 1, s.x + 2, s.y + 2}, s.colour, 8), 9) << s.what;
    // The drawn part: 60 x 60 picture pixels, give or take the filtered
    // border of the magnified picture.
    EXPECT_NEAR(InkIn(run.shot, Box{0, 0, 800, 600}).count, 240 * 240, 240 * 4 * 3);
}

} // namespace
} // namespace kes::examples
