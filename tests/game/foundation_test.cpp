// The frame time, the fade, the new game and the figure shapes file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <sstream>

#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

class FrameTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Loop = LoopState{};
    Loop.LastFrameTime = clock.Now;
  }
  void TearDown() override { Loop = LoopState{}; }
  // One step of a mode: the frame-time update, then the fade.
  void Pass(uint32_t ms) {
    clock.Advance(ms);
    FrameTimeUpdate();
    FadeOutStep();
  }
  ManualClock clock{5000};
};

TEST_F(FrameTimeTest, FullFadeTakes340MillisecondsAndAtLeastFourPassesAtTheClamp) {
  Loop.FadeOutRunning = Loop.TransitionActive = true;
  int passes = 0;
  while (!Loop.FadeOutDone) {
    Pass(4);
    ++passes;
    ASSERT_LE(passes, 1000);
  }
  EXPECT_EQ(passes * 4, 340);
  EXPECT_EQ(Loop.FadeLevel, 255);
  EXPECT_FALSE(Loop.FadeOutRunning);

  Loop = LoopState{};
  Loop.LastFrameTime = clock.Now;
  Loop.FadeOutRunning = true;
  passes = 0;
  while (!Loop.FadeOutDone) {
    Pass(100);
    ++passes;
  }
  EXPECT_EQ(passes, 4);  // 75 per pass
}

TEST_F(FrameTimeTest, StallGivesOneStepOfOneHundredAndSameMillisecondGivesZero) {
  clock.Advance(5000);
  FrameTimeUpdate();
  EXPECT_EQ(Loop.FrameDelta, 100u);

  Loop.FadeOutRunning = true;
  FadeOutStep();
  const int32_t level = Loop.FadeLevel;
  FrameTimeUpdate();  // same millisecond
  EXPECT_EQ(Loop.FrameDelta, 0u);
  FadeOutStep();
  EXPECT_EQ(Loop.FadeLevel, level);
}

TEST_F(FrameTimeTest, ClockWrapAroundStillGivesTheShortDelta) {
  clock.Now = 0xFFFFFFF0u;
  Loop.LastFrameTime = clock.Now;
  clock.Advance(0x20);  // wraps past zero
  FrameTimeUpdate();
  EXPECT_EQ(Loop.FrameDelta, 0x20u);
}

TEST_F(FrameTimeTest, FadeInEndsTheTransition) {
  Loop.FadeLevel = 255;
  Loop.FadeInRunning = Loop.TransitionActive = true;
  clock.Advance(100);
  FrameTimeUpdate();
  FadeInStep();
  EXPECT_EQ(Loop.FadeLevel, 180);
  EXPECT_TRUE(Loop.TransitionActive);
  for (int i = 0; i < 3; ++i) {
    clock.Advance(100);
    FrameTimeUpdate();
    FadeInStep();
  }
  EXPECT_EQ(Loop.FadeLevel, 0);
  EXPECT_FALSE(Loop.FadeInRunning);
  EXPECT_FALSE(Loop.TransitionActive);
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfEven(0.5), 0);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(0.75), 1);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
}

class NewGameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
    CreateGameScene();
  }
  void TearDown() override {
    ResetGameState();
    Keys = KeyFlags{};
  }
  ManualClock clock{777};
};

TEST_F(NewGameTest, LeavesAnEmptyWellOfOwnBricksAndNoEffects) {
  // Leftovers of a previous game: occupied cells, a flying row, sparks.
  WellAt(1, 1).Empty = false;
  WellAt(1, 1).Brick->Colour = 5;
  for (int c = 0; c < WellColumns; ++c) Game.FlyingRows[2][c] = new TBrick(3, c + 1.0f, 4, -2);
  Game.Sparks = new Spark{1, 2, 200, 1, new Spark{3, 4, 190, -1, nullptr}};

  NewGame();

  std::set<TBrick*> bricks;
  for (int r = 1; r <= WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      const WellCell& cell = WellAt(r, c);
      EXPECT_TRUE(cell.Empty);
      ASSERT_NE(cell.Brick, nullptr);
      EXPECT_EQ(cell.Brick->Colour, 1);
      EXPECT_EQ(cell.Brick->World(4, 1), static_cast<float>(c));
      EXPECT_EQ(cell.Brick->World(4, 2), static_cast<float>(r));
      EXPECT_EQ(cell.Brick->World(4, 3), 0.0f);
      bricks.insert(cell.Brick);
    }
  EXPECT_EQ(bricks.size(), 200u);
  for (auto& slot : Game.FlyingRows)
    for (TBrick* b : slot) EXPECT_EQ(b, nullptr);
  EXPECT_EQ(Game.Sparks, nullptr);
}

TEST_F(NewGameTest, DrawsFallingThenNextEachRotationFirst) {
  RandomSeed(4242);
  const int32_t fallRotation = RandomInt(4), fallKind = RandomInt(7);
  const int32_t nextRotation = RandomInt(4), nextKind = RandomInt(7);
  const int32_t praise = RandomInt(7);

  RandomSeed(4242);
  NewGame();
  const TFigure& f = *Game.FallingFigure;
  const TFigure& n = *Game.NextFigure;
  EXPECT_EQ(f.Kind(), fallKind + 1);
  EXPECT_EQ(f.Rotation, fallRotation + 1);
  EXPECT_EQ(n.Kind(), nextKind + 1);
  EXPECT_EQ(n.Rotation, nextRotation + 1);
  EXPECT_EQ(Game.PraiseIndex, praise);
  EXPECT_EQ(f.Column, 4);
  EXPECT_EQ(f.Row, 20);
  EXPECT_FLOAT_EQ(f.Scale, 0.5f);
  EXPECT_EQ(n.Column, -6);
  EXPECT_EQ(n.Row, 18);
  EXPECT_FLOAT_EQ(n.Scale, 0.4f);
}

TEST_F(NewGameTest, ResetsCountersButKeepsWhatTheMenuOwns) {
  Game.ScorePosition = 11;
  Game.GameType = 3;
  Game.Score = Game.ShownScore = 900;
  Game.Level = 4;
  Game.Paused = Game.AbortQuery = true;
  Game.BaseFallSpeed = Game.FallSpeed = 0.05f;
  Game.SlideGraceMs = 40;
  Game.MessageText = "Level 4";
  Game.MessageAlpha = 200;
  Keys.KeyLeft = Keys.KeySpace = Keys.KeyYesDown = true;
  Keys.DownRepeatTimer = 123;

  NewGame();

  EXPECT_EQ(Game.ScorePosition, 11);
  EXPECT_EQ(Game.GameType, 3);
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Game.ShownScore, 0);
  EXPECT_EQ(Game.Level, 1);
  EXPECT_FALSE(Game.Paused);
  EXPECT_FALSE(Game.AbortQuery);
  EXPECT_FLOAT_EQ(Game.FallSpeed, 0.0019f);
  EXPECT_EQ(Game.GameStartTime, 777u);
  EXPECT_EQ(Game.SlideGraceMs, 40);  // not a NewGame value
  EXPECT_TRUE(Game.MessageText.empty());
  EXPECT_EQ(Game.MessageAlpha, 0);
  EXPECT_FALSE(Keys.KeyLeft || Keys.KeySpace || Keys.KeyYesDown);
  EXPECT_EQ(Keys.DownRepeatTimer, 123);
}

TEST_F(NewGameTest, StartUpSceneHasItsFixedFigures) {
  EXPECT_EQ(Game.FallingFigure->Kind(), 2);
  EXPECT_EQ(Game.NextFigure->Kind(), 1);
  EXPECT_EQ(Game.SlideGraceMs, 100);
  EXPECT_FALSE(Game.BrickFlipActive);
  EXPECT_GE(Game.BrickFlipAxis, 0);
  EXPECT_LE(Game.BrickFlipAxis, 5);
  EXPECT_TRUE(WellAt(20, 10).Empty);
  EXPECT_NE(WellAt(20, 10).Brick, nullptr);
}

// Shapes files written by the tests.
class ShapesFileTest : public ::testing::Test {
 protected:
  void Write(const std::string& text) { test::WriteFile(path, text); }
  // 28 blocks; block b has its own first digit so the order can be checked.
  static std::string Blocks(const std::string& separator, const std::string& eol) {
    std::ostringstream out;
    for (int b = 0; b < 28; ++b) {
      out << separator << eol;
      out << (b % 9 + 1) << "000" << eol << "0110" << eol << "0000" << eol << "0000" << eol;
    }
    return out.str();
  }
  const test::TempFolder folder;
  const std::string path = (folder / "shapes.dat").string();
};

TEST_F(ShapesFileTest, SeparatorsOfAnyLengthAndTrailingTextAreSkipped) {
  std::string text = Blocks("", "\r\n");
  // A long label on the first separator and text after the digits of a grid line.
  text.insert(0, "this separator carries a long label, kind 1 rotation 1");
  const size_t at = text.find("0110");
  text.insert(at + 4, " trailing words 9999");
  Write(text);
  LoadFigureShapes(path);
  EXPECT_EQ(FigureShapes[1][1][0][0], 1);  // 1st block: kind 1 rotation 1
  EXPECT_EQ(FigureShapes[1][4][0][0], 4);  // 4th block: kind 1 rotation 4
  EXPECT_EQ(FigureShapes[2][1][0][0], 5);  // 5th block: kind 2 rotation 1
  EXPECT_FALSE(ShapeCell(1, 1, 1, 0));
  EXPECT_TRUE(ShapeCell(1, 1, 1, 1));
  EXPECT_TRUE(ShapeCell(1, 1, 1, 2));
  EXPECT_FALSE(ShapeCell(1, 1, 1, 3));
  // A 5 fills a cell as a 1 does.
  EXPECT_EQ(ShapeCell(2, 1, 0, 0), ShapeCell(1, 1, 0, 0));
}

TEST_F(ShapesFileTest, ErrorsNameTheLineAndLeaveTheTableUnchanged) {
  LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
  uint8_t before[sizeof FigureShapes];
  std::memcpy(before, FigureShapes, sizeof before);

  std::string text = Blocks("--", "\n");
  Write(text.substr(0, text.size() - 12));  // ends inside the last grid
  try {
    LoadFigureShapes(path);
    FAIL() << "a short file must be refused";
  } catch (const ShapeFileError& e) {
    EXPECT_NE(std::string(e.what()).find(path + " line 13"), std::string::npos) << e.what();
  }

  text = Blocks("--", "\n");
  text.replace(text.find("0110"), 4, "01x0");
  Write(text);
  try {
    LoadFigureShapes(path);
    FAIL() << "a non-digit must be refused";
  } catch (const ShapeFileError& e) {
    EXPECT_NE(std::string(e.what()).find(" line 3"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("'x'"), std::string::npos) << e.what();
  }

  Write(Blocks("--", "\n").replace(6, 4, "01"));  // a grid line too short
  EXPECT_THROW(LoadFigureShapes(path), ShapeFileError);
  EXPECT_THROW(LoadFigureShapes(path + ".missing"), ShapeFileError);
  EXPECT_EQ(std::memcmp(before, FigureShapes, sizeof before), 0);
}

// The shipped shapes: four cells each, inside the grid, and every next state a quarter
// turn clockwise of the one before as the player sees it (up to a shift in the grid).
TEST(ShippedShapes, EveryNextStateIsAClockwiseQuarterTurn) {
  LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
  using Cells = std::set<std::pair<int, int>>;  // (x right, y up)
  auto cells = [](int kind, int rotation) {
    Cells s;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        if (ShapeCell(kind, rotation, i, j)) s.insert({j, -i});
    return s;
  };
  auto normalised = [](const Cells& s) {
    int mx = 99, my = 99;
    for (auto [x, y] : s) mx = std::min(mx, x), my = std::min(my, y);
    Cells n;
    for (auto [x, y] : s) n.insert({x - mx, y - my});
    return n;
  };
  for (int kind = 1; kind <= 7; ++kind)
    for (int r = 1; r <= 4; ++r) {
      const Cells now = cells(kind, r);
      ASSERT_EQ(now.size(), 4u) << "kind " << kind << " rotation " << r;
      Cells turned;  // clockwise: (x, y) -> (y, -x)
      for (auto [x, y] : now) turned.insert({y, -x});
      EXPECT_EQ(normalised(turned), normalised(cells(kind, r % 4 + 1)))
          << "kind " << kind << " rotation " << r;
    }
}

}  // namespace
}  // namespace zolvane
