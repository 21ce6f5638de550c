// The viewer's data set on its own: which copies of an id a chain shows.
#include "TestSupport.h"

#include <DataSet.h>
#include <WdfWriter.h>

#include <gtest/gtest.h>

#include <fstream>

namespace kes::test {
namespace {

TEST(ViewDataSetTest, AnIdIsListedFromTheFirstPartAndIndexEntryThatHoldIt)
{
    ScratchDir scratch;
    const std::string first = scratch.Path() + "/fl.wdf";
    struct Part {
        const char* name;
        std::vector<std::pair<DWORD, std::string>> files;
    } parts[] = {
        {"fl.wdf", {{0x10, "aa"}, {0x20, "bbbb"}}}, // 0x20 is made a second 0x10 below
        {"fl.wd1", {{0x10, "ccccccc"}, {0x30, "ddd"}}},
        {"fl.wd2", {{0x30, "eeeee"}, {0x40, "f"}}},
    };
    for (const Part& p : parts) {
        wdf::ArchiveWriter writer;
        for (const auto& [id, bytes] : p.files) writer.Add(id, bytes);
        std::string error;
        ASSERT_TRUE(writer.Write(scratch.Path() + "/" + p.name, &error)) << error;
    }
    // The index (sorted by id) sits where the header says; its second entry
    // gets the first one's id, as a damaged or hand-made archive may have.
    std::fstream f(first, std::ios::in | std::ios::out | std::ios::binary);
    uint32_t header[3] = {};
    f.read(reinterpret_cast<char*>(header), sizeof header);
    ASSERT_EQ(header[1], 2u);
    const uint32_t repeated = 0x10;
    f.seekp(std::streamoff(header[2]) + 16);
    f.write(reinterpret_cast<const char*>(&repeated), 4);
    f.close();

    view::DataSet data;
    std::vector<std::string> problems;
    ASSERT_TRUE(data.Open({first}, {}, &problems));
    struct Seen {
        DWORD id;
        uint64_t size;
        int part;
    };
    std::vector<Seen> seen;
    for (const view::Entry& e : data.Entries()) seen.push_back({e.id, e.size, e.part});
    const std::vector<Seen> expected = {{0x10, 2, 0}, {0x30, 3, 1}, {0x40, 1, 2}};
    ASSERT_EQ(seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].id, expected[i].id);
        EXPECT_EQ(seen[i].size, expected[i].size);
        EXPECT_EQ(seen[i].part, expected[i].part);
    }
}

} // namespace
} // namespace kes::test
