#include "PngTestSupport.h"

#include "PngFixtures.h"

#include <string.h>

namespace kes::test {

void PngTest::ExpectPicture(MImage* img, const std::string& bytes, const std::string& what)
{
    PngPixels ref;
    std::string error;
    ASSERT_TRUE(ReferenceDecode(bytes, &ref, &error)) << what << ": libpng says " << error;
    ASSERT_NE(img, nullptr) << what;
    EXPECT_EQ(img->m_format, KES_FMT_A8R8G8B8) << what;
    EXPECT_EQ(img->m_keyX, 0) << what;
    EXPECT_EQ(img->m_keyY, 0) << what;
    ASSERT_EQ(img->m_width, ref.width) << what;
    ASSERT_EQ(img->m_height, ref.height) << what;
    ExpectSamePixels(ImagePixels(img), ref.argb, ref.width, what + " beside libpng");
}

void PngTest::LoadAndCompare(const std::string& name, const std::string& bytes, const std::string& what,
                             const std::string& reference)
{
    m_dir.Write(name, bytes);
    MImage* img = m_app->LoadPNG(name.c_str());
    ExpectPicture(img, reference.empty() ? bytes : reference, what);
    if (!img) return;
    EXPECT_EQ(img->m_id, WString2ID(name.c_str())) << what;
    EXPECT_EQ(m_app->FindImageCache(img->m_id), img) << what;
    EXPECT_EQ(img->RefCount(), 1) << what;
    m_app->CloseImage(img);
    EXPECT_FALSE(Cached(name)) << what;
}

void PngTest::ExpectRefused(const std::string& name, const std::string& bytes, const std::string& what)
{
    m_dir.Write(name, bytes);
    MImage* img = m_app->LoadPNG(name.c_str());
    EXPECT_EQ(img, nullptr) << what;
    if (img) m_app->CloseImage(img);
    EXPECT_FALSE(Cached(name)) << what;
}

} // namespace kes::test
