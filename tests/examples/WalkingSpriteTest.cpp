// walking_sprite: the hero is drawn where its walk has taken it, facing the
// way it walks, in a pose of its stride; not a still picture.
#include "ExampleRunner.h"

#include <set>
#include <utility>

namespace kes::examples {
namespace {

// Below the line of text at the top.
const Box kGround = {0, 60, 800, 600};

// The hero's drawn pixels as offsets from the middle of its feet.
std::set<std::pair<int, int>> Silhouette(const Shot& shot, const Ink& ink)
{
    std::set<std::pair<int, int>> s;
    const int cx = int(ink.CentreX()), by = ink.bounds.bottom;
    for (int y = ink.bounds.top; y < ink.bounds.bottom; ++y)
        for (int x = ink.bounds.left; x < ink.bounds.right; ++x) {
            const Rgb p = shot.At(x, y);
            if (p.r + p.g + p.b > 30) s.insert({x - cx, y - by});
        }
    return s;
}

double Overlap(const std::set<std::pair<int, int>>& a, const std::set<std::pair<int, int>>& b)
{
    int common = 0;
    for (const auto& p : a) common += b.count(p) != 0;
    return double(common) / double(a.size() > b.size() ? a.size() : b.size());
}

TEST(WalkingSpriteExample, TheHeroWalksAndTurns)
{
    // Frame 1: at the start, (400, 300), facing south. Frame 40: 40 steps of
    // 2 pixels south, halved down the screen. Frame 130: on the third leg,
    // 34 steps west of the start, facing west.
    struct Case {
        int frame;
        double feetX, feetY;
    };
    const Case cases[] = {{1, 400, 300}, {40, 400, 340}, {130, 332, 300}};
    std::vector<std::set<std::pair<int, int>>> poses;
    for (const Case& c : cases) {
        const ExampleRun run =
            RunExample("walking_sprite", {DemoData()}, c.frame + 1, "walking_sprite_" + std::to_string(c.frame));
        ASSERT_TRUE(Ran(run));
        const Ink hero = InkIn(run.shot, kGround);
        // An 80 x 108 frame, the feet 12 rows above its bottom edge.
        ASSERT_GT(hero.count, 600) << "frame " << c.frame;
        EXPECT_LT(hero.bounds.right - hero.bounds.left, 80) << "frame " << c.frame;
        EXPECT_LT(hero.bounds.bottom - hero.bounds.top, 108) << "frame " << c.frame;
        EXPECT_NEAR(hero.CentreX(), c.feetX, 12) << "frame " << c.frame;
        EXPECT_NEAR(hero.bounds.bottom, c.feetY, 14) << "frame " << c.frame;
        poses.push_back(Silhouette(run.shot, hero));
    }
    // Another step of the stride, then another direction: other pictures
    // (one picture drawn twice overlaps itself wholly, as the hero stands on
    // whole pixels).
    EXPECT_LT(Overlap(poses[0], poses[1]), 0.97);
    EXPECT_LT(Overlap(poses[0], poses[2]), 0.85);
    EXPECT_LT(Overlap(poses[1], poses[2]), 0.85);
}

} // namespace
} // namespace kes::examples
