// The part of D3DX 9 that Kesto calls: texture creation, shader compilation
// with its constant table, and surface copies with format conversion — plus
// saving a surface as PNG for screenshots.
//
// D3DXCompileShader does not carry a general HLSL compiler. It knows the
// pixel programs registered with the platform (the engine's effect program),
// recognises them by their text, and gives their constant table; each device
// runs its own implementation of a known program (C++ on the software
// device, GLSL on OpenGL). Any other text fails to compile, with a message
// in the error buffer.
#ifndef KESTO_PLATFORM_D3DX9_H
#define KESTO_PLATFORM_D3DX9_H

#include <d3d9.h>

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_FILTER_NONE 0x00000001
#define D3DX_FILTER_POINT 0x00000002
#define D3DX_FILTER_LINEAR 0x00000003

#define D3DXERR_INVALIDDATA ((HRESULT)0x88760B59)

typedef const char* D3DXHANDLE;

typedef struct _D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
} D3DXMACRO;

typedef enum _D3DXIMAGE_FILEFORMAT { D3DXIFF_BMP = 0, D3DXIFF_PNG = 3 } D3DXIMAGE_FILEFORMAT;

struct ID3DXInclude;

struct ID3DXBuffer : IUnknown {
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};

struct ID3DXConstantTable : ID3DXBuffer {
    virtual D3DXHANDLE GetConstantByName(D3DXHANDLE hConstant, LPCSTR pName) = 0;
    virtual HRESULT SetInt(IDirect3DDevice9* pDevice, D3DXHANDLE hConstant, INT n) = 0;
    virtual HRESULT SetFloat(IDirect3DDevice9* pDevice, D3DXHANDLE hConstant, float f) = 0;
    virtual HRESULT SetFloatArray(IDirect3DDevice9* pDevice, D3DXHANDLE hConstant, const float* pf, UINT Count) = 0;
};

typedef ID3DXBuffer* LPD3DXBUFFER;
typedef ID3DXConstantTable* LPD3DXCONSTANTTABLE;
typedef ID3DXInclude* LPD3DXINCLUDE;

HRESULT WINAPI D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture);

HRESULT WINAPI D3DXCompileShader(LPCSTR pSrcData, UINT srcDataLen, const D3DXMACRO* pDefines,
                                 LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags,
                                 LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs,
                                 LPD3DXCONSTANTTABLE* ppConstantTable);

HRESULT WINAPI D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface, const void* pDestPalette,
                                          const RECT* pDestRect, IDirect3DSurface9* pSrcSurface,
                                          const void* pSrcPalette, const RECT* pSrcRect, DWORD Filter,
                                          D3DCOLOR ColorKey);

HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      IDirect3DSurface9* pSrcSurface, const void* pSrcPalette, const RECT* pSrcRect);

#endif
