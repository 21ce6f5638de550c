// Choosing the platform layer's backends, for tools and tests.
//
// Everything is chosen automatically: SDL picks its video driver (a
// desktop's, else "offscreen", else "dummy"); Direct3DCreate9 gives an OpenGL
// device when a context can be made, else the software device. These calls
// force a choice; they take effect for windows and devices created later.
// The engine itself never calls them.
#ifndef KESTO_PLATFORM_KESPLATFORM_H
#define KESTO_PLATFORM_KESPLATFORM_H

#include <d3d9.h>

#if defined(_WIN32)
#define KESTO_PLATFORM_API
#else
#define KESTO_PLATFORM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// SDL video driver by name ("x11", "wayland", "offscreen", "dummy"), or null
// for the automatic choice. Applies when the video system is next started.
KESTO_PLATFORM_API void KesPlatformSetVideoDriver(const char* name);

// The name of the video driver in use, or null before the first window.
KESTO_PLATFORM_API const char* KesPlatformVideoDriver(void);

// Render device by name ("software", "opengl"), or null for the automatic
// choice. Applies to devices created afterwards.
KESTO_PLATFORM_API void KesPlatformSetRenderDevice(const char* name);

// The name of the device behind `device` ("software", "opengl").
KESTO_PLATFORM_API const char* KesPlatformDeviceName(IDirect3DDevice9* device);

// When nonzero, textures created afterwards round their sizes up to powers
// of two, as some hardware requires.
KESTO_PLATFORM_API void KesPlatformSetPow2Textures(int on);

// True (1) when windows are shown to a person: the video driver is a
// desktop's, not "offscreen" or "dummy". Starts the video system if needed.
KESTO_PLATFORM_API int KesPlatformHasDisplay(void);

// Writes the frame last presented into `hWnd` (the back buffer of the
// device presenting there) as a PNG file. 1 on success, 0 when the window
// has no device or the file cannot be written.
KESTO_PLATFORM_API int KesPlatformSaveScreenshot(HWND hWnd, const char* pngPath);

// Makes `device` behave as a device whose display was taken away: the next
// TestCooperativeLevel answers D3DERR_DEVICENOTRESET, drawing calls fail
// with D3DERR_DEVICELOST, until Reset succeeds.
KESTO_PLATFORM_API void KesPlatformLoseDevice(IDirect3DDevice9* device);

#ifdef __cplusplus
}
#endif

#endif
