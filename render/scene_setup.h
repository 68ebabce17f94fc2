// The device-side setup of the scene: the vertex buffers the models, the sparks and the
// pictures are drawn from, the lights, the fixed camera and the texture format.
#pragma once
#include <cstdint>

#include "platform/d3d8.h"

namespace zolvane {

class Device;

constexpr uint32_t ModelFVF = D3DFVF_XYZ | D3DFVF_NORMAL;  // 0x12
constexpr uint32_t ModelStride = 24;
constexpr uint32_t TexModelFVF = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;  // 0x152
constexpr uint32_t TexModelStride = 36;
constexpr uint32_t ModelBufferVertices = 300000;
constexpr uint32_t ModelBufferBytes = ModelBufferVertices * ModelStride;        // 7,200,000
constexpr uint32_t TexModelBufferBytes = ModelBufferVertices * TexModelStride;  // 10,800,000
constexpr uint32_t QuadBytes = 4 * TexModelStride;                              // 144

// FD3DVBModels, then FD3DVBTexModels; the first failure's code, or D3D_OK.
HRESULT CreateModelBuffers();
void ReleaseModelBuffers();
// FD3DVBEffects, empty; FillEffectQuad writes it.
HRESULT CreateEffectsQuad();
void ReleaseEffectsQuad();
// MenuQuad, the textured unit square, created and filled.
HRESULT CreateMenuQuad();
void ReleaseMenuQuad();
// Makes MenuQuad the stream of the next draws; DrawMenuQuad then draws it with a world.
void UseMenuQuad(Device* d);
void DrawMenuQuad(Device* d, const D3DMATRIX& world);

// The game's ambient light, grey 69: set with the lights and again in every game frame,
// since the menus change it for their items.
constexpr D3DCOLOR GameAmbient = 0x00454545;
void SetupLights();
// View and projection of the fixed camera in front of the well.
void SetAllMatrices();
// The same view times projection, for finding where a thing of the scene lands on screen.
D3DMATRIX SceneViewProjection();

// Where things of the scene land in a picture of Width x Height pixels: the pixels they
// may cover, y down, a few wider for the edges' rounding and the textures' filtering.
class ScreenBounds {
 public:
  ScreenBounds(int width, int height);
  // The box Low..High of a thing's own space drawn with World. False when a corner lies
  // behind the eye (never in this scene): no bounds then.
  bool Cover(const D3DMATRIX& world, const D3DVECTOR& low, const D3DVECTOR& high,
             D3DRECT& out) const;
  // A brick drawn with World: its side is 1, and its model reaches a little past.
  bool Brick(const D3DMATRIX& world, D3DRECT& out) const;

 private:
  D3DMATRIX ViewProjection;
  float Width, Height;
};

// Whether two rectangles share a pixel, or come within Gap pixels of each other.
bool RectsMeet(const D3DRECT& a, const D3DRECT& b, int gap = 0);

// The first format of the preference list the device accepts for textures; 0 for none.
D3DFORMAT ChooseTextureFormat(bool alpha);
bool IsTextureFormatSupported(D3DFORMAT format);

}  // namespace zolvane
