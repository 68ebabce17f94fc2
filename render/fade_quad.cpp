#include "render/fade_quad.h"

#include <cstring>

#include "game/frame_time.h"
#include "platform/math3d.h"
#include "render/device_objects.h"

namespace zolvane {

HRESULT CreateFadeQuad() {
  if (!D3D.FD3DDevice) return D3DERR_INVALIDCALL;
  SafeRelease(D3D.FD3DVBFade);
  return D3D.FD3DDevice->CreateVertexBuffer(4 * FadeQuadStride, 0, FadeQuadFVF, D3DPOOL_DEFAULT,
                                            &D3D.FD3DVBFade);
}

HRESULT FillColourQuad(VertexBuffer* quad, D3DCOLOR colour) {
  if (!quad) return D3DERR_INVALIDCALL;
  uint8_t* p = nullptr;
  const HRESULT hr = quad->Lock(0, 0, &p, 0);
  if (Failed(hr)) return hr;
  static const float corners[4][3] = {{-0.5f, 0.5f, 0}, {0.5f, 0.5f, 0}, {-0.5f, -0.5f, 0},
                                      {0.5f, -0.5f, 0}};
  for (int v = 0; v < 4; ++v) {
    std::memcpy(p + v * FadeQuadStride, corners[v], 12);
    std::memcpy(p + v * FadeQuadStride + 12, &colour, 4);
  }
  return quad->Unlock();
}

void SetFadeLevel(int32_t level) {
  FillColourQuad(D3D.FD3DVBFade, ColorARGB(static_cast<uint32_t>(level), 0, 0, 0));
}

void DrawFadeQuad() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  SetFadeLevel(Loop.FadeLevel);
  d->SetRenderState(D3DRS_LIGHTING, 0);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetStreamSource(0, D3D.FD3DVBFade, FadeQuadStride);
  d->SetVertexShader(FadeQuadFVF);
  D3DMATRIX place, scale, world;
  SetTranslateMatrix(place, SceneCenterX, SceneCenterY, -3.0f);
  SetScaleMatrix(scale, 26.0f, 20.0f, 1.0f);
  MatrixMultiply(place, scale, world);
  d->SetTransform(D3DTS_WORLD, &world);
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  d->SetRenderState(D3DRS_LIGHTING, 1);
}

}  // namespace zolvane
