#include "render/scene_setup.h"

#include <cstring>

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
