#include "render/game_layer.h"

#include <functional>

#include "game/high_scores.h"
#include "render/scene_setup.h"
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

  // 'b' the layer drawn again whole and copied, 'u' drawn again in part and copied, 'c'
  // copied alone, 'f' a frame drawn in full.
  char Frame() {
    Dev->ClearLog();
    DrawGame();
    if (Called("BeginStaticLayer") && Called("DrawStaticLayer")) return 'b';
    if (Called("UpdateStaticLayer") && Called("DrawStaticLayer")) return 'u';
    if (Called("DrawStaticLayer")) return 'c';
    return 'f';
  }

  // The rectangles the last frame drew the layer again in.
  std::vector<D3DRECT> Updated() const {
    std::vector<D3DRECT> out;
    for (const RecordedCall& c : Dev->Calls)
      if (c.Op == "UpdateStaticLayer")
        out.push_back({static_cast<int32_t>(c.Args[0]), static_cast<int32_t>(c.Args[1]),
                       static_cast<int32_t>(c.Args[2]), static_cast<int32_t>(c.Args[3])});
    return out;
  }

  // Where the centre of a well position lands in the 1024 x 768 picture.
  static void CellPixel(int row, int column, float& x, float& y) {
    const D3DMATRIX m = SceneViewProjection();
    const float cx = column * m(1, 1) + row * m(2, 1) + m(4, 1);
    const float cy = column * m(1, 2) + row * m(2, 2) + m(4, 2);
    const float cw = column * m(1, 4) + row * m(2, 4) + m(4, 4);
    x = (cx / cw + 1) * 512;
    y = (1 - cy / cw) * 384;
  }

  static bool Holds(const D3DRECT& r, float x, float y) {
    return x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2;
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
      {"the next figure grows", [] { Game.NextFigure->ScaleMatrix(1, 1) *= 1.2f; }, 'u'},
      {"a figure lands", [&] { Occupy(1, 1, 5); }, 'u'},
      {"a brick changes colour", [] { WellAt(1, 1).Brick->Colour = 6; }, 'u'},
      {"a row sinks", [] { WellAt(1, 1).Brick->World(4, 2) -= 0.25f; }, 'u'},
      {"a counter changes", [] { ++Game.Lines; }, 'u'},
      {"the score counts up", [] { Game.ShownScore += 5; }, 'u'},
      {"the game clock ticks", [] { ++Game.GameSeconds; }, 'u'},
      {"the score to beat shows", [] { Game.ScorePosition = 3; }, 'u'},
      {"the high score table changes there", [] { HighScores[1][2].Score += 10; }, 'u'},
      {"the high score table changes out of sight", [] { HighScores[1][7].Score += 10; }, 'c'},
      {"every row changes", [&] { for (int r = 1; r <= WellRows; ++r) for (int c = 1; c <= WellColumns; ++c) Occupy(r, c, 1 + (r + c) % 7); }, 'u'},
      {"the well empties", [] { for (auto& row : Game.Well) for (WellCell& cell : row) cell.Empty = true; }, 'u'},
      {"the brick quality", [] { Config.BrickQuality = 2; }, 'b'},
      {"the game type", [] { Game.GameType = 2; }, 'b'},
      {"a brick texture is made again", [] { ++BrickTextures[5]->Version; }, 'b'},
      {"a menu frame", [] { ForgetGameLayer(); }, 'b'},
      {"a brick lands beside the next one", [&] { Occupy(1, 1, 5); }, 'u'},
      // The turning brick leaves the layer while it turns, and comes back.
      {"a brick turns", [] { Game.BrickFlipActive = true; Game.BrickFlipRow = Game.BrickFlipColumn = 1; }, 'u'},
      {"it turns on", [] { WellAt(1, 1).Brick->World(4, 2) += 0.2f; }, 'c'},
      {"the turn ends", [] { Game.BrickFlipActive = false; WellAt(1, 1).Brick->World(4, 2) -= 0.2f; }, 'u'},
      // The full frames leave the layer as it was.
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
  // The next figure stands still beside the well: in the layer, not on the frame.
  EXPECT_EQ(Draws(BrickTextures[1], true).size(), 1u);
  EXPECT_TRUE(Draws(BrickTextures[1], false).empty());
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

// Each change draws the layer again where it shows and nowhere else: a line of text at its
// place beside the well, a brick at its position in the well.
TEST_F(RenderGameLayer, APartDrawnAgainIsWhereTheChangeShows) {
  float leftX, bottomY, rightX, topY;
  CellPixel(1, 1, leftX, bottomY);
  CellPixel(20, 10, rightX, topY);
  const struct {
    const char* What;
    std::function<void()> Change;
    int Row, Column;  // a well position whose centre the rectangle holds; 0: a text
    bool Left;        // a text: left of the well, else right of it
  } cases[] = {
      {"the score counts up", [] { Game.ShownScore += 5; }, 0, 0, true},
      {"a counter changes", [] { ++Game.Level; }, 0, 0, true},
      {"the game clock ticks", [] { ++Game.GameSeconds; }, 0, 0, false},
      {"a brick lands bottom left", [&] { Occupy(1, 1, 5); }, 1, 1, false},
      {"a brick lands top right", [&] { Occupy(20, 10, 6); }, 20, 10, false},
      {"a brick sinks", [] { WellAt(1, 1).Brick->World(4, 2) -= 0.25f; }, 1, 1, false},
      {"a brick leaves", [] { WellAt(20, 10).Empty = true; }, 20, 10, false},
  };
  Config.BrickQuality = 1;
  ASSERT_EQ(Frame(), 'b');
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    c.Change();
    ASSERT_EQ(Frame(), 'u');
    const std::vector<D3DRECT> rects = Updated();
    ASSERT_EQ(rects.size(), 1u);
    const D3DRECT& r = rects[0];
    // Small: a text line or a brick and its edges.
    EXPECT_LT((r.x2 - r.x1) * (r.y2 - r.y1), 1024 * 768 / 25);
    if (c.Row) {
      float x, y;
      CellPixel(c.Row, c.Column, x, y);
      EXPECT_TRUE(Holds(r, x, y));
      const float cell = (rightX - leftX) / 9;  // a brick's width on screen
      EXPECT_LT(r.x2 - r.x1, 2 * cell);
      EXPECT_LT(r.y2 - r.y1, 2 * cell);
    } else if (c.Left) {
      EXPECT_LT(r.x2, leftX);
    } else {
      EXPECT_GT(r.x1, rightX);
    }
    EXPECT_EQ(Frame(), 'c');  // and drawn no more
  }
}

// A change over most of the picture draws the layer whole; the whole well does not.
TEST_F(RenderGameLayer, ChangesAllOverThePictureDrawItWhole) {
  const GameLayerKey before = CurrentGameLayerKey();
  for (int r = 1; r <= WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) Occupy(r, c, 1 + (r + c) % 7);
  const GameLayerChange well = GameLayerChanges(before, CurrentGameLayerKey(), 1024, 768);
  EXPECT_FALSE(well.Whole);
  EXPECT_EQ(well.Rects.size(), 1u);
  // A brick drawn as large as the picture.
  D3DMATRIX large;
  SetScaleMatrix(large, 30, 30, 1);
  WellAt(10, 5).Brick->World = MatrixProduct(WellAt(10, 5).Brick->World, large);
  const GameLayerChange all = GameLayerChanges(before, CurrentGameLayerKey(), 1024, 768);
  EXPECT_TRUE(all.Whole);
  EXPECT_TRUE(all.Rects.empty());
  Game.GameType = 2;
  EXPECT_TRUE(GameLayerChanges(before, CurrentGameLayerKey(), 1024, 768).Whole);
}

// A part drawn again holds the whole static part's order, less the bricks far from it.
TEST_F(RenderGameLayer, APartDrawsTheBackdropAndTheBricksThatReachIt) {
  Occupy(1, 2, 7);   // beside the change
  Occupy(20, 9, 3);  // far from it
  ASSERT_EQ(Frame(), 'b');
  Occupy(1, 1, 5);
  ASSERT_EQ(Frame(), 'u');
  EXPECT_EQ(Draws(BackgroundTextures[1], true).size(), 1u);
  EXPECT_EQ(Draws(BrickTextures[5], true).size(), 1u);
  EXPECT_EQ(Draws(BrickTextures[7], true).size(), 1u);
  EXPECT_TRUE(Draws(BrickTextures[3], true).empty());
}

// A device that cannot draw into its layer in part (another picture size, or no layer
// drawn yet) has it drawn whole.
TEST_F(RenderGameLayer, WhereAPartCannotBeDrawnTheLayerIsDrawnWhole) {
  ASSERT_EQ(Frame(), 'b');
  Dev->LayerBegun = false;
  Occupy(1, 1, 5);
  EXPECT_EQ(Frame(), 'b');
  EXPECT_EQ(Draws(BrickTextures[5], true).size(), 1u);
  EXPECT_EQ(Frame(), 'c');
}

// The turning brick is not in the layer: it is drawn after the figure, and the bricks
// after it in the well's order that it swings into are drawn again after it, as in a
// full frame.
TEST_F(RenderGameLayer, TheTurningBrickIsDrawnOnTheFrameInTheWellsOrder) {
  Occupy(9, 3, 4);   // before it in the well's order
  Occupy(9, 4, 5);   // turns
  Occupy(9, 5, 7);   // after it
  Occupy(1, 10, 3);  // far away
  ASSERT_EQ(Frame(), 'b');
  Game.BrickFlipActive = true;
  Game.BrickFlipRow = 9;
  Game.BrickFlipColumn = 4;
  ASSERT_EQ(Frame(), 'u');
  WellAt(9, 4).Brick->World(4, 3) -= 0.3f;
  ASSERT_EQ(Frame(), 'c');
  EXPECT_TRUE(Draws(BrickTextures[5], true).empty());
  int figure = -1, before = -1, turning = -1, after = -1;
  for (size_t i = 0; i < Dev->Draws.size(); ++i) {
    const Texture* t = Dev->Draws[i].Texture0;
    const int at = static_cast<int>(i);
    if (t == BrickTextures[2]) figure = at;
    if (t == BrickTextures[4]) before = at;
    if (t == BrickTextures[5]) turning = at;
    if (t == BrickTextures[7]) after = at;
  }
  EXPECT_GT(turning, figure);
  EXPECT_GT(turning, before);
  EXPECT_GT(after, turning);
  EXPECT_EQ(Dev->Draws[turning].World(4, 3), WellAt(9, 4).Brick->World(4, 3));
  EXPECT_TRUE(Draws(BrickTextures[3], false).empty());
}

}  // namespace
}  // namespace zolvane::testing
