#include "render/scene_setup.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/math3d.h"
#include "render/device_objects.h"
#include "render/models.h"

namespace zolvane {

namespace {

HRESULT CreateBuffer(VertexBuffer*& buffer, uint32_t bytes, uint32_t fvf) {
  SafeRelease(buffer);
  if (!D3D.FD3DDevice) return D3DERR_INVALIDCALL;
  return D3D.FD3DDevice->CreateVertexBuffer(bytes, 0, fvf, D3DPOOL_DEFAULT, &buffer);
}

}  // namespace

HRESULT CreateModelBuffers() {
  HRESULT hr = CreateBuffer(D3D.FD3DVBModels, ModelBufferBytes, ModelFVF);
  if (Failed(hr)) return hr;
  return CreateBuffer(D3D.FD3DVBTexModels, TexModelBufferBytes, TexModelFVF);
}

void ReleaseModelBuffers() {
  SafeRelease(D3D.FD3DVBModels);
  SafeRelease(D3D.FD3DVBTexModels);
}

HRESULT CreateEffectsQuad() { return CreateBuffer(D3D.FD3DVBEffects, QuadBytes, TexModelFVF); }

void ReleaseEffectsQuad() { SafeRelease(D3D.FD3DVBEffects); }

HRESULT CreateMenuQuad() {
  HRESULT hr = CreateBuffer(D3D.MenuQuad, QuadBytes, TexModelFVF);
  if (Failed(hr)) return hr;
  // The last normal leans as it always has; lighting is off or irrelevant for pictures.
  static const TTexModelVertex corners[4] = {
      {-0.5f, 0.5f, 0, -1, 0, 0, 0xFFFFFFFF, 0, 0},
      {0.5f, 0.5f, 0, -1, 0, 0, 0xFFFFFFFF, 1, 0},
      {-0.5f, -0.5f, 0, -1, 0, 0, 0xFFFFFFFF, 0, 1},
      {0.5f, -0.5f, 0, -1, 1, 0, 0xFFFFFFFF, 1, 1},
  };
  uint8_t* p = nullptr;
  hr = D3D.MenuQuad->Lock(0, 0, &p, 0);
  if (Failed(hr)) return hr;
  std::memcpy(p, corners, sizeof corners);
  return D3D.MenuQuad->Unlock();
}

void ReleaseMenuQuad() { SafeRelease(D3D.MenuQuad); }

void UseMenuQuad(Device* d) {
  d->SetStreamSource(0, D3D.MenuQuad, TexModelStride);
  d->SetVertexShader(TexModelFVF);
}

void DrawMenuQuad(Device* d, const D3DMATRIX& world) {
  d->SetTransform(D3DTS_WORLD, &world);
  if (D3D.MenuQuad) d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void SetupLights() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  D3DLIGHT8 sun;
  InitLight(MakeVector(0, -1, 1), sun, 0.4f, 0.4f, 0.4f, 0);
  sun.Specular = {0.3f, 0.3f, 0.3f, 0};
  sun.Ambient = {0.05f, 0.05f, 0.05f, 0};

  D3DLIGHT8 lamp;
  std::memset(&lamp, 0, sizeof lamp);
  lamp.Type = D3DLIGHT_POINT;
  lamp.Diffuse = {0.3f, 0.3f, 0.3f, 0};
  lamp.Specular = {1, 1, 1, 0};
  lamp.Ambient = {0.6f, 0.6f, 0.6f, 0};
  lamp.Position = MakeVector(SceneCenterX, SceneCenterY, -2.0f);
  lamp.Range = 10.0f;
  lamp.Attenuation0 = 1.0f;
  lamp.Attenuation1 = 0.5f;
  lamp.Attenuation2 = 0.0f;

  d->SetLight(1, &sun);
  d->LightEnable(1, true);
  d->SetLight(4, &lamp);
  d->LightEnable(4, true);
  d->SetRenderState(D3DRS_AMBIENT, GameAmbient);
}

namespace {

void SceneMatrices(D3DMATRIX& view, D3DMATRIX& projection) {
  SetViewMatrix(view, MakeVector(SceneCenterX, SceneCenterY, EyeZ),
                MakeVector(SceneCenterX, SceneCenterY, 0), MakeVector(0, 1, 0));
  SetProjectionMatrix(projection, 1.0f, 0.75f, 1.0f, 25.0f);
}

}  // namespace

void SetAllMatrices() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  D3DMATRIX view, projection;
  SceneMatrices(view, projection);
  d->SetTransform(D3DTS_VIEW, &view);
  d->SetTransform(D3DTS_PROJECTION, &projection);
}

D3DMATRIX SceneViewProjection() {
  D3DMATRIX view, projection;
  SceneMatrices(view, projection);
  return MatrixProduct(projection, view);  // view first
}

namespace {

constexpr float BrickReach = 0.55f;
constexpr int MarginPixels = 3;

}  // namespace

ScreenBounds::ScreenBounds(int width, int height)
    : ViewProjection(SceneViewProjection()), Width(static_cast<float>(width)),
      Height(static_cast<float>(height)) {}

bool ScreenBounds::Cover(const D3DMATRIX& world, const D3DVECTOR& low, const D3DVECTOR& high,
                         D3DRECT& out) const {
  const D3DMATRIX m = MatrixProduct(ViewProjection, world);  // world first
  float x1 = std::numeric_limits<float>::max(), y1 = x1, x2 = -x1, y2 = -x1;
  for (int corner = 0; corner < 8; ++corner) {
    const float x = corner & 1 ? high.x : low.x, y = corner & 2 ? high.y : low.y,
                z = corner & 4 ? high.z : low.z;
    const float cx = x * m(1, 1) + y * m(2, 1) + z * m(3, 1) + m(4, 1);
    const float cy = x * m(1, 2) + y * m(2, 2) + z * m(3, 2) + m(4, 2);
    const float cw = x * m(1, 4) + y * m(2, 4) + z * m(3, 4) + m(4, 4);
    if (!(cw > 1e-3f)) return false;
    const float px = (cx / cw + 1) * 0.5f * Width, py = (1 - cy / cw) * 0.5f * Height;
    x1 = std::min(x1, px);
    x2 = std::max(x2, px);
    y1 = std::min(y1, py);
    y2 = std::max(y2, py);
  }
  // Far outside the picture the numbers only need to stay in range.
  const float limit = 4 * std::max(Width, Height) + 64;
  auto pixel = [&](float v) { return static_cast<int32_t>(std::clamp(v, -limit, limit)); };
  out = {pixel(std::floor(x1)) - MarginPixels, pixel(std::floor(y1)) - MarginPixels,
         pixel(std::ceil(x2)) + MarginPixels, pixel(std::ceil(y2)) + MarginPixels};
  return true;
}

bool ScreenBounds::Brick(const D3DMATRIX& world, D3DRECT& out) const {
  return Cover(world, MakeVector(-BrickReach, -BrickReach, -BrickReach),
               MakeVector(BrickReach, BrickReach, BrickReach), out);
}

bool RectsMeet(const D3DRECT& a, const D3DRECT& b, int gap) {
  return a.x1 < b.x2 + gap && b.x1 < a.x2 + gap && a.y1 < b.y2 + gap && b.y1 < a.y2 + gap;
}

bool IsTextureFormatSupported(D3DFORMAT format) {
  if (!D3D.FD3D) return false;
  return Succeeded(D3D.FD3D->CheckDeviceFormat(0, D3DDEVTYPE_HAL, D3D.AdapterFormat, 0,
                                                D3DRTYPE_TEXTURE, format));
}

D3DFORMAT ChooseTextureFormat(bool alpha) {
  static const D3DFORMAT withAlpha[] = {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4, D3DFMT_A1R5G5B5};
  static const D3DFORMAT withoutAlpha[] = {D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5};
  const D3DFORMAT* list = alpha ? withAlpha : withoutAlpha;
  for (int i = 0; i < 3; ++i)
    if (IsTextureFormatSupported(list[i])) return list[i];
  return D3DFMT_UNKNOWN;
}

}  // namespace zolvane
