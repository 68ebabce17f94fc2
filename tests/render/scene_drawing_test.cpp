#include <cmath>
#include <numbers>

#include "render_fixture.h"

namespace zolvane::testing {
namespace {

using RenderScene = RenderFixture;

void UseBrickSlot(int slot, int32_t first, int32_t triangles) {
  ModelTable[slot] = TModelData{};
  ModelTable[slot].Textured = true;
  ModelTable[slot].FirstVertex = first;
  ModelTable[slot].TriangleCount = triangles;
}

void ShapeWithCells(int kind, int rotation, std::initializer_list<std::pair<int, int>> cells) {
  std::memset(FigureShapes[kind][rotation], 0, 16);
  for (auto [i, j] : cells) FigureShapes[kind][rotation][i][j] = 1;
}

TEST_F(RenderScene, MultiMaterialModelDrawsOneRunPerMaterial) {
  TModelData& m = ModelTable[3];
  m.FirstVertex = 30;
  m.TriangleCount = 6;
  m.Materials.resize(2);
  InitMaterial(m.Materials[0], 0.1f, 0, 0, 1);
  InitMaterial(m.Materials[1], 0.9f, 0, 0, 1);
  m.MaterialIndex = {0, 0, 1, 1, 1, 0};
  DrawModel(TModel(3, 1, 2, 3));
  ASSERT_EQ(Dev->Draws.size(), 3u);
  const uint32_t starts[] = {30, 36, 45}, counts[] = {2, 3, 1};
  const float reds[] = {0.1f, 0.9f, 0.1f};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Dev->Draws[i].StartVertex, starts[i]);
    EXPECT_EQ(Dev->Draws[i].PrimitiveCount, counts[i]);
    EXPECT_FLOAT_EQ(Dev->Draws[i].Material.Diffuse.r, reds[i]);
    EXPECT_EQ(Dev->Draws[i].Stream, D3D.FD3DVBModels);
  }
}

TEST_F(RenderScene, BrickFollowsTheQualitySettingOnTheNextDraw) {
  UseBrickSlot(0, 0, 4);
  UseBrickSlot(2, 12, 8);
  for (int c = 1; c <= 8; ++c) BrickTextures[c] = Marker();
  TBrick brick(6, 3, 7, 0);
  Config.BrickQuality = 2;
  DrawBrick(brick);
  Config.BrickQuality = 0;
  DrawBrick(brick);
  Config.BrickQuality = 1;  // an empty slot draws nothing
  DrawBrick(brick);
  ASSERT_EQ(Dev->Draws.size(), 2u);
  EXPECT_EQ(Dev->Draws[0].StartVertex, 12u);
  EXPECT_EQ(Dev->Draws[0].PrimitiveCount, 8u);
  EXPECT_EQ(Dev->Draws[1].StartVertex, 0u);
  EXPECT_EQ(Dev->Draws[1].Texture0, BrickTextures[6]);
  EXPECT_EQ(Dev->Draws[1].Stream, D3D.FD3DVBTexModels);
  EXPECT_EQ(Dev->Textures[0], nullptr);
}

TEST_F(RenderScene, FigureCellsShrinkTowardsTheGridCentre) {
  UseBrickSlot(1, 0, 2);
  ShapeWithCells(2, 1, {{0, 0}, {1, 3}});
  TFigure figure(2, 1, 4, 20, 0, 0.5f);
  DrawFigure(figure);
  ASSERT_EQ(Dev->Draws.size(), 2u);
  EXPECT_EQ(Translation(Dev->Draws[0].World).x, 5.0f);
  EXPECT_EQ(Translation(Dev->Draws[0].World).y, 19.0f);
  EXPECT_EQ(Translation(Dev->Draws[1].World).x, 6.5f);
  EXPECT_EQ(Translation(Dev->Draws[1].World).y, 18.5f);
  ShapeWithCells(2, 1, {});
  Dev->ClearLog();
  DrawFigure(figure);
  EXPECT_TRUE(Dev->Draws.empty());
}

TEST_F(RenderScene, TurningFigureTurnsAboutItsCentreAndAtAngleZeroLooksUnturned) {
  UseBrickSlot(1, 0, 2);
  ShapeWithCells(3, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}});
  TFigure figure(3, 2, 4, 20, 0, 1.0f);
  SetScaleMatrix(figure.ScaleMatrix, 0.8f, 0.8f, 0.8f);
  DrawFigure(figure);
  const std::vector<DrawSnapshot> still = Dev->Draws;
  figure.Turning = true;
  SetRotateZMatrix(Game.FigureTurnMatrix, 0);
  Dev->ClearLog();
  DrawFigure(figure);
  ASSERT_EQ(Dev->Draws.size(), still.size());
  for (size_t k = 0; k < still.size(); ++k)
    for (int r = 1; r <= 4; ++r)
      for (int c = 1; c <= 4; ++c) EXPECT_EQ(Dev->Draws[k].World(r, c), still[k].World(r, c));

  // A quarter turn clockwise about (X + 1.5, Y - 1) = (5.5, 19): the cell at (4, 20) goes
  // to (6.5, 20.5), the cell at (5, 19) to (5.5, 19.5), and the bricks' axes turn too.
  SetRotateZMatrix(Game.FigureTurnMatrix, -std::numbers::pi_v<float> / 2);
  Dev->ClearLog();
  DrawFigure(figure);
  EXPECT_NEAR(Dev->Draws[0].World(4, 1), 6.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[0].World(4, 2), 20.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[1].World(4, 1), 5.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[1].World(4, 2), 19.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[0].World(1, 2), -0.8f, 1e-5f);
}

uint32_t Texel(const Texture* t, uint32_t x, uint32_t y) {
  uint32_t v = 0;
  const uint32_t size = FormatBytesPerPixel(t->Format);
  std::memcpy(&v, t->LevelBytes[0].data() + y * t->LevelPitch(0) + x * size, size);
  return v;
}

TEST_F(RenderScene, BrickTexturesAreTintedUpsideDownCopiesOfThePicture) {
  // Top row (200, 100, 50), (255, 255, 255); bottom row (16, 32, 48), (0, 0, 0).
  WriteBmp24("data/models/brick.bmp", 2, 2, {200, 100, 50, 255, 255, 255, 16, 32, 48, 0, 0, 0});
  MakeBrickTextures();
  EXPECT_EQ(Texel(BrickTextures[1], 0, 1), 0xFFC86432u);  // the top row is the last one
  EXPECT_EQ(Texel(BrickTextures[2], 0, 1), 0xFFC80000u);
  EXPECT_EQ(Texel(BrickTextures[8], 0, 1), 0xFF3C1E0Fu);  // 0.3 x (200, 100, 50)
  EXPECT_EQ(Texel(BrickTextures[8], 0, 0), 0xFF050A0Eu);  // 4.8, 9.6, 14.4 to nearest
  EXPECT_EQ(Texel(BrickTextures[7], 1, 1), 0xFF00FFFFu);
  EXPECT_EQ(BrickTextures[3]->GetLevelCount(), 2u);
  EXPECT_FALSE(BrickTextures[3]->MipsGenerated);  // only level 0 is ours

  D3D.TextureFormat = D3DFMT_A4R4G4B4;
  MakeBrickTextures();
  EXPECT_EQ(Texel(BrickTextures[2], 0, 1), 0x0C00u);
  EXPECT_EQ(Texel(BrickTextures[8], 0, 1), 0x0310u);

  std::filesystem::remove("data/models/brick.bmp");
  try {
    MakeBrickTextures();
    ADD_FAILURE() << "no error";
  } catch (const BrickTextureError& e) {
    EXPECT_NE(std::string(e.what()).find("data/models/brick.bmp"), std::string::npos);
  }
}

}  // namespace
}  // namespace zolvane::testing
