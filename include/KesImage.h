/// \file
/// Pictures the engine draws: MImage (one texture, with the picture's size
/// and key point) and MImageVolume (a grid of images: groups by frames).
///
/// Both are reference counted (T_Com): the creator holds the first reference,
/// every holder gives its own back with Release (or MApp::CloseImage /
/// CloseImageVolume for cached ones); the last Release destroys the object.
#ifndef KESTO_KESIMAGE_H
#define KESTO_KESIMAGE_H

#include <KesUtility.h>

struct IDirect3DTexture9;

/// The source name under which MImageVolume's checks (Alloc, operator[])
/// report a failure (see KES_CHECK).
#define KES_IMAGE_SOURCE L"include/KesImage"

/// Texture formats the engine uses (Direct3D numbering).
enum {
    KES_FMT_A8R8G8B8 = 21, ///< WAS sprites, TGA, MApp::CreateImage
    KES_FMT_X8R8G8B8 = 22, ///< BMP (8-bit and 24-bit)
    KES_FMT_R5G6B5 = 23,   ///< BMP (16-bit), JPEG
    KES_FMT_A8 = 28,       ///< text coverage
};

/// Blend levels of MApp::DrawImage: 0 mostly grey, 1-5 and 14 unchanged
/// (14 is the plain path), 6-13 darker, 15-21 brighter.
enum {
    BLEND_COLOR = 0,   ///< the lowest level: mostly grey
    BLEND_NORMAL = 14, ///< the picture as it is, on the plain path
    BLEND_LIGHT = 21,  ///< the highest level: the brightest
};

/// One picture: a texture holding its pixels, its size and its key point.
/// Reference counted: the holder of the last reference destroys it with
/// Release (or MApp::CloseImage for a cached one); never deleted directly.
class KESTO_API MImage : public T_Com<MImage> {
    /// Only the last Release destroys an image.
    ~MImage() override;

public:
    DWORD m_id;               ///< cache key; 0 when not cached
    IDirect3DTexture9* m_tex; ///< owned: one reference
    int m_keyX;               ///< key point: the pixel that lands on the drawing position (x)
    int m_keyY;               ///< key point (y)
    int m_width;              ///< picture width in pixels
    int m_height;             ///< picture height in pixels
    float m_texU;             ///< m_width / texture width (below 1 when the store rounded up)
    float m_texV;             ///< m_height / texture height
    int m_format;             ///< KES_FMT_*

    /// No texture, no size, key point (0, 0), one reference for the creator;
    /// the engine's loaders and MApp::CreateImage fill it in.
    MImage();

    /// Level 0 of the texture: first byte and row pitch. 1 on success; 0 with
    /// *bits null otherwise. Every Lock that succeeded needs an Unlock.
    int Lock(unsigned char** bits, int* pitch);
    void Unlock(); ///< Ends a Lock that succeeded.
    /// Hit test at (x, y) relative to the key point: 1 when inside the picture
    /// and, for formats with alpha, on a pixel whose alpha is not 0.
    int IsCover(int x, int y);

    /// Not copied: two objects would own one texture.
    MImage(const MImage&) = delete;
    MImage& operator=(const MImage&) = delete; ///< not assigned, for the same reason
};

/// A grid of images, groups by frames: a sprite animation (a group per
/// direction, say, and its frames). It holds one reference on each image it
/// stores. Reference counted like MImage: Release (or
/// MApp::CloseImageVolume for a cached one) gives a reference back.
class KESTO_API MImageVolume : public T_Com<MImageVolume> {
    /// Only the last Release destroys a volume; it releases its images.
    ~MImageVolume() override;

public:
    MImage** m_images; ///< m_total slots, group-major; the volume holds a reference on each image
    DWORD m_id;        ///< cache key; 0 when not cached
    int m_keyX;        ///< key point of the whole animation (x)
    int m_keyY;        ///< key point of the whole animation (y)
    int m_width;       ///< frame box of the whole animation: width in pixels
    int m_height;      ///< frame box of the whole animation: height in pixels
    int m_total;       ///< m_groupCount * m_frameCount
    int m_groupCount;  ///< groups (rows of the grid)
    int m_frameCount;  ///< frames in each group

    MImageVolume(); ///< No slots, one reference for the creator.
    /// gcnt x fcnt empty slots (see Alloc), one reference for the creator.
    MImageVolume(int gcnt, int fcnt);

    /// Clears, then makes gcnt x fcnt empty slots. m_id stays.
    void Alloc(int gcnt, int fcnt);
    /// Releases every image and forgets the slots.
    void Clear();
    /// Slot i itself, so that a loader can store an image (and its reference) there.
    MImage*& operator[](int i);
    /// Null outside the grid or for an empty slot; adds no reference.
    MImage* GetImage(int group, int frame);
    /// MImage::IsCover of slot `index` (group * m_frameCount + frame); 0 for
    /// an empty slot or an index outside the grid.
    int IsCover(int index, int x, int y);

    /// Not copied: two objects would hold one set of references.
    MImageVolume(const MImageVolume&) = delete;
    MImageVolume& operator=(const MImageVolume&) = delete; ///< not assigned, for the same reason
};

#endif
