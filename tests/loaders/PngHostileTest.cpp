// LoadPNG on damaged and hostile files: cut at every length, bytes changed at
// random, headers that claim more than the file can hold or a texture can
// take. Each is refused (null, nothing cached) with its one line, however
// often a game asks again; none reads or writes outside a buffer (the suite
// runs under AddressSanitizer).
#include "LogCapture.h"
#include "PngFixtures.h"
#include "PngTestSupport.h"
#include "TestSupport.h"

#include <zlib.h>

#include <string>
#include <vector>

namespace kes::test {
namespace {

void Put32Be(std::string* bytes, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) (*bytes)[at + size_t(i)] = char(v >> (24 - 8 * i));
}

// The file with its header's width and height replaced, CRC made right.
std::string WithSize(std::string bytes, uint32_t width, uint32_t height)
{
    Put32Be(&bytes, 16, width);
    Put32Be(&bytes, 20, height);
    FixPngCrc(&bytes, 8);
    return bytes;
}

// The file with its compressed rows replaced by `raw` as zlib compresses it.
std::string WithRows(const std::string& bytes, const std::string& raw)
{
    std::string out = bytes.substr(0, 8);
    bool placed = false;
    for (const PngChunk& c : PngChunks(bytes)) {
        if (c.type != "IDAT") {
            out += bytes.substr(c.at, 12 + c.length);
            continue;
        }
        if (placed) continue;
        placed = true;
        uLongf size = compressBound(uLong(raw.size()));
        std::string z(size, '\0');
        compress2(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(raw.data()),
                  uLong(raw.size()), 6);
        z.resize(size);
        const size_t at = out.size();
        out += std::string(4, '\0') + "IDAT" + z + std::string(4, '\0');
        Put32Be(&out, at, uint32_t(z.size()));
        FixPngCrc(&out, at);
    }
    return out;
}

class PngHostile : public PngTest {
protected:
    // Loads `name` three times, as a game's frame loop would: null every
    // time, nothing cached, and one line said about it, which is returned.
    std::string RefusedWithOneLine(const std::string& name, const std::string& bytes, const LogCapture& log)
    {
        m_dir.Write(name, bytes);
        for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(m_app->LoadPNG(name.c_str()), nullptr) << name;
        EXPECT_FALSE(Cached(name));
        EXPECT_EQ(log.Count(name), 1u) << log.All();
        return log.Only(name);
    }
};

TEST_F(PngHostile, FilesCutAtEveryLengthAreRefusedUntilThePictureIsWhole)
{
    for (const PngLayout& l : {Layout(kPngRgba, 8, 9, 7), Layout(kPngPalette, 2, 13, 5, true),
                               Layout(kPngGrey, 16, 6, 6, true), Layout(kPngRgb, 8, 40, 3)}) {
        const std::string bytes = WritePng(l, 3);
        // The picture is whole once the compressed rows are, with their own
        // check value (Adler-32) at their end; the last chunk's CRC and the
        // IEND chunk after it hold no pixel.
        const std::vector<PngChunk> chunks = PngChunks(bytes);
        size_t whole = 0;
        for (const PngChunk& c : chunks)
            if (c.type == "IDAT") whole = c.at + 8 + c.length;
        ASSERT_GT(whole, 0u);
        for (size_t len = 0; len <= bytes.size(); ++len) {
            const std::string what = l.What() + " of " + std::to_string(bytes.size()) + " bytes cut to " +
                                     std::to_string(len);
            if (len < whole)
                ExpectRefused(Fresh(".png"), bytes.substr(0, len), what);
            else
                LoadAndCompare(Fresh(".png"), bytes.substr(0, len), what, bytes); // libpng wants IEND
            if (HasFailure()) return;
        }
    }
}

TEST_F(PngHostile, CorruptedFilesNeverFault)
{
    // Damage lands in the headers and in the compressed rows alike; CRCs are
    // made right again for half of the files, so that the damage reaches
    // the decoder instead of stopping at the check.
    int loaded = 0, refused = 0;
    uint32_t s = 12345;
    const auto next = [&s] {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return s;
    };
    for (const PngLayout& l : {Layout(kPngRgba, 8, 11, 6), Layout(kPngPalette, 4, 9, 9, true),
                               Layout(kPngGreyAlpha, 16, 7, 5), Layout(kPngGrey, 1, 30, 4, true)}) {
        const std::string good = WritePng(l, 4);
        for (int round = 0; round < 400; ++round) {
            std::string bytes = good;
            for (int edits = 1 + int(next() % 4); edits > 0; --edits) {
                const size_t at = (next() & 1) ? 8 + next() % 40 : next() % bytes.size();
                if (at < bytes.size()) bytes[at] = char(next());
            }
            if (next() % 2)
                for (const PngChunk& c : PngChunks(bytes))
                    if (c.at + 12 + c.length <= bytes.size()) FixPngCrc(&bytes, c.at);
            if (next() % 4 == 0) bytes.resize(next() % (bytes.size() + 1));
            const std::string name = Fresh(".png");
            m_dir.Write(name, bytes);
            MImage* img = m_app->LoadPNG(name.c_str());
            if (!img) {
                ++refused;
                ASSERT_FALSE(Cached(name));
                continue;
            }
            ++loaded;
            ASSERT_EQ(ImagePixels(img).size(), size_t(img->m_width) * size_t(img->m_height));
            ASSERT_EQ(img->RefCount(), 1);
            m_app->CloseImage(img);
            ASSERT_FALSE(Cached(name));
        }
    }
    // Both outcomes occur, so the damage reached the decoder as well as the checks.
    EXPECT_GT(loaded, 50);
    EXPECT_GT(refused, 200);
}

// The densest file a real encoder makes, a flat picture at zlib's best
// compression, loads; it stays inside the stated bound of 33024 bytes of
// texture per byte of file. Headers that claim more pixels than their
// compressed rows could hold at deflate's largest ratio are refused before a
// texture is made, and so are sizes no texture can take.
TEST_F(PngHostile, HeadersClaimingMoreThanTheFileHoldsAreRefused)
{
    PngLayout flat = Layout(kPngGrey, 1, 4096, 2048);
    flat.level = 9;
    const std::string densest = WriteFlatPng(flat);
    MImage* img = nullptr;
    m_dir.Write("densest.png", densest);
    img = m_app->LoadPNG("densest.png");
    ExpectPicture(img, densest, "flat 1-bit 4096 x 2048");
    if (img) {
        EXPECT_LE(uint64_t(img->m_width) * uint64_t(img->m_height) * 4, 33024u * densest.size());
        m_app->CloseImage(img);
    }

    const std::string small = WritePng(Layout(kPngRgba, 8, 4, 4), 5);
    LogCapture log;
    const struct {
        const char* name;
        std::string bytes;
        std::string says;
    } cases[] = {
        {"claims-16384.png", WithSize(small, 16384, 16384),
         "LoadPNG claims-16384.png: 16384 x 16384 pixels take 1073758208 bytes of rows; its "},
        {"claims-wide.png", WithSize(densest, 1u << 30, 2048), "1073741824 x 2048 pixels take"},
                // libspng's own check of the header comes first here.
        {"claims-most.png", WithSize(small, 0x7FFFFFFF, 0x7FFFFFFF), "LoadPNG claims-most.png: the header: "},
        {"wider-than-a-texture.png", WithSize(densest, 16385, 256),
         "LoadPNG wider-than-a-texture.png: 16385 x 256 pixels, more than a texture holds"},
        {"zero-wide.png", WithSize(small, 0, 4), "LoadPNG zero-wide.png: the header: "},
        {"past-31-bits.png", WithSize(small, 4, 0x80000000u), "LoadPNG past-31-bits.png: the header: "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = RefusedWithOneLine(c.name, c.bytes, log);
        EXPECT_NE(line.find(c.says), std::string::npos) << line;
    }
}

TEST_F(PngHostile, EachFailureSaysWhatIsWrongOnce)
{
    const std::string good = WritePng(Layout(kPngRgb, 8, 24, 16), 6);
    const std::vector<PngChunk> chunks = PngChunks(good);
    size_t idat = 0;
    for (const PngChunk& c : chunks)
        if (c.type == "IDAT") idat = c.at;
    ASSERT_GT(idat, 0u);

    // The header's CRC. (The last IDAT's is not needed: the rows' own
    // Adler-32 check value ends them, as the cut files show.)
    std::string badCrc = good;
    badCrc[29] = char(badCrc[29] ^ 0x40);
    // Damage inside the compressed rows, on both of the loader's paths.
    const auto damaged = [](std::string bytes) {
        for (const PngChunk& c : PngChunks(bytes))
            if (c.type == "IDAT") {
                bytes[c.at + 8 + 20] = char(bytes[c.at + 8 + 20] ^ 0x55);
                FixPngCrc(&bytes, c.at);
                break;
            }
        return bytes;
    };
    std::string textCopy = good;
    textCopy.erase(4, 1); // "\r\n" made "\n", as a text-mode copy does
    // A chunk whose upper-case first letter says a decoder must know it.
    std::string critical = good;
    critical.insert(idat, std::string("\0\0\0\0QUUX\0\0\0\0", 12));
    FixPngCrc(&critical, idat);

    const struct {
        const char* name;
        std::string bytes;
        std::string line; // the line, or its start when `whole` is false
        bool whole;
    } cases[] = {
        {"bmp-given.png", std::string("BM\x3A\0\0\0\0\0\0\0\x36\0\0\0", 14) + std::string(44, '\0'),
         "LoadPNG bmp-given.png: not a PNG picture; the file looks like a BMP picture", true},
        {"empty.png", "", "LoadPNG empty.png: not a PNG picture; the file is empty", true},
        {"text-copy.png", textCopy,
         "LoadPNG text-copy.png: the signature's line-end bytes are changed (copied as text?); ", false},
        {"cut-in-signature.png", good.substr(0, 6),
         "LoadPNG cut-in-signature.png: the signature is cut short at 6 bytes", true},
        {"bad-crc.png", badCrc, "LoadPNG bad-crc.png: the chunks before its rows: invalid chunk checksum", true},
        {"bad-stream.png", damaged(good),
         "LoadPNG bad-stream.png: its compressed rows are damaged or cut short (16 rows, 1168 bytes)", true},
        {"bad-stream-palette.png", damaged(WritePng(Layout(kPngPalette, 8, 24, 16), 7)),
         "LoadPNG bad-stream-palette.png: row ", false},
        {"unknown-critical.png", critical,
         "LoadPNG unknown-critical.png: the chunks before its rows: unknown critical chunk", true},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = RefusedWithOneLine(c.name, c.bytes, log);
        if (c.whole)
            EXPECT_EQ(line, c.line);
        else
            EXPECT_EQ(line.rfind(c.line, 0), 0u) << line;
    }
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
}

// The rows of 8-bit RGB and RGBA pictures are unfiltered by the engine
// itself; rows that zlib compressed by hand put it to what no encoder writes.
TEST_F(PngHostile, RowsThatNoEncoderWritesAreRefused)
{
    const std::string good = WritePng(Layout(kPngRgb, 8, 4, 3), 8);
    const auto rows = [](int filter, size_t count) {
        std::string raw;
        for (size_t y = 0; y < count; ++y) raw += char(y == 1 ? filter : 0) + std::string(12, char(y * 40 + 1));
        return raw;
    };
    const struct {
        const char* name;
        std::string raw;
        std::string line;
    } cases[] = {
        {"filter-5.png", rows(5, 3), "LoadPNG filter-5.png: row 1 of 3: filter type 5; the format has 0 to 4"},
        {"filter-255.png", rows(255, 3), "LoadPNG filter-255.png: row 1 of 3: filter type 255; the format has 0 to 4"},
        {"two-rows.png", rows(0, 2), "LoadPNG two-rows.png: its compressed rows inflate to 26 bytes; 3 rows take 39"},
        {"four-rows.png", rows(0, 4), "LoadPNG four-rows.png: its compressed rows inflate past the 3 rows' 39 bytes"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RefusedWithOneLine(c.name, WithRows(good, c.raw), log), c.line);
    }
    // Every filter type on every row, as the hand-made rows round-trip.
    std::string raw;
    for (int y = 0; y < 3; ++y)
        for (int filter = 0; filter < 5; ++filter) raw += char(filter) + Bytes(12, unsigned(y * 5 + filter));
    LoadAndCompare("every-filter.png", WithRows(WithSize(good, 4, 15), raw), "every filter type by hand");
}

TEST_F(PngHostile, ADamagedChunkAmongManyIsFound)
{
    // libpng writes its rows in chunks of 8192 bytes: a large picture has
    // many, and a CRC that fails in one of the middle ones is found.
    const std::string bytes = WritePng(Layout(kPngRgba, 8, 200, 150), 9);
    std::vector<size_t> idats;
    for (const PngChunk& c : PngChunks(bytes))
        if (c.type == "IDAT") idats.push_back(c.at);
    ASSERT_GT(idats.size(), 3u);
    std::string damaged = bytes;
    const size_t at = idats[idats.size() / 2];
    damaged[at + 100] = char(damaged[at + 100] ^ 1);
    LogCapture log;
    EXPECT_EQ(RefusedWithOneLine("middle-crc.png", damaged, log),
              "LoadPNG middle-crc.png: the IDAT chunk at byte " + std::to_string(at) + " fails its CRC");
}

} // namespace
} // namespace kes::test
