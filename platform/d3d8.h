// The Direct3D 8 vocabulary the drawing code is written in: result codes, records,
// enumerations and flags, with their Windows values so that logs and tests read the same.
#pragma once
#include <cstdint>

namespace zolvane {

using HRESULT = int32_t;
using D3DCOLOR = uint32_t;
using D3DFORMAT = uint32_t;

constexpr HRESULT MakeD3DHResult(uint32_t code) { return static_cast<HRESULT>(0x88760000u | code); }

constexpr HRESULT D3D_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeD3DHResult(380);
constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeD3DHResult(2072);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MakeD3DHResult(2073);
constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MakeD3DHResult(2074);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MakeD3DHResult(2075);
constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MakeD3DHResult(2076);
constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MakeD3DHResult(2077);
constexpr HRESULT D3DERR_CONFLICTINGTEXTUREFILTER = MakeD3DHResult(2078);
constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = MakeD3DHResult(2079);
constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MakeD3DHResult(2081);
constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = MakeD3DHResult(2082);
constexpr HRESULT D3DERR_CONFLICTINGTEXTUREPALETTE = MakeD3DHResult(2086);
constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MakeD3DHResult(2087);
constexpr HRESULT D3DERR_NOTFOUND = MakeD3DHResult(2150);
constexpr HRESULT D3DERR_MOREDATA = MakeD3DHResult(2151);
constexpr HRESULT D3DERR_DEVICELOST = MakeD3DHResult(2152);
constexpr HRESULT D3DERR_DEVICENOTRESET = MakeD3DHResult(2153);
constexpr HRESULT D3DERR_NOTAVAILABLE = MakeD3DHResult(2154);
constexpr HRESULT D3DERR_INVALIDDEVICE = MakeD3DHResult(2155);
constexpr HRESULT D3DERR_INVALIDCALL = MakeD3DHResult(2156);

constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
constexpr bool Failed(HRESULT hr) { return hr < 0; }

// Matrices are stored row by row; _41.._43 is the translation (row vectors).
struct D3DMATRIX {
  float m[4][4];
  float& operator()(int row, int col) { return m[row - 1][col - 1]; }  // 1-based, as _rc
  float operator()(int row, int col) const { return m[row - 1][col - 1]; }
};

struct D3DVECTOR {
  float x, y, z;
};

struct D3DCOLORVALUE {
  float r, g, b, a;
};

struct D3DMATERIAL8 {
  D3DCOLORVALUE Diffuse, Ambient, Specular, Emissive;
  float Power;
};

enum D3DLIGHTTYPE : uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

struct D3DLIGHT8 {
  uint32_t Type;
  D3DCOLORVALUE Diffuse, Specular, Ambient;
  D3DVECTOR Position, Direction;
  float Range, Falloff, Attenuation0, Attenuation1, Attenuation2, Theta, Phi;
};

// A rectangle of the viewport in pixels, y down; x2 and y2 lie just past it.
struct D3DRECT {
  int32_t x1, y1, x2, y2;
};

struct D3DVIEWPORT8 {
  uint32_t X, Y, Width, Height;
  float MinZ, MaxZ;
};

struct D3DLOCKED_RECT {
  int32_t Pitch;
  void* pBits;
};

struct D3DDISPLAYMODE {
  uint32_t Width, Height, RefreshRate;
  D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
  uint32_t BackBufferWidth, BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  uint32_t BackBufferCount, MultiSampleType, SwapEffect;
  void* hDeviceWindow;
  int32_t Windowed;
  int32_t EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  uint32_t Flags, FullScreen_RefreshRateInHz, FullScreen_PresentationInterval;
};

// Formats.
constexpr D3DFORMAT D3DFMT_UNKNOWN = 0;
constexpr D3DFORMAT D3DFMT_A8R8G8B8 = 21;
constexpr D3DFORMAT D3DFMT_X8R8G8B8 = 22;
constexpr D3DFORMAT D3DFMT_R5G6B5 = 23;
constexpr D3DFORMAT D3DFMT_X1R5G5B5 = 24;
constexpr D3DFORMAT D3DFMT_A1R5G5B5 = 25;
constexpr D3DFORMAT D3DFMT_A4R4G4B4 = 26;
constexpr D3DFORMAT D3DFMT_D16 = 80;

constexpr uint32_t D3DSWAPEFFECT_DISCARD = 1;
constexpr uint32_t D3DDEVTYPE_HAL = 1;
constexpr uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr uint32_t D3DRTYPE_TEXTURE = 3;
constexpr uint32_t D3DPOOL_DEFAULT = 0;
constexpr uint32_t D3DPOOL_MANAGED = 1;
constexpr uint32_t D3D_SDK_VERSION = 120;

// Flexible vertex formats.
constexpr uint32_t D3DFVF_XYZ = 0x002;
constexpr uint32_t D3DFVF_NORMAL = 0x010;
constexpr uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr uint32_t D3DFVF_SPECULAR = 0x080;
constexpr uint32_t D3DFVF_TEX1 = 0x100;

enum D3DPRIMITIVETYPE : uint32_t {
  D3DPT_POINTLIST = 1, D3DPT_LINELIST = 2, D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4, D3DPT_TRIANGLESTRIP = 5, D3DPT_TRIANGLEFAN = 6
};

enum D3DTRANSFORMSTATETYPE : uint32_t { D3DTS_VIEW = 2, D3DTS_PROJECTION = 3, D3DTS_WORLD = 256 };

constexpr uint32_t D3DCLEAR_TARGET = 1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 2;

enum D3DRENDERSTATETYPE : uint32_t {
  D3DRS_ZENABLE = 7, D3DRS_FILLMODE = 8, D3DRS_SHADEMODE = 9, D3DRS_ZWRITEENABLE = 14,
  D3DRS_ALPHATESTENABLE = 15, D3DRS_SRCBLEND = 19, D3DRS_DESTBLEND = 20, D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23, D3DRS_DITHERENABLE = 26, D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_SPECULARENABLE = 29, D3DRS_LIGHTING = 137, D3DRS_AMBIENT = 139,
  D3DRS_COLORVERTEX = 141, D3DRS_NORMALIZENORMALS = 143,
  D3DRS_DIFFUSEMATERIALSOURCE = 145, D3DRS_SPECULARMATERIALSOURCE = 146,
  D3DRS_AMBIENTMATERIALSOURCE = 147, D3DRS_EMISSIVEMATERIALSOURCE = 148
};

constexpr uint32_t D3DZB_FALSE = 0, D3DZB_TRUE = 1;
constexpr uint32_t D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3;
constexpr uint32_t D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2;
constexpr uint32_t D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3;
constexpr uint32_t D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3,
                   D3DBLEND_INVSRCCOLOR = 4, D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6;
constexpr uint32_t D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2;

enum D3DTEXTURESTAGESTATETYPE : uint32_t {
  D3DTSS_COLOROP = 1, D3DTSS_COLORARG1 = 2, D3DTSS_COLORARG2 = 3, D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5, D3DTSS_ALPHAARG2 = 6, D3DTSS_MAGFILTER = 16, D3DTSS_MINFILTER = 17,
  D3DTSS_MIPFILTER = 18
};

constexpr uint32_t D3DTOP_DISABLE = 1, D3DTOP_SELECTARG1 = 2, D3DTOP_SELECTARG2 = 3,
                   D3DTOP_MODULATE = 4;
constexpr uint32_t D3DTA_DIFFUSE = 0, D3DTA_CURRENT = 1, D3DTA_TEXTURE = 2;
constexpr uint32_t D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2;

constexpr uint32_t D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr uint32_t D3DX_FILTER_TRIANGLE = 4;

// Bytes per texel of the texture formats the game can choose.
constexpr uint32_t FormatBytesPerPixel(D3DFORMAT f) {
  return (f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8) ? 4 : 2;
}

}  // namespace zolvane
