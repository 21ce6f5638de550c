// A screenshot that cannot be written says why, once however often the game
// tries (a game that saves every frame meets the same failure every frame),
// with the path as the game gave it and the system's reason;
// KesPlatformSaveScreenshot still answers 0.
#include "LogCapture.h"
#include "RenderFixture.h"
#include "TestSupport.h"

#include <KesPlatform.h>

#include <sys/stat.h>

#include <string>

namespace kes::test {
namespace {

using ScreenshotReport = RenderTest;

TEST_F(ScreenshotReport, AShotThatCannotBeWrittenSaysWhyOnce)
{
    ScratchDir dir;
    mkdir("already-a-folder.png", 0755);
    const struct {
        HWND window;
        const char* path;
        std::string line;
    } cases[] = {
        {m_window, "no-such-folder/shot.png",
         "screenshot no-such-folder/shot.png cannot be written: No such file or directory"},
        {m_window, "already-a-folder.png", "screenshot already-a-folder.png cannot be written: Is a directory"},
        {nullptr, "windowless.png", "screenshot windowless.png cannot be written: no device presents in that window"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        for (int frame = 0; frame < 3; ++frame) {
            Frame();
            EXPECT_EQ(KesPlatformSaveScreenshot(c.window, c.path), 0);
        }
        EXPECT_EQ(log.Count(c.path), 1u) << log.All();
        EXPECT_EQ(log.Only(c.path), c.line);
    }
    // One that can be written says nothing.
    log.Clear();
    EXPECT_EQ(KesPlatformSaveScreenshot(m_window, "written.png"), 1);
    EXPECT_FALSE(ReadWhole("written.png").empty());
    EXPECT_EQ(log.Lines().size(), 0u) << log.All();
}

} // namespace
} // namespace kes::test
