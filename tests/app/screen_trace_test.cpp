#include "app/screen_trace.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "game/frame_time.h"
#include "game/game_state.h"
#include "menu/menu_state.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

class ScreenTraceTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
  void TearDown() override {
    StartScreenTrace(std::string());
    Reset();
  }
  static void Reset() {
    Loop = LoopState{};
    Menu = MenuStateData{};
    Game.GameOver = Game.Paused = Game.AbortQuery = false;
    Game.GameType = 0;
  }
  std::string ReadTrace() const { return test::ReadFile(Path); }
  const test::TempFolder Folder;
  const std::string Path = (Folder / "trace").string();
};

struct ScreenCase {
  bool MenuActive;
  uint8_t MenuState;
  bool NameEntry;
  int32_t GameType;
  bool Paused, AbortQuery, GameOver;
  const char* Expected;
};

TEST_F(ScreenTraceTest, NamesEveryScreen) {
  const ScreenCase cases[] = {
      {true, MenuMain, false, 0, false, false, false, "main"},
      {true, MenuOptions, false, 0, false, false, false, "options"},
      {true, MenuGameType, false, 0, false, false, false, "game types"},
      {true, MenuGameInfo, false, 0, false, false, false, "help"},
      {true, MenuHighScores, false, 0, false, false, false, "high scores"},
      {true, MenuHighScores, true, 0, false, false, false, "name entry"},
      // A finished game's flags do not leak into the menus.
      {true, MenuMain, false, 2, false, true, false, "main"},
      {false, MenuGameType, false, 1, false, false, false, "game 1"},
      {false, MenuGameType, false, 4, false, false, false, "game 4"},
      {false, MenuGameType, false, 3, true, false, false, "pause"},
      {false, MenuGameType, false, 3, true, true, false, "abort question"},
      {false, MenuGameType, false, 2, false, false, true, "game over"},
  };
  for (const ScreenCase& c : cases) {
    Loop.MenuActive = c.MenuActive;
    Menu.MenuState = c.MenuState;
    Menu.NameEntryActive = c.NameEntry;
    Game.GameType = c.GameType;
    Game.Paused = c.Paused;
    Game.AbortQuery = c.AbortQuery;
    Game.GameOver = c.GameOver;
    EXPECT_EQ(CurrentScreenName(), c.Expected);
  }
}

TEST_F(ScreenTraceTest, WritesChangesOnlyAndAFrameCountNowAndThen) {
  StartScreenTrace(Path);
  for (uint32_t frame = 1; frame <= 130; ++frame) {
    if (frame == 50) Menu.MenuState = MenuOptions;
    if (frame == 51) Menu.MenuState = MenuMain;
    if (frame == 100) {
      Loop.MenuActive = false;
      Game.GameType = 2;
    }
    TraceScreen(frame * 10);
  }
  EXPECT_EQ(ReadTrace(),
            "10 main\n500 options\n510 main\n600 frames 60\n1000 game 2\n1200 frames 120\n");
}

TEST_F(ScreenTraceTest, GameOverIsFollowedByTheWellItEndedWith) {
  // Bottom row: a garbage brick at the left, a brick of kind 3 at the right; a free cell
  // whose brick has a colour still reads '.'.
  TBrick garbage(8, 1, 1, 0), three(3, 10, 1, 0), loose(5, 5, 2, 0);
  WellAt(1, 1) = {false, &garbage};
  WellAt(1, 10) = {false, &three};
  WellAt(2, 5) = {true, &loose};
  Loop.MenuActive = false;
  Game.GameType = 2;
  StartScreenTrace(Path);
  TraceScreen(10);
  Game.GameOver = true;
  TraceScreen(20);
  TraceScreen(30);  // the well again only with the next game over
  Loop.MenuActive = true;
  TraceScreen(40);
  for (int r = 1; r <= 2; ++r)
    for (int c = 1; c <= WellColumns; ++c) WellAt(r, c) = WellCell{};
  std::string rows;
  for (int r = 0; r < 19; ++r) rows += "........../";
  EXPECT_EQ(ReadTrace(), "10 game 2\n20 game over\n20 well " + rows + "8........3\n40 main\n");
}

TEST_F(ScreenTraceTest, NothingIsWrittenWithoutAFile) {
  ::unsetenv("ZOLVANE_TRACE_SCREENS");
  StartScreenTrace();
  TraceScreen(1);
  EXPECT_NE(::access(Path.c_str(), F_OK), 0);
  // The environment names the file when a run starts.
  ::setenv("ZOLVANE_TRACE_SCREENS", Path.c_str(), 1);
  StartScreenTrace();
  ::unsetenv("ZOLVANE_TRACE_SCREENS");
  TraceScreen(7);
  EXPECT_EQ(ReadTrace(), "7 main\n");
}

}  // namespace
}  // namespace zolvane
