// The application's image and image-volume caches.
#include <KesApp.h>

#include "KesD3D9.h"

#include <stddef.h>
#include <string.h>

#define KES_APP_SOURCE L"Core/KesApp"

MImage* MApp::CreateImage(DWORD width, DWORD height)
{
    MImage* img = m_pRender->CreateTextureImage(width, height, KES_FMT_A8R8G8B8);
    // A new texture holds whatever its memory held, an older picture's
    // pixels perhaps; a blank image reads clear until the game draws on it.
    unsigned char* bits = 0;
    int pitch = 0;
    if (img && img->Lock(&bits, &pitch)) {
        for (DWORD y = 0; y < height; ++y) memset(bits + ptrdiff_t(pitch) * ptrdiff_t(y), 0, size_t(width) * 4);
        img->Unlock();
    }
    return img;
}

void MApp::InsertImageCache(MImage* mimg)
{
    KES_CHECK(mimg && mimg->m_id, KES_APP_SOURCE);
    // Without an id nothing could ever take the entry out again.
    if (!mimg || !mimg->m_id) return;
    m_imageCache.Insert(mimg->m_id, mimg);
}

MImage* MApp::FindImageCache(DWORD id)
{
    return static_cast<MImage*>(m_imageCache.Find(id));
}

void MApp::CloseImage(MImage* mimg)
{
    if (mimg->m_id != 0 && mimg->IsLast()) m_imageCache.Delete(mimg->m_id);
    mimg->Release();
}

void MApp::InsertImageVolumeCache(MImageVolume* miv)
{
    KES_CHECK(miv && miv->m_id, KES_APP_SOURCE);
    if (!miv || !miv->m_id) return;
    m_volumeCache.Insert(miv->m_id, miv);
}

MImageVolume* MApp::FindImageVolumeCache(DWORD id)
{
    return static_cast<MImageVolume*>(m_volumeCache.Find(id));
}

void MApp::CloseImageVolume(MImageVolume* miv)
{
    if (miv->m_id != 0 && miv->IsLast()) m_volumeCache.Delete(miv->m_id);
    miv->Release();
}

void MApp::_ImageDestroyed(MImage* img)
{
    MApp* app = m_Singleton;
    if (app && app->m_pRender) app->m_pRender->ForgetImage(img);
    if (app && img->m_id && app->m_imageCache.Find(img->m_id) == img) app->m_imageCache.Delete(img->m_id);
}

void MApp::_VolumeDestroyed(MImageVolume* miv)
{
    MApp* app = m_Singleton;
    if (app && miv->m_id && app->m_volumeCache.Find(miv->m_id) == miv) app->m_volumeCache.Delete(miv->m_id);
}
