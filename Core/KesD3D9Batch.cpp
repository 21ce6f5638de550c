// Recording draws and replaying them: vertices go straight into the mapped
// vertex buffer, commands into the frame's list; DrawBatch sets filter,
// texture and effect constants per command and draws.
#include "KesD3D9.h"

#include <math.h>

namespace {

inline void Put(MVertex* v, float x, float y, float u = 0, float t = 0)
{
    v->x = x;
    v->y = y;
    v->z = 0;
    v->rhw = 1;
    v->u = u;
    v->v = t;
}

} // namespace

MVertex* MRender::Reserve(int n)
{
    if (!m_vbMapped || !m_pVBBuffer || m_cmdCount >= MAX_CMDS || m_vertexCount + n > MaxVertices()) return 0;
    return m_pVBBuffer + m_vertexCount;
}

void MRender::Commit(MImage* img, int kind, DWORD colour, float alpha, int vertices, int linear)
{
    MDrawCmd& cmd = m_cmds[m_cmdCount];
    cmd.image = img ? img->Ref() : 0;
    cmd.kind = kind;
    cmd.colour = colour;
    cmd.alpha = alpha;
    cmd.firstVertex = m_vertexCount;
    cmd.linear = linear;
    ++m_cmdCount;
    m_vertexCount += vertices;
}

void MRender::AddImage(MImage* img, float x, float y, const RECTF& src, int kind, DWORD colour, float alpha,
                       float scaleX, float scaleY)
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!img) return;
    MVertex* v = Reserve(4);
    if (!v) return;
    const float w = float(img->m_width), h = float(img->m_height);
    const float left = x - (float(img->m_keyX) - src.left * w) * scaleX;
    const float right = left + (src.right - src.left) * w * scaleX;
    const float top = y - (float(img->m_keyY) - src.top * h) * scaleY;
    const float bottom = top + (src.bottom - src.top) * h * scaleY;

    // Half a texel inwards, so that pixel centres (at integer coordinates)
    // sample texel centres.
    const float du = 0.5f * img->m_texU / w, dv = 0.5f * img->m_texV / h;
    float uLeft = src.left + du, uRight = src.right + du, vTop = src.top + dv, vBottom = src.bottom + dv;
    if (img->m_texU != 1.0f) {
        uLeft *= img->m_texU;
        uRight *= img->m_texU;
    }
    if (img->m_texV != 1.0f) {
        vTop *= img->m_texV;
        vBottom *= img->m_texV;
    }
    Put(v + 0, left, top, uLeft, vTop);
    Put(v + 1, right, top, uRight, vTop);
    Put(v + 2, left, bottom, uLeft, vBottom);
    Put(v + 3, right, bottom, uRight, vBottom);
    Commit(img, kind, colour, alpha, 4, (scaleX != 1.0f && scaleY != 1.0f) ? 1 : 0);
}

void MRender::AddLine(float x1, float y1, float x2, float y2, DWORD colour, float width)
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (width == 1.0f) {
        MVertex* v = Reserve(2);
        if (!v) return;
        Put(v + 0, x1, y1);
        Put(v + 1, x2, y2);
        Commit(0, DRAW_LINE, colour, 0, 2, 0);
        return;
    }
    MVertex* v = Reserve(4);
    if (!v) return;
    const float dx = x2 - x1, dy = y2 - y1;
    const float length = sqrtf(dx * dx + dy * dy);
    const float angle = atan2f(dy, dx);
    const float half = width * 0.5f;
    const float s = sinf(angle), c = cosf(angle);
    // (a along the line, b across it) -> screen
    const float a[4] = {0, length, 0, length}, b[4] = {-half, -half, half, half};
    for (int i = 0; i < 4; ++i) Put(v + i, x1 + a[i] * c - b[i] * s, y1 + a[i] * s + b[i] * c);
    Commit(0, DRAW_FILL, colour, 0, 4, 0);
}

void MRender::AddRect(float x, float y, float w, float h, DWORD colour, float border)
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    const float f = border;
    if (f == 1.0f) {
        MVertex* v = Reserve(5);
        if (!v) return;
        Put(v + 0, x, y);
        Put(v + 1, x + w, y);
        Put(v + 2, x + w, y + h);
        Put(v + 3, x, y + h);
        Put(v + 4, x, y);
        Commit(0, DRAW_FRAME, colour, 0, 5, 0);
    } else if (f > 1.0f) {
        MVertex* v = Reserve(16);
        if (!v) return;
        // left, top, right, bottom bars; the top and bottom ones between the sides
        const float bars[4][4] = {
            {x, y, x + f, y + h},
            {x + f, y, x + w - f, y + f},
            {x + w - f, y, x + w, y + h},
            {x + f, y + h - f, x + w - f, y + h},
        };
        for (int i = 0; i < 4; ++i) {
            Put(v + 4 * i + 0, bars[i][0], bars[i][1]);
            Put(v + 4 * i + 1, bars[i][2], bars[i][1]);
            Put(v + 4 * i + 2, bars[i][0], bars[i][3]);
            Put(v + 4 * i + 3, bars[i][2], bars[i][3]);
        }
        Commit(0, DRAW_BORDER, colour, 0, 16, 0);
    } else {
        // Below 1, and also 0, negative or not a number: filled.
        MVertex* v = Reserve(4);
        if (!v) return;
        Put(v + 0, x, y);
        Put(v + 1, x + w, y);
        Put(v + 2, x, y + h);
        Put(v + 3, x + w, y + h);
        Commit(0, DRAW_FILL, colour, 0, 4, 0);
    }
}

void MRender::DrawBatch()
{
    KES_CHECK(m_pDevice, KES_D3D9_SOURCE);
    if (!m_pDevice) return;
    for (int i = 0; i < m_cmdCount; ++i) {
        MDrawCmd& cmd = m_cmds[i];
        if (cmd.linear != m_linearMag) {
            m_pDevice->SetSamplerState(0, D3DSAMP_MAGFILTER, cmd.linear ? D3DTEXF_LINEAR : D3DTEXF_POINT);
            m_linearMag = cmd.linear;
        }
        if (cmd.image != m_boundImage) {
            m_boundImage = cmd.image;
            m_pDevice->SetTexture(0, cmd.image ? cmd.image->m_tex : 0);
        }

        const DWORD c = cmd.colour;
        const float A = float((c >> 24) & 0xFF), R = float((c >> 16) & 0xFF), G = float((c >> 8) & 0xFF),
                    B = float(c & 0xFF);
        if (cmd.kind >= 0 || cmd.kind < DRAW_BORDER) {
            // Images: 128 is neutral for tint and hue; 0 switches both off.
            if (c != 0) {
                const float color[4] = {(R - 1) / 254, (G - 1) / 254, (B - 1) / 254, (A - 1) / 254};
                m_pConstTable->SetFloatArray(m_pDevice, m_hColor, color, 4);
            }
            if (cmd.kind == BLEND_LEVEL_PLAIN) {
                m_pConstTable->SetInt(m_pDevice, m_hFunction, c != 0 ? EFFECT_TINT_HUE : EFFECT_PLAIN);
                m_pConstTable->SetFloat(m_pDevice, m_hAlpha, cmd.alpha);
            } else {
                m_pConstTable->SetInt(m_pDevice, m_hFunction, c != 0 ? EFFECT_BLEND_TINT : EFFECT_BLEND);
                m_pConstTable->SetFloat(m_pDevice, m_hAlpha, cmd.alpha);
                m_pConstTable->SetInt(m_pDevice, m_hBlend, cmd.kind);
            }
        } else {
            const float color[4] = {R / 255, G / 255, B / 255, A / 255};
            m_pConstTable->SetFloatArray(m_pDevice, m_hColor, color, 4);
            const int function = cmd.kind == DRAW_TEXT ? (cmd.alpha == 0 ? EFFECT_SILHOUETTE : EFFECT_GLOW) : EFFECT_FLAT;
            m_pConstTable->SetInt(m_pDevice, m_hFunction, function);
        }

        const UINT f = UINT(cmd.firstVertex);
        switch (cmd.kind) {
        case DRAW_LINE: m_pDevice->DrawPrimitive(D3DPT_LINELIST, f, 1); break;
        case DRAW_FRAME: m_pDevice->DrawPrimitive(D3DPT_LINESTRIP, f, 4); break;
        case DRAW_BORDER:
            for (UINT k = 0; k < 4; ++k) m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, f + 4 * k, 2);
            break;
        default: m_pDevice->DrawPrimitive(D3DPT_TRIANGLESTRIP, f, 2); break;
        }

        if (cmd.image) {
            MImage* img = cmd.image;
            cmd.image = 0;
            img->Release();
        }
    }
}
