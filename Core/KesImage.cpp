// MImage and MImageVolume, and the drawing members of MApp.
#include <KesApp.h>
#include <KesImage.h>

#include "KesD3D9.h"

#include <stddef.h>

#define KES_CORE_IMAGE_SOURCE L"Core/KesImage"

// ---- MImage ----------------------------------------------------------------------

MImage::MImage()
    : m_id(0), m_tex(0), m_keyX(0), m_keyY(0), m_width(0), m_height(0), m_texU(1.0f), m_texV(1.0f), m_format(0)
{
}

MImage::~MImage()
{
    // A destroyed image must neither stay findable nor be mistaken for a
    // later one at the same address by the replay.
    MApp::_ImageDestroyed(this);
    if (m_tex) m_tex->Release();
}

int MImage::Lock(unsigned char** bits, int* pitch)
{
    *bits = 0;
    if (!m_tex) return 0;
    D3DLOCKED_RECT rect;
    if (FAILED(m_tex->LockRect(0, &rect, NULL, 0))) return 0;
    *bits = static_cast<unsigned char*>(rect.pBits);
    *pitch = rect.Pitch;
    return 1;
}

void MImage::Unlock()
{
    if (m_tex) m_tex->UnlockRect(0);
}

int MImage::IsCover(int x, int y)
{
    // 32-bit arithmetic that wraps (no undefined overflow on extreme input).
    const int px = int(unsigned(x) + unsigned(m_keyX)), py = int(unsigned(y) + unsigned(m_keyY));
    if (px < 0 || px >= m_width || py < 0 || py >= m_height) return 0;
    if (m_format != KES_FMT_A8R8G8B8 && m_format != KES_FMT_A8) return 1;
    unsigned char* bits;
    int pitch;
    if (!Lock(&bits, &pitch)) return 0;
    const unsigned char alpha = m_format == KES_FMT_A8R8G8B8 ? bits[ptrdiff_t(py) * pitch + ptrdiff_t(px) * 4 + 3]
                                                           : bits[ptrdiff_t(py) * pitch + px];
    Unlock();
    return alpha != 0 ? 1 : 0;
}

// ---- MImageVolume ------------------------------------------------------------------

MImageVolume::MImageVolume()
    : m_images(0), m_id(0), m_keyX(0), m_keyY(0), m_width(0), m_height(0), m_total(0), m_groupCount(0),
      m_frameCount(0)
{
}

MImageVolume::MImageVolume(int gcnt, int fcnt) : MImageVolume()
{
    Alloc(gcnt, fcnt);
}

MImageVolume::~MImageVolume()
{
    MApp::_VolumeDestroyed(this);
    Clear();
}

void MImageVolume::Alloc(int gcnt, int fcnt)
{
    Clear();
    KES_CHECK(gcnt>0 && fcnt>0, KES_IMAGE_SOURCE);
    // Execution goes on after the report; a grid with no cells (or one too
    // large to count) is left empty instead of mis-sized.
    const long long total = (long long)gcnt * fcnt;
    if (gcnt <= 0 || fcnt <= 0 || total > 0x7FFFFFFF) return;
    m_total = int(total);
    m_groupCount = gcnt;
    m_frameCount = fcnt;
    m_images = new MImage*[m_total]();
    m_keyX = m_keyY = m_width = m_height = 0;
}

void MImageVolume::Clear()
{
    if (!m_images) return;
    for (int i = 0; i < m_total; ++i) {
        if (m_images[i]) {
            m_images[i]->Release();
            m_images[i] = 0;
        }
    }
    delete[] m_images;
    m_images = 0;
    m_total = m_groupCount = m_frameCount = 0;
}

MImage*& MImageVolume::operator[](int i)
{
    KES_CHECK(i<m_total, KES_IMAGE_SOURCE);
    // As for the containers: outside the slots, a blank scratch slot rather
    // than memory that is not the volume's.
    if (i < 0 || i >= m_total) {
        // An image stored there keeps its reference for good: a leak after a
        // reported mistake, never a dangling pointer.
        static MImage* scratch;
        return scratch;
    }
    return m_images[i];
}

MImage* MImageVolume::GetImage(int group, int frame)
{
    if (!m_images || group < 0 || frame < 0 || group >= m_groupCount || frame >= m_frameCount) return 0;
    return m_images[group * m_frameCount + frame];
}

int MImageVolume::IsCover(int index, int x, int y)
{
    KES_CHECK(index<m_total, KES_CORE_IMAGE_SOURCE);
    if (index < 0 || index >= m_total || !m_images[index]) return 0;
    return m_images[index]->IsCover(x, y) ? 1 : 0;
}

// ---- drawing members of MApp -------------------------------------------------------------

void MApp::DrawImage(MImage* img, float x, float y, RECTF& src, int blend, DWORD colour, float alpha, float scaleX,
                     float scaleY)
{
    KES_CHECK(blend>=BLEND_COLOR && blend<=BLEND_LIGHT, KES_CORE_IMAGE_SOURCE);
    m_pRender->AddImage(img, x, y, src, blend, colour, alpha, scaleX, scaleY);
}

void MApp::DrawTextImage(MImage* img, float x, float y, RECTF& src, DWORD colour, int glow, float scaleX,
                         float scaleY)
{
    m_pRender->AddImage(img, x, y, src, DRAW_TEXT, colour, float(glow), scaleX, scaleY);
}

void MApp::DrawLine(float x1, float y1, float x2, float y2, DWORD colour, float width)
{
    m_pRender->AddLine(x1, y1, x2, y2, colour, width);
}

void MApp::DrawLineEx(float x1, float y1, float x2, float y2, DWORD colour, float width)
{
    DrawLine(x1, y1, x2, y2, colour, width);
}

void MApp::DrawRect(float x, float y, float w, float h, DWORD colour, float border)
{
    m_pRender->AddRect(x, y, w, h, colour, border);
}

void MApp::CopyImage(MImage* src, MImage* des)
{
    KES_CHECK(src->m_width<=des->m_width || src->m_height<=des->m_height, KES_D3D9_SOURCE);
    RECT rect = {0, 0, src->m_width, src->m_height};
    KES_CHECK(src->m_tex, KES_D3D9_SOURCE);
    if (!src->m_tex || !des->m_tex) return;
    // Copy what fits: the surface copy refuses rectangles outside either picture.
    if (rect.right > des->m_width) rect.right = des->m_width;
    if (rect.bottom > des->m_height) rect.bottom = des->m_height;
    IDirect3DSurface9* from = 0;
    IDirect3DSurface9* to = 0;
    if (SUCCEEDED(src->m_tex->GetSurfaceLevel(0, &from)) && SUCCEEDED(des->m_tex->GetSurfaceLevel(0, &to)))
        D3DXLoadSurfaceFromSurface(to, NULL, &rect, from, NULL, &rect, D3DX_DEFAULT, 0);
    if (from) from->Release();
    if (to) to->Release();
}
