/// \file
/// MApp: the one application object of a Kesto game.
///
/// Construct exactly one; reach it anywhere through Singleton<MApp>. A game
/// sets its callbacks and settings, calls Init, registers its archives,
/// hands control to Run until the window is gone, then calls Shutdown and
/// destroys the object:
///
///     MApp app;
///     app.SetUpdateFrameFunc(Update);
///     app.SetWinTitle("My game");
///     if (!app.Init()) return 1;
///     app.OpenDataFile("shape.wdf");
///     app.Run();
///     app.Shutdown();
#ifndef KESTO_KESAPP_H
#define KESTO_KESAPP_H

#include <KesFile.h>
#include <KesFont.h>
#include <KesImage.h>
#include <KesSound.h>
#include <KesUtility.h>

class MApp;
class MRender;
/// \cond
// The one instance lives in the library, shared with every module of the game.
template <>
KESTO_API MApp* Singleton<MApp>::m_Singleton;
/// \endcond

/// The one input event being delivered: Run hands a pointer to it to the
/// input callback right after the message that produced it, then clears
/// m_type. Each kind writes only its own fields; the others keep the values
/// of earlier events.
struct KESTO_API MInputEven {
    /// The kinds of event, as m_type holds them.
    enum {
        NONE = 0,         ///< no event: between deliveries
        KEY = 1,          ///< a key pressed or released, Alt held or not (not the releases of Alt+Enter and Alt+F4)
        CHARACTER = 2,    ///< one byte of typed text (WM_CHAR)
        MOUSE_BUTTON = 3, ///< a button pressed, released or double-clicked
        MOUSE_MOVE = 4,   ///< the cursor moved over the client area
        MOUSE_WHEEL = 5   ///< the wheel turned
    };

    int m_type;     ///< one of the kinds above
    DWORD m_vkey;   ///< key: the virtual-key code (VK_...)
    int m_state;    ///< key: 4 Alt, else 1 Shift, else 2 Ctrl, else 0;
                    ///< button and wheel: the MK_ flags of the message
    int m_bit12;    ///< key: bit 12 of the message's lParam
    int m_keyUp;    ///< key: 0 press, 1 release
    int m_repeat;   ///< key and character: the repeat count
    int m_button;   ///< button: the message, WM_LBUTTONDOWN..WM_MBUTTONDBLCLK
    int m_x;        ///< mouse: client x (the wheel: screen x)
    int m_y;        ///< mouse: client y (the wheel: screen y)
    int m_wheel;    ///< wheel: whole notches, +1 away from the user; button: 0
    char m_char;    ///< character: one byte of code page 936 text (a
                    ///< double-byte character arrives as two events, lead byte first)
};

/// A callback through which the engine calls the game: the frame, the
/// window's events and the device's resets (see the MApp::Set...Func calls).
typedef int (*MAppFunc)(void);
/// The input callback: called with the event being delivered (MApp::m_input).
typedef int (*MInputEvenFunc)(MInputEven* input);

/// The application: the window, the device and its sprite batcher, the main
/// loop, input, the image caches, fonts and sound. Exactly one exists; the
/// game constructs it and reaches it anywhere with
/// Singleton<MApp>::GetSingleton().
class KESTO_API MApp : public Singleton<MApp> {
public:
    // ---- the object's state, in this order
    HINSTANCE m_hInst;     ///< the executable's module
    HWND m_hWnd;           ///< the engine's window, null before Init and after Shutdown
    MRender* m_pRender;    ///< the device and the sprite batcher; owned
    char m_path[260];      ///< the executable's file name followed by "\\"
    char m_title[256];     ///< the window caption
    const char* m_icon;    ///< icon name for LoadIconA (a picture file here); not copied
    int m_winWidth;        ///< client and back-buffer width (800 by default)
    int m_winHeight;       ///< client and back-buffer height (600 by default)
    int m_inited;          ///< 1 once Init succeeded
    int m_windowed;        ///< 1 windowed, 0 full screen
    int m_hideMouse;       ///< 1 hides the cursor over the client area
    int m_async;           ///< 1 presents once per display refresh, 0 at once
    int m_pause;           ///< nonzero: no frames (messages and the clock go on)
    DWORD m_seed;          ///< the random generator's state
    MInputEven m_input;    ///< the event being delivered
    RECT m_winRect;        ///< outer rectangle of the window when windowed
    RECT m_fullRect;       ///< (0, 0, width, height) for full screen
    DWORD m_winStyle;      ///< WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX
    DWORD m_fullStyle;     ///< WS_POPUP | WS_VISIBLE
    double m_deltaTime;    ///< seconds of the last frame step
    double m_curTime;      ///< seconds since Run began
    DWORD m_fps;           ///< loop iterations in the last second
    MMapPtr m_fontMap;     ///< id -> font
    MMapPtr m_imageCache;  ///< id -> MImage*; entries hold no reference
    MMapPtr m_volumeCache; ///< id -> MImageVolume*; entries hold no reference
    MAppFunc m_lostDeviceFunc;       ///< see SetLostDeviceFunc; null when unset
    MAppFunc m_restoreDeviceFunc;    ///< see SetRestoreDeviceFunc; null when unset
    MAppFunc m_updateFrameFunc;      ///< see SetUpdateFrameFunc; null when unset
    MAppFunc m_windowShowedFunc;     ///< see SetWindowShowedFunc; null when unset
    MAppFunc m_exitFunc;             ///< see SetExitFunc; null when unset
    MAppFunc m_activeFunc;           ///< see SetActiveFunc; null when unset
    MAppFunc m_deActiveFunc;         ///< see SetDeActiveFunc; null when unset
    MInputEvenFunc m_inputEvenFunc;  ///< see SetInputEvenFunc; null when unset

    /// Records the defaults (800 x 600, windowed, presents paced to the
    /// display, no callbacks) and makes the renderer; no window or device yet
    /// (Init makes them). Becomes the one Singleton<MApp>.
    MApp();
    /// Releases the device, every cached picture, the fonts and the sound
    /// system. The window is Shutdown's to destroy.
    ~MApp();

    // ---- callbacks (each setter only stores the pointer)
    /// Once per frame, unless paused: load and draw here. Result ignored.
    void SetUpdateFrameFunc(MAppFunc f) { m_updateFrameFunc = f; }
    MAppFunc GetUpdateFrameFunc() { return m_updateFrameFunc; } ///< the frame callback, or null
    /// Every keyboard and mouse event, with the record; ask it with the
    /// Input... queries below. Result ignored.
    void SetInputEvenFunc(MInputEvenFunc f) { m_inputEvenFunc = f; }
    MInputEvenFunc GetInputEvenFunc() { return m_inputEvenFunc; } ///< the input callback, or null
    /// The window was restored from the task bar. Result ignored.
    void SetActiveFunc(MAppFunc f) { m_activeFunc = f; }
    MAppFunc GetActiveFunc() { return m_activeFunc; } ///< the restore callback, or null
    /// The window was minimised. Result ignored.
    void SetDeActiveFunc(MAppFunc f) { m_deActiveFunc = f; }
    MAppFunc GetDeActiveFunc() { return m_deActiveFunc; } ///< the minimise callback, or null
    /// Before every device reset (a lost device, a new size, mode or pacing):
    /// let go of what the device holds. Returning 0 ends the application.
    void SetLostDeviceFunc(MAppFunc f) { m_lostDeviceFunc = f; }
    MAppFunc GetLostDeviceFunc() { return m_lostDeviceFunc; } ///< the before-reset callback, or null
    /// After every successful device reset. Returning 0 ends the application.
    void SetRestoreDeviceFunc(MAppFunc f) { m_restoreDeviceFunc = f; }
    MAppFunc GetRestoreDeviceFunc() { return m_restoreDeviceFunc; } ///< the after-reset callback, or null
    /// Once, when Run has shown the window. Result ignored.
    void SetWindowShowedFunc(MAppFunc f) { m_windowShowedFunc = f; }
    MAppFunc GetWindowShowedFunc() { return m_windowShowedFunc; } ///< the window-shown callback, or null
    /// The player asked to close the window (close box, Alt+F4). When set,
    /// the window stays until the game calls ExitApp; unset, the game ends.
    void SetExitFunc(MAppFunc f) { m_exitFunc = f; }
    MAppFunc GetExitFunc() { return m_exitFunc; } ///< the close-request callback, or null

    // ---- queries
    int IsInited() { return m_inited; }             ///< 1 once Init succeeded, else 0
    double GetCurTime() { return m_curTime; }       ///< seconds of game time since Run began
    /// Seconds of the last frame step; a gap above half a second (a drag, a
    /// debugger) counts as 1/60 s.
    double GetDeltaTime() { return m_deltaTime; }
    DWORD GetFPS() { return m_fps; }                ///< loop iterations in the last second
    int GetWindowsWidth() { return m_winWidth; }    ///< client and back-buffer width
    int GetWindowsHeight() { return m_winHeight; }  ///< client and back-buffer height
    HWND GetHWnd() { return m_hWnd; }               ///< the window; null before Init and after Shutdown
    /// The cursor in client coordinates (not clamped to the client area).
    POINT GetMousePos();

    // ---- settings: before Init they are recorded, afterwards applied at once
    void SetWinTitle(const char* title); ///< at most 255 characters
    /// `name` must stay valid until Init has used it.
    void SetWinIcon(const char* name);
    /// The client and back-buffer size; after Init the window keeps its
    /// top-left corner and the device is reset.
    void SetWindowSize(int width, int height);
    /// 1 windowed, 0 full screen: the desktop covered, the back buffer
    /// scaled to fit with its aspect ratio kept.
    void SetWindowMode(int windowed);
    void ToggleFullscreen(); ///< windowed to full screen and back, as Alt+Enter does
    void SetHideMouse(int hide); ///< 1 hides the cursor over the client area, 0 shows it
    /// 1 presents once per display refresh (the default), 0 at once; after
    /// Init the device is reset.
    void SetAsync(int async);
    /// Nonzero stops the frames (no frame callback, nothing drawn); messages,
    /// input and the clock go on. 0 resumes.
    void Pause(int pause);

    // ---- lifecycle
    /// Window class, window, device, fonts, sound; 1 on success, 0 on failure.
    int Init();
    /// Shows the window and runs messages and frames until it is destroyed.
    void Run();
    /// Ends the game: pauses and destroys the window; Run then returns.
    void ExitApp();
    /// Destroys a remaining window and unregisters the window class.
    void Shutdown();

    // ---- random numbers, one stream for both: lo..hi, both ends included
    /// A whole number from lo to hi, both included (seeded from the clock at
    /// construction; m_seed may be set for a repeatable stream).
    int RandInt(int lo, int hi);
    float RandFloat(float lo, float hi); ///< a number from lo to hi, from the same stream

    // ---- the input event being delivered (see MInputEven)
    /// A key event: vkey 0 matches any key; mask 0 any modifier, else the
    /// modifier codes 1 Shift, 2 Ctrl, 4 Alt; keyUp 0 presses, 1 releases;
    /// bit12 0 ignores it. Returns the repeat count, 0 when not matched.
    int InputGetVKey(int vkey, int mask, int keyUp, int bit12);
    /// A character event: writes it to *ch and returns its repeat count.
    int InputGetChar(char* ch);
    /// A button message (WM_LBUTTONDOWN...), MK_ mask or 0: 1 and its position.
    int InputCheckMouseClick(int button, int mask, POINT* pt);
    int InputCheckMouseMove(POINT* pt); ///< A cursor move: 1 and its client position in *pt, else 0.
    /// Whole notches turned (0 for less than one); delta is always written.
    int InputCheckMouseWheel(int mask, POINT& pt, int& delta);

    /// Registers a data archive for the whole process (see MFile::OpenDataFile).
    void OpenDataFile(const char* path);

    // ---- sound: one looping music and up to 32 one-shot effects, read
    // through MFile (loose or archived). Until Init, plays do nothing and
    // the volumes are only recorded. Failures (a missing or undecodable
    // file, no free effect slot, a sub-sound index out of range) are not
    // reported to the game: nothing plays (a damaged file is named on
    // standard error).
    /// Replaces the music by the named file, looping; PlayMusic(NULL) stops it.
    /// Nothing plays before Init or when the file is missing or cannot be
    /// decoded; the game is not told.
    void PlayMusic(const char* name);
    /// The same with sub-sound `index` of a sound bank (a chained Ogg file).
    void PlayMusic(const char* name, int index);
    /// 0.0 silent to 1.0 full; applies to the playing music and later ones.
    void SetMusicVolume(float volume);
    /// Plays the named file once, when fewer than 32 effects are playing.
    /// Nothing plays before Init or when the file is missing or cannot be
    /// decoded; the game is not told.
    void PlaySoundA(const char* name);
    /// The same with sub-sound `index` of a sound bank (a chained Ogg file).
    void PlaySoundA(const char* name, int index);
    /// Applies to every effect held and to later ones.
    void SetSoundVolume(float volume);

    // ---- fonts and text (code page 936). Fonts and glyphs belong to the
    // engine until the object is destroyed; none is released on its own.
    /// The font registered under `name`, opened from the file `path` (face 0,
    /// read from disk, not from the archives) at `size` pixels on first use;
    /// later calls with the same name return it whatever else they ask.
    /// `bold` widens strokes by bold/2 pixels; `italic` slants. Null when the
    /// file is no scalable face with a character map, or before Init. The
    /// font belongs to the engine until the object is destroyed.
    void* GetFont(const char* name, const char* path, int size, int bold, int italic);
    /// Copies the font's metrics and style; 0 (info untouched) for a null font.
    int GetFontInfo(void* font, MFontInfo* info);
    /// The glyph of a character: below 0x80 ASCII, else a double-byte
    /// character as lead byte + 256 * trail byte. Null when it cannot be made.
    /// Cached in the font: valid until the object is destroyed.
    const MFontChar* GetFontChar(void* font, DWORD code);
    /// A new A8 coverage image (count 1, not cached; give it back with
    /// CloseImage) of the first `len` bytes of `text` (or up to its zero):
    /// one line when `width` is 0, else wrapped before a line reaches
    /// `width`. `underline` rules every character; `emboss` adds a one-pixel
    /// margin and the relief filter. One-line images have their key point on
    /// the ascender line. Null for a null font, an empty text, len <= 0, or a
    /// size no texture can have.
    MImage* LoadTextEx(void* font, const char* text, int len, int underline, int emboss, int width);
    /// LoadTextEx of the whole zero-terminated `text`.
    MImage* LoadText(void* font, const char* text, int underline, int emboss, int width);
    /// Kesto extension: LoadTextEx and LoadText for UTF-8 text (`len` in
    /// bytes), with the same layout, styles, glyph cache, ownership and null
    /// results. Characters that GBK has give exactly the images of their GBK
    /// form; others are drawn as the face has them. Each broken part of a
    /// sequence (stray continuation byte, truncated, overlong or surrogate
    /// form, value past U+10FFFF) is drawn as one U+FFFD.
    MImage* LoadTextUtf8Ex(void* font, const char* text, int len, int underline, int emboss, int width);
    /// Kesto extension: LoadTextUtf8Ex of the whole zero-terminated `text`.
    MImage* LoadTextUtf8(void* font, const char* text, int underline, int emboss, int width);

    // ---- images and caches
    /// A blank A8R8G8B8 image (every pixel 0: clear), count 1, not cached.
    MImage* CreateImage(DWORD width, DWORD height);
    /// Registers an image under its m_id (which must be set); replaces an
    /// entry with the same id without touching the old image.
    void InsertImageCache(MImage* mimg);
    /// The cached image or null; adds no reference (Ref it to keep it).
    MImage* FindImageCache(DWORD id);
    /// Gives back one reference; the last one also leaves the cache.
    void CloseImage(MImage* mimg);
    /// InsertImageCache for volumes: registers `miv` under its m_id (which
    /// must be set), holding no reference.
    void InsertImageVolumeCache(MImageVolume* miv);
    /// The cached volume or null; adds no reference (Ref it to keep it).
    MImageVolume* FindImageVolumeCache(DWORD id);
    /// Gives back one reference; the last one also leaves the cache.
    void CloseImageVolume(MImageVolume* miv);

    // ---- drawing: recorded now, drawn in call order at the frame's end
    /// `src` is the part of the picture in fractions (0, 0, 1, 1 = whole);
    /// `colour` tints (0x80808080 neutral, 0 off) and turns the hue (its
    /// alpha byte, 128 none); `blend` is BLEND_COLOR..BLEND_LIGHT.
    void DrawImage(MImage* img, float x, float y, RECTF& src, int blend, DWORD colour, float alpha, float scaleX,
                   float scaleY);
    /// A text image (A8) in a flat colour: its silhouette, or with `glow` a glow.
    void DrawTextImage(MImage* img, float x, float y, RECTF& src, DWORD colour, int glow, float scaleX, float scaleY);
    /// A line from (x1, y1) to (x2, y2) in a flat colour (0xAARRGGBB): one
    /// pixel wide when `width` is 1, else a band `width` pixels across.
    void DrawLine(float x1, float y1, float x2, float y2, DWORD colour, float width);
    /// The same as DrawLine.
    void DrawLineEx(float x1, float y1, float x2, float y2, DWORD colour, float width);
    /// A rectangle in a flat colour (0xAARRGGBB). border 1: one-pixel outline;
    /// above 1: outline that thick, inside; below 1: filled.
    void DrawRect(float x, float y, float w, float h, DWORD colour, float border);
    /// Copies src's pixels into des's top-left corner at once (what fits).
    void CopyImage(MImage* src, MImage* des);

    // ---- loaders: each returns its object with one reference for the caller,
    // or null when the file is missing or cannot be decoded. Files are read
    // through MFile (loose or archived); results are cached by the id of the
    // name, so loading a name again returns the same object.
    /// A WAS sprite animation: one A8R8G8B8 image per frame. The volume comes
    /// with one reference for the caller (CloseImageVolume gives it back) and
    /// is cached by the id of the name: loading the name again returns it with
    /// one more reference. Null when the file is missing or cannot be decoded.
    MImageVolume* LoadWas(const char* name);
    /// A baseline JPEG picture (grey, 4:4:4 or 4:2:0) as an R5G6B5 image,
    /// with one reference for the caller (CloseImage gives it back), cached
    /// by the id of the name as LoadWas's volumes are. Null when the file is
    /// missing or cannot be decoded.
    MImage* LoadJPEG(const char* name);
    /// A 4:2:0 JPEG tile held in memory: `jpegdata` holds the headers (and the
    /// scan when `rowData` is null), `size` bytes of it may be read; width and
    /// height 0 take the frame's. `rowData` is the row-sliced scan. Not cached.
    /// Without a length the slices are trusted to cover the picture: up to 8
    /// bytes past the last one used may be read.
    MImage* LoadXYJPEG(unsigned char* jpegdata, int size, int width, int height, unsigned char* rowData);
    /// The same with the length of `rowData`, so that damaged tiles cannot
    /// make the decoder read past it.
    MImage* LoadXYJPEG(unsigned char* jpegdata, int size, int width, int height, unsigned char* rowData,
                       int rowDataSize);
    /// A Windows bitmap (8-, 16-, 24-bit), with one reference for the caller,
    /// cached by the id of the name as LoadJPEG's pictures are. Null when the
    /// file is missing or cannot be decoded.
    MImage* LoadBMP(const char* fname);
    /// A TGA picture (24-, 32-bit, raw or run-length), as LoadBMP.
    MImage* LoadTGA(const char* fname);
    /// A Kesto extension: PNG pictures of every colour type and bit depth,
    /// interlaced or not, as an A8R8G8B8 image (grey and palette pictures in
    /// colour, 16-bit samples cut to 8, tRNS as alpha), key point 0, 0.
    MImage* LoadPNG(const char* fname);

    /// Images and volumes leaving the world take their cache entries with
    /// them: called by MImage's destructor (which also makes the batcher
    /// forget the image), not by games.
    static void _ImageDestroyed(MImage* img);
    /// The same for MImageVolume's destructor.
    static void _VolumeDestroyed(MImageVolume* miv);

    /// The engine's window procedure (the window class's).
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    /// Not copied: two objects would own one window, device and cache storage.
    MApp(const MApp&) = delete;
    MApp& operator=(const MApp&) = delete; ///< not assigned, for the same reason

private:
    void _AjustWindow();
    int _ResetGfx();
    /// The close request of the close box and Alt+F4.
    void _CloseRequest();

    void _InputKeyEven(UINT wParam, LONG lParam);
    void _InputCharEven(UINT wParam, LONG lParam);
    void _InputMouseClickEven(int message, UINT wParam, LONG lParam);
    void _InputMouseMoveEven(LONG lParam);
    void _InputMouseWheelEven(UINT wParam, LONG lParam);

    int InitFontSystem();
    void UninitFontSystem();
    int InitSoundSystem();
    void UninitSoundSystem();
    void UpdateSoundSystem();
};

#endif
