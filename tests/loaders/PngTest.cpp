// LoadPNG as a game uses it: every colour type, bit depth, tRNS and
// interlace written by libpng and compared with libpng's own decode pixel
// for pixel, from loose files and from an archive, through the image cache
// the other loaders share.
#include "PngFixtures.h"
#include "PngTestSupport.h"
#include "TestSupport.h"
#include "WdfWriter.h"

#include <KesPlatform.h>

#include <stdio.h>

#include <string>
#include <vector>

namespace kes::test {
namespace {

TEST_F(PngTest, EveryColourTypeDepthAndInterlaceDecodesAsLibpngDoes)
{
    const struct {
        int width, height;
    } sizes[] = {{1, 1}, {3, 2}, {9, 9}, {37, 13}};
    uint32_t seed = 0;
    for (PngLayout l : EveryPngLayout())
        for (bool interlaced : {false, true})
            for (bool trns : {false, true}) {
                // Alpha channels leave no room for tRNS.
                if (trns && (l.colour == kPngGreyAlpha || l.colour == kPngRgba)) continue;
                for (const auto& size : sizes) {
                    l.interlaced = interlaced;
                    l.trns = trns;
                    l.width = size.width;
                    l.height = size.height;
                    LoadAndCompare(Fresh(".png"), WritePng(l, ++seed), l.What());
                    if (HasFailure()) return;
                }
            }
}

TEST_F(PngTest, LargePicturesInManyChunksDecodeAsLibpngDoes)
{
    // libpng writes rows in chunks of 8192 bytes; pictures this size span
    // many, on both of the loader's paths.
    uint32_t seed = 100;
    for (PngLayout l : EveryPngLayout()) {
        l.width = 181;
        l.height = 97;
        l.trns = l.colour == kPngRgb || l.colour == kPngPalette;
        LoadAndCompare(Fresh(".png"), WritePng(l, ++seed), l.What());
    }
    const std::string big = WritePng(Layout(kPngRgb, 8, 300, 200), 1);
    size_t idats = 0;
    for (const PngChunk& c : PngChunks(big)) idats += c.type == "IDAT";
    EXPECT_GT(idats, 3u);
}

TEST_F(PngTest, KeyedAndTranslucentPixelsKeepTheirColour)
{
    // A colour key makes its pixels transparent and keeps their colour, as
    // libpng does; partial palette alphas apply to their entries only.
    for (int colour : {kPngGrey, kPngRgb, kPngPalette}) {
        const PngLayout l = Layout(colour, 8, 16, 4, false, true);
        const std::string bytes = WritePng(l, 77);
        PngPixels ref;
        std::string error;
        ASSERT_TRUE(ReferenceDecode(bytes, &ref, &error)) << error;
        int seeThrough = 0, solid = 0;
        for (uint32_t v : ref.argb) ++(v >> 24 == 0xFF ? solid : seeThrough);
        EXPECT_GT(seeThrough, 0) << l.What();
        EXPECT_GT(solid, 0) << l.What();
        LoadAndCompare(Fresh(".png"), bytes, l.What());
    }
}

TEST_F(PngTest, PicturesLoadFromAnArchiveAsFromLooseFiles)
{
    const std::string a = WritePng(Layout(kPngPalette, 4, 21, 8, false, true), 5);
    const std::string b = WritePng(Layout(kPngRgba, 16, 19, 11, true), 6);
    kes::wdf::ArchiveWriter w;
    w.AddNamed("ui/icons/gem.png", a);
    w.AddNamed("ui/title.png", b);
    std::string error;
    ASSERT_TRUE(w.Write("ui.wdf", &error)) << error;
    ASSERT_EQ(MFile::OpenDataFile("ui.wdf"), 1);

    // Either slash, any letter case, as every data name.
    MImage* gem = m_app->LoadPNG("UI\\Icons\\Gem.png");
    ExpectPicture(gem, a, "archived palette picture");
    MImage* title = m_app->LoadPNG("ui/title.png");
    ExpectPicture(title, b, "archived interlaced RGBA");
    if (gem) m_app->CloseImage(gem);
    if (title) m_app->CloseImage(title);
    EXPECT_EQ(m_app->LoadPNG("ui/missing.png"), nullptr);
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);
}

TEST_F(PngTest, ASecondLoadIsTheCachedImageSharedWithTheOtherLoaders)
{
    const PngLayout l = Layout(kPngRgba, 8, 4, 3);
    m_dir.Write("again.png", WritePng(l, 9));
    MImage* first = m_app->LoadPNG("again.png");
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(remove("again.png"), 0); // a second read would fail now
    EXPECT_EQ(m_app->LoadPNG("again.png"), first);
    // The cache knows names, not formats.
    EXPECT_EQ(m_app->LoadBMP("again.png"), first);
    EXPECT_EQ(m_app->LoadTGA("again.png"), first);
    EXPECT_EQ(first->RefCount(), 4);
    for (int i = 0; i < 3; ++i) m_app->CloseImage(first);
    EXPECT_EQ(m_app->FindImageCache(WString2ID("again.png")), first);
    m_app->CloseImage(first);
    EXPECT_EQ(m_app->m_imageCache.GetCount(), 0);

    // A picture another loader registered is found before any file is read.
    MImage* jpeg = m_render->CreateTextureImage(8, 8, KES_FMT_R5G6B5);
    jpeg->m_id = WString2ID("title.jpg");
    m_app->InsertImageCache(jpeg);
    EXPECT_EQ(m_app->LoadPNG("title.jpg"), jpeg);
    m_app->CloseImage(jpeg);
    m_app->CloseImage(jpeg);

    // After the last close the file is decoded again.
    const std::string other = WritePng(l, 10);
    m_dir.Write("again.png", other);
    MImage* fresh = m_app->LoadPNG("again.png");
    ExpectPicture(fresh, other, "written again after the last close");
    if (fresh) m_app->CloseImage(fresh);
}

TEST_F(PngTest, RowsFollowThePitchOfRoundedUpTextures)
{
    KesPlatformSetPow2Textures(1);
    for (bool interlaced : {false, true}) {
        const PngLayout l = Layout(kPngRgb, 8, 5, 3, interlaced);
        const std::string bytes = WritePng(l, 11);
        m_dir.Write("pow2.png", bytes);
        MImage* img = m_app->LoadPNG("pow2.png");
        ExpectPicture(img, bytes, l.What() + " in a rounded-up texture");
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->m_texU, 5.0f / 8.0f);
        EXPECT_EQ(img->m_texV, 3.0f / 4.0f);
        m_app->CloseImage(img);
    }
}

TEST_F(PngTest, NoNameIsReportedAndGivesNull)
{
    AssertRecorder reports;
    EXPECT_EQ(m_app->LoadPNG(nullptr), nullptr);
    EXPECT_TRUE(reports.SawOnly(L"fname", L"Core/KesLoadImage"));
}

} // namespace
} // namespace kes::test
