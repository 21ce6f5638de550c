// The image loaders say why they return no picture, once however often a
// game asks again: a file of another kind (by what its first bytes look
// like), or what is damaged and where. Their results stay what they were.
#include "BmpTgaFixtures.h"
#include "JpegFixtures.h"
#include "LogCapture.h"
#include "RenderFixture.h"
#include "TestSupport.h"
#include "WasEncoder.h"

#include <string>

namespace kes::test {
namespace {

enum class Loader { Jpeg, Bmp, Tga, Was };

class LoaderReport : public RenderTest {
protected:
    // Loads `name` as a game's frame loop would, three times; true when
    // every load gave nothing.
    bool NothingEveryFrame(Loader loader, const std::string& name)
    {
        bool none = true;
        for (int frame = 0; frame < 3; ++frame) {
            const char* n = name.c_str();
            switch (loader) {
            case Loader::Jpeg: none &= m_app->LoadJPEG(n) == nullptr; break;
            case Loader::Bmp: none &= m_app->LoadBMP(n) == nullptr; break;
            case Loader::Tga: none &= m_app->LoadTGA(n) == nullptr; break;
            case Loader::Was: none &= m_app->LoadWas(n) == nullptr; break;
            }
        }
        return none;
    }

    // Writes `bytes` as `name`, loads it frame after frame, and gives the one
    // line said about it ("" when there was none, or more than one).
    std::string LineOfFailedLoads(Loader loader, const std::string& name, const std::string& bytes,
                                  const LogCapture& log)
    {
        m_dir.Write(name, bytes);
        EXPECT_TRUE(NothingEveryFrame(loader, name));
        EXPECT_EQ(log.Count(name), 1u) << log.All();
        return log.Only(name);
    }

    static std::string Jpeg(const EncodeOptions& options)
    {
        const ByteVec bytes = Encode(PhotoLike(64, 48, 5), options);
        return std::string(bytes.begin(), bytes.end());
    }

    static std::string Bmp()
    {
        BmpFile bmp;
        bmp.width = 16;
        bmp.height = 12;
        bmp.pixels.assign(16 * 12, 0x336699);
        return bmp.Bytes();
    }

    static std::string Tga(int type)
    {
        TgaFile tga;
        tga.width = 40;
        tga.height = 30;
        tga.type = type;
        tga.pixels = MixedPicture(40, 30, 9);
        return tga.Bytes();
    }

    static std::string Was(int frames)
    {
        kes::was::Picture picture;
        picture.width = 24;
        picture.height = 20;
        picture.argb.assign(24 * 20, 0xFF204080u);
        for (size_t i = 0; i < picture.argb.size(); i += 7) picture.argb[i] = 0xFFC0A020u;
        std::vector<const kes::was::Picture*> slots(size_t(frames), &picture);
        kes::was::EncodeSettings settings;
        settings.frames = frames;
        std::string bytes, error;
        EXPECT_TRUE(kes::was::EncodeSprite(slots, settings, &bytes, &error)) << error;
        return bytes;
    }

    ScratchDir m_dir;
};

TEST_F(LoaderReport, AFileOfAnotherKindSaysWhatItLooksLike)
{
    const struct {
        Loader loader;
        const char* name;
        std::string bytes;
        const char* line;
    } cases[] = {
        {Loader::Jpeg, "bmp-given.jpg", Bmp(),
         "LoadJPEG bmp-given.jpg: not a JPEG picture; the file looks like a BMP picture"},
        {Loader::Was, "tga-given.was", Tga(2),
         "LoadWas tga-given.was: not a WAS sprite; the file looks like a TGA picture"},
        {Loader::Was, "jpeg-given.was", Jpeg({}),
         "LoadWas jpeg-given.was: not a WAS sprite; the file looks like a JPEG picture"},
        {Loader::Bmp, "jpeg-given.bmp", Jpeg({}),
         "LoadBMP jpeg-given.bmp: not a BMP picture; the file looks like a JPEG picture"},
        {Loader::Tga, "was-given.tga", Was(1),
         "LoadTGA was-given.tga: not a TGA picture; the file looks like a WAS sprite"},
        {Loader::Jpeg, "empty.jpg", "", "LoadJPEG empty.jpg: not a JPEG picture; the file is empty"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LineOfFailedLoads(c.loader, c.name, c.bytes, log), c.line) << log.All();
    }
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
}

TEST_F(LoaderReport, ADamagedPictureSaysWhatIsWrongAndWhere)
{
    EncodeOptions progressive;
    progressive.progressive = true;
    const std::string jpeg = Jpeg({});
    const ByteVec jpegBytes(jpeg.begin(), jpeg.end());
    const size_t scan = FindParts(jpegBytes).scan;
    const std::string bmp = Bmp();
    const std::string packed = Tga(10);

    const struct {
        Loader loader;
        const char* name;
        std::string bytes;
        std::string says; // the line holds this
    } cases[] = {
        {Loader::Jpeg, "progressive.jpg", Jpeg(progressive),
         "is not baseline; only baseline (SOF0) pictures are decoded"},
        // Cut inside the scan's header: its length passes the end.
        {Loader::Jpeg, "cut-in-headers.jpg", jpeg.substr(0, scan - 3), "runs past the end of the file"},
        {Loader::Jpeg, "cut-in-scan.jpg", jpeg.substr(0, scan + 8),
         "LoadJPEG cut-in-scan.jpg: the scan at byte " + std::to_string(scan) + " is cut short: 8 bytes"},
        {Loader::Bmp, "cut.bmp", bmp.substr(0, bmp.size() - 100),
         "LoadBMP cut.bmp: 12 rows of 48 bytes from byte 54 pass the file's end at byte " +
             std::to_string(bmp.size() - 100)},
        {Loader::Tga, "cut-packed.tga", packed.substr(0, packed.size() * 2 / 3),
         "LoadTGA cut-packed.tga: the run-length data ends at byte " + std::to_string(packed.size() * 2 / 3) +
             ", in stored row "},
        {Loader::Was, "cut-header.was", Was(1).substr(0, 100),
         "LoadWas cut-header.was: the palette at byte 16 passes the file's end at byte 100"},
    };
    LogCapture log;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NE(LineOfFailedLoads(c.loader, c.name, c.bytes, log).find(c.says), std::string::npos) << log.All();
    }
}

// A sprite loads with its damaged frames left out, as it always has; one
// line counts them and gives the first one's number and offset.
TEST_F(LoaderReport, ASpriteWithADamagedFrameLoadsAndNamesTheFrame)
{
    std::string bytes = Was(3);
    // The frame table follows the 16 header bytes and the 512 palette bytes;
    // frame headers are counted from the palette.
    auto frameAt = [&](int slot) {
        const unsigned char* e = reinterpret_cast<const unsigned char*>(bytes.data()) + 528 + 4 * slot;
        return size_t(16 + (e[0] | e[1] << 8 | e[2] << 16 | size_t(e[3]) << 24));
    };
    // The last frame's rows are cut off: the file ends after its row table.
    const size_t last = frameAt(2);
    bytes.resize(last + 16 + 4 * 20 + 3);
    m_dir.Write("one-cut-frame.was", bytes);

    LogCapture log;
    for (int frame = 0; frame < 3; ++frame) {
        MImageVolume* miv = m_app->LoadWas("one-cut-frame.was");
        ASSERT_NE(miv, nullptr);
        EXPECT_NE(miv->m_images[0], nullptr);
        EXPECT_EQ(miv->m_images[2], nullptr);
        m_app->CloseImageVolume(miv);
    }
    const std::string line = log.Only("one-cut-frame.was");
    EXPECT_EQ(log.Lines().size(), 1u) << log.All();
    EXPECT_EQ(line.rfind("LoadWas one-cut-frame.was: 1 of 3 frames left out; the first, frame 2 (group 0, number 2) "
                         "at byte " + std::to_string(last) + ": row ",
                         0),
              0u)
        << line;
    EXPECT_NE(line.find("'s code runs past the file's end at byte " + std::to_string(bytes.size())), std::string::npos)
        << line;
}

} // namespace

} // namespace kes::test
