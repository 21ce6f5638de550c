// LZDecode against streams made by liblzo2's own compressors.
#include <KesLZ.h>

#include "TestSupport.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lzo/lzo1x.h>

#include <string>
#include <vector>

// The system's liblzo2 is not built with the sanitizers, so UndefinedBehavior-
// Sanitizer cannot see it do arithmetic on a null pointer. This executable's
// own definition stands in front of the library's (the engine's objects are
// linked into it), notes the pointers it is handed and passes the call on.
namespace {
int g_calls = 0;
int g_nullPointersHanded = 0;
} // namespace

extern "C" int lzo1x_decompress_safe(const lzo_bytep src, lzo_uint srcLen, lzo_bytep dst, lzo_uintp dstLen,
                                     lzo_voidp work)
{
    using Decompress = int (*)(const lzo_bytep, lzo_uint, lzo_bytep, lzo_uintp, lzo_voidp);
    static const Decompress library =
        reinterpret_cast<Decompress>(dlsym(RTLD_NEXT, "lzo1x_decompress_safe"));
    ++g_calls;
    if (!src || !dst) ++g_nullPointersHanded;
    return library ? library(src, srcLen, dst, dstLen, work) : LZO_E_ERROR;
}

namespace {

using Compressor = int (*)(const lzo_bytep, lzo_uint, lzo_bytep, lzo_uintp, lzo_voidp);

struct Stream {
    std::vector<unsigned char> bytes;
};

Stream Compress(const std::string& input, Compressor compress, size_t workMem)
{
    EXPECT_EQ(lzo_init(), LZO_E_OK);
    std::vector<unsigned char> out(input.size() + input.size() / 16 + 64 + 3);
    std::vector<unsigned char> work(workMem);
    lzo_uint outLen = 0;
    EXPECT_EQ(compress(reinterpret_cast<const unsigned char*>(input.data()), input.size(), out.data(), &outLen,
                       work.data()),
              LZO_E_OK);
    out.resize(outLen);
    return Stream{out};
}

std::string Text(size_t n)
{
    static const char* words[] = {"shape", "/char/", "0001", ".was", "map", "\\", "music", " "};
    std::string s;
    for (size_t i = 0; s.size() < n; ++i) s += words[(i * 7 + i / 5) % 8];
    s.resize(n);
    return s;
}

struct Input {
    const char* what;
    std::string bytes;
};

std::vector<Input> Inputs()
{
    return {
        {"empty", ""},
        {"one byte", "x"},
        {"short literal run", "abcdefgh"},
        {"incompressible", kes::test::Bytes(5000, 11)},
        {"text", Text(100000)},
        {"long zero run", std::string(300000, '\0')},
        {"mixed", Text(3000) + kes::test::Bytes(3000, 2) + std::string(70000, 'z') + Text(20)},
    };
}

TEST(LZDecode, StreamsOfBothCompressorsDecodeBack)
{
    const struct {
        const char* name;
        Compressor fn;
        size_t work;
    } compressors[] = {
        {"lzo1x_1", lzo1x_1_compress, LZO1X_1_MEM_COMPRESS},
        {"lzo1x_999", lzo1x_999_compress, LZO1X_999_MEM_COMPRESS},
    };
    for (const auto& c : compressors) {
        for (const Input& in : Inputs()) {
            Stream s = Compress(in.bytes, c.fn, c.work);
            // Room to spare, filled with a marker, shows that nothing is
            // written beyond the result.
            std::vector<unsigned char> dst(in.bytes.size() + 64, 0xEE);
            std::vector<unsigned char> src = s.bytes;
            src.push_back(0x11); // bytes after the end marker are not read
            const int n = LZDecode(src.data(), dst.data());
            EXPECT_EQ(n, int(in.bytes.size())) << c.name << " " << in.what;
            EXPECT_EQ(std::string(dst.begin(), dst.begin() + n), in.bytes) << c.name << " " << in.what;
            EXPECT_EQ(dst[n], 0xEE) << c.name << " " << in.what;

            std::vector<unsigned char> exact(in.bytes.size() + 1);
            DWORD written = 0;
            EXPECT_EQ(LZDecode(s.bytes.data(), DWORD(s.bytes.size()), exact.data(), DWORD(in.bytes.size()),
                               &written),
                      1)
                << c.name << " " << in.what;
            EXPECT_EQ(written, in.bytes.size());
            EXPECT_EQ(std::string(exact.begin(), exact.begin() + written), in.bytes);
        }
    }
}

TEST(LZDecode, EmptyInputIsOnlyTheEndMarker)
{
    Stream s = Compress("", lzo1x_1_compress, LZO1X_1_MEM_COMPRESS);
    EXPECT_EQ(s.bytes, (std::vector<unsigned char>{0x11, 0x00, 0x00}));
    unsigned char dst[4] = {7, 7, 7, 7};
    EXPECT_EQ(LZDecode(s.bytes.data(), dst), 0);
    EXPECT_EQ(dst[0], 7);
}

// Empty buffers, as empty vectors hand them over: null pointers with size 0.
// None of them may reach liblzo2 as a null pointer, and the results are those
// of the stream: the end marker alone is a complete, empty result; no bytes
// at all are a stream without its end.
TEST(LZDecode, EmptyBuffersGiveTheStreamsResultWithoutNullPointers)
{
    const std::vector<unsigned char> marker = Compress("", lzo1x_1_compress, LZO1X_1_MEM_COMPRESS).bytes;
    const std::vector<unsigned char> oneByte = Compress("x", lzo1x_1_compress, LZO1X_1_MEM_COMPRESS).bytes;
    const std::vector<unsigned char> none;
    unsigned char room[8];
    const struct {
        const char* what;
        const unsigned char* src;
        DWORD srcSize;
        unsigned char* dst;
        DWORD capacity;
        int ok;
    } cases[] = {
        {"no source, no room", none.data(), 0, nullptr, 0, 0},
        {"no source, room", none.data(), 0, room, sizeof room, 0},
        {"end marker, no room", marker.data(), DWORD(marker.size()), nullptr, 0, 1},
        {"end marker, room", marker.data(), DWORD(marker.size()), room, sizeof room, 1},
        {"one byte, no room", oneByte.data(), DWORD(oneByte.size()), nullptr, 0, 0},
        {"null source claiming bytes", nullptr, 3, room, sizeof room, 0},
        {"null room claiming bytes", marker.data(), DWORD(marker.size()), nullptr, 4, 0},
    };
    g_calls = 0;
    for (const auto& c : cases) {
        g_nullPointersHanded = 0;
        DWORD written = 99;
        EXPECT_EQ(LZDecode(c.src, c.srcSize, c.dst, c.capacity, &written), c.ok) << c.what;
        EXPECT_EQ(written, 0u) << c.what;
        EXPECT_EQ(g_nullPointersHanded, 0) << c.what;
    }
    // The stand-in did see the engine's calls; otherwise the above proves nothing.
    EXPECT_GT(g_calls, 0);
}

TEST(LZDecode, CheckedFormRefusesDamagedStreamsAndSmallDestinations)
{
    const std::string input = Text(20000) + kes::test::Bytes(2000, 5);
    const Stream s = Compress(input, lzo1x_999_compress, LZO1X_999_MEM_COMPRESS);
    std::vector<unsigned char> dst(input.size());
    DWORD written = 0;

    // Every cut leaves the stream without its end.
    for (size_t cut : {size_t(0), size_t(1), size_t(2), s.bytes.size() / 2, s.bytes.size() - 1}) {
        std::vector<unsigned char> src(s.bytes.begin(), s.bytes.begin() + cut);
        src.shrink_to_fit(); // AddressSanitizer sees a read past the cut
        EXPECT_EQ(LZDecode(src.data(), DWORD(src.size()), dst.data(), DWORD(dst.size()), &written), 0) << cut;
    }
    // One byte short of room.
    std::vector<unsigned char> small(input.size() - 1);
    EXPECT_EQ(LZDecode(s.bytes.data(), DWORD(s.bytes.size()), small.data(), DWORD(small.size()), &written), 0);
    EXPECT_LE(written, small.size());
    // Trailing bytes after the end marker are reported as well.
    std::vector<unsigned char> longer = s.bytes;
    longer.push_back(0);
    EXPECT_EQ(LZDecode(longer.data(), DWORD(longer.size()), dst.data(), DWORD(dst.size()), &written), 0);

    // Damaged bytes anywhere: the decoder may fail or produce garbage, but
    // never reads or writes outside the buffers (AddressSanitizer watches).
    for (size_t at = 0; at < s.bytes.size(); at += 7) {
        std::vector<unsigned char> bad = s.bytes;
        bad[at] ^= 0xA5;
        std::vector<unsigned char> out(input.size());
        LZDecode(bad.data(), DWORD(bad.size()), out.data(), DWORD(out.size()), &written);
        EXPECT_LE(written, out.size());
    }
}

} // namespace
