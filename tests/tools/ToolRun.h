// Running a built tool as a user would, in the current directory.
#ifndef KESTO_TESTS_TOOLS_TOOLRUN_H
#define KESTO_TESTS_TOOLS_TOOLRUN_H

#include <cstddef>
#include <string>
#include <vector>

namespace kes::test {

struct ToolResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` and waits for it. A sanitizer report on its
// standard error fails the calling test.
ToolResult RunProgram(const std::string& program, const std::vector<std::string>& args);

// How many error messages a run gave ("<tool>: error: ...").
size_t ErrorLines(const std::string& err);

} // namespace kes::test

#endif
