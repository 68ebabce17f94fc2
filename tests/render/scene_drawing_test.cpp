#include <cmath>
#include <numbers>
#include <set>

#include "render_fixture.h"

namespace zolvane::testing {
namespace {

using RenderScene = RenderFixture;

// Models in the slots without reading files: what the drawing reads of them.
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
  TModel frame(3, 1, 2, 3);
  frame.Draw();
  ASSERT_EQ(Dev->Draws.size(), 3u);
  const uint32_t starts[] = {30, 36, 45}, counts[] = {2, 3, 1};
  const float reds[] = {0.1f, 0.9f, 0.1f};
  for (int i = 0; i < 3; ++i) {
    const DrawSnapshot& d = Dev->Draws[i];
    EXPECT_EQ(d.Type, D3DPT_TRIANGLELIST);
    EXPECT_EQ(d.StartVertex, starts[i]);
    EXPECT_EQ(d.PrimitiveCount, counts[i]);
    EXPECT_FLOAT_EQ(d.Material.Diffuse.r, reds[i]);
    EXPECT_EQ(d.Stream, D3D.FD3DVBModels);
    EXPECT_EQ(d.Stride, 24u);
    EXPECT_EQ(d.FVF, 0x12u);
    EXPECT_FLOAT_EQ(d.World(4, 3), 3.0f);
  }
}

TEST_F(RenderScene, BrickUsesTheQualitySlotItsColourAndLeavesStageZeroEmpty) {
  UseBrickSlot(0, 0, 4);
  UseBrickSlot(2, 12, 8);
  for (int c = 1; c <= 8; ++c) BrickTextures[c] = Marker();
  TBrick brick(6, 3, 7, 0);
  Config.BrickQuality = 2;
  brick.Draw();
  Config.BrickQuality = 0;  // takes effect on the next draw, without a new object
  brick.Draw();
  ASSERT_EQ(Dev->Draws.size(), 2u);
  EXPECT_EQ(Dev->Draws[0].StartVertex, 12u);
  EXPECT_EQ(Dev->Draws[0].PrimitiveCount, 8u);
  EXPECT_EQ(Dev->Draws[1].StartVertex, 0u);
  for (const DrawSnapshot& d : Dev->Draws) {
    EXPECT_EQ(d.Texture0, BrickTextures[6]);
    EXPECT_EQ(d.Stream, D3D.FD3DVBTexModels);
    EXPECT_EQ(d.FVF, 0x152u);
    EXPECT_EQ(d.Stage0(D3DTSS_COLOROP), D3DTOP_MODULATE);
    EXPECT_FLOAT_EQ(d.Material.Power, 60.0f);
    EXPECT_FLOAT_EQ(d.Material.Diffuse.a, 0.0f);
    EXPECT_FLOAT_EQ(d.World(4, 1), 3.0f);
    EXPECT_FLOAT_EQ(d.World(4, 2), 7.0f);
  }
  EXPECT_EQ(Dev->Textures[0], nullptr);
  // An empty slot draws nothing at all.
  Config.BrickQuality = 1;
  brick.Draw();
  EXPECT_EQ(Dev->Draws.size(), 2u);
}

TEST_F(RenderScene, FigureCellsShrinkTowardsTheGridCentre) {
  UseBrickSlot(1, 0, 2);
  ShapeWithCells(2, 1, {{0, 0}, {1, 3}});
  TFigure figure(2, 1, 4, 20, 0, 0.5f);
  figure.Draw();
  ASSERT_EQ(Dev->Draws.size(), 2u);
  EXPECT_FLOAT_EQ(Dev->Draws[0].World(4, 1), 5.0f);
  EXPECT_FLOAT_EQ(Dev->Draws[0].World(4, 2), 19.0f);
  EXPECT_FLOAT_EQ(Dev->Draws[1].World(4, 1), 5.0f + 3 * 0.5f);
  EXPECT_FLOAT_EQ(Dev->Draws[1].World(4, 2), 19.0f - 0.5f);
  // The drawing brick's size comes from the figure's scale matrix, its depth from World.
  SetScaleMatrix(figure.ScaleMatrix, 0.5f, 0.5f, 0.5f);
  figure.World(4, 3) = -2.0f;
  Dev->ClearLog();
  figure.Draw();
  EXPECT_FLOAT_EQ(Dev->Draws[0].World(1, 1), 0.5f);
  EXPECT_FLOAT_EQ(Dev->Draws[0].World(4, 3), -2.0f);

  ShapeWithCells(2, 1, {});
  Dev->ClearLog();
  figure.Draw();
  EXPECT_TRUE(Dev->Draws.empty());
}

TEST_F(RenderScene, TurningFigureTurnsAboutItsCentreAndAtAngleZeroLooksUnturned) {
  UseBrickSlot(1, 0, 2);
  ShapeWithCells(3, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}});
  TFigure figure(3, 2, 4, 20, 0, 1.0f);
  SetScaleMatrix(figure.ScaleMatrix, 0.8f, 0.8f, 0.8f);
  figure.Draw();
  const std::vector<DrawSnapshot> still = Dev->Draws;

  figure.Turning = true;
  figure.TurnAngle = 0;
  SetRotateZMatrix(Game.FigureTurnMatrix, 0);
  Dev->ClearLog();
  figure.Draw();
  ASSERT_EQ(Dev->Draws.size(), still.size());
  for (size_t k = 0; k < still.size(); ++k)
    EXPECT_EQ(std::memcmp(&Dev->Draws[k].World, &still[k].World, sizeof(D3DMATRIX)), 0) << k;

  // A quarter turn clockwise about (X + 1.5, Y - 1) = (5.5, 19): the top-left cell at
  // (4, 20) goes to (6.5, 20.5), the cell at (5, 19) to (5.5, 19.5).
  SetRotateZMatrix(Game.FigureTurnMatrix, -std::numbers::pi_v<float> / 2);
  Dev->ClearLog();
  figure.Draw();
  EXPECT_NEAR(Dev->Draws[0].World(4, 1), 6.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[0].World(4, 2), 20.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[1].World(4, 1), 5.5f, 1e-5f);
  EXPECT_NEAR(Dev->Draws[1].World(4, 2), 19.5f, 1e-5f);
  // The brick's own axes turn with it.
  EXPECT_NEAR(Dev->Draws[0].World(1, 2), -0.8f, 1e-5f);
}

class RenderBrickTextures : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    // Top row (200, 100, 50) and (255, 255, 255); bottom row (16, 32, 48) and (0, 0, 0).
    WriteBmp24("data/models/brick.bmp", 2, 2,
               {200, 100, 50, 255, 255, 255, 16, 32, 48, 0, 0, 0});
  }
  static uint32_t Texel32(const Texture* t, uint32_t x, uint32_t y) {
    uint32_t v;
    std::memcpy(&v, t->LevelBytes[0].data() + y * t->LevelPitch(0) + x * 4, 4);
    return v;
  }
  static uint16_t Texel16(const Texture* t, uint32_t x, uint32_t y) {
    uint16_t v;
    std::memcpy(&v, t->LevelBytes[0].data() + y * t->LevelPitch(0) + x * 2, 2);
    return v;
  }
};

TEST_F(RenderBrickTextures, TintsEachColourAndWritesThePictureUpsideDown) {
  MakeBrickTextures();
  std::set<Texture*> distinct;
  for (int c = 1; c <= 8; ++c) {
    ASSERT_NE(BrickTextures[c], nullptr);
    distinct.insert(BrickTextures[c]);
    EXPECT_EQ(BrickTextures[c]->Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(BrickTextures[c]->GetLevelCount(), 2u);  // a full chain, of which level 0 is ours
    EXPECT_FALSE(BrickTextures[c]->MipsGenerated);
  }
  EXPECT_EQ(distinct.size(), 8u);
  // The picture's top row is the texture's last row.
  EXPECT_EQ(Texel32(BrickTextures[1], 0, 1), 0xFFC86432u);
  EXPECT_EQ(Texel32(BrickTextures[2], 0, 1), 0xFFC80000u);
  EXPECT_EQ(Texel32(BrickTextures[8], 0, 1), 0xFF3C1E0Fu);  // 0.3 x (200, 100, 50)
  EXPECT_EQ(Texel32(BrickTextures[7], 1, 1), 0xFF00FFFFu);
  EXPECT_EQ(Texel32(BrickTextures[5], 0, 0), 0xFF102000u);
  EXPECT_EQ(Texel32(BrickTextures[8], 0, 0), 0xFF050A0Eu);  // 4.8, 9.6, 14.4 to nearest
}

TEST_F(RenderBrickTextures, SixteenBitTexturesKeepTheHighNibbles) {
  D3D.TextureFormat = D3DFMT_A4R4G4B4;
  MakeBrickTextures();
  EXPECT_EQ(Texel16(BrickTextures[2], 0, 1), 0x0C00);
  EXPECT_EQ(Texel16(BrickTextures[8], 0, 1), 0x0310);
  EXPECT_EQ(Texel16(BrickTextures[1], 1, 1), 0x0FFF);
}

TEST_F(RenderBrickTextures, MissingPictureIsAnErrorNamingTheFile) {
  std::filesystem::remove("data/models/brick.bmp");
  try {
    MakeBrickTextures();
    FAIL() << "no error";
  } catch (const BrickTextureError& e) {
    EXPECT_NE(std::string(e.what()).find("data/models/brick.bmp"), std::string::npos);
  }
}

// A Direct3D object that takes only the formats it is told.
class FormatList : public Direct3D {
 public:
  explicit FormatList(std::set<D3DFORMAT> ok) : Ok(std::move(ok)) {}
  HRESULT CheckDeviceType(uint32_t, uint32_t, D3DFORMAT, D3DFORMAT, bool) override {
    return E_FAIL;
  }
  HRESULT CheckDeviceFormat(uint32_t, uint32_t, D3DFORMAT adapter, uint32_t usage,
                            uint32_t type, D3DFORMAT f) override {
    SeenAdapter = adapter;
    return usage == 0 && type == D3DRTYPE_TEXTURE && Ok.count(f) ? D3D_OK : D3DERR_NOTAVAILABLE;
  }
  HRESULT GetAdapterDisplayMode(uint32_t, D3DDISPLAYMODE*) override { return E_FAIL; }
  HRESULT CreateDevice(uint32_t, uint32_t, void*, uint32_t, D3DPRESENT_PARAMETERS*,
                       Device**) override {
    return E_FAIL;
  }
  std::set<D3DFORMAT> Ok;
  D3DFORMAT SeenAdapter = 0;
};

TEST_F(RenderScene, TextureFormatIsTheFirstSupportedOfItsList) {
  auto* d3d = new FormatList({D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5});
  D3D.FD3D = d3d;
  D3D.AdapterFormat = D3DFMT_X8R8G8B8;
  EXPECT_EQ(ChooseTextureFormat(true), D3DFMT_A4R4G4B4);
  EXPECT_EQ(ChooseTextureFormat(false), D3DFMT_R5G6B5);
  EXPECT_EQ(d3d->SeenAdapter, D3DFMT_X8R8G8B8);
  d3d->Ok = {D3DFMT_X8R8G8B8};
  EXPECT_EQ(ChooseTextureFormat(true), D3DFMT_UNKNOWN);
  SafeRelease(D3D.FD3D);
}

// A device that refuses vertex buffers of one size.
class RefusingDevice : public RecordingDevice {
 public:
  HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                             VertexBuffer** out) override {
    Requests.push_back({length, fvf});
    if (length == Refused) return D3DERR_OUTOFVIDEOMEMORY;
    return RecordingDevice::CreateVertexBuffer(length, usage, fvf, pool, out);
  }
  uint32_t Refused = 0;
  std::vector<std::pair<uint32_t, uint32_t>> Requests;
};

TEST_F(RenderScene, ModelBuffersAreMadeInOrderAndTheFirstFailureReturned) {
  ReleaseModelBuffers();
  auto* dev = new RefusingDevice;
  Device* old = D3D.FD3DDevice;
  D3D.FD3DDevice = dev;
  EXPECT_EQ(CreateModelBuffers(), D3D_OK);
  EXPECT_EQ(dev->Requests, (std::vector<std::pair<uint32_t, uint32_t>>{{7200000, 0x12},
                                                                        {10800000, 0x152}}));
  dev->Refused = 10800000;
  EXPECT_EQ(CreateModelBuffers(), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_NE(D3D.FD3DVBModels, nullptr);
  EXPECT_EQ(D3D.FD3DVBTexModels, nullptr);
  dev->Refused = 7200000;
  EXPECT_EQ(CreateModelBuffers(), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(dev->Requests.size(), 5u);  // the second buffer is not tried after a failure
  ReleaseModelBuffers();
  D3D.FD3DDevice = old;
  dev->Release();
}

TEST_F(RenderScene, MenuQuadLightsAndCamera) {
  TTexModelVertex quad[4];
  std::memcpy(quad, D3D.MenuQuad->Bytes.data(), sizeof quad);
  EXPECT_EQ(D3D.MenuQuad->Length, 144u);
  EXPECT_EQ(D3D.MenuQuad->FVF, 0x152u);
  const float xy[4][2] = {{-0.5f, 0.5f}, {0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}};
  for (int v = 0; v < 4; ++v) {
    EXPECT_EQ(quad[v].X, xy[v][0]);
    EXPECT_EQ(quad[v].Y, xy[v][1]);
    EXPECT_EQ(quad[v].TU, v % 2 ? 1.0f : 0.0f);
    EXPECT_EQ(quad[v].TV, v / 2 ? 1.0f : 0.0f);
    EXPECT_EQ(quad[v].Color, 0xFFFFFFFFu);
    EXPECT_EQ(quad[v].NX, -1.0f);
  }
  EXPECT_EQ(quad[2].NY, 0.0f);
  EXPECT_EQ(quad[3].NY, 1.0f);

  SetupLights();
  const D3DLIGHT8& sun = Dev->Lights.at(1);
  EXPECT_EQ(sun.Type, D3DLIGHT_DIRECTIONAL);
  EXPECT_FLOAT_EQ(sun.Direction.y, -std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(sun.Direction.z, std::sqrt(0.5f));
  EXPECT_FLOAT_EQ(sun.Specular.g, 0.3f);
  EXPECT_FLOAT_EQ(sun.Ambient.b, 0.05f);
  const D3DLIGHT8& lamp = Dev->Lights.at(4);
  EXPECT_EQ(lamp.Type, D3DLIGHT_POINT);
  EXPECT_FLOAT_EQ(lamp.Position.x, 5.5f);
  EXPECT_FLOAT_EQ(lamp.Position.z, -2.0f);
  EXPECT_FLOAT_EQ(lamp.Range, 10.0f);
  EXPECT_FLOAT_EQ(lamp.Attenuation1, 0.5f);
  EXPECT_FLOAT_EQ(lamp.Ambient.r, 0.6f);
  EXPECT_EQ(Dev->Lights.size(), 2u);
  EXPECT_TRUE(Dev->LightEnabled[1] && Dev->LightEnabled[4]);
  EXPECT_EQ(Dev->RenderStates.at(D3DRS_AMBIENT), 0x00454545u);

  SetAllMatrices();
  const D3DVECTOR centre = TransformPoint(MakeVector(5.5f, 10.5f, 0), Dev->Transforms[D3DTS_VIEW]);
  EXPECT_NEAR(centre.x, 0, 1e-5);
  EXPECT_NEAR(centre.y, 0, 1e-5);
  EXPECT_NEAR(centre.z, 19, 1e-5);
  EXPECT_FLOAT_EQ(Dev->Transforms[D3DTS_PROJECTION](3, 3), 25.0f / 24.0f);
}

}  // namespace
}  // namespace zolvane::testing
