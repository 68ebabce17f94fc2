// Garbage rows of the game types, the brick flip and the sparks.
#include <cmath>
#include <utility>

#include "platform/math3d.h"
#include "tests/game/rules_fixture.h"

namespace zolvane {
namespace {

using EffectsTest = RulesTest;

TEST_F(EffectsTest, GarbageRowsComeEveryFortyFiveSecondsOnlyInAdvancedAndCrazy) {
  for (int32_t type = 1; type <= 4; ++type) {
    SCOPED_TRACE(type);
    Game.GameType = type;
    NewGame();
    Loop.LastFrameTime = clock.Now;
    FreezeFall();
    effects.clear();
    std::vector<std::pair<int32_t, int32_t>> heard;  // effect, game second
    bool warningShown = false;
    for (int pass = 0; pass < 910; ++pass) {
      const size_t before = effects.size();
      Pass(100);
      for (size_t k = before; k < effects.size(); ++k) heard.push_back({effects[k], Game.GameSeconds});
      warningShown = warningShown || (Game.MessageText == "Warning..." && Game.GameSeconds == 42);
    }
    EXPECT_EQ(Game.GameSeconds, 91);
    EXPECT_EQ(Game.TimeLeft, (Game.LinesAdded + 1) * 45 - 91);
    const bool garbage = type == 2 || type == 4;
    if (!garbage) {
      EXPECT_EQ(CountEffect(7) + CountEffect(8), 0);
      EXPECT_EQ(Game.LinesAdded, 0);
      EXPECT_EQ(OccupiedTotal(), 0);
      continue;
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {
        {7, 42}, {7, 43}, {7, 44}, {8, 45}, {7, 87}, {7, 88}, {7, 89}, {8, 90}};
    EXPECT_EQ(heard, expected);
    EXPECT_TRUE(warningShown);
    EXPECT_EQ(Game.LinesAdded, 2);
    EXPECT_EQ(OccupiedIn(1), 5);
    EXPECT_EQ(OccupiedIn(2), 5);
    EXPECT_EQ(OccupiedTotal(), 10);
  }
}

TEST_F(EffectsTest, GarbageRowHasFiveGreyBricksAndPushesTheTopRowOut) {
  for (int r = 1; r <= WellRows; ++r) Occupy(r, 1, r % 7 + 1);
  Occupy(20, 9, 2);
  AddGarbageRow();
  EXPECT_EQ(effects, std::vector<int32_t>{8});
  EXPECT_EQ(Game.LinesAdded, 1);
  EXPECT_TRUE(WellAt(20, 9).Empty);  // lost over the top
  for (int r = 2; r <= WellRows; ++r) {
    EXPECT_FALSE(WellAt(r, 1).Empty);
    EXPECT_EQ(WellAt(r, 1).Brick->Colour, (r - 1) % 7 + 1);
  }
  EXPECT_FALSE(Game.GameOver);

  // Always exactly five bricks and five holes, whatever the draws.
  for (int i = 0; i < 200; ++i) {
    AddGarbageRow();
    ASSERT_EQ(OccupiedIn(1), 5);
    for (int c = 1; c <= WellColumns; ++c)
      if (!WellAt(1, c).Empty) {
        ASSERT_EQ(WellAt(1, c).Brick->Colour, 8);
      }
  }
}

TEST_F(EffectsTest, BrickFlipNeedsAnOccupiedPosition) {
  Loop.FrameDelta = 10;
  for (int i = 0; i < 3000; ++i) {
    BrickFlipUpdate();
    ASSERT_FALSE(Game.BrickFlipActive);
  }
  Occupy(7, 3);
  int steps = 0;
  while (!Game.BrickFlipActive && steps < 100000) {
    BrickFlipUpdate();
    ++steps;
  }
  ASSERT_TRUE(Game.BrickFlipActive);
  EXPECT_EQ(Game.BrickFlipRow, 7);
  EXPECT_EQ(Game.BrickFlipColumn, 3);
  EXPECT_FLOAT_EQ(Game.BrickFlipHome(4, 1), 3.0f);
  EXPECT_FLOAT_EQ(Game.BrickFlipHome(4, 2), 7.0f);
}

TEST_F(EffectsTest, FlippingBrickTurnsAboutThePointAboveItsHomeAndTheColumnIsResetAfter) {
  Loop.FrameDelta = 10;
  for (int32_t axis = 0; axis < 6; ++axis) {
    SCOPED_TRACE(axis);
    Occupy(5, 3);
    Occupy(4, 3);
    WellAt(4, 3).Brick->World(4, 2) = 4.3f;  // still sinking from a clear
    Game.BrickFlipActive = true;
    Game.BrickFlipColumn = 3;
    Game.BrickFlipRow = 5;
    Game.BrickFlipAxis = axis;
    Game.BrickFlipHome = WellAt(5, 3).Brick->World;
    const D3DMATRIX& world = WellAt(5, 3).Brick->World;
    int steps = 0;
    bool turned = false;
    while (Game.BrickFlipActive && steps < 100) {
      BrickFlipStep();
      ++steps;
      if (!Game.BrickFlipActive) break;
      const D3DVECTOR centre = {world(4, 1), world(4, 2), world(4, 3)};
      const float distance = VectorLength(VectorSubtract(centre, MakeVector(3, 5.5f, 0)));
      ASSERT_NEAR(distance, 0.5f, 1e-5f);
      turned = turned || std::fabs(world(1, 1) * world(2, 2) * world(3, 3) - 1) > 0.01f;
    }
    EXPECT_TRUE(turned);
    EXPECT_GE(steps, 36);  // 360 ms
    EXPECT_LE(steps, 37);
    for (int r = 1; r <= WellRows; ++r) {
      const D3DMATRIX& m = WellAt(r, 3).Brick->World;
      D3DMATRIX home;
      SetTranslateMatrix(home, 3, static_cast<float>(r), 0);
      for (int i = 1; i <= 4; ++i)
        for (int j = 1; j <= 4; ++j) ASSERT_EQ(m(i, j), home(i, j)) << r;
    }
    EXPECT_FLOAT_EQ(Game.BrickFlipAngle, 0.0f);
  }
}

TEST_F(EffectsTest, ClearedFlippingBrickFliesFromHomeAndAFlipOutlivesTheGame) {
  Loop.FrameDelta = 10;
  FillRow(1);
  Game.BrickFlipActive = true;
  Game.BrickFlipColumn = 4;
  Game.BrickFlipRow = 1;
  Game.BrickFlipAxis = 4;  // about z: the brick swings sideways
  Game.BrickFlipHome = WellAt(1, 4).Brick->World;
  for (int i = 0; i < 10; ++i) BrickFlipStep();
  ASSERT_GT(WellAt(1, 4).Brick->World(4, 1), 4.1f);

  ClearFullRows();
  ASSERT_EQ(FlyingSlotsInUse(), 1);
  EXPECT_FLOAT_EQ(Game.FlyingRows[0][3]->World(4, 1), 4.0f);
  EXPECT_FLOAT_EQ(Game.FlyingRows[0][3]->World(4, 2), 1.0f);
  EXPECT_TRUE(Game.BrickFlipActive);

  // A new game keeps the flip going on the same position's new brick.
  NewGame();
  ASSERT_TRUE(Game.BrickFlipActive);
  BrickFlipStep();
  EXPECT_GT(WellAt(1, 4).Brick->World(4, 1), 4.1f);
  for (int i = 0; i < 30 && Game.BrickFlipActive; ++i) BrickFlipStep();
  EXPECT_FALSE(Game.BrickFlipActive);
  EXPECT_EQ(WellAt(1, 4).Brick->World(4, 1), 4.0f);
}

TEST_F(EffectsTest, SparkLifeMotionAndRemoval) {
  AddSpark(1, 2.0f, 10.0f);
  ASSERT_NE(Game.Sparks, nullptr);
  EXPECT_GE(Game.Sparks->Life, 180);
  EXPECT_LE(Game.Sparks->Life, 219);
  Game.Sparks->Life = 180;

  Loop.FrameDelta = 100;
  UpdateSparks();
  EXPECT_EQ(Game.Sparks->Life, 164);
  EXPECT_FLOAT_EQ(Game.Sparks->Y, 9.75f);
  EXPECT_FLOAT_EQ(Game.Sparks->X, 2.09f);
  for (int i = 0; i < 7; ++i) UpdateSparks();
  ASSERT_EQ(SparkCount(), 1);  // life 52
  UpdateSparks();
  EXPECT_EQ(SparkCount(), 0);  // life 36

  // Rounding of the loss: 2.56 -> 3, 2.4 -> 2.
  AddSpark(-1, 0, 0);
  Game.Sparks->Life = 200;
  Loop.FrameDelta = 16;
  UpdateSparks();
  EXPECT_EQ(Game.Sparks->Life, 197);
  Loop.FrameDelta = 15;
  UpdateSparks();
  EXPECT_EQ(Game.Sparks->Life, 195);
  EXPECT_LT(Game.Sparks->X, 0.0f);

  // Dying sparks at the head and the tail leave the one between them linked.
  FreeSparks();
  AddSpark(1, 0, 0);
  AddSpark(1, 1, 0);
  AddSpark(1, 2, 0);
  Game.Sparks->Life = 60;
  Game.Sparks->Next->Life = 200;
  Game.Sparks->Next->Next->Life = 60;
  Loop.FrameDelta = 100;
  UpdateSparks();
  ASSERT_EQ(SparkCount(), 1);
  EXPECT_FLOAT_EQ(Game.Sparks->X, 1.09f);
  EXPECT_EQ(Game.Sparks->Next, nullptr);
}

TEST_F(EffectsTest, DropsTrailSparksFromTheFiguresTopEdge) {
  // A slow frame makes one spark per grid column on every falling step.
  Place(KindO, 1, 4, 20);
  keyboard.Press(DIK_LCONTROL);
  Pass(100);
  ASSERT_EQ(SparkCount(), 2);
  for (Spark* s = Game.Sparks; s; s = s->Next) {
    EXPECT_GE(s->X, 4.5f - 0.09f);  // one 100 ms drift already
    EXPECT_LT(s->X, 6.5f + 0.09f);
    EXPECT_GE(s->Y, 10.0f - 0.25f);  // spread over the ten rows just fallen
    EXPECT_LE(s->Y, 20.0f);
    EXPECT_TRUE(s->Drift == 1 || s->Drift == -1);
  }
  Pass(100);  // the rest of the fall
  EXPECT_EQ(SparkCount(), 4);
  // Resting, locking, the next figure at its own speed: no more sparks.
  Pass(100);
  Pass(100);
  EXPECT_EQ(SparkCount(), 4);

  // Short frames in a window: only some chances give a spark; full screen: all.
  auto sparksOfADrop = [&](bool fullScreen) {
    Config.FullScreen = fullScreen;
    Place(KindI, 1, 3, 20);  // four columns
    Game.FallSpeed = Game.BaseFallSpeed;
    keyboard.ReleaseAll();
    Pass(10);
    FreeSparks();
    keyboard.Press(DIK_LCONTROL);
    Passes(12, 10);
    return SparkCount();
  };
  const int windowed = sparksOfADrop(false);
  const int fullScreen = sparksOfADrop(true);
  EXPECT_EQ(fullScreen, 12 * 4);
  EXPECT_GT(windowed, 0);
  EXPECT_LT(windowed, 30);

  // Down is not a drop that sparks.
  keyboard.ReleaseAll();
  Pass(10);
  Place(KindI, 1, 3, 20);
  Game.FallSpeed = Game.BaseFallSpeed;
  FreeSparks();
  keyboard.Press(DIK_DOWN);
  Passes(12, 10);
  EXPECT_EQ(SparkCount(), 0);
}

}  // namespace
}  // namespace zolvane
