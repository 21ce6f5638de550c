// MRender: the Direct3D device, the effect shader, and the deferred sprite
// batcher behind MApp's drawing members.
//
// Drawing records: each draw writes its vertices straight into a vertex
// buffer that stays mapped between frames and appends one command holding a
// reference on its image. At the end of the frame the commands replay in
// call order, one draw call each, and drop their references.
#ifndef KESTO_CORE_KESD3D9_H
#define KESTO_CORE_KESD3D9_H

#include <KesImage.h>
#include <KesUtility.h>

#include <d3d9.h>
#include <d3dx9.h>

#define KES_D3D9_SOURCE L"Core/KesD3D9"

// Command kinds besides the blend levels 0..21.
enum {
    DRAW_TEXT = -1,   // text image quad (A8), 4 vertices
    DRAW_LINE = -2,   // one-pixel line, 2 vertices
    DRAW_FILL = -3,   // flat quad, 4 vertices
    DRAW_FRAME = -4,  // one-pixel closed outline, 5 vertices
    DRAW_BORDER = -5, // thick outline: four bars of 4 vertices
};

// The effect program's functions (its g_function constant).
enum {
    EFFECT_PLAIN = 0,      // the texel, with the alpha factor
    EFFECT_TINT_HUE = 1,   // tint and hue turn, with the alpha factor
    EFFECT_BLEND = 2,      // a blend level
    EFFECT_BLEND_TINT = 3, // a blend level, then tint and hue turn
    EFFECT_SILHOUETTE = 4, // text: flat colour where covered
    EFFECT_GLOW = 5,       // text: flat colour with a glow around it
    EFFECT_FLAT = 6,       // shapes: flat colour
};
// The blend level drawn without the blend function: the picture unchanged.
enum { BLEND_LEVEL_PLAIN = 14 };

// Pre-transformed vertex: D3DFVF_XYZRHW | D3DFVF_TEX1.
struct MVertex {
    float x, y, z, rhw, u, v;
};

struct MDrawCmd {
    MImage* image;   // null for lines and rectangles; the command holds a reference
    int kind;        // blend level 0..21 or DRAW_*
    DWORD colour;
    float alpha;     // images: alpha factor; text: glow switch; shapes: 0
    int firstVertex;
    int linear;      // 1: linear magnification (scaled on both axes)
};

class MRender {
public:
    enum { MAX_CMDS = 10000, VERTEX_FVF = D3DFVF_XYZRHW | D3DFVF_TEX1 };

    int m_cmdCount;
    MDrawCmd m_cmds[MAX_CMDS];
    D3DPRESENT_PARAMETERS m_pp;
    IDirect3D9* m_pD3D;
    IDirect3DDevice9* m_pDevice;
    IDirect3DVertexBuffer9* m_pVertexBuffer;
    IDirect3DPixelShader9* m_pPixelShader;
    ID3DXConstantTable* m_pConstTable;
    D3DXHANDLE m_hFunction, m_hAlpha, m_hBlend, m_hColor;
    int m_linearMag;
    // The image whose texture the replay bound to sampler 0 last (not
    // referenced: it is forgotten when the image goes).
    MImage* m_boundImage;
    MVertex* m_pVBBuffer;
    int m_vertexCount;
    int m_maxVBSize;
    // Whether m_pVBBuffer may be written: the buffer is mapped. Recording
    // is refused otherwise (the pointer keeps its last value).
    int m_vbMapped;

    MRender();
    ~MRender();

    int CreateDevice(HWND hWnd, int async, int width, int height, int windowed);
    int ResetDevice(int async, int width, int height, int windowed);
    int CreateResources();
    void ReleaseResources();
    int ApplyStates();
    HRESULT CheckDevice();
    int BeginFrame();
    void ClearFrame();
    void DrawBatch();
    int EndFrame();
    // An image is going (or, for null, the device was reset): the replay
    // must not take a later image at the same address for the one it bound.
    void ForgetImage(MImage* img);

    // The one way images are made: never returns null (failure ends the process).
    MImage* CreateTextureImage(unsigned width, unsigned height, int format);
    // Whether the device makes textures of width x height at all: loaders ask
    // before CreateTextureImage, whose failure would end the process.
    int CanCreateTexture(unsigned width, unsigned height);

    // Recorders (the drawing members of MApp hand their work here). Draws
    // beyond a frame's 10000 commands or 40000 vertices, or while the
    // buffer is not mapped, are dropped.
    void AddImage(MImage* img, float x, float y, const RECTF& src, int kind, DWORD colour, float alpha, float scaleX,
                  float scaleY);
    void AddLine(float x1, float y1, float x2, float y2, DWORD colour, float width);
    void AddRect(float x, float y, float w, float h, DWORD colour, float border);

    // The largest number of vertices one frame holds.
    int MaxVertices() const { return m_maxVBSize / int(sizeof(MVertex)); }

    MRender(const MRender&) = delete;
    MRender& operator=(const MRender&) = delete;

private:
    // Room for a command of n vertices, or null (the draw is dropped).
    MVertex* Reserve(int n);
    void Commit(MImage* img, int kind, DWORD colour, float alpha, int vertices, int linear);
    void DropCommands();
    int MapVertexBuffer();
};

namespace kes {
// The engine's effect program (the text the device compiles).
extern const char* const kEffectShaderSource;
} // namespace kes

#endif
