/// \file
/// The platform layer under the engine: choosing its backends, hearing why
/// one gave up, and a few services for tools and tests.
///
/// Everything is chosen automatically: SDL picks its video driver (a
/// desktop's, else "offscreen", else "dummy"); Direct3DCreate9 makes a
/// device from the first backend of its driver table that works on the
/// window: "opengl" where its GL runs on a GPU, else "software" (on a CPU
/// rasterizer such as Mesa's llvmpipe the software device is the faster one;
/// the choice is logged once, with the reason). Players
/// and CI choose through the environment: SDL_VIDEODRIVER names the video
/// driver, KESTO_RENDER_DEVICE the render device, SDL_AUDIODRIVER the sound
/// driver. A program's own choice through the calls below comes before the
/// environment. Names compare without regard to case. The engine itself
/// never calls these functions.
#ifndef KESTO_KESPLATFORM_H
#define KESTO_KESPLATFORM_H

#include <KesExport.h>
#include <windows.h>

struct IDirect3DDevice9;

#ifdef __cplusplus
extern "C" {
#endif

// ---- messages ------------------------------------------------------------

/// Receives the log's lines. When a backend gives up or falls back (a video
/// driver refused, a window or device that cannot be made, no sound device, a
/// sound that cannot be decoded), the platform layer says why in one line,
/// without a trailing newline; the engine's own failures (an archive, a
/// name, a damaged file) come the same way. By default the line goes to
/// standard error after "kesto: ". `message` is valid only during the call;
/// `user` is the pointer given to KesPlatformSetLogHandler.
typedef void (*KesPlatformLogHandler)(const char* message, void* user);

/// Sends the lines to `handler` (called with `user`), or back to standard
/// error when `handler` is null. It may be called from the sound mixer's
/// thread as well as the game's, one line at a time, and never after it was
/// replaced. A handler may make the engine say more (load a file that is
/// missing, say): it then hears that line too, after its own.
KESTO_API void KesPlatformSetLogHandler(KesPlatformLogHandler handler, void* user);

// ---- backends --------------------------------------------------------------

/// Video driver by name: "desktop" (the desktop's own, as SDL finds it),
/// "offscreen", "dummy", or any SDL video driver's own name ("x11",
/// "wayland"); null for the automatic choice (the desktop where one is
/// named, else "offscreen", else "dummy"). Applies when the video system is
/// next started.
KESTO_API void KesPlatformSetVideoDriver(const char* name);

/// The name of the video driver in use, or null before the first window.
KESTO_API const char* KesPlatformVideoDriver(void);

/// Sound output by name: "device" (SDL's choice of sound device), "dummy"
/// (mixes in real time and plays nowhere) or any SDL audio driver's own name
/// ("pulseaudio", "alsa", "disk"); null for the automatic choice (a device,
/// else "dummy", with one logged line). Applies when the sound system next
/// opens its output.
KESTO_API void KesPlatformSetAudioDriver(const char* name);

/// The name of the SDL audio driver in use, or null while no sound output
/// is open.
KESTO_API const char* KesPlatformAudioDriver(void);

/// Render device by name ("opengl", "software"), or null for the automatic choice (or
/// KESTO_RENDER_DEVICE's). Applies to devices created afterwards; asking for
/// a device the table does not hold makes device creation fail, with a line
/// naming the devices it knows.
KESTO_API void KesPlatformSetRenderDevice(const char* name);

/// The name of the device behind `device` ("opengl" or "software").
KESTO_API const char* KesPlatformDeviceName(IDirect3DDevice9* device);

/// When nonzero, textures created afterwards round their sizes up to powers
/// of two, as some hardware requires.
KESTO_API void KesPlatformSetPow2Textures(int on);

// ---- services ----------------------------------------------------------------

/// True (1) when windows are shown to a person: the video driver is a
/// desktop's, not "offscreen" or "dummy". Starts the video system if needed.
KESTO_API int KesPlatformHasDisplay(void);

/// Writes the frame last presented into `hWnd` (the back buffer of the
/// device presenting there) as a PNG file. 1 on success, 0 when the window
/// has no device or the file cannot be written.
KESTO_API int KesPlatformSaveScreenshot(HWND hWnd, const char* pngPath);

/// Makes `device` behave as a device whose display was taken away, for
/// testing a game's handling of it: TestCooperativeLevel answers
/// D3DERR_DEVICENOTRESET and Present fails with D3DERR_DEVICELOST until Reset
/// succeeds; drawing calls in between still succeed and draw nothing that
/// is ever shown.
KESTO_API void KesPlatformLoseDevice(IDirect3DDevice9* device);

/// The same for the device presenting into `hWnd` (a game's window, as
/// MApp::GetHWnd gives it); nothing when the window has none.
KESTO_API void KesPlatformLoseWindowDevice(HWND hWnd);

#ifdef __cplusplus
}
#endif

#endif
