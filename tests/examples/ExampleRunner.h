// Runs an example program as a player's machine without a display would:
// SDL's offscreen video driver and dummy audio driver, in a scratch folder
// of its own, for a fixed number of frames, ending in a screenshot.
#ifndef KESTO_TESTS_EXAMPLES_EXAMPLERUNNER_H
#define KESTO_TESTS_EXAMPLES_EXAMPLERUNNER_H

#include "Shot.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kes::examples {

struct ExampleRun {
    int status = -1;    // the exit status
    std::string output; // standard output and error together
    bool shotRead = false;
    Shot shot;
    std::string error;  // why the screenshot could not be read
};

// Runs examples/<name> with `args`, then `--frames <frames> --screenshot
// <tag>.png`, in <scratch>/<tag>/.
ExampleRun RunExample(const std::string& name, const std::vector<std::string>& args, int frames,
                      const std::string& tag);

// Success when the example ended with status 0 and left its screenshot.
::testing::AssertionResult Ran(const ExampleRun& run);

// The demo's data folder, as the build made it.
std::string DemoData();

} // namespace kes::examples

#endif
