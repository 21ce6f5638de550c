#include "ExampleRunner.h"

#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace kes::examples {
namespace {

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

::testing::AssertionResult Ran(const ExampleRun& run)
{
    if (run.status != 0) return ::testing::AssertionFailure() << "exit status " << run.status << "\n" << run.output;
    if (!run.shotRead) return ::testing::AssertionFailure() << run.error << "\n" << run.output;
    return ::testing::AssertionSuccess();
}

std::string DemoData()
{
    return KESTO_DEMO_DATA;
}

ExampleRun RunExample(const std::string& name, const std::vector<std::string>& args, int frames,
                      const std::string& tag)
{
    const fs::path folder = fs::path(KESTO_EXAMPLES_SCRATCH) / tag;
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string shot = (folder / (tag + ".png")).string();

    std::string command = "cd " + Quoted(folder.string()) + " && SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy " +
                          Quoted(std::string(KESTO_EXAMPLES_BIN) + "/" + name);
    for (const std::string& a : args) command += " " + Quoted(a);
    command += " --frames " + std::to_string(frames) + " --screenshot " + Quoted(shot) + " 2>&1";

    ExampleRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        run.error = "cannot start " + command;
        return run;
    }
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.shotRead = ReadShot(shot, &run.shot, &run.error);
    return run;
}

} // namespace kes::examples
