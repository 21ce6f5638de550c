// LoadJPEG: files made by libjpeg-turbo in every layout the engine
// decodes (grey, 4:4:4, 4:2:0; restart intervals; odd sizes), compared with
// libjpeg-turbo's own decode of the same bytes; the layouts it refuses; the
// image cache; archives; and the two Huffman decoders and the two sets of
// block routines giving the same pictures.
//
// The reference is libjpeg-turbo's decode to RGB with the accurate inverse
// DCT and chroma replicated (not interpolated), as the engine does it,
// reduced to 5-6-5 the same way the engine's pixels are. The engine's
// inverse DCT is a 16-bit fixed-point one that rounds down, so the
// pictures are close, not equal: at least 36 dB PSNR.
#include "JpegFixtures.h"
#include "KesJpeg.h"
#include "RenderFixture.h"
#include "TestSupport.h"
#include "WdfWriter.h"

#include <KesFile.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

namespace {

using kes::test::ByteVec;
using kes::test::EncodeOptions;
using kes::test::Rgb;
using kes::test::ScratchDir;

constexpr double kMinPsnr = 36.0;

std::string AsString(const ByteVec& v)
{
    return std::string(v.begin(), v.end());
}

class JpegFile : public kes::test::RenderTest {
protected:
    void TearDown() override
    {
        JpegUseCodeSearch(0);
        JpegSelectRoutines(JpegSimdRoutines());
        RenderTest::TearDown();
    }

    // Loads `bytes` as a file of a fresh name; the pixels, or empty when
    // the load returns null.
    std::vector<uint16_t> Load(const ByteVec& bytes, MImage** keep = nullptr)
    {
        const std::string name = "pic" + std::to_string(m_serial++) + ".jpg";
        m_dir.Write(name, AsString(bytes));
        MImage* img = m_app->LoadJPEG(name.c_str());
        if (!img) return {};
        EXPECT_EQ(img->m_format, KES_FMT_R5G6B5);
        std::vector<uint16_t> px = kes::test::ReadImage(img);
        if (keep)
            *keep = img;
        else
            m_app->CloseImage(img);
        return px;
    }

    ScratchDir m_dir;
    int m_serial = 0;
};

const char* SamplingName(kes::test::Sampling s)
{
    switch (s) {
    case kes::test::SAMP_GREY: return "grey";
    case kes::test::SAMP_444: return "4:4:4";
    case kes::test::SAMP_420: return "4:2:0";
    case kes::test::SAMP_422: return "4:2:2";
    case kes::test::SAMP_440: return "4:4:0";
    }
    return "?";
}

TEST_F(JpegFile, DecodesLikeLibjpegTurbo)
{
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{1, 1}, {17, 9}, {33, 65}, {96, 64}, {227, 131}};
    const kes::test::Sampling samplings[] = {kes::test::SAMP_GREY, kes::test::SAMP_444, kes::test::SAMP_420};
    double lowest = 99;
    for (kes::test::Sampling s : samplings) {
        for (const Size& size : sizes) {
            for (int restart : {0, 1, 5}) {
                for (int quality : {50, 85, 95}) {
                    if (quality != 85 && restart != 0) continue;
                    const Rgb picture = kes::test::PhotoLike(size.w, size.h, unsigned(size.w * 7 + quality));
                    EncodeOptions o;
                    o.sampling = s;
                    o.restartMcus = restart;
                    o.quality = quality;
                    const ByteVec file = kes::test::Encode(picture, o);
                    MImage* img = nullptr;
                    const std::vector<uint16_t> ours = Load(file, &img);
                    const std::string what = std::string(SamplingName(s)) + " " + std::to_string(size.w) + "x" +
                                             std::to_string(size.h) + " restart " + std::to_string(restart) +
                                             " quality " + std::to_string(quality);
                    ASSERT_NE(img, nullptr) << what;
                    EXPECT_EQ(img->m_width, size.w) << what;
                    EXPECT_EQ(img->m_height, size.h) << what;
                    m_app->CloseImage(img);
                    const double psnr = kes::test::Psnr565(ours, kes::test::ReferenceDecode(file, false));
                    EXPECT_GE(psnr, kMinPsnr) << what;
                    lowest = std::min(lowest, psnr);
                }
            }
        }
    }
    RecordProperty("lowest_psnr_db", std::to_string(lowest));
}

TEST_F(JpegFile, PhotoPsnrAgainstBothUpsamplings)
{
    // A larger picture, for the figures: against replicated chroma (what the
    // engine does) and against libjpeg-turbo's default interpolation.
    const Rgb picture = kes::test::PhotoLike(640, 480, 1);
    for (kes::test::Sampling s : {kes::test::SAMP_GREY, kes::test::SAMP_444, kes::test::SAMP_420}) {
        EncodeOptions o;
        o.sampling = s;
        const ByteVec file = kes::test::Encode(picture, o);
        const std::vector<uint16_t> ours = Load(file);
        const double same = kes::test::Psnr565(ours, kes::test::ReferenceDecode(file, false));
        const double fancy = kes::test::Psnr565(ours, kes::test::ReferenceDecode(file, true));
        EXPECT_GE(same, kMinPsnr) << SamplingName(s);
        EXPECT_GE(fancy, 30.0) << SamplingName(s);
        RecordProperty(std::string("psnr_") + SamplingName(s), std::to_string(same) + " / " + std::to_string(fancy));
        printf("[ PSNR     ] %s 640x480 q85: %.2f dB (replicated chroma), %.2f dB (interpolated)\n", SamplingName(s),
               same, fancy);
    }
}

TEST_F(JpegFile, McuGridFollowsTheSampling)
{
    // 17 x 9 pixels: 2 x 1 MCUs of 16 x 16 in 4:2:0, 3 x 2 of 8 x 8 otherwise.
    struct Case {
        kes::test::Sampling s;
        unsigned cols, rows;
    };
    for (const Case& k : {Case{kes::test::SAMP_420, 2, 1}, Case{kes::test::SAMP_444, 3, 2},
                          Case{kes::test::SAMP_GREY, 3, 2}}) {
        EncodeOptions o;
        o.sampling = k.s;
        const ByteVec file = kes::test::Encode(kes::test::PhotoLike(17, 9, 2), o);
        JpegInitTables();
        JpegResetState();
        size_t scan = 0;
        JpegLayout layout;
        ASSERT_TRUE(JpegReadMarkers(file.data(), file.size(), &scan));
        ASSERT_TRUE(JpegChooseLayout(g_jpeg.width, g_jpeg.height, &layout));
        EXPECT_EQ(layout.cols, k.cols) << SamplingName(k.s);
        EXPECT_EQ(layout.rows, k.rows) << SamplingName(k.s);
        JpegFreeTables();
    }
}

// The same picture with restart markers every n MCUs: the markers are
// taken out and the predictors reset, so the pixels do not change. A file
// with restarts loaded before one without leaves nothing behind.
TEST_F(JpegFile, RestartIntervalsLeaveThePixelsAlone)
{
    for (kes::test::Sampling s : {kes::test::SAMP_GREY, kes::test::SAMP_444, kes::test::SAMP_420}) {
        const Rgb picture = kes::test::PhotoLike(75, 50, 3);
        EncodeOptions o;
        o.sampling = s;
        const std::vector<uint16_t> plain = Load(kes::test::Encode(picture, o));
        ASSERT_FALSE(plain.empty());
        for (int n : {1, 2, 7}) {
            o.restartMcus = n;
            EXPECT_EQ(Load(kes::test::Encode(picture, o)), plain) << SamplingName(s) << " every " << n;
        }
        o.restartMcus = 0;
        EXPECT_EQ(Load(kes::test::Encode(picture, o)), plain) << SamplingName(s) << " after restarts";
    }
}

// Stuffed FF 00 pairs are data bytes FF; fill bytes FF FF before a marker are ignored.
TEST_F(JpegFile, StuffingAndFillBytesAreHandled)
{
    EncodeOptions o;
    o.quality = 95;
    o.restartMcus = 3;
    const ByteVec file = kes::test::Encode(kes::test::PhotoLike(227, 131, 4), o);
    const kes::test::JpegParts parts = kes::test::FindParts(file);
    int stuffed = 0, markers = 0;
    ByteVec filled(file.begin(), file.begin() + ptrdiff_t(parts.scan));
    for (size_t i = parts.scan; i < file.size(); ++i) {
        if (file[i] == 0xFF && i + 1 < file.size() && file[i + 1] != 0x00) {
            ++markers;
            filled.insert(filled.end(), 1 + markers % 3, 0xFF); // fill before every RSTn and the EOI
        }
        if (file[i] == 0xFF && i + 1 < file.size() && file[i + 1] == 0x00) ++stuffed;
        filled.push_back(file[i]);
    }
    ASSERT_GT(stuffed, 0) << "the fixture should hold stuffed bytes";
    ASSERT_GT(markers, 2);
    const std::vector<uint16_t> plain = Load(file);
    ASSERT_FALSE(plain.empty());
    EXPECT_GE(kes::test::Psnr565(plain, kes::test::ReferenceDecode(file, false)), kMinPsnr);
    EXPECT_EQ(Load(filled), plain);
}

TEST_F(JpegFile, RefusesLayoutsItDoesNotDecode)
{
    const Rgb picture = kes::test::PhotoLike(40, 24, 5);
    EncodeOptions base;
    auto with = [&](auto change) {
        EncodeOptions o = base;
        change(o);
        return kes::test::Encode(picture, o);
    };
    const ByteVec good = kes::test::Encode(picture, base);
    const kes::test::JpegParts parts = kes::test::FindParts(good);

    // A 12-bit frame is an extended one (SOF1) with precision 12.
    ByteVec twelve = good;
    for (size_t i = 2; i + 4 < twelve.size(); ++i)
        if (twelve[i] == 0xFF && twelve[i + 1] == 0xC0) {
            twelve[i + 1] = 0xC1;
            twelve[i + 4] = 12;
            break;
        }
    ByteVec noHuffman;
    for (size_t i = 0; i < good.size();) {
        if (i >= 2 && i < parts.scan && good[i] == 0xFF && good[i + 1] == 0xC4) {
            i += 2 + (size_t(good[i + 2]) << 8 | good[i + 3]);
            continue;
        }
        noHuffman.push_back(good[i++]);
    }
    ByteVec eoiFirst = good;
    eoiFirst.insert(eoiFirst.begin() + 2, {0xFF, 0xD9});
    ByteVec noSoi = good;
    noSoi[1] = 0xD9;

    struct Case {
        const char* what;
        ByteVec bytes;
    };
    const Case cases[] = {
        {"4:2:2", with([](EncodeOptions& o) { o.sampling = kes::test::SAMP_422; })},
        {"4:4:0", with([](EncodeOptions& o) { o.sampling = kes::test::SAMP_440; })},
        {"progressive", with([](EncodeOptions& o) { o.progressive = true; })},
        {"arithmetic coding", with([](EncodeOptions& o) { o.arithmetic = true; })},
        {"extended sequential (16-bit tables)", with([](EncodeOptions& o) {
             o.quality = 1;
             o.baseline = false;
         })},
        {"12-bit samples", twelve},
        {"ends right after the scan header", ByteVec(good.begin(), good.begin() + ptrdiff_t(parts.scan))},
        {"no SOI", noSoi},
        {"EOI before the scan", eoiFirst},
        {"no Huffman tables", noHuffman},
        {"empty file", ByteVec()},
    };
    for (const Case& k : cases) {
        if (strcmp(k.what, "extended sequential (16-bit tables)") == 0) {
            // Make sure the encoder did write an SOF1 frame.
            bool sof1 = false;
            for (size_t i = 0; i + 1 < k.bytes.size(); ++i) sof1 |= k.bytes[i] == 0xFF && k.bytes[i + 1] == 0xC1;
            EXPECT_TRUE(sof1);
        }
        EXPECT_TRUE(Load(k.bytes).empty()) << k.what;
    }
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
    // The refusals left the decoder ready for the next file.
    EXPECT_FALSE(Load(good).empty());
}

TEST_F(JpegFile, SecondLoadComesFromTheCache)
{
    const ByteVec file = kes::test::Encode(kes::test::PhotoLike(20, 20, 6), EncodeOptions());
    m_dir.Write("cached.jpg", AsString(file));
    MImage* first = m_app->LoadJPEG("cached.jpg");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->m_id, WString2ID("cached.jpg"));
    EXPECT_EQ(first->RefCount(), 1);
    // The file is gone: a second load can only come from the cache.
    ASSERT_EQ(remove("cached.jpg"), 0);
    MImage* second = m_app->LoadJPEG("cached.jpg");
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->RefCount(), 2);
    m_app->CloseImage(second);
    m_app->CloseImage(first);
    EXPECT_EQ(m_app->LoadJPEG("cached.jpg"), nullptr);
}

TEST_F(JpegFile, LoadsFromArchives)
{
    const ByteVec file = kes::test::Encode(kes::test::PhotoLike(50, 30, 7), EncodeOptions());
    kes::wdf::ArchiveWriter w;
    w.AddNamed("photos/ui/back.jpg", AsString(file));
    std::string error;
    ASSERT_TRUE(w.Write("photos.wdf", &error)) << error;
    ASSERT_EQ(MFile::OpenDataFile("photos.wdf"), 1);
    MImage* img = m_app->LoadJPEG("photos/ui/back.jpg");
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(kes::test::ReadImage(img), Load(file));
    m_app->CloseImage(img);
}

TEST_F(JpegFile, NullNameIsReported)
{
    kes::test::AssertRecorder reports;
    EXPECT_EQ(m_app->LoadJPEG(nullptr), nullptr);
    EXPECT_TRUE(reports.SawOnly(L"fname", L"Core/KesLoadImage"));
}

// Damaged copies of real files: random bytes changed in the scan. The
// lookahead decoder and the search of the code list must give the same
// picture for each, as must the SIMD and the portable block routines.
TEST_F(JpegFile, DecoderVariantsAgreeOnEveryPicture)
{
    std::mt19937 rng(9);
    const kes::test::Sampling samplings[] = {kes::test::SAMP_GREY, kes::test::SAMP_444, kes::test::SAMP_420};
    for (int i = 0; i < 60; ++i) {
        EncodeOptions o;
        o.sampling = samplings[i % 3];
        o.restartMcus = i % 4 == 3 ? 2 : 0;
        o.quality = 40 + i % 60;
        ByteVec file = kes::test::Encode(kes::test::PhotoLike(33 + i % 40, 17 + i % 30, unsigned(i)), o);
        if (i % 2) {
            const kes::test::JpegParts parts = kes::test::FindParts(file);
            for (int n = 0; n < 1 + i % 6; ++n)
                file[parts.scan + rng() % (parts.scanEnd - parts.scan)] = uint8_t(rng());
        }
        JpegUseCodeSearch(0);
        JpegSelectRoutines(JpegSimdRoutines());
        const std::vector<uint16_t> fast = Load(file);
        JpegUseCodeSearch(1);
        EXPECT_EQ(Load(file), fast) << "code search, file " << i;
        JpegUseCodeSearch(0);
        JpegSelectRoutines(&kJpegScalarRoutines);
        EXPECT_EQ(Load(file), fast) << "portable routines, file " << i;
    }
}

} // namespace
