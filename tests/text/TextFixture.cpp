#include "TextFixture.h"
#include "TestSupport.h"

#include <KesPlatform.h>

#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_BITMAP_H

#include <cstdlib>
#include <cstring>

namespace kes::test {

const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kDejaVuMono = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
const char* const kLiberationSans = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";
const char* const kZenHei = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

RefFace::RefFace(const char* path, int size)
{
    EXPECT_EQ(FT_Init_FreeType(&m_lib), 0);
    EXPECT_EQ(FT_New_Face(m_lib, path, 0, &m_face), 0) << path << " (scripts/setup.sh installs the fonts)";
    if (m_face) FT_Set_Pixel_Sizes(m_face, FT_UInt(size), FT_UInt(size));
}

RefFace::~RefFace()
{
    if (m_face) FT_Done_Face(m_face);
    FT_Done_FreeType(m_lib);
}

RefGlyph RefFace::Glyph(unsigned long unicode, FT_Int32 flags, const FT_Matrix* transform, FT_Pos emboldenX)
{
    RefGlyph g;
    if (!m_face) return g;
    g.index = FT_Get_Char_Index(m_face, unicode);
    EXPECT_EQ(FT_Load_Glyph(m_face, g.index, flags), 0);
    FT_GlyphSlot slot = m_face->glyph;
    if (emboldenX && slot->format == FT_GLYPH_FORMAT_OUTLINE) FT_Outline_EmboldenXY(&slot->outline, emboldenX, 0);
    if (emboldenX && slot->format == FT_GLYPH_FORMAT_BITMAP) {
        EXPECT_EQ(FT_GlyphSlot_Own_Bitmap(slot), 0);
        EXPECT_EQ(FT_Bitmap_Embolden(m_lib, &slot->bitmap, emboldenX, 0), 0);
        slot->metrics.horiAdvance += emboldenX;
    }
    if (transform) FT_Outline_Transform(&slot->outline, transform);
    g.advance = int(slot->metrics.horiAdvance >> 6);
    g.bearingX = int(slot->metrics.horiBearingX >> 6);
    g.bearingY = int(slot->metrics.horiBearingY >> 6);
    g.bitmapFormat = slot->format == FT_GLYPH_FORMAT_BITMAP;
    EXPECT_EQ(FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL), 0);
    g.rows = int(slot->bitmap.rows);
    g.width = int(slot->bitmap.width);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.width; ++c) {
            const uint8_t* row = slot->bitmap.buffer + r * slot->bitmap.pitch;
            g.coverage.push_back(slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                     ? ((row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0)
                                     : row[c]);
        }
    return g;
}

RefGlyph Coverage(const MFontChar* ch)
{
    RefGlyph g;
    if (!ch) return g;
    g.index = ch->index;
    g.advance = ch->advance;
    g.bearingX = ch->bearingX;
    g.bearingY = ch->bearingY;
    const FT_Bitmap& bm = ch->glyph->bitmap;
    g.rows = int(bm.rows);
    g.width = int(bm.width);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.width; ++c) {
            const uint8_t* row = bm.buffer + r * bm.pitch;
            g.coverage.push_back(bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((row[c >> 3] & (0x80 >> (c & 7))) ? 255 : 0)
                                                                     : row[c]);
        }
    return g;
}

std::vector<uint8_t> ReadA8(MImage* img)
{
    std::vector<uint8_t> out;
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!img || !img->Lock(&bits, &pitch)) {
        ADD_FAILURE() << "cannot lock the text image";
        return out;
    }
    for (int y = 0; y < img->m_height; ++y) out.insert(out.end(), bits + y * pitch, bits + y * pitch + img->m_width);
    img->Unlock();
    return out;
}

void TextTest::SetUp()
{
    // Nothing audible and no display needed: the same run on a desktop and in CI.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformSetRenderDevice(SuiteRenderDevice().c_str());
    m_app = new MApp;
    m_app->SetWindowSize(64, 48);
    m_app->SetAsync(0);
    ASSERT_EQ(m_app->Init(), 1);
}

void TextTest::TearDown()
{
    if (m_app) {
        m_app->Shutdown();
        delete m_app;
        m_app = nullptr;
    }
}

} // namespace kes::test
