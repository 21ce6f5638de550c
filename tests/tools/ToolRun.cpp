#include "ToolRun.h"

#include <TestSupport.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

extern char** environ;

namespace fs = std::filesystem;

namespace kes::test {
namespace {

// A file in the system's temporary folder, outside the scratch folder whose
// contents the tests compare.
struct TempFile {
    TempFile()
    {
        path = (fs::temp_directory_path() / "kesto-tool-run-XXXXXX").string();
        fd = mkstemp(path.data());
    }
    ~TempFile()
    {
        if (fd >= 0) close(fd);
        unlink(path.c_str());
    }
    std::string path;
    int fd;
};

} // namespace

ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args)
{
    ToolResult r;
    TempFile out, err;
    if (out.fd < 0 || err.fd < 0) {
        ADD_FAILURE() << "cannot make temporary files";
        return r;
    }
    std::vector<std::string> all = {program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out.fd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.fd, STDERR_FILENO);
    pid_t pid;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot run " << program;
        return r;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = ReadWhole(out.path);
    r.err = ReadWhole(err.path);
    if (r.err.find("Sanitizer") != std::string::npos || r.err.find("runtime error:") != std::string::npos)
        ADD_FAILURE() << program << " reported a memory or undefined-behaviour error:\n" << r.err;
    return r;
}

size_t ErrorLines(const std::string& err)
{
    size_t n = 0;
    for (size_t at = err.find(": error: "); at != std::string::npos; at = err.find(": error: ", at + 1)) ++n;
    return n;
}

} // namespace kes::test
