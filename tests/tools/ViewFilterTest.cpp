// The entry list's filter, against the rule it keeps written the plain way:
// an entry stays when its label, folded to lower case, holds the typed text
// folded to lower case; the list's order is kept. Typing on, backspacing,
// and an entry named while filtered all must give what a fresh search gives.
#include "TestSupport.h"

#include <DataSet.h>
#include <EntryFilter.h>
#include <EntryOrder.h>
#include <WdfWriter.h>

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>

namespace kes::test {
namespace {

std::string Folded(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<size_t> Plainly(const view::DataSet& data, const std::vector<size_t>& order, const std::string& filter)
{
    std::vector<size_t> kept;
    for (size_t i : order)
        if (Folded(view::EntryLabel(data.Entries()[i])).find(Folded(filter)) != std::string::npos) kept.push_back(i);
    return kept;
}

class ViewFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wdf::ArchiveWriter writer;
        // Named entries in mixed case, many of them so that the whole list
        // is searched in one pass, and a few the list names by id only.
        for (int i = 0; i < 300; ++i)
            writer.AddNamed("fl/Dir" + std::to_string(i % 7) + "/Frame" + std::to_string(i) + ".WAS", "x");
        for (DWORD id : {0x0000ABCDu, 0x12AB34CDu, 0xFFFFFFFFu}) writer.Add(id, "y");
        std::string error;
        ASSERT_TRUE(writer.Write(scratch.Path() + "/fl.wdf", &error)) << error;
        std::ofstream names(scratch.Path() + "/names.txt");
        for (int i = 0; i < 300; ++i) names << "fl/dir" << i % 7 << "/frame" << i << ".was\n";
        names.close();
        std::vector<std::string> problems;
        ASSERT_TRUE(data.Open({scratch.Path() + "/fl.wdf"}, {scratch.Path() + "/names.txt"}, &problems));
        ASSERT_EQ(data.Entries().size(), 303u);
        order = view::OrderEntries(data, view::Column::Size, true);
    }
    ScratchDir scratch;
    view::DataSet data;
    std::vector<size_t> order;
};

TEST_F(ViewFilterTest, EveryKeyKeepsWhatAPlainSearchKeepsInTheListsOrder)
{
    view::EntryFilter filter(data);
    // Each step as typed: on from the last, back by a key, or anew.
    const char* const steps[] = {"", "f", "fR", "fRA", "FRAME1", "FRAME12", "frame1", "FRAME1", "/dir3/",
                                 "dir3/frame1", "0x", "0X12", "0x12ab", "ab", "abc", "abcd", "0x0000abcd",
                                 "ffffffff", "zz", "zzz", "", "was", ".was"};
    for (const char* step : steps) {
        SCOPED_TRACE(step);
        EXPECT_EQ(filter.Kept(order, step), Plainly(data, order, step));
    }
}

TEST_F(ViewFilterTest, AListSortedAgainIsFilteredInItsNewOrder)
{
    view::EntryFilter filter(data);
    ASSERT_FALSE(filter.Kept(order, "fr").empty());
    const std::vector<size_t> byName = view::OrderEntries(data, view::Column::Name, false);
    filter.Forget();
    // "fra" holds "fr", but what "fr" kept was in the other order.
    EXPECT_EQ(filter.Kept(byName, "fra"), Plainly(data, byName, "fra"));
    EXPECT_EQ(filter.Kept(byName, "frame2"), Plainly(data, byName, "frame2"));
}

TEST_F(ViewFilterTest, AMatchRunsNeitherAcrossTwoLabelsNorPastTheLast)
{
    view::EntryFilter filter(data);
    // The end of one label and the start of the next, which no single label
    // holds: the folded labels lie side by side in memory.
    const std::vector<view::Entry>& entries = data.Entries();
    for (size_t i = 0; i + 1 < entries.size(); i += 37) {
        const std::string across = Folded(view::EntryLabel(entries[i]).substr(view::EntryLabel(entries[i]).size() - 3) +
                                          view::EntryLabel(entries[i + 1]).substr(0, 3));
        SCOPED_TRACE(across);
        filter.Forget();
        EXPECT_EQ(filter.Kept(order, across), Plainly(data, order, across));
    }
    const std::string tail = view::EntryLabel(entries.back()) + "x";
    EXPECT_TRUE(filter.Kept(order, tail).empty());
}

TEST_F(ViewFilterTest, AnEntryNamedWhileFilteredIsSearchedByItsNewName)
{
    // The entry of id Fnameid("x/secret.bin") gets its name from Find.
    wdf::ArchiveWriter writer;
    writer.AddNamed("fl/secret.bin", "z");
    std::string error;
    std::filesystem::create_directories(scratch.Path() + "/more");
    ASSERT_TRUE(writer.Write(scratch.Path() + "/more/fl.wdf", &error)) << error;
    view::DataSet named;
    std::vector<std::string> problems;
    ASSERT_TRUE(named.Open({scratch.Path() + "/more/fl.wdf"}, {}, &problems));
    const std::vector<size_t> all = view::OrderEntries(named, view::Column::Name, false);
    view::EntryFilter second(named);
    EXPECT_TRUE(second.Kept(all, "sec").empty());
    ASSERT_EQ(named.Find("fl/secret.bin"), 0);
    // "secr" holds "sec": it would narrow the empty list, but the label changed.
    EXPECT_EQ(second.Kept(all, "secr"), std::vector<size_t>{0});
}

} // namespace
} // namespace kes::test
