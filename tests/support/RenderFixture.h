// A window of the SDL backend, an MApp, and its render object's device on
// it, as the application's Init will make them; plus a device proxy that
// logs the calls the engine makes, and back-buffer read-back.
#ifndef KESTO_TESTS_RENDERFIXTURE_H
#define KESTO_TESTS_RENDERFIXTURE_H

#include <KesApp.h>
#include <KesD3D9.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kes::test {

// One call the engine made on the device, e.g. "SetTexture 0 tex" or
// "DrawPrimitive 5 0 2".
using CallLog = std::vector<std::string>;

// Forwards every call to the real device and writes it into a log.
IDirect3DDevice9* MakeLoggingDevice(IDirect3DDevice9* real, CallLog* log);

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Records nothing itself: runs one frame's end as the main loop does.
    void Frame();
    // The back buffer as 0xAARRGGBB words, row by row.
    std::vector<uint32_t> ReadBack();
    uint32_t Pixel(int x, int y);
    // False when the suite runs on another device (KESTO_RENDER_DEVICE).
    bool OnSoftwareDevice() const;
    // Routes the render object's device calls through a logging proxy.
    void LogCalls();
    // An image of w x h in `format` filled by fn(x, y) -> 0xAARRGGBB.
    template <class Fn>
    MImage* MakeImage(int w, int h, int format, Fn fn);

    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;

    HWND m_window = nullptr;
    MApp* m_app = nullptr;
    MRender* m_render = nullptr;
    CallLog m_log;

private:
    IDirect3DDevice9* m_realDevice = nullptr;
};

void WritePixel(MImage* img, unsigned char* bits, int pitch, int x, int y, uint32_t argb);

template <class Fn>
MImage* RenderTest::MakeImage(int w, int h, int format, Fn fn)
{
    MImage* img = m_render->CreateTextureImage(unsigned(w), unsigned(h), format);
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!img->Lock(&bits, &pitch)) {
        ADD_FAILURE() << "cannot lock a new image";
        return img;
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) WritePixel(img, bits, pitch, x, y, fn(x, y));
    img->Unlock();
    return img;
}

} // namespace kes::test

#endif
