// The falling figure as the player handles it: drops, turns, sideways moves, locking and
// the end of the game.
#include "tests/game/rules_fixture.h"

namespace zolvane {
namespace {

using FallingTest = RulesTest;

TEST_F(FallingTest, FastDropNeverPassesThroughABrick) {
  // At the 100 ms clamp a Ctrl drop covers 10 rows in one step.
  Place(KindO, 1, 4, 20);  // cells in columns 5 and 6
  Occupy(10, 6);
  keyboard.Press(DIK_LCONTROL);
  Pass(100);
  EXPECT_FLOAT_EQ(Game.FallSpeed, 0.1f);
  EXPECT_EQ(Falling().Row, 12);
  EXPECT_FLOAT_EQ(Falling().Y, 12.0f);
  EXPECT_FALSE(FigureOverlapsWell(Falling()));

  Pass(100);  // resting: a Ctrl drop locks on contact
  EXPECT_EQ(Game.FiguresLanded, 1);
  for (int r : {11, 12})
    for (int c : {5, 6}) {
      EXPECT_FALSE(WellAt(r, c).Empty) << r << "," << c;
      EXPECT_EQ(WellAt(r, c).Brick->Colour, KindO);
    }
  EXPECT_EQ(OccupiedTotal(), 5);

  // A narrow obstacle under one column of a wider figure, deep in the drop.
  keyboard.ReleaseAll();
  Pass(10);
  Place(KindI, 1, 1, 20);  // line 1: row 19, columns 1..4
  Occupy(3, 2);
  keyboard.Press(DIK_LCONTROL);
  for (int i = 0; i < 5 && Game.FiguresLanded < 2; ++i) {
    Pass(100);
    ASSERT_FALSE(FigureOverlapsWell(Falling()));
  }
  EXPECT_EQ(Game.FiguresLanded, 2);
  for (int c = 1; c <= 4; ++c) EXPECT_FALSE(WellAt(4, c).Empty) << c;
  EXPECT_TRUE(WellAt(1, 1).Empty);
  EXPECT_TRUE(WellAt(3, 3).Empty);
}

TEST_F(FallingTest, TurnNextToAWallIsKickedInward) {
  // Vertical I in column 10 turning to horizontal: shifted one column left.
  Place(KindI, 2, 8, 10);
  FreezeFall();
  keyboard.Press(DIK_UP);
  Pass(10);
  EXPECT_TRUE(Falling().Turning);
  EXPECT_EQ(Falling().Column, 7);
  EXPECT_FLOAT_EQ(Falling().X, 7.0f);
  EXPECT_EQ(Falling().Rotation, 2);  // changes only when the turn completes
  keyboard.ReleaseAll();
  for (int i = 0; i < 30 && Falling().Turning; ++i) Pass(10);
  EXPECT_EQ(Falling().Rotation, 3);
  EXPECT_EQ(Falling().Column, 7);

  // Counter-clockwise at the left wall: as many columns as needed (two here).
  Config.RotateClockwise = false;
  Place(KindI, 2, -1, 10);  // grid column 2 stands in well column 1
  Falling().StartTurn();
  EXPECT_TRUE(Falling().Turning);
  EXPECT_EQ(Falling().Column, 1);
  EXPECT_EQ(TurnTarget(Falling()), 1);
}

TEST_F(FallingTest, TurnIsRefusedWhenItOverlapsOrReachesBelowTheFloor) {
  Place(KindI, 2, 4, 10);  // vertical in column 6, rows 7..10
  Occupy(8, 4);            // where the horizontal state's left end would go
  Falling().StartTurn();
  EXPECT_FALSE(Falling().Turning);
  EXPECT_EQ(Falling().Column, 4);
  EXPECT_EQ(Falling().Rotation, 2);

  Place(KindI, 1, 4, 2);  // horizontal on the floor; vertical would reach row -1
  Falling().StartTurn();
  EXPECT_FALSE(Falling().Turning);
  EXPECT_TRUE(effects.empty());

  // During a Space drop Up is ignored; while Down is held it turns.
  Place(KindT, 1, 4, 18);
  keyboard.Press(DIK_SPACE);
  Pass(10);
  keyboard.ReleaseAll();
  Pass(10);
  keyboard.Press(DIK_UP);
  Pass(10);
  EXPECT_FALSE(Falling().Turning);

  keyboard.ReleaseAll();
  Place(KindT, 1, 4, 18);
  Game.FallSpeed = Game.BaseFallSpeed;
  keyboard.Press(DIK_DOWN);
  Pass(10);
  keyboard.Press(DIK_UP);
  Pass(10);
  EXPECT_TRUE(Falling().Turning);
}

TEST_F(FallingTest, QuarterTurnTakesTimeSetByRotationSpeedAndTurnsTheChosenWay) {
  for (float speed : {0.75f, 1.55f}) {
    for (bool clockwise : {true, false}) {
      Config.RotationSpeed = speed;
      Config.RotateClockwise = clockwise;
      Place(KindT, 1, 4, 15);
      FreezeFall();
      keyboard.Press(DIK_UP);
      Pass(7);
      keyboard.ReleaseAll();
      // Seen by the player (+x right, +y up): clockwise is a negative angle about z.
      const float sine = Game.FigureTurnMatrix(1, 2);
      EXPECT_EQ(sine < 0, clockwise);
      int ms = 7;
      while (Falling().Turning && ms < 1000) {
        Pass(7);
        ms += 7;
      }
      const int expected = speed == 0.75f ? 126 : 63;  // 120 ms and 58 ms, in 7 ms steps
      EXPECT_EQ(ms, expected) << speed;
      EXPECT_EQ(Falling().Rotation, clockwise ? 2 : 4);
      EXPECT_FLOAT_EQ(Falling().TurnAngle, 0.0f);
    }
  }
}

TEST_F(FallingTest, QuarterTurnEndsOnTheStepThatReachesNinetyDegrees) {
  // 0.75 degrees per ms; the step of the Up press turns too. Where the steps add up to
  // exactly 90 degrees (all but 16 ms), the turn must not take one step more.
  const struct {
    uint32_t ms;
    int steps;
  } cases[] = {{8, 15}, {10, 12}, {15, 8}, {16, 8}, {20, 6}, {30, 4}, {40, 3}};
  for (const auto& c : cases) {
    Place(KindT, 1, 4, 15);
    FreezeFall();
    keyboard.Press(DIK_UP);
    Pass(c.ms);
    keyboard.ReleaseAll();
    int steps = 1;
    while (Falling().Turning && steps < 100) {
      EXPECT_EQ(Falling().Rotation, 1) << c.ms << " ms, step " << steps;
      Pass(c.ms);
      ++steps;
    }
    EXPECT_EQ(steps, c.steps) << c.ms << " ms";
    EXPECT_EQ(Falling().Rotation, 2) << c.ms << " ms";
  }
}

// O figure dropped with Space onto a one-column pillar under its right half.
class SlideTest : public FallingTest {
 protected:
  void DropOntoPillar() {
    for (int r = 1; r <= 3; ++r) Occupy(r, 6);
    Place(KindO, 1, 4, 20);
    keyboard.Press(DIK_SPACE);
    Pass(10);
    keyboard.ReleaseAll();
    for (int i = 0; i < 100 && !Game.SlideStep; ++i) Pass(10);
    ASSERT_TRUE(Game.SlideStep);
    ASSERT_EQ(Falling().Row, 5);
    ASSERT_EQ(Game.FiguresLanded, 0);
  }
};

TEST_F(SlideTest, SpaceDroppedFigureStepsAtOnceThenFallsAtNormalSpeed) {
  DropOntoPillar();
  keyboard.Press(DIK_LEFT);
  Pass(10);
  keyboard.ReleaseAll();
  EXPECT_EQ(Falling().Column, 3);
  EXPECT_FLOAT_EQ(Falling().X, 3.0f);
  EXPECT_FALSE(Game.SlideStep);
  EXPECT_FLOAT_EQ(Game.FallSpeed, Game.BaseFallSpeed);

  for (int i = 0; i < 400 && Game.FiguresLanded == 0; ++i) Pass(10);
  EXPECT_EQ(Game.FiguresLanded, 1);
  for (int r : {1, 2})
    for (int c : {4, 5}) EXPECT_FALSE(WellAt(r, c).Empty) << r << "," << c;
}

TEST_F(SlideTest, UntouchedSpaceDropLocksAfterAboutOneHundredMilliseconds) {
  DropOntoPillar();
  int ms = 10;  // the pass that set the slide step
  while (Game.FiguresLanded == 0 && ms < 1000) {
    Pass(10);
    ms += 10;
  }
  EXPECT_GE(ms, 100);
  EXPECT_LE(ms, 120);
  EXPECT_EQ(Game.SlideGraceMs, 100);  // ready for the next figure
  EXPECT_FALSE(WellAt(4, 6).Empty);
}

TEST_F(FallingTest, CtrlDropLocksOnContactWithoutGrace) {
  Place(KindO, 1, 4, 20);
  keyboard.Press(DIK_RCONTROL);
  bool graceSeen = false;
  int restingPasses = 0;
  for (int i = 0; i < 100 && Game.FiguresLanded == 0; ++i) {
    Pass(10);
    graceSeen = graceSeen || Game.SlideStep;
    if (Game.FiguresLanded == 0 && Falling().Row == 2) ++restingPasses;
  }
  EXPECT_EQ(Game.FiguresLanded, 1);
  EXPECT_FALSE(graceSeen);
  EXPECT_EQ(restingPasses, 1);  // arrived in one pass, locked in the next
  EXPECT_FALSE(WellAt(1, 5).Empty);
}

TEST_F(FallingTest, ReleasingDownAfterSpaceLosesTheDrop) {
  Place(KindT, 1, 4, 18);
  keyboard.Press(DIK_DOWN);
  Pass(10);
  EXPECT_FLOAT_EQ(Game.FallSpeed, 0.05f);
  EXPECT_FLOAT_EQ(Game.SideSpeed, 0.022f);
  keyboard.Press(DIK_SPACE);  // reloads the shared timer: Down acts again and wins
  Pass(10);
  EXPECT_FLOAT_EQ(Game.FallSpeed, 0.05f);
  keyboard.Release(DIK_DOWN);
  Pass(10);
  EXPECT_FLOAT_EQ(Game.FallSpeed, Game.BaseFallSpeed);

  // Space alone keeps dropping after it is released.
  keyboard.ReleaseAll();
  Pass(10);
  keyboard.Press(DIK_SPACE);
  Pass(10);
  keyboard.ReleaseAll();
  Pass(10);
  EXPECT_FLOAT_EQ(Game.FallSpeed, 0.08f);
  EXPECT_FLOAT_EQ(Game.SideSpeed, 0.08f);
}

TEST_F(FallingTest, NoLockWhileASidewaysMoveIsUnderWay) {
  // The figure reaches a ledge while moving left off it: it is not locked there.
  for (int r = 1; r <= 3; ++r) Occupy(r, 6);
  Place(KindO, 1, 4, 6);
  Falling().Y = 5.01f;
  keyboard.Press(DIK_LEFT);
  Pass(10);
  keyboard.ReleaseAll();
  ASSERT_EQ(Falling().Row, 5);  // resting on the pillar now
  ASSERT_EQ(Falling().SideMove, SideMoveDir::Left);
  for (int i = 0; i < 4; ++i) {
    Pass(10);
    EXPECT_EQ(Game.FiguresLanded, 0);
  }
  EXPECT_EQ(Falling().Column, 3);
  EXPECT_EQ(Falling().SideMove, SideMoveDir::None);

  for (int i = 0; i < 400 && Game.FiguresLanded == 0; ++i) Pass(10);
  EXPECT_FALSE(WellAt(1, 4).Empty);
  EXPECT_FALSE(WellAt(2, 5).Empty);
  EXPECT_TRUE(WellAt(4, 5).Empty);
}

TEST_F(FallingTest, HeldLeftMovesOnPressThenRepeatsAfterTheDelayUpToTheWall) {
  Config.KeyRepeatDelay = 340;
  Place(KindO, 1, 4, 18);
  FreezeFall();
  keyboard.Press(DIK_LEFT);
  Passes(34, 10);
  EXPECT_EQ(Falling().Column, 3);
  Passes(6, 10);  // repeat starts at 350 ms, one smooth move lasts 50 ms here
  EXPECT_EQ(Falling().Column, 2);
  Passes(60, 10);
  EXPECT_EQ(Falling().Column, 0);  // the O's left cells stand in column 1
  EXPECT_FLOAT_EQ(Falling().X, 0.0f);
}

TEST_F(FallingTest, LockPromotesTheNextFigureAndDrawsRotationBeforeKind) {
  Place(KindO, 1, 4, 2);  // on the floor
  Game.NextFigure->ResetFigure(KindT, 3, -6, 18, 0, 0.75f);
  Game.FallSpeed = 0.05f;
  Game.Score = 40;
  Game.SlideGraceMs = 30;

  RandomSeed(77);
  const int32_t rotation = RandomInt(4);
  const int32_t kind = RandomInt(7);
  RandomSeed(77);
  Loop.FrameDelta = 10;
  FallStep(Falling());

  EXPECT_EQ(Falling().Kind(), KindT);
  EXPECT_EQ(Falling().Rotation, 3);
  EXPECT_EQ(Falling().Column, 4);
  EXPECT_EQ(Falling().Row, 20);
  EXPECT_FLOAT_EQ(Falling().Scale, 0.5f);
  EXPECT_EQ(Game.NextFigure->Kind(), kind + 1);
  EXPECT_EQ(Game.NextFigure->Rotation, rotation + 1);
  EXPECT_EQ(Game.NextFigure->Column, -6);
  EXPECT_FLOAT_EQ(Game.NextFigure->Scale, 0.4f);
  EXPECT_FLOAT_EQ(Game.FallSpeed, Game.BaseFallSpeed);
  EXPECT_EQ(Game.Score, 45);
  EXPECT_EQ(Game.FiguresLanded, 1);
  EXPECT_EQ(Game.SlideGraceMs, 100);
  EXPECT_EQ(effects, std::vector<int32_t>{16});
  EXPECT_FALSE(Game.GameOver);
}

TEST_F(FallingTest, GameEndsOnlyWhenTheLockedFigureBlocksTheSpawnPosition) {
  // Locked away from the spawn columns: the game goes on, even though the new figure
  // happens to cover a brick.
  for (int r = 1; r <= 18; ++r) {
    Occupy(r, 1);
    Occupy(r, 2);
  }
  Occupy(19, 7);
  Place(KindO, 1, 0, 20);
  Game.NextFigure->ResetFigure(KindI, 1, -6, 18, 0, 0.75f);
  Pass(10);
  EXPECT_EQ(Game.FiguresLanded, 1);
  EXPECT_FALSE(Game.GameOver);
  EXPECT_EQ(CountEffect(15), 0);

  // Locked into rows 19 and 20 under the spawn position: over.
  ResetGameState();
  CreateGameScene();
  NewGame();
  effects.clear();
  for (int r = 1; r <= 18; ++r) {
    Occupy(r, 5);
    Occupy(r, 6);
  }
  Place(KindO, 1, 4, 20);
  Pass(10);
  EXPECT_TRUE(Game.GameOver);
  EXPECT_EQ(effects, (std::vector<int32_t>{16, 15}));
  EXPECT_EQ(WellAt(20, 6).Brick->Colour, KindO);
  EXPECT_FALSE(WellAt(19, 5).Empty);
}

TEST_F(FallingTest, GameClockSurvivesTheWrapAndFiguresPerMinuteRoundsHalfToEven) {
  FreezeFall();
  clock.Now = 0x00000F00u;
  Loop.LastFrameTime = clock.Now;
  Game.GameStartTime = clock.Now - 7990u;  // started before the clock wrapped
  Game.FiguresLanded = 3;
  Pass(20);
  EXPECT_EQ(Game.GameSeconds, 8);
  EXPECT_EQ(Game.FiguresPerMinute, 22);  // 22.5

  Game.FiguresLanded = 1;
  Pass(10);
  EXPECT_EQ(Game.FiguresPerMinute, 8);  // 7.5

  // Up to five seconds the value is kept.
  Game.GameStartTime = clock.Now - 5500u;
  Game.FiguresLanded = 4;
  Pass(10);
  EXPECT_EQ(Game.GameSeconds, 5);
  EXPECT_EQ(Game.FiguresPerMinute, 8);
}

}  // namespace
}  // namespace zolvane

namespace zolvane {
namespace {

TEST(FiguresPerMinute, RoundsExactTiesToEven) {
  EXPECT_EQ(FiguresPerMinute(25, 24), 62);  // 62.5
  EXPECT_EQ(FiguresPerMinute(41, 40), 62);  // 61.5
  EXPECT_EQ(FiguresPerMinute(7, 6), 70);
  EXPECT_EQ(FiguresPerMinute(1, 7), 9);     // 8.57
  EXPECT_EQ(FiguresPerMinute(0, 9), 0);
}

}  // namespace
}  // namespace zolvane
