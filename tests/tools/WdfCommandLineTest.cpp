// kesto-wdf's command line: help, and mistakes that must fail loudly.
#include "WdfToolSupport.h"

#include <TestSupport.h>

#include <gtest/gtest.h>

namespace kes::test {
namespace {

TEST(WdfCommandLine, MistakesFailWithAMessageAndNoOutput)
{
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{}, 2, "Usage"},
        {{"frobnicate"}, 2, "unknown command"},
        {{"help", "frobnicate"}, 2, "unknown command"},
        {{"list"}, 2, "needs an archive"},
        {{"list", "a.wdf", "b.wdf"}, 2, "one archive"},
        {{"list", "a.wdf", "--names"}, 2, "--names needs a value"},
        {{"list", "a.wdf", "--names="}, 2, "--names needs a value"},
        {{"list", "a.wdf", "--bogus"}, 2, "unknown option --bogus"},
        {{"list", "missing.wdf"}, 1, "missing.wdf"},
        {{"list", "a.wdf", "--names", "missing.txt"}, 1, "missing.txt"},
        {{"list", "content"}, 1, "not a regular file"},
        {{"extract"}, 2, "needs an archive"},
        {{"extract", "a.wdf", "-o"}, 2, "needs a value"},
        {{"extract", "a.wdf", "-o", "x", "-o", "y"}, 2, "--output is given twice"},
        {{"pack", "content", "a.wdf", "--scrambled", "--scrambled"}, 2, "--scrambled is given twice"},
        {{"pack", "content", "a.wdf", "--split-count", "2", "--split-count=3"}, 2, "--split-count is given twice"},
        // One number parser for every option: no spaces, signs or hex.
        {{"pack", "content", "a.wdf", "--split-count", "\t5"}, 2, "--split-count"},
        {{"pack", "content", "a.wdf", "--split-count", "+5"}, 2, "--split-count"},
        {{"pack", "content", "a.wdf", "--split-count", "0x5"}, 2, "--split-count"},
        {{"extract", "missing.wdf"}, 1, "missing.wdf"},
        {{"pack"}, 2, "needs a folder"},
        {{"pack", "content"}, 2, "needs a folder and an archive"},
        {{"pack", "content", "a.wdf", "b.wdf"}, 2, "one archive"},
        {{"pack", "content", "a.wdf", "--scrambled=yes"}, 2, "takes no value"},
        {{"pack", "content", "a.wdf", "--remove-stale", "--remove-stale"}, 2, "--remove-stale is given twice"},
        {{"pack", "content", "a.wdf", "--split-size", "12Q"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-size", "0"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-size", "-5"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-size", "M"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-size", "1.5M"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-size", "99999999999999999999"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-size", "17179869184G"}, 2, "--split-size"},
        {{"pack", "content", "a.wdf", "--split-count", "0"}, 2, "--split-count"},
        {{"pack", "content", "a.wdf", "--split-count", "two"}, 2, "--split-count"},
        {{"pack", "content", "a.wdf", "--split-count"}, 2, "--split-count needs a value"},
        {{"pack", "a.wdf", "b.wdf"}, 1, "not a folder"},
        {{"verify"}, 2, "needs an archive"},
        {{"verify", "missing.wdf"}, 1, "missing.wdf"},
        {{"verify", "content"}, 1, "not a regular file"},
    };
    ScratchDir dir;
    WriteFiles("content", {{"a.was", "1"}});
    WriteFiles(".", {{"a.wdf", "not an archive"}});
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += " " + a;
        SCOPED_TRACE("kesto-wdf" + line);
        const ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(ListTree(), (std::vector<std::string>{"a.wdf", "content", "content/a.was"}))
        << "a failed command wrote something";
}

TEST(WdfCommandLine, HelpGoesToStandardOutput)
{
    struct Case {
        std::vector<std::string> args;
        const char* first; // how the text starts
    };
    const Case cases[] = {
        {{"--help"}, "Usage: kesto-wdf <command>"},
        {{"-h"}, "Usage: kesto-wdf <command>"},
        {{"help", "pack"}, "Usage: kesto-wdf pack"},
        {{"pack", "--help"}, "Usage: kesto-wdf pack"},
        {{"list", "-h"}, "Usage: kesto-wdf list"},
        {{"extract", "--help"}, "Usage: kesto-wdf extract"},
        {{"verify", "anything", "--help"}, "Usage: kesto-wdf verify"},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0]);
        const ToolResult r = RunTool(c.args);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.out.rfind(c.first, 0), 0u) << r.out;
        EXPECT_EQ(r.err, "");
    }
}

TEST(WdfCommandLine, OptionsMayComeAnywhereAndDashDashEndsThem)
{
    ScratchDir dir;
    WriteFiles("-content", {{"a.was", "1"}});
    const ToolResult r = RunTool({"pack", "--scrambled", "--", "-content", "shape.wdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ArchiveImage::Load("shape.wdf").Magic(), wdf::kMagicScrambled);
}

TEST(WdfCommandLine, VersionAndCountsReadAsEnglish)
{
    ToolResult r = RunTool({"--version"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("kesto-wdf ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find('.'), std::string::npos) << r.out;

    ScratchDir dir;
    WriteFiles("one", {{"a.was", "1"}});
    r = RunTool({"pack", "one", "one.wdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("1 file,"), std::string::npos) << r.out;
    r = RunTool({"verify", "one.wdf"});
    EXPECT_NE(r.out.find("valid (magic PFDW, 1 entry)"), std::string::npos) << r.out;
}

} // namespace
} // namespace kes::test
