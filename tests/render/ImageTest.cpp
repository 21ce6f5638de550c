// Images, image volumes, the caches, image creation and its fatal failure.
#include "RenderFixture.h"

#include <KesPlatform.h>

#include <algorithm>

#include "TestSupport.h"

using kes::test::AssertRecorder;
using kes::test::RenderTest;

namespace {

class ImageTest : public RenderTest {};

TEST_F(ImageTest, CreatedImagesAreBlankOfTheirFormatAndSize)
{
    const struct {
        int format, bytesPerPixel;
    } formats[] = {{KES_FMT_A8R8G8B8, 4}, {KES_FMT_X8R8G8B8, 4}, {KES_FMT_R5G6B5, 2}, {KES_FMT_A8, 1}};
    for (const auto& f : formats) {
        MImage* img = m_render->CreateTextureImage(37, 5, f.format);
        EXPECT_EQ(img->RefCount(), 1);
        EXPECT_EQ(img->m_id, 0u);
        EXPECT_EQ(img->m_keyX, 0);
        EXPECT_EQ(img->m_keyY, 0);
        EXPECT_EQ(img->m_width, 37);
        EXPECT_EQ(img->m_height, 5);
        EXPECT_EQ(img->m_format, f.format);
        EXPECT_EQ(img->m_texU, 1.0f);
        EXPECT_EQ(img->m_texV, 1.0f);
        unsigned char* bits = nullptr;
        int pitch = 0;
        ASSERT_EQ(img->Lock(&bits, &pitch), 1);
        EXPECT_GE(pitch, 37 * f.bytesPerPixel);
        // The whole picture is writable row by row through the pitch.
        for (int y = 0; y < 5; ++y) memset(bits + y * pitch, 0xAB, size_t(37 * f.bytesPerPixel));
        img->Unlock();
        img->Release();
    }
    MImage* app = m_app->CreateImage(100, 50);
    EXPECT_EQ(app->m_format, KES_FMT_A8R8G8B8);
    app->Release();
}

TEST_F(ImageTest, RoundedUpStoresShowInTheRatios)
{
    KesPlatformSetPow2Textures(1);
    MImage* img = m_app->CreateImage(100, 50);
    EXPECT_EQ(img->m_width, 100);
    EXPECT_EQ(img->m_height, 50);
    EXPECT_EQ(img->m_texU, 0.78125f);
    EXPECT_EQ(img->m_texV, 0.78125f);
    D3DSURFACE_DESC desc;
    ASSERT_EQ(img->m_tex->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 128u);
    EXPECT_EQ(desc.Height, 64u);
    // Nothing writes the store past the picture, yet filtering samples it
    // at the picture's edges: it reads clear, whatever the memory held.
    D3DLOCKED_RECT rect;
    ASSERT_EQ(img->m_tex->LockRect(0, &rect, NULL, 0), D3D_OK);
    const unsigned char* bytes = static_cast<const unsigned char*>(rect.pBits);
    const size_t size = size_t(rect.Pitch) * desc.Height;
    EXPECT_EQ(size_t(std::count(bytes, bytes + size, 0)), size);
    img->m_tex->UnlockRect(0);
    img->Release();
}

TEST_F(ImageTest, HitTestsFollowAlphaWhereThereIsAlpha)
{
    // Alpha 0 on the left column, 1 elsewhere; key point (2, 1).
    auto alpha = [](int x, int) { return x == 0 ? 0x00FFFFFFu : 0x01000000u; };
    MImage* argb = MakeImage(4, 3, KES_FMT_A8R8G8B8, alpha);
    MImage* a8 = MakeImage(4, 3, KES_FMT_A8, alpha);
    MImage* rgb = MakeImage(4, 3, KES_FMT_R5G6B5, alpha);
    MImage* xrgb = MakeImage(4, 3, KES_FMT_X8R8G8B8, alpha);
    for (MImage* img : {argb, a8, rgb, xrgb}) {
        img->m_keyX = 2;
        img->m_keyY = 1;
    }
    struct Case {
        int x, y;
        int alphaFormats, otherFormats;
    } cases[] = {
        {-2, -1, 0, 1}, // top-left pixel: alpha 0
        {-1, -1, 1, 1}, // alpha 1 is a hit
        {1, 1, 1, 1},   // bottom-right pixel
        {2, 0, 0, 0},   // m_width - m_keyX: outside
        {0, 2, 0, 0},   // below
        {-3, 0, 0, 0},  // left of the picture
    };
    for (const Case& c : cases) {
        EXPECT_EQ(argb->IsCover(c.x, c.y), c.alphaFormats) << c.x << "," << c.y;
        EXPECT_EQ(a8->IsCover(c.x, c.y), c.alphaFormats) << c.x << "," << c.y;
        EXPECT_EQ(rgb->IsCover(c.x, c.y), c.otherFormats) << c.x << "," << c.y;
        EXPECT_EQ(xrgb->IsCover(c.x, c.y), c.otherFormats) << c.x << "," << c.y;
    }
    // IsCover leaves the texture unlocked.
    unsigned char* bits;
    int pitch;
    ASSERT_EQ(argb->Lock(&bits, &pitch), 1);
    argb->Unlock();
    for (MImage* img : {argb, a8, rgb, xrgb}) img->Release();

    MImage* bare = new MImage;
    unsigned char* none = reinterpret_cast<unsigned char*>(1);
    EXPECT_EQ(bare->Lock(&none, &pitch), 0);
    EXPECT_EQ(none, nullptr);
    bare->Release();
}

TEST_F(ImageTest, VolumesHoldTheirImagesGroupMajor)
{
    MImageVolume* vol = new MImageVolume(2, 8);
    EXPECT_EQ(vol->m_total, 16);
    EXPECT_EQ(vol->GetImage(1, 0), nullptr);
    MImage* img = m_app->CreateImage(2, 2);
    img->Ref(); // one for this test to watch it
    (*vol)[8] = img; // the volume takes over the creator's reference
    EXPECT_EQ(vol->GetImage(1, 0), img);
    EXPECT_EQ(vol->GetImage(2, 0), nullptr);
    EXPECT_EQ(vol->GetImage(0, 8), nullptr);
    EXPECT_EQ(vol->IsCover(8, 0, 0), 0) << "a fresh texture is transparent";
    EXPECT_EQ(vol->IsCover(3, 0, 0), 0) << "empty slot";

    // Alloc releases what the volume held; Clear twice does nothing more.
    vol->m_id = 77;
    vol->Alloc(1, 3);
    EXPECT_EQ(img->RefCount(), 1);
    EXPECT_EQ(vol->m_total, 3);
    EXPECT_EQ(vol->m_id, 77u);
    vol->Clear();
    vol->Clear();
    EXPECT_EQ(vol->m_total, 0);
    EXPECT_EQ(vol->GetImage(0, 0), nullptr);

    AssertRecorder asserts;
    vol->Alloc(0, 5);
    EXPECT_TRUE(asserts.SawOnly(L"gcnt>0 && fcnt>0", L"include/KesImage"));
    asserts.Clear();
    EXPECT_EQ((*vol)[0], nullptr);
    EXPECT_TRUE(asserts.SawOnly(L"i<m_total", L"include/KesImage"));
    asserts.Clear();
    EXPECT_EQ(vol->IsCover(0, 0, 0), 0);
    EXPECT_TRUE(asserts.SawOnly(L"index<m_total", L"Core/KesImage"));
    vol->Release();
    img->Release();
}

TEST_F(ImageTest, CachesCountAndCloseByReference)
{
    MImage* img = m_app->CreateImage(2, 2);
    img->m_id = 42;
    m_app->InsertImageCache(img);
    EXPECT_EQ(m_app->FindImageCache(42), img);
    img->Ref(); // a second holder, as a cache hit gives
    m_app->CloseImage(img);
    EXPECT_EQ(m_app->FindImageCache(42), img) << "others still hold it";
    EXPECT_EQ(img->RefCount(), 1);

    // A second image under the same id replaces the entry; the first lives on.
    MImage* other = m_app->CreateImage(2, 2);
    other->m_id = 42;
    m_app->InsertImageCache(other);
    EXPECT_EQ(m_app->FindImageCache(42), other);
    img->Release(); // destroying the replaced image leaves the entry alone
    EXPECT_EQ(m_app->FindImageCache(42), other);
    m_app->CloseImage(other);
    EXPECT_EQ(m_app->FindImageCache(42), nullptr);

    MImageVolume* vol = new MImageVolume(1, 1);
    vol->m_id = 9;
    m_app->InsertImageVolumeCache(vol);
    EXPECT_EQ(m_app->FindImageVolumeCache(9), vol);
    m_app->CloseImageVolume(vol);
    EXPECT_EQ(m_app->FindImageVolumeCache(9), nullptr);

    AssertRecorder asserts;
    MImage* noId = m_app->CreateImage(1, 1);
    m_app->InsertImageCache(noId);
    EXPECT_TRUE(asserts.SawOnly(L"mimg && mimg->m_id", L"Core/KesApp"));
    noId->Release();
}

TEST_F(ImageTest, DestroyingTheApplicationReleasesEachCachedObjectOnce)
{
    MImage* img = m_app->CreateImage(2, 2);
    img->m_id = 5;
    m_app->InsertImageCache(img);
    MImage* kept = m_app->CreateImage(2, 2);
    kept->m_id = 6;
    m_app->InsertImageCache(kept);
    kept->Ref(); // the game still holds this one
    MImageVolume* vol = new MImageVolume(1, 2);
    vol->m_id = 7;
    (*vol)[0] = m_app->CreateImage(1, 1);
    m_app->InsertImageVolumeCache(vol);
    delete m_app;
    m_app = nullptr;
    EXPECT_EQ(kept->RefCount(), 1);
    kept->Release();
}

TEST_F(ImageTest, CopyImageConvertsIntoTheDestinationsCorner)
{
    MImage* src = MakeImage(3, 2, KES_FMT_A8R8G8B8, [](int x, int y) { return 0xFF000000u | uint32_t(x * 80 + y); });
    MImage* des = MakeImage(5, 5, KES_FMT_X8R8G8B8, [](int, int) { return 0xFF123456u; });
    m_app->CopyImage(src, des);
    unsigned char* bits;
    int pitch;
    ASSERT_EQ(des->Lock(&bits, &pitch), 1);
    auto at = [&](int x, int y) {
        uint32_t v;
        memcpy(&v, bits + y * pitch + x * 4, 4);
        return v | 0xFF000000u;
    };
    EXPECT_EQ(at(2, 1), 0xFF0000A1u);
    EXPECT_EQ(at(3, 0), 0xFF123456u);
    EXPECT_EQ(at(0, 2), 0xFF123456u);
    des->Unlock();

    // Wider but not taller: no report, what fits is copied.
    AssertRecorder asserts;
    MImage* narrow = MakeImage(2, 8, KES_FMT_A8R8G8B8, [](int, int) { return 0u; });
    m_app->CopyImage(src, narrow);
    EXPECT_TRUE(asserts.Reports().empty());
    // Wider and taller: reported, still nothing outside the destination.
    MImage* tiny = MakeImage(1, 1, KES_FMT_A8R8G8B8, [](int, int) { return 0u; });
    m_app->CopyImage(src, tiny);
    EXPECT_TRUE(asserts.SawOnly(L"src->m_width<=des->m_width || src->m_height<=des->m_height", L"Core/KesD3D9"));
    for (MImage* i : {src, des, narrow, tiny}) i->Release();
}

using ImageDeathTest = ImageTest;

TEST_F(ImageDeathTest, ATextureThatCannotBeMadeEndsTheProcess)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(m_render->CreateTextureImage(100000, 100000, KES_FMT_A8R8G8B8), ::testing::ExitedWithCode(255),
                "Kesto \xE4\xB8\xA5\xE9\x87\x8D\xE9\x94\x99\xE8\xAF\xAF\xE6\x8F\x90\xE7\xA4\xBA: "
                "D3D\xE9\x94\x99\xE8\xAF\xAF\xE6\x97\xA0\xE6\xB3\x95\xE5\x88\x9B\xE5\xBB\xBA\xE7\xBA\xB9\xE7\x90\x86");
}

} // namespace
