// input: the scripted keys, letters, mouse move, double click and wheel
// turn each change their own line of text, and the cross follows the mouse.
#include "ExampleRunner.h"

namespace kes::examples {
namespace {

TEST(InputExample, EveryKindOfInputChangesItsLine)
{
    // The script's 14 messages arrive in frames 10 to 23.
    const ExampleRun still = RunExample("input", {}, 40, "input_still");
    const ExampleRun played = RunExample("input", {"--script"}, 40, "input_script");
    ASSERT_TRUE(Ran(still));
    ASSERT_TRUE(Ran(played));
    const char* const lines[] = {"key", "typed", "mouse", "button", "wheel"};
    for (int i = 0; i < 5; ++i) {
        const Box line = {30, 30 + 40 * i, 770, 64 + 40 * i};
        EXPECT_GT(InkIn(still.shot, line, 200).count, 20) << lines[i] << ": no text before any input";
        EXPECT_GT(Differing(still.shot, played.shot, line), 40) << lines[i] << ": the same after the input";
    }
    // "typed: Kesto!" has half as much ink again as "typed: ".
    const Box typed = {30, 70, 770, 104};
    EXPECT_GT(InkIn(played.shot, typed, 200).count, 3 * InkIn(still.shot, typed, 200).count / 2);
    // The cross at the mouse's last place, (520, 380), and nowhere before it moved.
    const Box cross = {505, 365, 535, 395};
    EXPECT_GT(Matching(played.shot, cross, Rgb{255, 208, 64}, 16), 100);
    EXPECT_EQ(InkIn(still.shot, Box{0, 240, 800, 600}).count, 0);
}

} // namespace
} // namespace kes::examples
