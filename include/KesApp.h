// MApp: the one application object of a Kesto game.
//
// Construct exactly one; reach it anywhere through Singleton<MApp>.
#ifndef KESTO_KESAPP_H
#define KESTO_KESAPP_H

#include <KesFile.h>
#include <KesImage.h>
#include <KesUtility.h>

class MApp;
class MRender;
// The one instance lives in the library, shared with every module of the game.
template <>
KESTO_API MApp* Singleton<MApp>::m_Singleton;

class KESTO_API MApp : public Singleton<MApp> {
public:
    MRender* m_pRender;     // the device and the sprite batcher; owned
    MMapPtr m_imageCache;   // id -> MImage*; entries hold no reference
    MMapPtr m_volumeCache;  // id -> MImageVolume*

    MApp();
    ~MApp();

    // Registers a data archive for the whole process (see MFile::OpenDataFile).
    void OpenDataFile(const char* path);

    // ---- images and caches
    // A blank A8R8G8B8 image (pixels not initialised), count 1, not cached.
    MImage* CreateImage(DWORD width, DWORD height);
    // Registers an image under its m_id (which must be set); replaces an
    // entry with the same id without touching the old image.
    void InsertImageCache(MImage* mimg);
    // The cached image or null; adds no reference (Ref it to keep it).
    MImage* FindImageCache(DWORD id);
    // Gives back one reference; the last one also leaves the cache.
    void CloseImage(MImage* mimg);
    void InsertImageVolumeCache(MImageVolume* miv);
    MImageVolume* FindImageVolumeCache(DWORD id);
    void CloseImageVolume(MImageVolume* miv);

    // ---- drawing: recorded now, drawn in call order at the frame's end
    // `src` is the part of the picture in fractions (0, 0, 1, 1 = whole);
    // `colour` tints (0x80808080 neutral, 0 off) and turns the hue (its
    // alpha byte, 128 none); `blend` is BLEND_COLOR..BLEND_LIGHT.
    void DrawImage(MImage* img, float x, float y, RECTF& src, int blend, DWORD colour, float alpha, float scaleX,
                   float scaleY);
    // A text image (A8) in a flat colour: its silhouette, or with `glow` a glow.
    void DrawTextImage(MImage* img, float x, float y, RECTF& src, DWORD colour, int glow, float scaleX, float scaleY);
    void DrawLine(float x1, float y1, float x2, float y2, DWORD colour, float width);
    void DrawLineEx(float x1, float y1, float x2, float y2, DWORD colour, float width);
    // border 1: one-pixel outline; above 1: outline that thick, inside; below 1: filled.
    void DrawRect(float x, float y, float w, float h, DWORD colour, float border);
    // Copies src's pixels into des's top-left corner at once (what fits).
    void CopyImage(MImage* src, MImage* des);

    // ---- loaders: each returns its object with one reference for the caller,
    // or null when the file is missing or cannot be decoded. Files are read
    // through MFile (loose or archived); results are cached by the id of the
    // name, so loading a name again returns the same object.
    // A WAS sprite animation: one A8R8G8B8 image per frame.
    MImageVolume* LoadWas(const char* name);
    // A baseline JPEG picture (grey, 4:4:4 or 4:2:0) as an R5G6B5 image.
    MImage* LoadJPEG(const char* name);
    // A 4:2:0 JPEG tile held in memory: `jpegdata` holds the headers (and the
    // scan when `rowData` is null), `size` bytes of it may be read; width and
    // height 0 take the frame's. `rowData` is the row-sliced scan. Not cached.
    // Without a length the slices are trusted to cover the picture: up to 8
    // bytes past the last one used may be read.
    MImage* LoadXYJPEG(unsigned char* jpegdata, int size, int width, int height, unsigned char* rowData);
    // The same with the length of `rowData`, so that damaged tiles cannot
    // make the decoder read past it.
    MImage* LoadXYJPEG(unsigned char* jpegdata, int size, int width, int height, unsigned char* rowData,
                       int rowDataSize);
    // Windows bitmaps (8-, 16-, 24-bit) and TGA pictures (24-, 32-bit, raw or run-length).
    MImage* LoadBMP(const char* fname);
    MImage* LoadTGA(const char* fname);

    // Images and volumes leaving the world take their cache entries with them.
    static void _ImageDestroyed(MImage* img);
    static void _VolumeDestroyed(MImageVolume* miv);

    MApp(const MApp&) = delete;
    MApp& operator=(const MApp&) = delete;
};

#endif
