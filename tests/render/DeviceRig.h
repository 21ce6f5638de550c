// One device of a given name on its own hidden window, set up as the
// software device's tests set theirs up, outside a test body: comparisons
// hold two of them at once and draw the same scene on each.
#ifndef KESTO_TESTS_DEVICERIG_H
#define KESTO_TESTS_DEVICERIG_H

#include "SoftwareDeviceFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace kes::test {

class DeviceRig : public SoftwareDeviceTest {
public:
    explicit DeviceRig(const char* name) : m_name(name) {}
    const char* DeviceName() const override { return m_name; }
    void TestBody() override {}

    using SoftwareDeviceTest::Clear;
    using SoftwareDeviceTest::Draw;
    using SoftwareDeviceTest::DrawQuad;
    using SoftwareDeviceTest::MakeTexture;
    using SoftwareDeviceTest::ReadBack;
    using SoftwareDeviceTest::SetEffect;
    using SoftwareDeviceTest::SetUp;
    using SoftwareDeviceTest::TearDown;
    using SoftwareDeviceTest::UnbindShader;
    using SoftwareDeviceTest::kHeight;
    using SoftwareDeviceTest::kWidth;

    IDirect3DDevice9* Device() const { return m_device; }
    HWND Window() const { return m_window; }
    // Destroys the window while the device and its resources live on, as a
    // game's ExitApp does before its render object goes.
    void DestroyWindowFirst()
    {
        DestroyWindow(m_window);
        m_window = nullptr;
    }
    // Flat colour through the effect program, nothing bound.
    void UseFlatColour(uint32_t argb);
    // A managed A8R8G8B8 texture of 0xAARRGGBB words, bound to sampler 0.
    IDirect3DTexture9* BindArgb(int w, int h, const std::vector<uint32_t>& words);
    void SetFilters(DWORD mag, DWORD min);
    // Releases the default-pool vertex buffer, resets the device and sets
    // everything up again, as the engine does after a lost device.
    HRESULT ResetDevice(D3DPRESENT_PARAMETERS params);
    // Releases a texture made here before the rig ends (its address may
    // then be given to the next one).
    void ReleaseTexture(IDirect3DTexture9* texture);
    // The texture made last.
    IDirect3DTexture9* LastTexture() const { return m_textures.empty() ? nullptr : m_textures.back(); }

private:
    const char* m_name;
};

// A software and an OpenGL device side by side; the OpenGL one must exist.
class DevicePairTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DeviceRig m_soft{"software"};
    DeviceRig m_gl{"opengl"};
};

// Bytes / 255, as the engine hands colours to the program.
Float4 FromArgb(uint32_t argb);

// What differs between two frames of kWidth x kHeight pixels, for a failure
// message; empty when every colour channel is within `tolerance`.
std::string ColourDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance);

// The same for one-pixel lines, by coverage: a pixel lit (not `background`)
// in one frame must have a lit pixel within one step in the other, and the
// two frames must light the same number of pixels within `slack`.
std::string CoverageDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, uint32_t background,
                                int slack);

} // namespace kes::test

#endif
