// The numbers and ids every option of the tools takes, parsed one way.
#include <Numbers.h>

#include <gtest/gtest.h>

#include <climits>

namespace kes::test {
namespace {

TEST(CliNumbers, IntegersAreDigitsWithAnOptionalMinusAndNothingElse)
{
    struct Case {
        const char* text;
        bool ok;
        long long value;
    };
    // Within [-100, 100].
    const Case cases[] = {
        {"0", true, 0},      {"42", true, 42},     {"-7", true, -7},    {"0042", true, 42},
        {"100", true, 100},  {"-100", true, -100}, {"101", false, 0},   {"-101", false, 0},
        {"\t5", false, 0},   {" 5", false, 0},     {"5 ", false, 0},    {"5\n", false, 0},
        {"+5", false, 0},    {"0x5", false, 0},    {"5.0", false, 0},   {"1e2", false, 0},
        {"", false, 0},      {"-", false, 0},      {"--5", false, 0},   {"5-", false, 0},
        {"99999999999999999999", false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        long long v = 12345;
        EXPECT_EQ(cli::ParseInteger(c.text, -100, 100, &v), c.ok);
        EXPECT_EQ(v, c.ok ? c.value : 12345) << "a refused value is not stored";
    }
    long long v = 0;
    EXPECT_TRUE(cli::ParseInteger("9223372036854775807", 0, LLONG_MAX, &v));
    EXPECT_EQ(v, LLONG_MAX);
    EXPECT_FALSE(cli::ParseInteger("9223372036854775808", 0, LLONG_MAX, &v));
}

TEST(CliNumbers, SizesPairsAndIds)
{
    const struct {
        const char* text;
        bool ok;
        uint64_t value;
    } sizes[] = {
        {"1", true, 1},       {"1024K", true, 1 << 20}, {"1m", true, 1 << 20}, {"2GB", true, uint64_t(2) << 30},
        {"3kb", true, 3072},  {"0", false, 0},          {"0K", false, 0},      {"K", false, 0},
        {" 1M", false, 0},    {"1 M", false, 0},        {"-1M", false, 0},     {"1.5M", false, 0},
        {"17179869184G", false, 0},
    };
    for (const auto& c : sizes) {
        SCOPED_TRACE(c.text);
        uint64_t v = 0;
        EXPECT_EQ(cli::ParseByteCount(c.text, &v), c.ok);
        if (c.ok) {
            EXPECT_EQ(v, c.value);
        }
    }

    int x = 0, y = 0;
    EXPECT_TRUE(cli::ParsePair("3,-4", &x, &y));
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, -4);
    for (const char* bad : {"3", "3,", ",4", "3, 4", " 3,4", "3,4,5", "32768,0", "0,-32769", "a,b"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(cli::ParsePair(bad, &x, &y));
    }

    unsigned long id = 0;
    EXPECT_TRUE(cli::ParseHexId("0x1234abCD", &id));
    EXPECT_EQ(id, 0x1234abcdul);
    EXPECT_EQ(cli::HexId(id), "0x1234abcd");
    EXPECT_TRUE(cli::ParseHexId("0X1", &id));
    EXPECT_EQ(cli::HexId(id), "0x00000001");
    for (const char* bad : {"0x", "1234abcd", "0x123456789", "0xg1", " 0x1", "0x1 "}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(cli::ParseHexId(bad, &id));
    }
}

} // namespace
} // namespace kes::test
