#include "render/game_layer.h"

#include <functional>

#include "game/high_scores.h"
#include "render_fixture.h"

namespace zolvane::testing {
namespace {

// The game screen on a recording device that has a layer.
class RenderGameLayer : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    Dev->LayersAvailable = true;
    ModelTable[1].Textured = true;
    ModelTable[1].TriangleCount = 2;
    for (int slot : {3, 4}) {
      ModelTable[slot].SingleMaterial = true;
      ModelTable[slot].TriangleCount = 4;
    }
    for (int k = 1; k <= 4; ++k) BackgroundTextures[k] = Marker();
    for (int k = 1; k <= 8; ++k) BrickTextures[k] = Marker();
    std::memset(FigureShapes, 0, sizeof FigureShapes);
    FigureShapes[2][1][0][0] = FigureShapes[1][1][0][0] = 1;
    CreateGameScene();  // falling figure kind 2, next figure kind 1, empty well
    CreateGlassFrames();
    Game.GameType = 1;
    Game.FallingFigure->ResetFigure(2, 1, 4, 10, 0, 1);
    ForgetGameLayer();
  }

  void Occupy(int row, int column, int colour) {
    WellAt(row, column).Empty = false;
    WellAt(row, column).Brick->Colour = colour;
  }

  bool Called(const char* op) const {
    for (const RecordedCall& c : Dev->Calls)
      if (c.Op == op) return true;
    return false;
  }

  // 'b' the layer drawn again and copied, 'c' copied alone, 'f' a frame drawn in full.
  char Frame() {
    Dev->ClearLog();
    DrawGame();
    if (Called("BeginStaticLayer") && Called("DrawStaticLayer")) return 'b';
    if (Called("DrawStaticLayer")) return 'c';
    return 'f';
  }

  std::vector<const DrawSnapshot*> Draws(Texture* t, bool inLayer) const {
    std::vector<const DrawSnapshot*> out;
    for (const DrawSnapshot& d : Dev->Draws)
      if (d.Texture0 == t && d.InLayer == inLayer) out.push_back(&d);
    return out;
  }
};

TEST_F(RenderGameLayer, DrawnAgainExactlyWhenWhatItShowsChanges) {
  const struct {
    const char* What;
    std::function<void()> Change;
    char Expected;
  } cases[] = {
      {"nothing", [] {}, 'c'},
      {"the falling figure moves", [] { Game.FallingFigure->Y -= 0.3f; }, 'c'},
      {"a row flies", [] { Game.FlyingRows[0][0] = new TBrick(6, 1, 3, -1); }, 'c'},
      {"a figure lands", [&] { Occupy(1, 1, 5); }, 'b'},
      {"a brick changes colour", [] { WellAt(1, 1).Brick->Colour = 6; }, 'b'},
      {"a row sinks", [] { WellAt(1, 1).Brick->World(4, 2) -= 0.25f; }, 'b'},
      {"a counter changes", [] { ++Game.Lines; }, 'b'},
      {"the score counts up", [] { Game.ShownScore += 5; }, 'b'},
      {"the game clock ticks", [] { ++Game.GameSeconds; }, 'b'},
      {"the high score table changes", [] { HighScores[1][1].Score += 10; }, 'b'},
      {"the brick quality", [] { Config.BrickQuality = 2; }, 'b'},
      {"the game type", [] { Game.GameType = 2; }, 'b'},
      {"a brick texture is made again", [] { ++BrickTextures[5]->Version; }, 'b'},
      {"a menu frame", [] { ForgetGameLayer(); }, 'b'},
      {"a brick turns", [] { Game.BrickFlipActive = true; Game.BrickFlipRow = Game.BrickFlipColumn = 1; }, 'f'},
      // The full frames leave the layer as it was.
      {"the turn ends", [] { Game.BrickFlipActive = false; }, 'c'},
      {"the figure reaches under the top rail", [] { Game.FallingFigure->Y = 20.2f; }, 'f'},
      {"the figure back in the well", [] { Game.FallingFigure->Y = 19.5f; }, 'c'},
      {"the figure beyond the side rail", [] { Game.FallingFigure->X = 0.6f; }, 'f'},
  };
  Config.BrickQuality = 1;
  EXPECT_EQ(Frame(), 'b');  // the first game frame
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    c.Change();
    EXPECT_EQ(Frame(), c.Expected);
  }
}

TEST_F(RenderGameLayer, WithoutALayerTheFrameIsDrawnInFull) {
  Dev->LayersAvailable = false;
  Occupy(1, 1, 5);
  EXPECT_EQ(Frame(), 'f');
  EXPECT_EQ(Draws(BrickTextures[5], false).size(), 1u);
  EXPECT_EQ(Draws(BackgroundTextures[1], false).size(), 1u);
}

TEST_F(RenderGameLayer, OnlyTheStillPartsAreInTheLayer) {
  Occupy(1, 1, 5);
  Game.FlyingRows[0][0] = new TBrick(6, 1, 3, -1);
  ASSERT_EQ(Frame(), 'b');
  EXPECT_EQ(Draws(BackgroundTextures[1], true).size(), 1u);
  EXPECT_EQ(Draws(BrickTextures[5], true).size(), 1u);
  EXPECT_TRUE(Draws(BrickTextures[2], true).empty());  // the falling figure
  EXPECT_TRUE(Draws(BrickTextures[1], true).empty());  // the next figure
  EXPECT_TRUE(Draws(BrickTextures[6], true).empty());  // the flying row
  EXPECT_EQ(Draws(BrickTextures[2], false).size(), 1u);
  EXPECT_EQ(Draws(BrickTextures[6], false).size(), 1u);
  ASSERT_EQ(Frame(), 'c');
  EXPECT_TRUE(Draws(BackgroundTextures[1], false).empty());
  EXPECT_TRUE(Draws(BrickTextures[5], false).empty());  // far from the figure
}

// Equal depths go to the later draw, and in a full frame the well comes after the figure:
// the bricks next to the figure are drawn again after it, in the well's order.
TEST_F(RenderGameLayer, BricksBesideTheFigureAreDrawnAgainAfterIt) {
  Occupy(9, 4, 5);   // under the figure's cell at column 4, row 10
  Occupy(10, 5, 7);  // beside it
  Occupy(1, 9, 3);   // far away
  Frame();
  ASSERT_EQ(Frame(), 'c');
  int figure = -1, below = -1, beside = -1;
  for (size_t i = 0; i < Dev->Draws.size(); ++i) {
    const Texture* t = Dev->Draws[i].Texture0;
    if (t == BrickTextures[2]) figure = static_cast<int>(i);
    if (t == BrickTextures[5]) below = static_cast<int>(i);
    if (t == BrickTextures[7]) beside = static_cast<int>(i);
  }
  EXPECT_GT(below, figure);
  EXPECT_GT(beside, figure);
  EXPECT_TRUE(Draws(BrickTextures[3], false).empty());
}

// The figure's colour depends on the stage-0 states the texts leave: a frame copied from
// the layer must draw it with the states a full frame does, whatever the last frame left.
TEST_F(RenderGameLayer, TheFigureSeesTheStatesOfAFullFrame) {
  Dev->LayersAvailable = false;
  Frame();
  const DrawSnapshot full = *Draws(BrickTextures[2], false).at(0);
  Dev->LayersAvailable = true;
  Frame();
  Dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  Dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  Dev->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  ASSERT_EQ(Frame(), 'c');
  const DrawSnapshot& layered = *Draws(BrickTextures[2], false).at(0);
  EXPECT_EQ(layered.Stage0States, full.Stage0States);
  EXPECT_EQ(layered.RenderStates, full.RenderStates);
  EXPECT_EQ(layered.Material.Power, full.Material.Power);
}

}  // namespace
}  // namespace zolvane::testing
