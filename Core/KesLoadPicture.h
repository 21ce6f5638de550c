// The steps every picture loader of one file into one texture goes through
// (LoadBMP, LoadTGA, LoadPNG): the image cache by the id of the name, the
// file through MFile (loose or archived), the header judged before any
// texture is made, one report of why there is no picture, and the texture
// registered only once it is whole.
//
// A Picture type provides:
//   static const char* Loader();   "LoadBMP", named in every report
//   static const char* Kind();     "a BMP picture", for files of another kind
//   unsigned width, height; int format;   set by Parse
//   bool Parse(const unsigned char* data, size_t size, kes::Reason* why, bool* otherKind);
//   bool Decode(unsigned char* bits, int pitch, kes::Reason* why);
// Parse refuses with a reason, or with *otherKind for a file that is no
// picture of its kind at all; Decode fills the locked texture.
#ifndef KESTO_CORE_KESLOADPICTURE_H
#define KESTO_CORE_KESLOADPICTURE_H

#include <KesApp.h>
#include <KesFile.h>
#include <KesImage.h>

#include "KesD3D9.h"
#include "KesLooksLike.h"
#include "KesReport.h"

#define KES_LOAD_IMAGE_SOURCE L"Core/KesLoadImage"

namespace kes {

// Nothing reaches the cache unless the picture decoded whole.
template <class Picture>
MImage* LoadPicture(MApp* app, const char* fname)
{
    KES_CHECK(fname, KES_LOAD_IMAGE_SOURCE);
    // Execution goes on after the report; without a name there is nothing to find.
    if (!fname) return 0;
    const DWORD id = WString2ID(fname);
    if (MImage* cached = app->FindImageCache(id)) return cached->Ref();

    MFile file;
    if (!file.Load(fname, 0)) return 0;
    Picture pic;
    Reason why;
    bool otherKind = false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(file.m_Data);
    if (!pic.Parse(bytes, file.m_Size, &why, &otherKind)) {
        if (otherKind) {
            char kind[kLooksLikeText];
            LooksLike(bytes, file.m_Size, kind);
            Report("%s %s: not %s; the file %s", Picture::Loader(), fname, Picture::Kind(), kind);
        } else {
            Report("%s %s: %s", Picture::Loader(), fname, why.text);
        }
        return 0;
    }
    if (!app->m_pRender->CanCreateTexture(pic.width, pic.height)) {
        Report("%s %s: %u x %u pixels, more than a texture holds", Picture::Loader(), fname, pic.width, pic.height);
        return 0;
    }

    MImage* img = app->m_pRender->CreateTextureImage(pic.width, pic.height, pic.format);
    unsigned char* bits;
    int pitch;
    if (!img->Lock(&bits, &pitch)) {
        Report("%s %s: its texture cannot be written", Picture::Loader(), fname);
        img->Release();
        return 0;
    }
    const bool whole = pic.Decode(bits, pitch, &why);
    img->Unlock();
    if (!whole) {
        Report("%s %s: %s", Picture::Loader(), fname, why.text);
        img->Release();
        return 0;
    }
    img->m_id = id;
    app->InsertImageCache(img);
    return img;
}

} // namespace kes

#endif
