// kesto-wdf verify, and every command against damaged and hostile archives.
#include "WdfToolSupport.h"

#include <TestSupport.h>
#include <WdfWriter.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace kes::test {
namespace {

// A sound archive of four files with the given magic.
void WriteSound(const std::string& path, DWORD magic)
{
    wdf::ArchiveWriter writer(magic);
    writer.AddNamed("shape/a.was", Bytes(100, 1));
    writer.AddNamed("shape/b.was", Bytes(200, 2));
    writer.AddNamed("shape/c.was", Bytes(300, 3));
    writer.AddNamed("shape/d.was", Bytes(50, 4));
    std::string error;
    ASSERT_TRUE(writer.Write(path, &error)) << error;
}

using Damage = std::function<void(ArchiveImage&)>;

void EditEntries(ArchiveImage& a, const std::function<void(std::vector<wdf::IndexEntry>&)>& edit)
{
    std::vector<wdf::IndexEntry> e = a.Entries();
    edit(e);
    a.SetEntries(e);
}

struct DamageCase {
    const char* name;
    Damage damage;
    const char* message; // part of the message verify gives
};

const DamageCase kDamage[] = {
    {"two entries swapped", [](ArchiveImage& a) { EditEntries(a, [](auto& e) { std::swap(e[1], e[2]); }); },
     "out of order"},
    {"an entry past the end", [](ArchiveImage& a) { EditEntries(a, [](auto& e) { e[3].size += 10000; }); },
     "past the end of the file"},
    {"an entry starting past the end",
     [](ArchiveImage& a) { EditEntries(a, [](auto& e) { e[0].offset = 0xFFFFFFF0; }); },
     "past the end of the file"},
    {"a size that wraps 32 bits",
     [](ArchiveImage& a) { EditEntries(a, [](auto& e) { e[0].size = 0xFFFFFFFF; }); },
     "past the end of the file"},
    {"two entries with one id", [](ArchiveImage& a) { EditEntries(a, [](auto& e) { e[2].id = e[1].id; }); },
     "used by 2 entries"},
    {"a repeated id far apart",
     [](ArchiveImage& a) {
         EditEntries(a, [](auto& e) {
             std::swap(e[0], e[3]);
             e[1].id = e[0].id;
         });
     },
     "used by 2 entries"},
    {"data at offset 0", [](ArchiveImage& a) { EditEntries(a, [](auto& e) { e[1].offset = 0; }); },
     "data offset 0"},
    {"data inside the header", [](ArchiveImage& a) { EditEntries(a, [](auto& e) { e[1].offset = 4; }); },
     "inside the header"},
    {"cut inside the data", [](ArchiveImage& a) { a.bytes.resize(300); }, "runs past the end of the file"},
    {"cut inside the index", [](ArchiveImage& a) { a.bytes.pop_back(); }, "runs past the end of the file"},
    {"cut inside the header", [](ArchiveImage& a) { a.bytes.resize(7); }, "truncated"},
    {"empty file", [](ArchiveImage& a) { a.bytes.clear(); }, "truncated"},
    {"unknown magic", [](ArchiveImage& a) { a.bytes.replace(0, 4, "WDFP"); }, "not a WDF archive"},
    {"a count of four billion", [](ArchiveImage& a) { a.SetWord(4, 0xFFFFFFFF); },
     "runs past the end of the file"},
    {"an index offset past the end", [](ArchiveImage& a) { a.SetWord(8, 0xFFFFFFF0); },
     "runs past the end of the file"},
    {"the index over the header",
     [](ArchiveImage& a) {
         a.SetWord(4, 1);
         a.SetWord(8, 0);
     },
     "inside the header"},
};

void PrintTo(const DamageCase& c, std::ostream* os)
{
    *os << c.name;
}

class WdfVerifyDamage : public ::testing::TestWithParam<std::tuple<DWORD, DamageCase>> { };

TEST_P(WdfVerifyDamage, IsReportedAndSurvivedByEveryCommand)
{
    const auto& [magic, c] = GetParam();
    ScratchDir dir;
    WriteSound("shape.wdf", magic);
    ArchiveImage image = ArchiveImage::Load("shape.wdf");
    c.damage(image);
    image.Save("shape.wdf");

    const ToolResult verify = RunTool({"verify", "shape.wdf"});
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_NE(verify.err.find(c.message), std::string::npos) << verify.err;
    EXPECT_EQ(verify.out.find("sound"), std::string::npos) << verify.out;

    // The other commands meet the same archive without harm: a clean
    // failure or a partial result, never a read outside their buffers.
    const ToolResult list = RunTool({"list", "shape.wdf"});
    EXPECT_TRUE(list.exitCode == 0 || list.exitCode == 1) << list.exitCode;
    const ToolResult extract = RunTool({"extract", "shape.wdf", "-o", "out"});
    EXPECT_TRUE(extract.exitCode == 0 || extract.exitCode == 1) << extract.exitCode;
    // An entry whose bytes are not all there is not written at all.
    if (fs::exists("out")) {
        for (const auto& [name, bytes] : ReadFiles("out")) EXPECT_LE(bytes.size(), 300u) << name;
    }
}

INSTANTIATE_TEST_SUITE_P(Archives, WdfVerifyDamage,
                         ::testing::Combine(::testing::Values(wdf::kMagicPlain, wdf::kMagicScrambled),
                                            ::testing::ValuesIn(kDamage)),
                         [](const auto& info) {
                             std::string name =
                                 std::get<0>(info.param) == wdf::kMagicPlain ? "Plain_" : "Scrambled_";
                             for (const char* p = std::get<1>(info.param).name; *p; ++p)
                                 name += isalnum((unsigned char)*p) ? *p : '_';
                             return name;
                         });

TEST(WdfVerify, AcceptsValidArchivesOfEveryMagicAndEmptyOnes)
{
    ScratchDir dir;
    WriteSound("plain.wdf", wdf::kMagicPlain);
    WriteSound("x.wdf", wdf::kMagicScrambled);
    WriteSound("h.wdf", wdf::kMagicScrambledH);
    std::string error;
    ASSERT_TRUE(wdf::ArchiveWriter().Write("empty.wdf", &error)) << error;
    for (const char* path : {"plain.wdf", "x.wdf", "h.wdf", "empty.wdf"}) {
        const ToolResult r = RunTool({"verify", path});
        EXPECT_EQ(r.exitCode, 0) << path << ": " << r.err;
        EXPECT_NE(r.out.find("valid"), std::string::npos) << path;
        EXPECT_EQ(r.err, "") << path;
    }
    // An index of many pieces: the key walk must stay in step across them.
    wdf::ArchiveWriter big(wdf::kMagicScrambled);
    for (int i = 0; i < 5000; ++i) big.AddNamed("big/" + std::to_string(i) + ".was", std::to_string(i));
    ASSERT_TRUE(big.Write("big.wdf", &error)) << error;
    const ToolResult bigVerify = RunTool({"verify", "big.wdf"});
    EXPECT_EQ(bigVerify.exitCode, 0) << bigVerify.err;
    const ToolResult bigExtract =
        RunTool({"extract", "big.wdf", "big/4999.was", "big/0.was", "-o", "out"});
    EXPECT_EQ(bigExtract.exitCode, 0) << bigExtract.err;
    EXPECT_EQ(ReadFiles("out"), (FileSet{{"0.was", "0"}, {"4999.was", "4999"}}));

    // Several at once: one bad one makes the whole check fail.
    WriteFiles(".", {{"bad.wdf", "PFDW"}});
    const ToolResult several = RunTool({"verify", "plain.wdf", "bad.wdf", "h.wdf"});
    EXPECT_EQ(several.exitCode, 1);
    EXPECT_NE(several.err.find("bad.wdf"), std::string::npos);
}

TEST(WdfVerify, ReportsEveryProblemButFloodsNothing)
{
    // A scrambled index stored under the plain magic reads as noise: many
    // problems, each kind listed a few times and then summed up.
    ScratchDir dir;
    wdf::ArchiveWriter writer(wdf::kMagicScrambled);
    for (int i = 0; i < 300; ++i)
        writer.AddNamed("shape/" + std::to_string(i) + ".was", Bytes(3, unsigned(i)));
    std::string error;
    ASSERT_TRUE(writer.Write("shape.wdf", &error)) << error;
    ArchiveImage image = ArchiveImage::Load("shape.wdf");
    image.SetWord(0, wdf::kMagicPlain);
    image.Save("shape.wdf");

    const ToolResult r = RunTool({"verify", "shape.wdf"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("out of order"), std::string::npos);
    EXPECT_NE(r.err.find("past the end"), std::string::npos);
    EXPECT_NE(r.err.find("more like it"), std::string::npos);
    EXPECT_LT(std::count(r.err.begin(), r.err.end(), '\n'), 80);
}

TEST(WdfHostileArchives, RandomDamageNeverHurtsTheTool)
{
    // Bytes flipped anywhere in the header and index of a small archive.
    ScratchDir dir;
    WriteSound("sound.wdf", wdf::kMagicScrambled);
    const ArchiveImage sound = ArchiveImage::Load("sound.wdf");
    const std::string noise = Bytes(4096, 77);
    size_t n = 0;
    for (int round = 0; round < 24; ++round) {
        ArchiveImage image = sound;
        for (int k = 0; k < 1 + round % 4; ++k) {
            // Positions come from the sound archive: the damage may already
            // have changed the header of this one.
            const unsigned pick = (unsigned char)noise[n++];
            const size_t at = pick % 2 ? pick % wdf::kHeaderSize
                                       : sound.IndexOffset() + pick * 7 % (sound.Count() * wdf::kEntrySize);
            image.bytes[at] = noise[n++];
        }
        image.Save("hostile.wdf");
        SCOPED_TRACE(round);
        for (const std::vector<std::string>& args : {std::vector<std::string>{"verify", "hostile.wdf"},
                                                     {"list", "hostile.wdf"},
                                                     {"extract", "hostile.wdf", "-o", "out"}}) {
            const ToolResult r = RunTool(args);
            EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << args[0] << " exited with " << r.exitCode;
        }
        fs::remove_all("out");
    }
}

} // namespace
} // namespace kes::test
