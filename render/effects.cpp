#include "render/effects.h"

#include <algorithm>
#include <cstring>

#include "game/game_state.h"
#include "game/game_types.h"
#include "platform/fatal_error.h"
#include "platform/math3d.h"
#include "platform/picture.h"
#include "render/device_objects.h"
#include "render/models.h"
#include "render/scene_setup.h"

namespace zolvane {

Texture* EffectTextures[GameTypeCount + 1] = {};
const float SparkSize[GameTypeCount + 1] = {1.0f, 0.65f, 1.0f, 0.75f, 0.8f};

void MakeEffectTextures() {
  static const char* const files[GameTypeCount + 1] = {
      nullptr, "textures/effect.tga", "textures/effect2.tga", "textures/effect3.tga",
      "textures/effect4.tga"};
  for (int t = Classic; t <= Crazy; ++t) {
    SafeRelease(EffectTextures[t]);
    if (!D3D.FD3DDevice) continue;
    // A missing picture leaves the texture empty: plain white squares that fade.
    if (Failed(D3DXCreateTextureFromFileExA(D3D.FD3DDevice, files[t], 0, 0, 0, 0,
                                            D3D.TextureFormat, D3DPOOL_MANAGED,
                                            D3DX_FILTER_TRIANGLE, D3DX_DEFAULT, 0,
                                            &EffectTextures[t])))
      EffectTextures[t] = nullptr;
  }
}

void ReleaseEffectTextures() {
  for (Texture*& texture : EffectTextures) SafeRelease(texture);
}

HRESULT FillEffectQuad(int32_t alpha) {
  if (!D3D.FD3DVBEffects) return D3DERR_INVALIDCALL;
  uint8_t* p = nullptr;
  const HRESULT hr = D3D.FD3DVBEffects->Lock(0, QuadBytes, &p, 0);
  if (Failed(hr)) return hr;
  // A spark's life is its alpha. The rules keep it within 51..219; anything else is
  // clamped rather than let wrap into the colour's other bytes.
  const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
  const D3DCOLOR colour = ColorARGB(a, 255, 255, 255);
  const TTexModelVertex corners[4] = {
      {-0.5f, 0.5f, 0, 0, 0, -1, colour, 0, 1},
      {0.5f, 0.5f, 0, 0, 0, -1, colour, 1, 1},
      {-0.5f, -0.5f, 0, 0, 0, -1, colour, 0, 0},
      {0.5f, -0.5f, 0, 0, 0, -1, colour, 1, 0},
  };
  std::memcpy(p, corners, sizeof corners);
  return D3D.FD3DVBEffects->Unlock();
}

void DrawSparks() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  d->SetRenderState(D3DRS_LIGHTING, 0);  // the next frame's DrawGame turns it on again
  d->SetStreamSource(0, D3D.FD3DVBEffects, TexModelStride);
  d->SetVertexShader(TexModelFVF);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

  const int32_t type = Game.GameType;
  const bool known = IsGameType(type);
  // The stage operations are those the bricks and texts left: picture times vertex colour.
  d->SetTexture(0, known ? EffectTextures[type] : nullptr);
  const bool sized = type != Advanced;  // Advanced's sparks are a whole cell
  const float size = known ? SparkSize[type] : 1.0f;
  D3DMATRIX scale;
  SetScaleMatrix(scale, size, size, 1);

  for (const Spark* spark = Game.Sparks; spark; spark = spark->Next) {
    D3DMATRIX place;
    SetTranslateMatrix(place, spark->X, spark->Y, 0);
    const HRESULT hr = FillEffectQuad(spark->Life);
    if (Failed(hr)) {
      // The report releases the device: nothing may touch it afterwards.
      ReportFatalFailure("FD3DVBEffects.Lock", hr);
      return;
    }
    const D3DMATRIX world = sized ? MatrixProduct(place, scale) : place;
    d->SetTransform(D3DTS_WORLD, &world);
    d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  }

  d->SetTexture(0, nullptr);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
}

}  // namespace zolvane
