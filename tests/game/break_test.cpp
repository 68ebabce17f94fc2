// Pause, the abort question and the end of a game, through to the hand-over to the menus.
#include <string>

#include "platform/actions.h"
#include "platform/pad_bindings.h"
#include "tests/game/rules_fixture.h"

namespace zolvane {
namespace {

class BreakTest : public RulesTest {
 protected:
  void Tap(int key) {
    keyboard.Press(key);
    Pass(100);
    keyboard.Release(key);
    Pass(100);
  }
  // Passes until the fade to black has handed the game over to the menu.
  int PassesUntilMenu() {
    int passes = 0;
    while (!Loop.MenuActive && passes < 100) {
      Pass(100);
      ++passes;
    }
    return passes;
  }
  // A figure locked into the spawn rows: the end-of-game test fails.
  void EndTheGameWithCtrl() {
    for (int r = 1; r <= 18; ++r) {
      Occupy(r, 5);
      Occupy(r, 6);
    }
    Place(KindO, 1, 4, 20);
    keyboard.Press(DIK_LCONTROL);
    Pass(100);
    ASSERT_TRUE(Game.GameOver);
  }
};

TEST_F(BreakTest, PausedTimeIsNotGameTimeAndDelaysTheGarbage) {
  Game.GameType = 2;
  FreezeFall();
  const uint32_t start = clock.Now;
  Passes(600, 100);
  ASSERT_EQ(Game.GameSeconds, 60);
  ASSERT_EQ(Game.LinesAdded, 1);

  keyboard.Press(DIK_P);
  Pass(100);
  ASSERT_TRUE(Game.Paused);
  keyboard.ReleaseAll();
  Passes(99, 100);  // ten seconds in all
  EXPECT_EQ(Game.GameSeconds, 60);

  Tap(DIK_P);
  EXPECT_FALSE(Game.Paused);
  EXPECT_EQ(Game.GameSeconds, 60);

  uint32_t secondRowAt = 0;
  for (int i = 0; i < 500 && !secondRowAt; ++i) {
    Pass(100);
    if (Game.LinesAdded == 2) secondRowAt = clock.Now - start;
  }
  EXPECT_GE(secondRowAt, 100000u);  // 90 s of play plus the 10 s pause
  EXPECT_LE(secondRowAt, 100300u);
}

TEST_F(BreakTest, PauseKeyHeldOverASecondTogglesOnEveryPass) {
  FreezeFall();
  keyboard.Press(DIK_P);
  std::vector<bool> paused;
  for (int i = 0; i < 14; ++i) {
    Pass(100);
    paused.push_back(Game.Paused);
  }
  const std::vector<bool> expected = {true, true, true, true, true, true, true,
                                      true, true, true, false, true, false, true};
  EXPECT_EQ(paused, expected);
}

TEST_F(BreakTest, EscapeDuringAPauseResumesWithoutAsking) {
  FreezeFall();
  Tap(DIK_P);
  ASSERT_TRUE(Game.Paused);
  keyboard.Press(DIK_ESCAPE);
  Pass(100);
  EXPECT_FALSE(Game.Paused);
  EXPECT_FALSE(Game.AbortQuery);
  Pass(100);  // still held: not a new press
  EXPECT_FALSE(Game.AbortQuery);
}

TEST_F(BreakTest, AbortQuestionNoResumesYesFadesToTheMainMenu) {
  FreezeFall();
  Game.Score = 335;
  Tap(DIK_ESCAPE);
  ASSERT_TRUE(Game.AbortQuery);
  keyboard.Press(DIK_N);
  Pass(100);
  EXPECT_FALSE(Game.AbortQuery);
  keyboard.ReleaseAll();
  Pass(100);

  Tap(DIK_ESCAPE);
  ASSERT_TRUE(Game.AbortQuery);
  Menu.MenuState = MenuHighScores;
  Menu.MenuItem = 3;
  keyboard.Press(DIK_RETURN);
  Pass(100);
  ASSERT_TRUE(Loop.TransitionActive);
  ASSERT_TRUE(Loop.FadeOutRunning);

  // Once the fade runs, a "no" no longer counts.
  Keys.KeyNoDown = true;
  Pass(100);
  EXPECT_TRUE(Game.AbortQuery);
  EXPECT_TRUE(Loop.FadeOutRunning);

  PassesUntilMenu();
  ASSERT_TRUE(Loop.MenuActive);
  EXPECT_EQ(Menu.MenuState, MenuMain);
  EXPECT_EQ(Menu.MenuItem, MainItem::NewGame);
  EXPECT_FALSE(Keys.KeyEnter);
  EXPECT_TRUE(Loop.FadeInRunning);
  EXPECT_FALSE(Loop.FadeOutDone);
  EXPECT_EQ(Game.Score, 335);
  EXPECT_TRUE(Game.AbortQuery);  // until the next game starts
  NewGame();
  EXPECT_FALSE(Game.AbortQuery);
}

TEST_F(BreakTest, RankedGameOverInsertsTheScoreAndStartsAFreshWell) {
  Game.GameType = 3;
  for (int rank = 1; rank <= 10; ++rank) HighScores[3][rank].Score = 1100 - 100 * rank;
  Game.Score = 650;
  EndTheGameWithCtrl();
  EXPECT_EQ(Game.Score, 655);
  EXPECT_EQ(Game.ScorePosition, 5);

  // Ctrl still held from the drop leaves the game-over picture at once.
  Pass(100);
  EXPECT_TRUE(Loop.TransitionActive);
  PassesUntilMenu();
  ASSERT_TRUE(Loop.MenuActive);
  EXPECT_EQ(HighScores[3][5].Score, 655);
  EXPECT_EQ(HighScores[3][5].Name, "");
  EXPECT_EQ(HighScores[3][6].Score, 600);
  EXPECT_TRUE(Menu.NameEntryActive);
  EXPECT_EQ(Menu.MenuState, MenuHighScores);
  EXPECT_EQ(Menu.MenuItem, MainItem::NewGame);
  EXPECT_EQ(Menu.HighScoreTableShown, 3);
  EXPECT_FALSE(Game.GameOver);
  EXPECT_TRUE(Loop.FadeInRunning);
  // The well is already reset while the name is typed.
  EXPECT_EQ(OccupiedTotal(), 0);
  EXPECT_EQ(Game.Score, 0);
  EXPECT_EQ(Game.GameType, 3);
}

TEST_F(BreakTest, UnrankedGameOverShowsTheTableAndKeepsTheWell) {
  Game.GameType = 4;
  for (int rank = 1; rank <= 10; ++rank) HighScores[4][rank].Score = 10000;
  Menu.NameEntryActive = true;
  EndTheGameWithCtrl();
  keyboard.ReleaseAll();
  Passes(5, 100);
  EXPECT_FALSE(Loop.TransitionActive);  // no key: the picture stays

  keyboard.Press(DIK_SPACE);
  PassesUntilMenu();
  ASSERT_TRUE(Loop.MenuActive);
  EXPECT_FALSE(Menu.NameEntryActive);
  EXPECT_EQ(Menu.MenuState, MenuHighScores);
  EXPECT_EQ(Menu.HighScoreTableShown, 4);
  EXPECT_EQ(HighScores[4][10].Score, 10000);
  EXPECT_EQ(Game.Score, 5);
  EXPECT_EQ(OccupiedTotal(), 40);
  EXPECT_FALSE(Game.GameOver);
}

// A pad player, with the pad's default buttons only, gets in and out of every break: Start
// pauses and resumes, Back asks to abort, A and B answer, and any of A, B, Back and Y leaves
// the game-over picture.
TEST_F(BreakTest, ThePadsDefaultButtonsAnswerEveryBreak) {
  enum class Break { None, Paused, Question, Over };
  enum class Then { Runs, Paused, Question, Resumed, FadesOut };
  struct Case {
    Break Before;
    PadButton Button;
    Then After;
  };
  using B = PadButton;
  const Case cases[] = {
      {Break::None, B::Start, Then::Paused},       {Break::None, B::Back, Then::Question},
      {Break::None, B::A, Then::Runs},             {Break::Paused, B::Start, Then::Resumed},
      {Break::Paused, B::Back, Then::Resumed},     {Break::Paused, B::A, Then::Paused},
      {Break::Question, B::A, Then::FadesOut},     {Break::Question, B::B, Then::Resumed},
      {Break::Question, B::Back, Then::Resumed},   {Break::Question, B::Start, Then::Question},
      {Break::Over, B::A, Then::FadesOut},         {Break::Over, B::B, Then::FadesOut},
      {Break::Over, B::Back, Then::FadesOut},      {Break::Over, B::Y, Then::FadesOut},
  };
  ManualPad pad;
  SetPadSource(&pad);
  ResetPadBindings();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(PadButtonName(c.Button)) + " in break " +
                 std::to_string(static_cast<int>(c.Before)));
    StartGameNow(1);
    FreezeFall();
    Loop.FadeOutRunning = Loop.TransitionActive = false;
    Game.Paused = c.Before == Break::Paused;
    Game.AbortQuery = c.Before == Break::Question;
    Game.GameOver = c.Before == Break::Over;
    Pass(100);
    pad.Held = ActionsOfButtons(PadBit(c.Button), PadBindings);
    Pass(100);
    pad.Held = 0;
    Pass(100);
    Then now = Then::Runs;
    if (Loop.TransitionActive) now = Then::FadesOut;
    else if (Game.AbortQuery) now = Then::Question;
    else if (Game.Paused) now = Then::Paused;
    else if (c.Before != Break::None) now = Then::Resumed;
    EXPECT_EQ(now, c.After);
  }
  SetPadSource(nullptr);
}

}  // namespace
}  // namespace zolvane
