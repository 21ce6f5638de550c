// music_and_clicks: the music starts from sound.wdf and the clicks play on
// the timer, with no line from the engine about either sound; the lamp and
// one dot a click are drawn.
#include "ExampleRunner.h"

#include <filesystem>
#include <string>

namespace kes::examples {
namespace {

TEST(MusicAndClicksExample, MusicLoopsAndTheTimerClicks)
{
    const ExampleRun run = RunExample("music_and_clicks", {DemoData()}, 150, "music_and_clicks");
    ASSERT_TRUE(Ran(run));
    for (const char* said : {"music sound/music.ogg looping, sound output dummy", "click 1 (timer) at frame 60",
                             "click 2 (timer) at frame 120", "2 clicks, no sound reported a failure"})
        EXPECT_NE(run.output.find(said), std::string::npos) << "no \"" << said << "\" in:\n" << run.output;
    // One yellow dot a click.
    EXPECT_EQ(Matching(run.shot, Box{95, 395, 700, 415}, Rgb{240, 208, 64}, 10), 2 * 10 * 10);
}

TEST(MusicAndClicksExample, ASoundArchiveWithoutTheSoundsIsReported)
{
    // The demo's shape chain where sound.wdf should be: the names are not
    // there, the engine says so through the log hook, and the example fails.
    const std::string scratch = std::string(KESTO_EXAMPLES_SCRATCH) + "/no_sounds_data";
    std::filesystem::create_directories(scratch);
    std::filesystem::copy_file(DemoData() + "/ui.wdf", scratch + "/sound.wdf",
                               std::filesystem::copy_options::overwrite_existing);
    const ExampleRun run = RunExample("music_and_clicks", {scratch}, 70, "music_and_clicks_silent");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("sound/music.ogg"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("some sounds did not play"), std::string::npos) << run.output;
}

} // namespace
} // namespace kes::examples
