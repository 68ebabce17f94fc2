// Full rows, points, levels, the flying message, the counting score and the running rank.
#include <string>

#include "tests/game/rules_fixture.h"

namespace zolvane {
namespace {

using RowsTest = RulesTest;

float BrickY(int row, int column) { return WellAt(row, column).Brick->World(4, 2); }

TEST_F(RowsTest, SeparatedFullRowsAreBothRemovedAndTheRestMovesDown) {
  FillRow(1);
  FillRow(2, {3}, 2);
  FillRow(3);
  Occupy(4, 7, 4);
  ClearFullRows();

  EXPECT_EQ(Game.Score, 100);
  EXPECT_EQ(Game.Lines, 2);
  EXPECT_EQ(effects, std::vector<int32_t>{18});
  EXPECT_EQ(OccupiedIn(1), 9);  // the old row 2, hole and colour included
  EXPECT_TRUE(WellAt(1, 3).Empty);
  EXPECT_EQ(WellAt(1, 1).Brick->Colour, 2);
  EXPECT_EQ(OccupiedIn(2), 1);  // the old row 4
  EXPECT_FALSE(WellAt(2, 7).Empty);
  EXPECT_EQ(WellAt(2, 7).Brick->Colour, 4);
  EXPECT_EQ(OccupiedTotal(), 10);

  // Both rows fly, the higher one launched first; the bricks keep colour and place.
  ASSERT_EQ(FlyingSlotsInUse(), 2);
  EXPECT_FLOAT_EQ(Game.FlyingRows[0][0]->World(4, 2), 3.0f);
  EXPECT_FLOAT_EQ(Game.FlyingRows[1][0]->World(4, 2), 1.0f);
  EXPECT_FLOAT_EQ(Game.FlyingRows[1][9]->World(4, 1), 10.0f);
  EXPECT_EQ(Game.FlyingRows[1][4]->Colour, 3);

  // What is left above the lowest cleared row jumps up, to sink back.
  EXPECT_FLOAT_EQ(BrickY(1, 1), 1.49f);
  EXPECT_FLOAT_EQ(BrickY(2, 7), 2.49f);
  EXPECT_FLOAT_EQ(BrickY(1, 3), 1.0f);  // free positions are not lifted
}

TEST_F(RowsTest, RowsFlyAwayAndLiftedBricksSettleExactlyOnTheirRows) {
  FillRow(1);
  Occupy(2, 4);
  ClearFullRows();
  ASSERT_EQ(FlyingSlotsInUse(), 1);
  Loop.FrameDelta = 10;
  auto step = [](int times) {
    for (int i = 0; i < times; ++i) {
      MoveFlyingRows();
      SettleBricks();
    }
  };
  step(20);
  EXPECT_GT(BrickY(1, 4), 1.0f);  // still sinking at 200 ms
  step(60);
  EXPECT_EQ(FlyingSlotsInUse(), 1);  // still flying at 800 ms
  EXPECT_EQ(BrickY(1, 4), 1.0f);
  step(5);
  EXPECT_EQ(FlyingSlotsInUse(), 0);  // gone after about 834 ms
}

TEST_F(RowsTest, BricksEndOnTheirRowsAfterASecondLiftOrAHugeSinkingStep) {
  // A second clear while the first lift is still sinking.
  FillRow(1);
  Occupy(2, 4);
  ClearFullRows();
  Loop.FrameDelta = 10;
  for (int i = 0; i < 5; ++i) SettleBricks();
  FillRow(1, {4});
  Occupy(2, 4);
  ClearFullRows();
  EXPECT_GT(BrickY(1, 4), 1.5f);
  for (int i = 0; i < 100; ++i) SettleBricks();
  EXPECT_EQ(BrickY(1, 4), 1.0f);

  // Level 10 at the 100 ms clamp sinks more than a row per step.
  Game.BaseFallSpeed = 0.0019f + 9 * 0.00095f;
  FillRow(1, {4});
  Occupy(2, 3);
  ClearFullRows();
  Loop.FrameDelta = 100;
  for (int i = 0; i < 5; ++i) SettleBricks();
  EXPECT_EQ(BrickY(1, 3), 1.0f);
}

TEST_F(RowsTest, ThreeRowsCrossingOneThousandInClassicShowTheLevelInstead) {
  Game.Score = 900;
  const int32_t praise = (Game.PraiseIndex + 1) % 7;
  FillRow(1);
  FillRow(2);
  FillRow(3);
  Place(KindT, 1, 4, 20);
  Pass(10);
  EXPECT_EQ(Game.Score, 1150);
  EXPECT_EQ(Game.Lines, 3);
  EXPECT_EQ(Game.Level, 2);
  EXPECT_EQ(Game.MessageText, "Level 2");
  EXPECT_FLOAT_EQ(Game.MessageX, -2.7f);
  EXPECT_EQ(Game.MessageSize, 7);
  EXPECT_EQ(Game.MessageBonus, 0);
  EXPECT_FLOAT_EQ(Game.BaseFallSpeed, 0.0019f + 0.00095f);
  // The praise and the low line sound, but no level sound: the message was bright.
  EXPECT_EQ(effects, (std::vector<int32_t>{6 - praise, 19}));
  EXPECT_EQ(Game.PraiseIndex, praise);
}

TEST_F(RowsTest, FourRowsShowTheirMessageAndPraiseCyclesInOrder) {
  Game.PraiseIndex = 6;
  for (int round = 0; round < 3; ++round) {
    for (int r = 1; r <= 4; ++r) FillRow(r);
    ClearFullRows();
  }
  EXPECT_EQ(Game.Score, 1500);
  EXPECT_EQ(Game.MessageText, "Four Lines Cleared!");
  EXPECT_FLOAT_EQ(Game.MessageX, -4.8f);
  EXPECT_EQ(Game.MessageBonus, 500);
  EXPECT_FLOAT_EQ(Game.MessageAlpha, 150.0f);
  // 6 -> 0 "excellent", 1 "fantastic", 2 "great"
  EXPECT_EQ(effects, (std::vector<int32_t>{6, 19, 5, 19, 4, 19}));
  EXPECT_EQ(OccupiedTotal(), 0);
}

TEST_F(RowsTest, LevelSoundPlaysWhenTheMessageIsDimAndCyclesThroughThree) {
  int column = 0;
  for (int32_t expectedSound : {10, 11, 9}) {
    Game.Score = Game.Level * 1000 - 5;  // the next lock reaches the level
    Game.MessageAlpha = -3;
    effects.clear();
    Place(KindO, 1, column, 2);
    column += 2;
    Pass(10);
    EXPECT_EQ(effects, (std::vector<int32_t>{16, expectedSound}));
  }
  EXPECT_EQ(Game.Level, 4);
  EXPECT_EQ(Game.MessageText, "Level 4");
}

TEST_F(RowsTest, EachGameTypeRisesByItsOwnRule) {
  struct Case {
    int32_t type;
    int32_t scoreBelow, scoreAt, secondsBelow, secondsAt;
    float step;
  };
  const Case cases[] = {
      {1, 999, 1000, 0, 0, 0.00095f},
      {2, 0, 0, 119, 120, 0.00095f},
      {3, 0, 0, 89, 90, 0.00095f},
      {4, 999, 1000, 0, 0, 0.0015833333f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type);
    NewGame();
    Game.GameType = c.type;
    // The rule of the other kind never raises the level.
    Game.Score = c.secondsAt ? 999999 : c.scoreBelow;
    Game.GameSeconds = c.secondsAt ? c.secondsBelow : 999999;
    CheckLevelUp();
    EXPECT_EQ(Game.Level, 1);
    Game.Score = c.secondsAt ? 999999 : c.scoreAt;
    Game.GameSeconds = c.secondsAt ? c.secondsAt : 999999;
    CheckLevelUp();
    EXPECT_EQ(Game.Level, 2);
    EXPECT_FLOAT_EQ(Game.BaseFallSpeed, 0.0019f + c.step);
  }

  // Far behind: one level per step until the rule no longer holds.
  NewGame();
  Game.GameType = 2;
  Game.GameSeconds = 400;
  for (int i = 0; i < 5; ++i) CheckLevelUp();
  EXPECT_EQ(Game.Level, 4);
}

TEST_F(RowsTest, ClearWithAllFlyingSlotsBusyStillRemovesTheRow) {
  for (int round = 0; round < 2; ++round) {
    for (int r = 1; r <= 4; ++r) FillRow(r);
    ClearFullRows();
  }
  ASSERT_EQ(FlyingSlotsInUse(), 8);
  TBrick* before[FlyingRowSlots][WellColumns];
  std::copy(&Game.FlyingRows[0][0], &Game.FlyingRows[0][0] + 80, &before[0][0]);

  FillRow(1);
  Occupy(2, 5);
  ClearFullRows();
  EXPECT_EQ(Game.Score, 1030);
  EXPECT_EQ(Game.Lines, 9);
  EXPECT_EQ(OccupiedTotal(), 1);
  EXPECT_FALSE(WellAt(1, 5).Empty);
  EXPECT_TRUE(std::equal(&before[0][0], &before[0][0] + 80, &Game.FlyingRows[0][0]));

  // Once they have flown away the slots serve again.
  Loop.FrameDelta = 100;
  for (int i = 0; i < 9; ++i) MoveFlyingRows();
  EXPECT_EQ(FlyingSlotsInUse(), 0);
  FillRow(1);
  ClearFullRows();
  EXPECT_EQ(FlyingSlotsInUse(), 1);
}

TEST_F(RowsTest, RankMovesUpPastLowerScoresButStaysBelowEqualOnes) {
  HighScores[1][1].Score = 900;
  HighScores[1][2].Score = 800;
  HighScores[1][3].Score = 800;
  Game.GameType = 1;
  Game.ScorePosition = 11;
  Game.Score = 800;
  UpdateScorePosition();
  EXPECT_EQ(Game.ScorePosition, 4);
  Game.Score = 801;
  UpdateScorePosition();
  EXPECT_EQ(Game.ScorePosition, 2);
  Game.Score = 0;
  UpdateScorePosition();
  EXPECT_EQ(Game.ScorePosition, 2);

  // Each game type has its own table.
  HighScores[2][10].Score = 5;
  Game.GameType = 2;
  Game.ScorePosition = 11;
  Game.Score = 5;
  UpdateScorePosition();
  EXPECT_EQ(Game.ScorePosition, 11);
  Game.Score = 6;
  UpdateScorePosition();
  EXPECT_EQ(Game.ScorePosition, 1);
}

}  // namespace
}  // namespace zolvane
