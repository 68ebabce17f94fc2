#include "render/scene_drawing.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/scene_objects.h"
#include "platform/math3d.h"
#include "platform/picture.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/models.h"
#include "render/scene_setup.h"

namespace zolvane {

namespace {
constexpr D3DMATERIAL8 White = {{1, 1, 1, 0}, {1, 1, 1, 0}, {1, 1, 1, 0}, {0, 0, 0, 0}, 60};

Texture* BrickTexture(int32_t colour) {
  return (colour >= 1 && colour <= BrickColourCount) ? BrickTextures[colour] : nullptr;
}

// What the brick and every textured model share: the texture modulated by the white
// material's light.
void SetTexturedModelState(Device* d, Texture* texture) {
  d->SetTexture(0, texture);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetMaterial(&WhiteMaterial);
  d->SetStreamSource(0, D3D.FD3DVBTexModels, TexModelStride);
  d->SetVertexShader(TexModelFVF);
}

void DrawTexturedTriangles(Device* d, const TModelData& m, const D3DMATRIX& world) {
  d->SetTransform(D3DTS_WORLD, &world);
  if (m.TriangleCount > 0)
    d->DrawPrimitive(D3DPT_TRIANGLELIST, static_cast<uint32_t>(m.FirstVertex),
                     static_cast<uint32_t>(m.TriangleCount));
}

void DrawTexturedModel(Device* d, const TModelData& m, Texture* texture, const D3DMATRIX& world) {
  SetTexturedModelState(d, texture);
  DrawTexturedTriangles(d, m, world);
  d->SetTexture(0, nullptr);
}
}  // namespace

D3DMATERIAL8 WhiteMaterial = White;
Texture* BrickTextures[BrickColourCount + 1] = {};

const float BrickColourFactors[BrickColourCount + 1][3] = {
    {0, 0, 0},                                 // unused
    {1, 1, 1}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1},  // kinds 1..4
    {1, 1, 0}, {1, 0, 1}, {0, 1, 1},             // kinds 5..7
    {0.3f, 0.3f, 0.3f},                          // garbage
};

void InitWhiteMaterial() { WhiteMaterial = White; }

void DrawModel(const TModel& model) {
  Device* d = D3D.FD3DDevice;
  if (!d || model.ModelNumber >= ModelSlotCount) return;
  const TModelData& m = ModelTable[model.ModelNumber];
  const uint32_t first = static_cast<uint32_t>(m.FirstVertex);
  if (m.Textured) {
    DrawTexturedModel(d, m, m.Texture, model.World);
    return;
  }
  d->SetStreamSource(0, D3D.FD3DVBModels, ModelStride);
  d->SetVertexShader(ModelFVF);
  d->SetTransform(D3DTS_WORLD, &model.World);
  if (m.SingleMaterial) {
    d->SetMaterial(&m.Material);
    if (m.TriangleCount > 0)
      d->DrawPrimitive(D3DPT_TRIANGLELIST, first, static_cast<uint32_t>(m.TriangleCount));
    return;
  }
  // One draw per run of triangles sharing a material. The loader guarantees an index per
  // triangle and every index inside Materials; the bounds are checked again all the same.
  const size_t count = std::min<size_t>(static_cast<size_t>(std::max(m.TriangleCount, 0)),
                                        m.MaterialIndex.size());
  size_t run = 0;
  while (run < count) {
    const int32_t material = m.MaterialIndex[run];
    size_t end = run + 1;
    while (end < count && m.MaterialIndex[end] == material) ++end;
    if (material >= 0 && static_cast<size_t>(material) < m.Materials.size()) {
      d->SetMaterial(&m.Materials[material]);
      d->DrawPrimitive(D3DPT_TRIANGLELIST, first + 3 * static_cast<uint32_t>(run),
                       static_cast<uint32_t>(end - run));
    }
    run = end;
  }
}

void DrawBrick(TBrick& brick) {
  Device* d = D3D.FD3DDevice;
  // The setting is read on every draw, so a change shows on the next frame.
  brick.ModelNumber = Config.BrickQuality;
  if (!d || brick.ModelNumber >= ModelSlotCount) return;
  DrawTexturedModel(d, ModelTable[brick.ModelNumber], BrickTexture(brick.Colour), brick.World);
}

void DrawBrickInBatch(TBrick& brick) {
  Device* d = D3D.FD3DDevice;
  brick.ModelNumber = Config.BrickQuality;
  if (!d || brick.ModelNumber >= ModelSlotCount) return;
  DrawTexturedTriangles(d, ModelTable[brick.ModelNumber], brick.World);
}

void BeginBrickBatch(int32_t colour) {
  if (Device* d = D3D.FD3DDevice) SetTexturedModelState(d, BrickTexture(colour));
}

void EndBrickBatch() {
  if (Device* d = D3D.FD3DDevice) d->SetTexture(0, nullptr);
}

D3DMATRIX FigureCellWorld(const TFigure& figure, int i, int j) {
  const float spread = (1 - figure.Scale) * 4 / 2;  // keeps the 4 x 4 grid area centred
  D3DMATRIX world = figure.ScaleMatrix;
  world(4, 3) = figure.World(4, 3);
  if (figure.Turning) {
    // Turn the cell about the point between grid columns 1 and 2 on line 1, and keep
    // only the displacement the turn gives it (and the turned axes).
    const float dx = static_cast<float>(j) - 1.5f;
    const float dy = 1.0f - static_cast<float>(i);
    world(4, 1) = dx;
    world(4, 2) = dy;
    world = MatrixProduct(Game.FigureTurnMatrix, world);
    world(4, 1) -= dx;
    world(4, 2) -= dy;
  }
  world(4, 1) += figure.X + static_cast<float>(j) * figure.Scale + spread;
  world(4, 2) += figure.Y - static_cast<float>(i) * figure.Scale - spread;
  return world;
}

void DrawFigure(const TFigure& figure) {
  if (figure.Colour < 1 || figure.Colour > 7 || figure.Rotation < 1 || figure.Rotation > 4)
    return;
  TBrick brick(figure.Colour, 0, 0, 0);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (!ShapeCell(figure.Colour, figure.Rotation, i, j)) continue;
      brick.World = FigureCellWorld(figure, i, j);
      DrawBrick(brick);
    }
}

void MakeBrickTextures() {
  Picture picture;
  if (!LoadPicture(BrickPictureFile, picture) || picture.Width <= 0 || picture.Height <= 0)
    throw BrickTextureError(BrickPictureFile, "the brick picture is missing or cannot be read");
  Device* d = D3D.FD3DDevice;
  const uint32_t width = static_cast<uint32_t>(picture.Width);
  const uint32_t height = static_cast<uint32_t>(picture.Height);
  for (int c = 1; c <= BrickColourCount; ++c) {
    SafeRelease(BrickTextures[c]);
    if (!d || Failed(d->CreateTexture(width, height, 0, 0, D3D.TextureFormat, D3DPOOL_MANAGED,
                                      &BrickTextures[c])))
      continue;  // left empty: the bricks of this colour are drawn untextured
    Texture* texture = BrickTextures[c];
    D3DLOCKED_RECT locked;
    if (Failed(texture->LockRect(0, &locked, nullptr, 0))) continue;
    const double fr = BrickColourFactors[c][0], fg = BrickColourFactors[c][1],
                 fb = BrickColourFactors[c][2];
    auto* bits = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t y = 0; y < height; ++y) {
      // Upside down: picture row 0 becomes the last texture row.
      uint8_t* row = bits + static_cast<size_t>(height - 1 - y) * locked.Pitch;
      for (uint32_t x = 0; x < width; ++x) {
        const uint8_t* px = picture.Pixel(static_cast<int>(x), static_cast<int>(y));
        const uint32_t r = static_cast<uint32_t>(RoundHalfEven(px[0] * fr));
        const uint32_t g = static_cast<uint32_t>(RoundHalfEven(px[1] * fg));
        const uint32_t b = static_cast<uint32_t>(RoundHalfEven(px[2] * fb));
        if (texture->Format == D3DFMT_A8R8G8B8) {
          const uint32_t v = 0xFF000000u + r * 65536 + g * 256 + b;
          std::memcpy(row + x * 4, &v, 4);
        } else if (texture->Format == D3DFMT_A4R4G4B4) {
          const uint16_t v = static_cast<uint16_t>((r / 16) * 256 + (g / 16) * 16 + b / 16);
          std::memcpy(row + x * 2, &v, 2);
        }
      }
    }
    texture->UnlockRect(0);
  }
}

void ReleaseBrickTextures() {
  for (Texture*& texture : BrickTextures) SafeRelease(texture);
}

}  // namespace zolvane
