// The sprite batcher: what each draw records, how the replay drives the
// device, the frame and reset cycle, the per-frame limits and the image
// references commands hold.
#include "RenderFixture.h"

#include <KesPlatform.h>

#include "TestSupport.h"

#include <algorithm>
#include <cmath>

using kes::test::RenderTest;

namespace {

RECTF Whole()
{
    return RECTF{0, 0, 1, 1};
}

struct V {
    float x, y, u, v;
};

void ExpectVertex(const MVertex& got, V want, const char* what)
{
    EXPECT_FLOAT_EQ(got.x, want.x) << what;
    EXPECT_FLOAT_EQ(got.y, want.y) << what;
    EXPECT_EQ(got.z, 0.0f) << what;
    EXPECT_EQ(got.rhw, 1.0f) << what;
    EXPECT_FLOAT_EQ(got.u, want.u) << what;
    EXPECT_FLOAT_EQ(got.v, want.v) << what;
}

std::vector<std::string> Matching(const kes::test::CallLog& log, const std::string& prefix)
{
    std::vector<std::string> out;
    for (const std::string& s : log)
        if (s.compare(0, prefix.size(), prefix) == 0) out.push_back(s);
    return out;
}

class BatchTest : public RenderTest {};

TEST_F(BatchTest, ImageQuadLandsItsKeyPointAndSamplesTexelCentres)
{
    MImage* img = MakeImage(64, 32, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    img->m_keyX = 32;
    img->m_keyY = 30;
    struct Case {
        const char* what;
        RECTF src;
        float sx, sy;
        float left, top, right, bottom;
        int linear;
    } cases[] = {
        {"whole", {0, 0, 1, 1}, 1, 1, 68, 70, 132, 102, 0},
        {"right half", {0.5f, 0, 1, 1}, 1, 1, 100, 70, 132, 102, 0},
        {"scale 2", {0, 0, 1, 1}, 2, 2, 36, 40, 164, 104, 1},
        {"scale 2 on x", {0, 0, 1, 1}, 2, 1, 36, 70, 164, 102, 0},
        {"mirrored", {0, 0, 1, 1}, -1, 1, 132, 70, 68, 102, 0},
    };
    for (const Case& c : cases) {
        const int first = m_render->m_vertexCount;
        RECTF src = c.src;
        m_app->DrawImage(img, 100, 100, src, 14, 0, 1.0f, c.sx, c.sy);
        const MDrawCmd& cmd = m_render->m_cmds[m_render->m_cmdCount - 1];
        EXPECT_EQ(cmd.firstVertex, first) << c.what;
        EXPECT_EQ(cmd.linear, c.linear) << c.what;
        EXPECT_EQ(cmd.image, img) << c.what;
        const MVertex* v = m_render->m_pVBBuffer + first;
        const float du = 0.5f / 64, dv = 0.5f / 32;
        ExpectVertex(v[0], {c.left, c.top, c.src.left + du, c.src.top + dv}, c.what);
        ExpectVertex(v[1], {c.right, c.top, c.src.right + du, c.src.top + dv}, c.what);
        ExpectVertex(v[2], {c.left, c.bottom, c.src.left + du, c.src.bottom + dv}, c.what);
        ExpectVertex(v[3], {c.right, c.bottom, c.src.right + du, c.src.bottom + dv}, c.what);
    }
    // Each command holds a reference until the replay.
    EXPECT_EQ(img->RefCount(), 1 + 5);
    Frame();
    EXPECT_EQ(img->RefCount(), 1);
    img->Release();
}

TEST_F(BatchTest, TextureCoordinatesAbsorbARoundedUpStore)
{
    KesPlatformSetPow2Textures(1);
    MImage* img = MakeImage(100, 50, KES_FMT_A8R8G8B8, [](int, int) { return 0xFF000000u; });
    EXPECT_FLOAT_EQ(img->m_texU, 100.0f / 128);
    EXPECT_FLOAT_EQ(img->m_texV, 50.0f / 64);
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    const MVertex* v = m_render->m_pVBBuffer;
    const float du = 0.5f * img->m_texU / 100, dv = 0.5f * img->m_texV / 50;
    ExpectVertex(v[3], {100, 50, (1 + du) * img->m_texU, (1 + dv) * img->m_texV}, "bottom right");
    ExpectVertex(v[0], {0, 0, du * img->m_texU, dv * img->m_texV}, "top left");
    img->Release();
}

TEST_F(BatchTest, ShapesRecordTheirVertexLayouts)
{
    MImage* img = MakeImage(8, 8, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);   // 4 vertices at 0
    m_app->DrawLine(0, 0, 10, 0, 0xFF00FF00, 1);        // 2 at 4
    m_app->DrawRect(10, 10, 100, 50, 0xFFFF0000, 3);    // 16 at 6
    m_app->DrawLine(0, 0, 10, 0, 0xFF00FF00, 4);        // 4 at 22
    m_app->DrawRect(10, 10, 100, 50, 0xFFFF0000, 1);    // 5 at 26
    m_app->DrawRect(10, 10, 100, 50, 0xFFFF0000, 0.5f); // 4 at 31
    m_app->DrawLine(5, 5, 5, 5, 0xFF00FF00, 4);         // degenerate, 4 at 35
    m_app->DrawRect(0, 0, 1, 1, 0xFF, std::nanf(""));   // not a number: filled, 4 at 39
    struct Want {
        int kind, first;
    } want[] = {{14, 0}, {DRAW_LINE, 4}, {DRAW_BORDER, 6}, {DRAW_FILL, 22}, {DRAW_FRAME, 26},
                {DRAW_FILL, 31}, {DRAW_FILL, 35}, {DRAW_FILL, 39}};
    ASSERT_EQ(m_render->m_cmdCount, 8);
    EXPECT_EQ(m_render->m_vertexCount, 43);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(m_render->m_cmds[i].kind, want[i].kind) << i;
        EXPECT_EQ(m_render->m_cmds[i].firstVertex, want[i].first) << i;
        if (i > 0) {
            EXPECT_EQ(m_render->m_cmds[i].image, nullptr) << i;
            EXPECT_EQ(m_render->m_cmds[i].alpha, 0.0f) << i;
            EXPECT_EQ(m_render->m_cmds[i].linear, 0) << i;
        }
    }
    const MVertex* v = m_render->m_pVBBuffer;
    ExpectVertex(v[4], {0, 0, 0, 0}, "line start");
    ExpectVertex(v[5], {10, 0, 0, 0}, "line end");
    // The bottom bar of the border spans x 13..107, y 57..60.
    ExpectVertex(v[6 + 12], {13, 57, 0, 0}, "bottom bar");
    ExpectVertex(v[6 + 15], {107, 60, 0, 0}, "bottom bar");
    ExpectVertex(v[6 + 0], {10, 10, 0, 0}, "left bar");
    ExpectVertex(v[6 + 3], {13, 60, 0, 0}, "left bar");
    ExpectVertex(v[6 + 4], {13, 10, 0, 0}, "top bar");
    ExpectVertex(v[6 + 11], {110, 60, 0, 0}, "right bar");
    // The thick line is a quad around the segment.
    const V thick[4] = {{0, -2, 0, 0}, {10, -2, 0, 0}, {0, 2, 0, 0}, {10, 2, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(v[22 + i].x, thick[i].x, 1e-5) << i;
        EXPECT_NEAR(v[22 + i].y, thick[i].y, 1e-5) << i;
    }
    const V frame[5] = {{10, 10, 0, 0}, {110, 10, 0, 0}, {110, 60, 0, 0}, {10, 60, 0, 0}, {10, 10, 0, 0}};
    for (int i = 0; i < 5; ++i) ExpectVertex(v[26 + i], frame[i], "frame");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(v[35 + i].x, 5) << i;
        EXPECT_NEAR(v[35 + i].y, i < 2 ? 3 : 7, 1e-5) << i;
    }
    img->Release();
}

TEST_F(BatchTest, ReplaySetsFilterTextureAndConstantsPerCommand)
{
    MImage* a = MakeImage(8, 8, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    MImage* text = MakeImage(8, 8, KES_FMT_A8, [](int, int) { return 0x80000000u; });
    RECTF src = Whole();
    LogCalls();
    m_app->DrawImage(a, 0, 0, src, 14, 0x80808080, 0.5f, 1, 1); // function 1
    m_app->DrawImage(a, 0, 0, src, 14, 0, 1, 2, 2);              // function 0, linear, same texture
    m_app->DrawLine(0, 0, 5, 5, 0xFF102030, 1);                  // unbinds
    m_app->DrawImage(a, 0, 0, src, 6, 0, 1, 1, 1);               // binds again, function 2
    m_app->DrawTextImage(text, 0, 0, src, 0xFFFFFFFF, 0, 1, 1);  // function 4
    m_app->DrawTextImage(text, 0, 0, src, 0xFFFFFFFF, 3, 1, 1);  // function 5
    m_app->DrawRect(0, 0, 10, 10, 0x80FF0000, 3);                 // four strips
    Frame();

    const std::vector<std::string> textures = Matching(m_log, "SetTexture");
    // image, none for the line, the image again, the text image, none for the rectangle
    ASSERT_EQ(textures.size(), 5u);
    EXPECT_NE(textures[0], "SetTexture 0 null");
    EXPECT_EQ(textures[1], "SetTexture 0 null");
    EXPECT_EQ(textures[2], textures[0]);
    EXPECT_NE(textures[3], textures[0]);
    EXPECT_EQ(textures[4], "SetTexture 0 null");
    // The filter changes only when a command's flag differs: linear for the
    // doubled image, point again after it.
    EXPECT_EQ(Matching(m_log, "SetSamplerState 0 5"),
              (std::vector<std::string>{"SetSamplerState 0 5 2", "SetSamplerState 0 5 1"}));
    // g_function sits in int register 0, g_blend in 1; g_alpha in float 0, g_color in 1.
    EXPECT_EQ(Matching(m_log, "ConstI 0"),
              (std::vector<std::string>{"ConstI 0 1", "ConstI 0 0", "ConstI 0 6", "ConstI 0 2", "ConstI 0 4",
                                        "ConstI 0 5", "ConstI 0 6"}));
    EXPECT_EQ(Matching(m_log, "ConstI 1"), (std::vector<std::string>{"ConstI 1 6"}));
    const std::vector<std::string> colors = Matching(m_log, "ConstF 1");
    ASSERT_GE(colors.size(), 2u);
    EXPECT_EQ(colors[0], "ConstF 1 0.5 0.5 0.5 0.5"); // (128 - 1) / 254
    EXPECT_EQ(Matching(m_log, "DrawPrimitive"),
              (std::vector<std::string>{"DrawPrimitive 5 0 2", "DrawPrimitive 5 4 2", "DrawPrimitive 2 8 1",
                                        "DrawPrimitive 5 10 2", "DrawPrimitive 5 14 2", "DrawPrimitive 5 18 2",
                                        "DrawPrimitive 5 22 2", "DrawPrimitive 5 26 2", "DrawPrimitive 5 30 2",
                                        "DrawPrimitive 5 34 2"}));
    // One frame: the scene, the opaque black clear, the present.
    EXPECT_EQ(Matching(m_log, "Clear"), (std::vector<std::string>{"Clear 1 FF000000"}));
    EXPECT_EQ(Matching(m_log, "Present").size(), 1u);
    a->Release();
    text->Release();
}

TEST_F(BatchTest, EmptyFrameStillClearsAndPresents)
{
    LogCalls();
    Frame();
    EXPECT_EQ(m_log, (kes::test::CallLog{"BeginScene", "Clear 1 FF000000", "EndScene", "Present"}));
    EXPECT_EQ(Pixel(0, 0), 0xFF000000u);
}

TEST_F(BatchTest, LimitsDropFurtherDrawsAndNeverWritePastTheBuffer)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    RECTF src = Whole();
    // 10000 commands of 2 vertices fit; the 10001st is dropped.
    for (int i = 0; i < 10001; ++i) m_app->DrawLine(0, 0, 1, 1, 0xFFFFFFFF, 1);
    EXPECT_EQ(m_render->m_cmdCount, 10000);
    EXPECT_EQ(m_render->m_vertexCount, 20000);
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(img->RefCount(), 1) << "a dropped draw keeps no reference";
    Frame();

    // 40000 vertices: 2500 borders of 16 fill the buffer exactly.
    for (int i = 0; i < 2500; ++i) m_app->DrawRect(0, 0, 10, 10, 0xFFFFFFFF, 2);
    EXPECT_EQ(m_render->m_vertexCount, 40000);
    m_app->DrawLine(0, 0, 1, 1, 0xFFFFFFFF, 1);
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(m_render->m_cmdCount, 2500);
    EXPECT_EQ(img->RefCount(), 1);
    Frame();
    img->Release();
}

TEST_F(BatchTest, ResetDropsTheOldFrameAndRestoresStates)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 2, 2);
    Frame(); // the filter is now linear
    EXPECT_EQ(m_render->m_linearMag, 1);
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(img->RefCount(), 2);

    KesPlatformLoseDevice(m_render->m_pDevice);
    EXPECT_EQ(m_render->CheckDevice(), D3DERR_DEVICENOTRESET);
    // A lost device fails the present; the buffer is not mapped again, and
    // drawing meanwhile records nothing.
    EXPECT_EQ(m_render->BeginFrame(), 1);
    m_render->DrawBatch();
    EXPECT_EQ(m_render->EndFrame(), 0);
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(m_render->m_cmdCount, 0);
    EXPECT_EQ(img->RefCount(), 1);

    ASSERT_EQ(m_render->ResetDevice(0, kWidth, kHeight, 1), 1);
    EXPECT_EQ(m_render->CheckDevice(), D3D_OK);
    EXPECT_EQ(m_render->m_linearMag, 0);
    EXPECT_EQ(m_render->m_vertexCount, 0);
    EXPECT_EQ(m_render->m_cmdCount, 0);
    // After the reset the same image draws again: the replay binds its
    // texture anew even though it was the last one bound before.
    LogCalls();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    Frame();
    EXPECT_EQ(Matching(m_log, "SetTexture").size(), 1u);
    EXPECT_NE(Pixel(0, 0), 0xFF000000u);
    img->Release();
}

TEST_F(BatchTest, ResetWithPendingCommandsGivesTheirReferencesBack)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(img->RefCount(), 3);
    ASSERT_EQ(m_render->ResetDevice(1, kWidth, kHeight, 1), 1);
    EXPECT_EQ(img->RefCount(), 1);
    EXPECT_EQ(m_render->m_pp.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_ONE);
    ASSERT_EQ(m_render->ResetDevice(0, kWidth, kHeight, 1), 1);
    EXPECT_EQ(m_render->m_pp.PresentationInterval, (UINT)D3DPRESENT_INTERVAL_IMMEDIATE);
    img->Release();
}

TEST_F(BatchTest, AnImageGivenUpWhileItsDrawIsPendingGoesRightAfterTheDraw)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    img->m_id = 1234;
    m_app->InsertImageCache(img);
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    // Count 2: the cache entry stays while the command still holds it.
    m_app->CloseImage(img);
    EXPECT_EQ(m_app->FindImageCache(1234), img);
    Frame();
    // Destroyed by the replay: the cache must not hand it out any more.
    EXPECT_EQ(m_app->FindImageCache(1234), nullptr);
    // A new image at possibly the same address draws with its own texture.
    MImage* next = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFF0000FFu; });
    m_app->DrawImage(next, 0, 0, src, 14, 0, 1, 1, 1);
    Frame();
    EXPECT_EQ(Pixel(1, 1), 0xFF0000FFu);
    next->Release();
}

TEST_F(BatchTest, DestroyingTheRenderObjectGivesPendingReferencesBack)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(img->RefCount(), 2);
    delete m_app; // the render object, its device and commands go
    m_app = nullptr;
    EXPECT_EQ(img->RefCount(), 1);
    // The texture outlives the device object that made it.
    unsigned char* bits;
    int pitch;
    ASSERT_EQ(img->Lock(&bits, &pitch), 1);
    img->Unlock();
    img->Release();
}

TEST_F(BatchTest, BlendOutsideTheLevelsIsReportedAndStillRecorded)
{
    kes::test::AssertRecorder asserts;
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFFFFFFFFu; });
    RECTF src = Whole();
    m_app->DrawImage(img, 0, 0, src, 22, 0, 1, 1, 1);
    EXPECT_TRUE(asserts.SawOnly(L"blend>=BLEND_COLOR && blend<=BLEND_LIGHT", L"Core/KesImage"));
    EXPECT_EQ(m_render->m_cmds[0].kind, 22);
    m_app->DrawImage(nullptr, 0, 0, src, 14, 0, 1, 1, 1);
    EXPECT_EQ(m_render->m_cmdCount, 1) << "a null image records nothing";
    Frame();
    img->Release();
}

} // namespace
