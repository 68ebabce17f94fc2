#include <cmath>
#include <numbers>

#include "render_fixture.h"

namespace zolvane::testing {
namespace {

// A game scene whose every part is told apart by its texture or its buffer.
class RenderGameScreen : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    ModelTable[1].Textured = true;  // the brick, at medium quality
    ModelTable[1].TriangleCount = 2;
    for (int slot : {3, 4}) {
      ModelTable[slot].SingleMaterial = true;
      ModelTable[slot].TriangleCount = 4;
    }
    ModelTable[4].FirstVertex = 12;
    for (int k = 1; k <= 4; ++k) BackgroundTextures[k] = Marker();
    for (int k = 1; k <= 3; ++k) BreakTextures[k] = Marker();
    for (int k = 1; k <= 4; ++k) EffectTextures[k] = Marker();
    for (int k = 1; k <= 8; ++k) BrickTextures[k] = Marker();
    std::memset(FigureShapes, 0, sizeof FigureShapes);
    FigureShapes[2][1][0][0] = FigureShapes[1][1][0][0] = 1;
    CreateGameScene();  // falling figure kind 2, next figure kind 1, empty well
    CreateGlassFrames();
    Game.GameType = 1;
  }

  void Occupy(int row, int column, int colour) {
    WellAt(row, column).Empty = false;
    WellAt(row, column).Brick->Colour = colour;
  }

  void AddSparkAt(float x, float y, int32_t life) {
    Game.Sparks = new Spark{x, y, life, 1, Game.Sparks};
  }

  std::string Kind(const DrawSnapshot& d) const {
    if (d.Stream == D3D.FD3DVBFade) return "fade";
    if (d.Stream == D3D.FD3DVBEffects) return "sparks";
    if (d.Stream == D3D.FD3DVBModels) return "frame";
    for (int k = 1; k <= 4; ++k)
      if (d.Texture0 == BackgroundTextures[k]) return "background";
    for (int k = 1; k <= 3; ++k)
      if (d.Texture0 == BreakTextures[k]) return "break " + std::to_string(k);
    if (d.Texture0 == BrickTextures[2]) return "falling figure";
    if (d.Texture0 == BrickTextures[1]) return "next figure";
    if (d.Texture0 == BrickTextures[5]) return "well";
    if (d.Texture0 == BrickTextures[6]) return "flying rows";
    return "?";
  }

  // What was drawn, one entry per run of draws of the same kind.
  std::vector<std::string> Frame() {
    Dev->ClearLog();
    DrawGame();
    std::vector<std::string> kinds;
    for (const DrawSnapshot& d : Dev->Draws)
      if (kinds.empty() || kinds.back() != Kind(d)) kinds.push_back(Kind(d));
    return kinds;
  }

  std::vector<const DrawSnapshot*> DrawsOf(const std::string& kind) const {
    std::vector<const DrawSnapshot*> out;
    for (const DrawSnapshot& d : Dev->Draws)
      if (Kind(d) == kind) out.push_back(&d);
    return out;
  }
};

TEST_F(RenderGameScreen, DrawsEverythingInItsOrder) {
  Occupy(1, 1, 5);
  Occupy(1, 2, 5);
  Game.FlyingRows[0][0] = new TBrick(6, 1, 3, -1);
  Game.FlyingRows[0][1] = new TBrick(6, 2, 3, -1);
  AddSparkAt(3, 4, 200);
  Loop.TransitionActive = true;
  Game.Paused = true;
  const std::vector<std::string> expected = {"background", "falling figure", "next figure",
                                             "frame",      "well",           "flying rows",
                                             "sparks",     "fade",           "break 2"};
  EXPECT_EQ(Frame(), expected);
}

// A game entered from the menus must look as one started directly: whatever ambient and
// filters the menus leave, the game's first draws are made with its own.
TEST_F(RenderGameScreen, TheMenusAmbientAndFiltersDoNotReachTheGame) {
  const struct {
    uint32_t Ambient, Filter;
  } leftBehind[] = {{0x00656565, D3DTEXF_LINEAR}, {0x00000000, D3DTEXF_POINT}};
  for (const auto& left : leftBehind) {
    Dev->SetRenderState(D3DRS_AMBIENT, left.Ambient);
    Dev->SetTextureStageState(0, D3DTSS_MAGFILTER, left.Filter);
    Dev->SetTextureStageState(0, D3DTSS_MINFILTER, left.Filter);
    Frame();
    const DrawSnapshot& background = *DrawsOf("background").at(0);
    EXPECT_EQ(background.RenderState(D3DRS_AMBIENT), GameAmbient);
    EXPECT_EQ(background.Stage0(D3DTSS_MAGFILTER), uint32_t{D3DTEXF_LINEAR});
    EXPECT_EQ(background.Stage0(D3DTSS_MINFILTER), uint32_t{D3DTEXF_LINEAR});
    const DrawSnapshot& figure = *DrawsOf("falling figure").at(0);
    EXPECT_EQ(figure.RenderState(D3DRS_AMBIENT), GameAmbient);
  }
}

TEST_F(RenderGameScreen, WithoutSparksTheSparkQuadIsLeftAlone) {
  EXPECT_EQ(Frame(), (std::vector<std::string>{"background", "falling figure", "next figure",
                                               "frame"}));
  for (const RecordedCall& c : Dev->Calls) EXPECT_NE(c.Object, D3D.FD3DVBEffects);
}

TEST_F(RenderGameScreen, GameOverHidesTheFiguresAndWinsOverTheOtherBreaks) {
  Occupy(2, 2, 5);
  Game.GameOver = Game.Paused = Game.AbortQuery = true;
  EXPECT_EQ(Frame(), (std::vector<std::string>{"background", "frame", "well", "break 1"}));
  // No figure between the unlit background and the frame: the frame must not inherit the
  // background's texture-only stage, which untextured draws plain white.
  EXPECT_EQ(DrawsOf("frame").at(0)->Stage0(D3DTSS_COLOROP), D3DTOP_MODULATE);
  // The fade quad and the sparks take their alpha from the vertex colour.
  Loop.TransitionActive = true;
  Frame();
  const DrawSnapshot& fade = *DrawsOf("fade").at(0);
  EXPECT_EQ(fade.Stage0(D3DTSS_ALPHAOP), D3DTOP_MODULATE);
  EXPECT_EQ(fade.Stage0(D3DTSS_ALPHAARG2), D3DTA_DIFFUSE);
  Loop.TransitionActive = false;
  Game.GameOver = false;
  EXPECT_EQ(Frame().back(), "break 2");
  Game.Paused = false;
  EXPECT_EQ(Frame().back(), "break 3");
  EXPECT_EQ(DrawsOf("break 3").size(), 1u);
  EXPECT_EQ(DrawsOf("break 3")[0]->RenderState(D3DRS_LIGHTING), 0u);
}

TEST_F(RenderGameScreen, FrameIsAdditiveWithoutThePointLightAndFollowsTheGameType) {
  Occupy(1, 1, 5);
  for (int type = 1; type <= 4; ++type) {
    SCOPED_TRACE(type);
    Game.GameType = type;
    Frame();
    const auto frames = DrawsOf("frame");
    ASSERT_EQ(frames.size(), 1u);
    const DrawSnapshot& f = *frames[0];
    EXPECT_EQ(f.StartVertex, type % 2 ? 0u : 12u);
    EXPECT_EQ(f.RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(f.RenderState(D3DRS_SRCBLEND), D3DBLEND_ONE);
    EXPECT_EQ(f.RenderState(D3DRS_DESTBLEND), D3DBLEND_ONE);
    EXPECT_FALSE(f.LightEnabled[4]);
    const DrawSnapshot& brick = *DrawsOf("well").at(0);
    EXPECT_TRUE(brick.LightEnabled[4]);
    EXPECT_EQ(brick.RenderState(D3DRS_ALPHABLENDENABLE), 0u);
  }
  // Scaled about its own origin, then placed, and brought 0.3 towards the viewer.
  const D3DMATRIX& w = GlassFrameEven->World;
  EXPECT_EQ(std::vector<float>({w(1, 1), w(2, 2), w(3, 3), w(4, 1), w(4, 2), w(4, 3)}),
            std::vector<float>({1.03f, 0.98f, 1.0f, 5.5f, 10.5f, -0.3f}));
}

// The alpha of a quad vertex, checking that the colour's other bytes stay white.
uint32_t QuadAlpha(const DrawSnapshot& d, int vertex) {
  uint32_t colour;
  std::memcpy(&colour, d.Vertices.data() + vertex * 36 + 24, 4);
  return (colour & 0xFFFFFF) == 0xFFFFFF ? colour >> 24 : 0xBAD;
}

TEST_F(RenderGameScreen, SparksFadeWithTheirLifeAndTakeTheGameTypesSize) {
  AddSparkAt(2, 5, 51);
  AddSparkAt(7, 9, 200);  // newest, drawn first
  Frame();
  auto sparks = DrawsOf("sparks");
  ASSERT_EQ(sparks.size(), 2u);
  for (int v = 0; v < 4; ++v) {
    EXPECT_EQ(QuadAlpha(*sparks[0], v), 200u);
    EXPECT_EQ(QuadAlpha(*sparks[1], v), 51u);
  }
  EXPECT_EQ(sparks[0]->Texture0, EffectTextures[1]);
  EXPECT_EQ(sparks[0]->RenderState(D3DRS_SRCBLEND), D3DBLEND_SRCALPHA);
  D3DVECTOR corner = TransformPoint(MakeVector(0.5f, 0.5f, 0), sparks[0]->World);
  EXPECT_FLOAT_EQ(corner.x, 7 + 0.325f);
  EXPECT_FLOAT_EQ(corner.y, 9 + 0.325f);
  EXPECT_EQ(Dev->Textures[0], nullptr);
  EXPECT_EQ(Dev->RenderStates[D3DRS_ALPHABLENDENABLE], 0u);

  Game.GameType = 2;  // a whole cell
  Frame();
  sparks = DrawsOf("sparks");
  corner = TransformPoint(MakeVector(0.5f, 0.5f, 0), sparks[1]->World);
  EXPECT_FLOAT_EQ(corner.x, 2.5f);
  EXPECT_FLOAT_EQ(corner.y, 5.5f);
  EXPECT_EQ(sparks[1]->Texture0, EffectTextures[2]);

  // Lives outside a byte are clamped, never wrapped into the colour.
  Game.Sparks->Life = 300;
  Game.Sparks->Next->Life = -4;
  Frame();
  sparks = DrawsOf("sparks");
  EXPECT_EQ(QuadAlpha(*sparks[0], 0), 255u);
  EXPECT_EQ(QuadAlpha(*sparks[1], 0), 0u);
}

const char* FatalStep = nullptr;
HRESULT FatalCode = D3D_OK;
void RecordFatal(const char* step, HRESULT code) {
  FatalStep = step;
  FatalCode = code;
}

TEST_F(RenderGameScreen, AFailedSparkQuadLockIsReportedAndNothingIsDrawnFromIt) {
  SafeRelease(D3D.FD3DVBEffects);
  D3D.FD3DVBEffects = new VertexBuffer(100, 0x152);  // too short to lock 144 bytes
  EXPECT_EQ(FillEffectQuad(190), D3DERR_INVALIDCALL);
  SetFatalErrorHandler(RecordFatal);
  AddSparkAt(1, 1, 100);
  Frame();
  EXPECT_TRUE(DrawsOf("sparks").empty());
  ASSERT_NE(FatalStep, nullptr);
  EXPECT_STREQ(FatalStep, "FD3DVBEffects.Lock");
  EXPECT_EQ(FatalCode, D3DERR_INVALIDCALL);
}

TEST_F(RenderGameScreen, BreakPictureSwaysThreeDegreesEachWay) {
  Game.Paused = true;
  Loop.FrameDelta = 70;  // 1.05 degrees per frame
  const float degree = std::numbers::pi_v<float> / 180;
  const float expected[] = {1.05f, 2.1f, 3.0f, 1.95f, 0.9f, -0.15f, -1.2f, -2.25f, -3.0f, -1.95f};
  float shown = 0;  // the angle each frame draws with
  for (float angle : expected) {
    Frame();
    const DrawSnapshot& pic = *DrawsOf("break 2").at(0);
    // The picture's right edge, 7 units from its centre, tells the sway it was drawn with.
    const D3DVECTOR edge = TransformPoint(MakeVector(0.5f, 0, 0), pic.World);
    EXPECT_NEAR(edge.x, 5.5f + 7 * std::cos(shown), 1e-4);
    EXPECT_NEAR(edge.z, -1.0f - 7 * std::sin(shown), 1e-4);
    EXPECT_NEAR(BreakSwingAngle, angle * degree, 1e-5);
    shown = BreakSwingAngle;
  }
  EXPECT_EQ(BreakSwingDir, 1);
}

}  // namespace
}  // namespace zolvane::testing
