// kesto-wdf when its output cannot be written: one message with the
// system's reason, then a stop; nothing half-written is left behind.
#include "WdfToolSupport.h"

#include <TestSupport.h>

#include <gtest/gtest.h>

namespace kes::test {
namespace {

TEST(WdfOutput, AFailedWriteIsToldOnceWithTheSystemsReason)
{
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {"an output folder below a file", {"extract", "shape.wdf", "-o", "blocker/out"},
         "blocker/out: cannot create the folder: Not a directory"},
        // Every file below char/ meets the same fault: it is told once.
        {"a file where a folder must go", {"extract", "shape.wdf", "-o", "taken", "--names", "content"},
         "taken/char: cannot create the folder: Not a directory"},
        {"an archive's folder below a file", {"pack", "content", "blocker/sub/shape.wdf"},
         "blocker/sub: cannot create the folder: Not a directory"},
        {"a full disk", {"pack", "content", "/dev/full"}, "/dev/full: cannot write: No space left on device"},
    };
    ScratchDir dir;
    WriteFiles("content", SampleFiles());
    ASSERT_EQ(RunTool({"pack", "content", "shape.wdf"}).exitCode, 0);
    WriteFiles(".", {{"blocker", "a file"}, {"taken/char", "a file"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(ErrorLines(r.err), 1u) << r.err;
        // Files written before the fault are whole; no temporary is left.
        for (const std::string& name : ListTree())
            EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
    }
    EXPECT_EQ(ReadWhole("blocker"), "a file");
    EXPECT_EQ(ReadWhole("taken/char"), "a file");
}

TEST(WdfOutput, PackMakesTheFoldersItWritesInto)
{
    // As extract -o does: the folder and the folders above it, for every
    // part of a chain.
    ScratchDir dir;
    WriteFiles("content", SampleFiles());
    const ToolResult r = RunTool({"pack", "content", "new/deeper/shape.wdf", "--split-count", "5"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ChainParts("new/deeper/shape.wdf"),
              (std::vector<std::string>{"new/deeper/shape.wdf", "new/deeper/shape.wd1", "new/deeper/shape.wd2"}));
    const ToolResult verify = RunTool({"verify", "new/deeper/shape.wdf"});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
}

TEST(WdfOutput, DevicesAreWrittenAsTheyAre)
{
    // Nothing lies in /dev/null to be replaced, and no temporary file may
    // be made beside it.
    ScratchDir dir;
    WriteFiles("content", {{"a.was", "1"}});
    const ToolResult r = RunTool({"pack", "content", "/dev/null"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("/dev/null: 1 file, 29 bytes"), std::string::npos) << r.out;
}

} // namespace
} // namespace kes::test
