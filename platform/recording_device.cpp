#include "platform/recording_device.h"

#include <cstring>

#include "platform/math3d.h"

namespace zolvane {

namespace {
uint32_t FloatBits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, 4);
  return u;
}

// Vertices a primitive run covers.
uint32_t VertexCount(D3DPRIMITIVETYPE type, uint32_t primitives) {
  switch (type) {
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return primitives + 2;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_LINESTRIP: return primitives + 1;
    default: return primitives;
  }
}
}  // namespace

RecordingDevice::RecordingDevice() {
  // Direct3D 8's documented defaults, which the drawing code relies on.
  RenderStates = {{D3DRS_ZENABLE, D3DZB_TRUE},        {D3DRS_FILLMODE, D3DFILL_SOLID},
                  {D3DRS_SHADEMODE, D3DSHADE_GOURAUD}, {D3DRS_ZWRITEENABLE, 1},
                  {D3DRS_ALPHATESTENABLE, 0},          {D3DRS_SRCBLEND, D3DBLEND_ONE},
                  {D3DRS_DESTBLEND, D3DBLEND_ZERO},    {D3DRS_CULLMODE, D3DCULL_CCW},
                  {D3DRS_DITHERENABLE, 0},             {D3DRS_ALPHABLENDENABLE, 0},
                  {D3DRS_SPECULARENABLE, 0},           {D3DRS_LIGHTING, 1},
                  {D3DRS_AMBIENT, 0},                  {D3DRS_COLORVERTEX, 1},
                  {D3DRS_NORMALIZENORMALS, 0}};
  Stage0States = {{D3DTSS_COLOROP, D3DTOP_MODULATE},    {D3DTSS_COLORARG1, D3DTA_TEXTURE},
                  {D3DTSS_COLORARG2, D3DTA_CURRENT},    {D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
                  {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},    {D3DTSS_ALPHAARG2, D3DTA_CURRENT},
                  {D3DTSS_MAGFILTER, D3DTEXF_POINT},    {D3DTSS_MINFILTER, D3DTEXF_POINT},
                  {D3DTSS_MIPFILTER, D3DTEXF_NONE}};
  D3DMATRIX id;
  SetIdentityMatrix(id);
  Transforms[D3DTS_WORLD] = id;
  Transforms[D3DTS_VIEW] = id;
  Transforms[D3DTS_PROJECTION] = id;
}

HRESULT RecordingDevice::Clear(uint32_t count, const void*, uint32_t flags, D3DCOLOR color,
                               float z, uint32_t stencil) {
  Calls.push_back({"Clear", {count, flags, color, FloatBits(z), stencil}});
  return D3D_OK;
}

HRESULT RecordingDevice::BeginScene() {
  ++ScenesBegun;
  Calls.push_back({"BeginScene", {}});
  return D3D_OK;
}

HRESULT RecordingDevice::EndScene() {
  ++ScenesEnded;
  Calls.push_back({"EndScene", {}});
  return D3D_OK;
}

HRESULT RecordingDevice::Present(const void*, const void*, void*, const void*) {
  ++Presents;
  Calls.push_back({"Present", {}});
  return D3D_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
  RenderStates[state] = value;
  Calls.push_back({"SetRenderState", {state, value}});
  return D3D_OK;
}

HRESULT RecordingDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                              uint32_t value) {
  if (stage == 0) Stage0States[type] = value;
  Calls.push_back({"SetTextureStageState", {stage, type, value}});
  return D3D_OK;
}

HRESULT RecordingDevice::SetTexture(uint32_t stage, Texture* texture) {
  if (stage >= 8) return D3DERR_INVALIDCALL;
  Textures[stage] = texture;
  RecordedCall c{"SetTexture", {stage}};
  c.Object = texture;
  Calls.push_back(c);
  return D3D_OK;
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  Material = *material;
  Calls.push_back({"SetMaterial", {}});
  return D3D_OK;
}

HRESULT RecordingDevice::SetLight(uint32_t index, const D3DLIGHT8* light) {
  if (!light) return D3DERR_INVALIDCALL;
  Lights[index] = *light;
  Calls.push_back({"SetLight", {index}});
  return D3D_OK;
}

HRESULT RecordingDevice::LightEnable(uint32_t index, bool enable) {
  if (index >= 8) return D3DERR_INVALIDCALL;
  LightEnabled[index] = enable;
  Calls.push_back({"LightEnable", {index, enable ? 1u : 0u}});
  return D3D_OK;
}

HRESULT RecordingDevice::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) {
  if (stream == 0) {
    Stream = buffer;
    Stride = stride;
  }
  RecordedCall c{"SetStreamSource", {stream, stride}};
  c.Object = buffer;
  Calls.push_back(c);
  return D3D_OK;
}

HRESULT RecordingDevice::SetVertexShader(uint32_t fvf) {
  FVF = fvf;
  Calls.push_back({"SetVertexShader", {fvf}});
  return D3D_OK;
}

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  Transforms[type] = *matrix;
  RecordedCall c{"SetTransform", {type}};
  c.Matrix = *matrix;
  Calls.push_back(c);
  return D3D_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex,
                                       uint32_t primitiveCount) {
  DrawSnapshot d{};
  d.Type = type;
  d.StartVertex = startVertex;
  d.PrimitiveCount = primitiveCount;
  d.Stream = Stream;
  d.Stride = Stride;
  d.FVF = FVF;
  d.Texture0 = Textures[0];
  d.World = Transforms[D3DTS_WORLD];
  d.Material = Material;
  d.RenderStates = RenderStates;
  d.Stage0States = Stage0States;
  std::memcpy(d.LightEnabled, LightEnabled, sizeof LightEnabled);
  HRESULT hr = D3D_OK;
  if (Stream && Stride) {
    const size_t begin = static_cast<size_t>(startVertex) * Stride;
    const size_t end = begin + static_cast<size_t>(VertexCount(type, primitiveCount)) * Stride;
    if (end <= Stream->Bytes.size())
      d.Vertices.assign(Stream->Bytes.begin() + begin, Stream->Bytes.begin() + end);
    else
      hr = D3DERR_INVALIDCALL;  // drawing past the end of a buffer is a fault worth seeing
  } else {
    hr = D3DERR_INVALIDCALL;
  }
  d.InLayer = InLayer;
  Draws.push_back(std::move(d));
  RecordedCall c{"DrawPrimitive", {type, startVertex, primitiveCount}};
  c.DrawIndex = static_cast<int>(Draws.size()) - 1;
  Calls.push_back(c);
  return hr;
}

HRESULT RecordingDevice::Finish() {
  Calls.push_back({"Finish", {}});
  return D3D_OK;
}

HRESULT RecordingDevice::ReadBackBuffer(std::vector<uint8_t>& rgb, int& width, int& height) {
  Calls.push_back({"ReadBackBuffer", {}});
  rgb.clear();
  width = height = 0;
  return D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDevice::BeginStaticLayer() {
  Calls.push_back({"BeginStaticLayer", {}});
  if (!LayersAvailable || InLayer) return D3DERR_NOTAVAILABLE;
  InLayer = true;
  return D3D_OK;
}

HRESULT RecordingDevice::EndStaticLayer() {
  Calls.push_back({"EndStaticLayer", {}});
  if (!InLayer) return D3DERR_INVALIDCALL;
  InLayer = false;
  return D3D_OK;
}

HRESULT RecordingDevice::DrawStaticLayer() {
  Calls.push_back({"DrawStaticLayer", {}});
  if (!LayersAvailable || InLayer) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

std::vector<std::string> RecordingDevice::Ops() const {
  std::vector<std::string> ops;
  ops.reserve(Calls.size());
  for (const auto& c : Calls) ops.push_back(c.Op);
  return ops;
}

}  // namespace zolvane

namespace zolvane {

namespace {
bool Contains(const std::vector<D3DFORMAT>& list, D3DFORMAT f) {
  for (D3DFORMAT x : list)
    if (x == f) return true;
  return false;
}
}  // namespace

HRESULT RecordingDirect3D::CheckDeviceType(uint32_t, uint32_t, D3DFORMAT displayFormat,
                                           D3DFORMAT backBufferFormat, bool) {
  return Contains(DisplayFormats, displayFormat) && displayFormat == backBufferFormat
             ? D3D_OK
             : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDirect3D::CheckDeviceFormat(uint32_t, uint32_t, D3DFORMAT, uint32_t, uint32_t,
                                             D3DFORMAT checkFormat) {
  return Contains(TextureFormats, checkFormat) ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT RecordingDirect3D::GetAdapterDisplayMode(uint32_t, D3DDISPLAYMODE* mode) {
  if (!mode) return D3DERR_INVALIDCALL;
  *mode = DesktopMode;
  return D3D_OK;
}

HRESULT RecordingDirect3D::CreateDevice(uint32_t, uint32_t, void*, uint32_t,
                                        D3DPRESENT_PARAMETERS* params, Device** out) {
  if (!out || !params) return D3DERR_INVALIDCALL;
  LastParams = *params;
  if (Failed(CreateDeviceResult)) {
    *out = nullptr;
    return CreateDeviceResult;
  }
  *out = new RecordingDevice();
  ++DevicesCreated;
  return D3D_OK;
}

}  // namespace zolvane
