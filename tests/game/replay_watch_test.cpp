// Watching replays through the program's step: the recorded pace and its keys, the game and
// its sounds as they were played, and the table rows whose games are watched from the menus.
#include <random>
#include <string>
#include <vector>

#include "game/replay_files.h"
#include "game/replay_record.h"
#include "game/replay_watch.h"
#include "menu/name_entry.h"
#include "menu/watch_replays.h"
#include "rules_fixture.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

class WatchTest : public RulesTest {
 protected:
  void TearDown() override {
    StopWatching();
    KeepReplaysIn("");
    RulesTest::TearDown();
  }

  // Random moves at an even 17 ms a step, then Esc and Y (or Esc once over); the well and
  // the figures landed as the moves ended are kept in wellAtEnd and figuresAtEnd.
  Replay PlayAndAbort(int steps, uint32_t seed) {
    std::mt19937 random(seed);
    const int keys[] = {DIK_LEFT, DIK_RIGHT, DIK_UP, DIK_SPACE};
    for (int i = 0; i < steps && !Game.GameOver; ++i) {
      keyboard.ReleaseAll();
      if (random() % 3 == 0) keyboard.Press(keys[random() % 4]);
      Pass(17);
    }
    wellAtEnd = WellBits();
    figuresAtEnd = Game.FiguresLanded;
    for (int i = 0; i < 2000 && !Loop.MenuActive; ++i) {
      keyboard.ReleaseAll();
      keyboard.Press(Game.AbortQuery ? DIK_Y : DIK_ESCAPE);
      Pass(17);
    }
    keyboard.ReleaseAll();
    EXPECT_TRUE(Loop.MenuActive);
    return RecordedGame();
  }

  // With no key the figures pile up until the game is over; Enter leaves it for the table.
  void PlayUntilOver() {
    for (int i = 0; i < 20000 && !Loop.MenuActive; ++i) {
      keyboard.ReleaseAll();
      if (Game.GameOver) keyboard.Press(DIK_RETURN);
      Pass(17);
    }
    keyboard.ReleaseAll();
  }

  // A key pressed for one pass and let go in the next, as the watching reads it.
  void Tap(int key) {
    keyboard.Press(key);
    Pass(0);
    keyboard.ReleaseAll();
    Pass(0);
  }

  void WatchUntilTheMenus() {
    for (int i = 0; i < 100000 && !Loop.MenuActive; ++i) Pass(17);
    ASSERT_TRUE(Loop.MenuActive);
  }

  std::vector<int> wellAtEnd;
  int32_t figuresAtEnd = 0;
};

TEST_F(WatchTest, TheRecordedPaceAtEachSpeedAndNothingWhilePaused) {
  const Replay game = PlayAndAbort(2000, 3);
  struct Case {
    int rights, lefts;  // taps before measuring
    bool paused;
    int passes;
    uint32_t ms;
    size_t steps;  // of 17 ms each
  } cases[] = {
      {0, 0, false, 10, 100, 58},   // 1000 ms: 58 steps, 14 ms owed
      {1, 0, false, 10, 100, 117},  // 2x
      {2, 0, false, 10, 100, 235},  // 4x
      {3, 0, false, 10, 100, 235},  // no faster than 4x
      {2, 1, false, 10, 100, 117},  // back to 2x
      {0, 1, false, 10, 100, 58},   // no slower than 1x
      {0, 0, true, 10, 100, 0},
      {0, 0, false, 1, 5000, 14},   // a long pass counts as 250 ms
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rights << " right, " << c.lefts << " left, "
                                    << c.passes << " x " << c.ms << " ms");
    WatchNow(game);
    Pass(0);
    for (int i = 0; i < c.rights; ++i) Tap(DIK_RIGHT);
    for (int i = 0; i < c.lefts; ++i) Tap(DIK_LEFT);
    if (c.paused) Tap(DIK_SPACE);
    const size_t before = WatchStepsRun();
    EXPECT_EQ(before, 0u) << "taps take no time";
    for (int i = 0; i < c.passes; ++i) Pass(c.ms);
    EXPECT_EQ(WatchStepsRun() - before, c.steps);
  }
}

TEST_F(WatchTest, AGameWatchedToItsEndIsTheOnePlayedWithItsSoundsAndLeavesNothingBehind) {
  // Played with settings of its own, which the watcher does not share.
  Config.RotateClockwise = false;
  Config.KeyRepeatDelay = 200;
  effects.clear();
  const Replay game = PlayAndAbort(3000, 7);
  const std::vector<int32_t> played = effects;
  ASSERT_GT(game.Header.Score, 0);

  Config = GameSettings{};
  Menu = MenuStateData{};
  const uint32_t seed = RandomState();
  effects.clear();
  WatchNow(game);
  ASSERT_FALSE(effects.empty());
  EXPECT_EQ(effects.front(), static_cast<int32_t>(Effect::NewGame)) << "as a game begins";
  effects.erase(effects.begin());
  Passes(500, 17);
  EXPECT_TRUE(Config.RotateClockwise) << "between steps the settings are the player's";
  WatchUntilTheMenus();

  EXPECT_EQ(Game.Score, game.Header.Score);
  EXPECT_EQ(Game.Lines, game.Header.Lines);
  EXPECT_EQ(WellBits(), wellAtEnd);
  EXPECT_EQ(Game.FiguresLanded, figuresAtEnd);
  EXPECT_EQ(effects, played);
  EXPECT_FALSE(Watching());
  EXPECT_EQ(Menu.MenuState, MenuMain);
  EXPECT_EQ(Config.KeyRepeatDelay, GameSettings{}.KeyRepeatDelay);
  EXPECT_EQ(RandomState(), seed) << "the next game's figures are not the replay's";
}

TEST_F(WatchTest, KeysPauseStepAFigureAndLeaveAndAKeyHeldAsItBeginsWaitsForItsRelease) {
  const Replay game = PlayAndAbort(3000, 11);
  Menu = MenuStateData{};  // watched from the command line: the main menu follows
  keyboard.Press(DIK_RETURN);  // the press that chose the game, still held
  WatchNow(game);
  Passes(10, 17);
  EXPECT_FALSE(Watch.Paused);
  keyboard.ReleaseAll();
  Pass(17);

  Tap(DIK_RETURN);
  EXPECT_TRUE(Watch.Paused);
  EXPECT_EQ(WatchStatusText(), "Paused");
  for (int figure = 0; figure < 3; ++figure) {
    const int32_t landed = Game.FiguresLanded;
    const size_t steps = WatchStepsRun();
    Tap(DIK_DOWN);
    EXPECT_EQ(Game.FiguresLanded, landed + 1);
    EXPECT_GT(WatchStepsRun(), steps);
    Passes(20, 17);
    EXPECT_EQ(Game.FiguresLanded, landed + 1) << "and stands still again";
  }
  Tap(DIK_P);
  EXPECT_FALSE(Watch.Paused);
  Tap(DIK_RIGHT);
  EXPECT_EQ(WatchStatusText(), "2x");

  // Esc held through the fade out, and the menus' fade in after it.
  keyboard.Press(DIK_ESCAPE);
  Pass(0);
  EXPECT_TRUE(Watch.Leaving);
  Passes(19, 17);
  EXPECT_FALSE(Loop.MenuActive) << "the fade takes 340 ms";
  Pass(17);
  EXPECT_TRUE(Loop.MenuActive);
  EXPECT_LT(Game.FiguresLanded, figuresAtEnd) << "left before the recording's end";
  Passes(40, 17);
  EXPECT_EQ(Menu.MenuItem, MainItem::NewGame) << "the Esc that left does not act again";
}

TEST_F(WatchTest, ARowsGameIsMarkedWatchedAgainstTheTableAsFoundAndTheTableComesBack) {
  test::TempFolder folder;
  KeepReplaysIn(folder.Path().string());
  HighScores[1][1] = {"Bob", 1};
  PlayUntilOver();
  ASSERT_TRUE(Menu.NameEntryActive);
  const int32_t score = HighScores[1][1].Score;
  ASSERT_GT(score, 1);
  for (const char c : std::string("Ann")) NameEntryKey(c);
  keyboard.Press(DIK_RETURN);
  NameEntryKey(13);
  Passes(30, 17);
  EXPECT_EQ(Menu.HighScoreRowMarked, 0) << "the Enter that ends the name marks nothing";
  keyboard.ReleaseAll();
  Pass(17);

  // Only Ann's row has a kept game: Down keeps the mark there and the table shown.
  Tap(DIK_RETURN);
  EXPECT_EQ(Menu.HighScoreRowMarked, 1);
  Tap(DIK_DOWN);
  EXPECT_EQ(Menu.HighScoreRowMarked, 1);
  EXPECT_EQ(Menu.HighScoreTableShown, 1);
  Tap(DIK_ESCAPE);
  EXPECT_EQ(Menu.HighScoreRowMarked, 0);
  EXPECT_EQ(Menu.MenuState, MenuHighScores) << "the first Esc lets the row go";
  Tap(DIK_RETURN);
  Tap(DIK_RETURN);
  for (int i = 0; i < 100 && Loop.MenuActive; ++i) Pass(17);
  ASSERT_TRUE(Watching());

  // The game is measured against Bob, as it was played, not against itself.
  while (Watching() && !Game.GameOver) Pass(17);
  EXPECT_EQ(Game.ScorePosition, 1);
  EXPECT_EQ(TableScore(1, 1), 1);
  EXPECT_EQ(Game.Score, score);
  WatchUntilTheMenus();
  EXPECT_EQ(TableScore(1, 1), score);
  EXPECT_EQ(Menu.MenuState, MenuHighScores);
  EXPECT_EQ(Menu.HighScoreRowMarked, 1);
  EXPECT_FALSE(Menu.NameEntryActive);
}

TEST_F(WatchTest, WithoutKeptGamesEnterMarksNothingAndUpAndDownStillTurnTheTables) {
  test::TempFolder folder;
  KeepReplaysIn(folder.Path().string());
  PlayAndAbort(10, 1);
  Passes(30, 17);
  Menu.MenuState = MenuHighScores;
  Menu.HighScoreTableShown = 2;
  Tap(DIK_RETURN);
  EXPECT_EQ(Menu.HighScoreRowMarked, 0);
  Tap(DIK_DOWN);
  EXPECT_EQ(Menu.HighScoreTableShown, 1);
}

}  // namespace
}  // namespace zolvane
