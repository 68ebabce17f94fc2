// The device, its vertex buffers and the formats chosen at start-up: what every drawing
// routine draws with. Empty until the start-up creates them.
#pragma once
#include "platform/device.h"

namespace zolvane {

struct D3DObjects {
  Direct3D* FD3D = nullptr;
  Device* FD3DDevice = nullptr;
  VertexBuffer* FD3DVBModels = nullptr;     // 24-byte model vertices
  VertexBuffer* FD3DVBTexModels = nullptr;  // 36-byte textured model vertices
  VertexBuffer* FD3DVBFade = nullptr;       // the fade quad, 16-byte vertices
  VertexBuffer* FD3DVBEffects = nullptr;    // the spark quad
  VertexBuffer* MenuQuad = nullptr;         // the textured unit square
  VertexBuffer* PanelQuad = nullptr;
  VertexBuffer* FontQuad = nullptr;
  D3DFORMAT AdapterFormat = D3DFMT_UNKNOWN;
  D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
  D3DFORMAT TextureFormat = D3DFMT_UNKNOWN;
};

extern D3DObjects D3D;

// Every frame starts from it, and so do the static layers.
constexpr D3DCOLOR ClearColour = 0x000555A5;  // a deep blue
// Colour and depth cleared, to the deep blue and the far plane.
inline HRESULT ClearPicture(Device* d) {
  return d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColour, 1.0f, 0);
}
constexpr float SceneCenterX = 5.5f;
constexpr float SceneCenterY = 10.5f;
constexpr float EyeZ = -19.0f;

}  // namespace zolvane
