// Typing a name into the entry a ranked game made.
#include <gtest/gtest.h>

#include <string>

#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "platform/actions.h"
#include "tests/game/rules_fixture.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

class NameEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultHighScores();
    Game.GameType = 2;
    Game.ScorePosition = 3;
    Menu.NameEntryActive = InsertHighScore(2, 3, 500);
  }
  void TearDown() override {
    SetDefaultHighScores();
    Menu = MenuStateData{};
    Keys = KeyFlags{};
    Game.GameType = 0;
    Game.ScorePosition = 0;
  }
  static void Type(const std::string& keys) {
    for (char c : keys) NameEntryKey(c);
  }
  static const std::string& Name() { return HighScores[2][3].Name; }
};

TEST_F(NameEntry, EditsTheNewEntryUntilEnter) {
  struct Case {
    std::string Keys, Name;
    bool StillTyping;
  };
  const Case cases[] = {
      {"Ada\r", "Ada", false},
      {"\r", "Anonymous", false},
      {"Adam\b\b", "Ad", true},
      {"\b\bA", "A", true},
      // A visible letter and two invisible control characters go with one Backspace.
      {std::string("Bo\x1b\x1b") + "\b", "B", true},
      {"x#\b", "", true},  // the number sign is drawn by no glyph
      {std::string(25, 'z'), std::string(18, 'z'), true},
      {std::string("Zo\xff") + "e", "Zoe", true},  // 255 would end the name in the file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    HighScores[2][3].Name.clear();
    Menu.NameEntryActive = true;
    Keys.KeyEnter = true;
    Type(c.Keys);
    EXPECT_EQ(Name(), c.Name);
    EXPECT_EQ(Menu.NameEntryActive, c.StillTyping);
    EXPECT_EQ(Keys.KeyEnter, c.StillTyping) << "Enter is used up";
  }
}

TEST_F(NameEntry, ANameOfOnlySpacesIsAnonymousAndOtherSpacesStay) {
  struct Case {
    std::string Keys, Name;
  };
  const Case cases[] = {
      {" \r", "Anonymous"},
      {std::string(18, ' ') + "\r", "Anonymous"},
      {"  x\b\r", "Anonymous"},  // spaces left once the letter is taken back
      {" Ada \r", " Ada "},
      {"Ada L\r", "Ada L"},
      {"\x1b\r", "\x1b"},  // only spaces are blank; the rest is kept as typed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Keys);
    HighScores[2][3].Name.clear();
    Menu.NameEntryActive = true;
    Type(c.Keys);
    EXPECT_EQ(Name(), c.Name);
    EXPECT_FALSE(Menu.NameEntryActive);
  }
}

TEST_F(NameEntry, FinishingTheEntryStoresTheNameAsEnterDoes) {
  struct Case {
    std::string Typed, Name;
  };
  const Case cases[] = {{"", "Anonymous"}, {"   ", "Anonymous"}, {"Lin", "Lin"}, {"Li n ", "Li n "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Typed);
    HighScores[2][3].Name.clear();
    Menu.NameEntryActive = true;
    Keys.KeyEnter = true;
    Type(c.Typed);
    FinishNameEntry();
    EXPECT_EQ(Name(), c.Name);
    EXPECT_FALSE(Menu.NameEntryActive);
    EXPECT_FALSE(Keys.KeyEnter);
    Type("z\r");  // the entry is over
    EXPECT_EQ(Name(), c.Name);
  }
  // No entry open: the table stays as it is.
  HighScores[2][3].Name.clear();
  FinishNameEntry();
  EXPECT_EQ(Name(), "");
}

TEST_F(NameEntry, TypedTextKeepsLatin1AsBytesAndDropsTheRest) {
  Menu.NameEntryActive = true;
  // é, then the euro sign, a tab, ÿ, an emoji, a stray continuation byte and a cut-off é.
  NameEntryText("Ren\xc3\xa9 \xe2\x82\xac\t\xc3\xbf\xf0\x9f\x99\x82\x80x\xc3");
  EXPECT_EQ(Name(), "Ren\xe9 x");
  NameEntryText("\b");  // Backspace arrives as a key, never as text
  EXPECT_EQ(Name(), "Ren\xe9 x");
}

TEST_F(NameEntry, KeysAfterTheEntryEndedChangeNothing) {
  Type("Eve\rX\b\r");
  EXPECT_EQ(Name(), "Eve");
  EXPECT_EQ(HighScores[2][4].Name, "Noname");
  EXPECT_EQ(HighScores[2][3].Score, 500);
}

TEST_F(NameEntry, TypedNameSurvivesTheFile) {
  Type(std::string("Grace H.\x01") + "\r");
  const test::TempFolder folder;
  const std::string file = (folder / "highscores.dat").string();
  ASSERT_TRUE(SaveHighScores(file));
  SetDefaultHighScores();
  ASSERT_TRUE(LoadHighScores(file));
  EXPECT_EQ(HighScores[2][3].Name, "Grace H.\x01");
  EXPECT_EQ(HighScores[2][3].Score, 500);
}

// The pad's picker, one pass per step with the pad's actions of that pass.
constexpr ActionSet PadA = ActionBit(Action::Turn) | ActionBit(Action::Yes) | ActionBit(Action::Confirm);
constexpr ActionSet PadB = ActionBit(Action::Drop) | ActionBit(Action::No) | ActionBit(Action::Back);
constexpr ActionSet PadUp = ActionBit(Action::Turn);
constexpr ActionSet PadDown = ActionBit(Action::SoftDrop);
constexpr ActionSet PadLeft = ActionBit(Action::Left);
constexpr ActionSet PadRight = ActionBit(Action::Right);
constexpr ActionSet PadStart = ActionBit(Action::Pause);

class NamePicker : public NameEntry {
 protected:
  void SetUp() override {
    NameEntry::SetUp();
    HighScores[2][3].Name.clear();
    Menu.NameEntryPick = 'A';
    Loop.FrameDelta = 16;
  }
  void TearDown() override {
    PadState = 0;
    Loop = LoopState{};
    NameEntry::TearDown();
  }
  // Each button pressed for a pass and released for one.
  static void Press(std::initializer_list<ActionSet> presses) {
    for (ActionSet p : presses) {
      PadState = p;
      NameEntryPadStep();
      PadState = 0;
      NameEntryPadStep();
    }
  }
};

TEST_F(NamePicker, PressesSpellTheName) {
  struct Case {
    const char* What;
    std::vector<ActionSet> Presses;
    std::string Name;
    bool StillTyping;
  };
  const Case cases[] = {
      {"nothing pressed", {}, "", true},
      {"A adds the letter under the cursor, and not the next one", {PadA}, "A", true},
      {"Right adds it too", {PadRight}, "A", true},
      {"the letter stays for the next place", {PadA, PadA}, "AA", true},
      {"Up picks the next letter", {PadUp, PadUp, PadA}, "C", true},
      {"Down from A wraps to the last mark", {PadDown, PadA}, "'", true},
      {"below A the marks, the digits, then the space",
       {PadDown, PadDown, PadDown, PadDown, PadDown, PadDown, PadDown, PadDown, PadDown,
        PadDown, PadDown, PadDown, PadDown, PadDown, PadDown, PadDown, PadA, PadUp, PadA},
       " 0", true},
      {"B takes the last letter back under the cursor", {PadUp, PadA, PadUp, PadA, PadB, PadA},
       "BC", true},
      {"Left does the same", {PadUp, PadUp, PadA, PadDown, PadLeft, PadA}, "C", true},
      {"B on an empty name does nothing", {PadB, PadA}, "A", true},
      {"Start ends the entry with the letters added", {PadUp, PadA, PadUp, PadStart}, "B", false},
      {"Start at once: Anonymous", {PadStart}, "Anonymous", false},
      {"nothing after the end", {PadA, PadStart, PadA, PadB}, "A", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    HighScores[2][3].Name.clear();
    Menu.NameEntryActive = true;
    Menu.NameEntryPick = 'A';
    Menu.NameEntryPadLast = Menu.NameEntryPadHeld = 0;
    for (ActionSet p : c.Presses) Press({p});
    EXPECT_EQ(Name(), c.Name);
    EXPECT_EQ(Menu.NameEntryActive, c.StillTyping);
  }
}

TEST_F(NamePicker, HeldUpRepeatsAfterADelayAndAHeldAAddsOnce) {
  PadState = PadUp;
  NameEntryPadStep();  // B at the press
  for (int i = 0; i < 24; ++i) NameEntryPadStep();  // 384 ms: no repeat yet
  EXPECT_EQ(Menu.NameEntryPick, 'B');
  NameEntryPadStep();  // 400 ms: C
  EXPECT_EQ(Menu.NameEntryPick, 'C');
  for (int i = 0; i < 6; ++i) NameEntryPadStep();  // every 90 ms after that
  EXPECT_EQ(Menu.NameEntryPick, 'D');
  PadState = PadA;
  for (int i = 0; i < 50; ++i) NameEntryPadStep();
  EXPECT_EQ(Name(), "D");
  EXPECT_EQ(Menu.NameEntryPick, 'D') << "A also turns in a game; here it only adds";
}

TEST_F(NamePicker, ANameIsAtMostEighteenLettersAndTheKeyboardTypesBeside) {
  NameEntryText("Ad");
  Press({PadUp, PadA});
  NameEntryText("x");
  EXPECT_EQ(Name(), "AdBx");
  for (int i = 0; i < 20; ++i) Press({PadA});
  EXPECT_EQ(Name(), "AdBx" + std::string(14, 'B'));
}

// The end of a real game on the injected clock and keyboard, the window's key events given
// by hand as the SDL window gives them: a press (or its auto-repeat), then its text.
class NameEntryAfterAGame : public RulesTest {
 protected:
  // Space held while the stack tops out: the game is over, and Space, still held, leaves
  // the game-over picture for the name entry at once.
  void TopOutHoldingSpace() {
    Game.Score = 500;  // ranks first in the empty table
    for (int r = 1; r <= 18; ++r) {
      Occupy(r, 5);
      Occupy(r, 6);
    }
    Place(KindO, 1, 4, 20);
    keyboard.Press(DIK_SPACE);
    for (int i = 0; i < 20 && !Game.GameOver; ++i) Pass(50);
    ASSERT_TRUE(Game.GameOver);
    for (int i = 0; i < 100 && !Loop.MenuActive; ++i) Pass(100);
    ASSERT_TRUE(Loop.MenuActive);
    ASSERT_TRUE(Menu.NameEntryActive);
    ASSERT_EQ(Game.ScorePosition, 1);
  }
  static void Key(int key, bool repeated, const char* text) {
    if (NameEntryKeyDown(key, repeated)) NameEntryText(text);
  }
  static const std::string& Name() { return HighScores[1][1].Name; }
};

TEST_F(NameEntryAfterAGame, KeysHeldAsTheEntryOpensTypeNothingUntilReleased) {
  TopOutHoldingSpace();
  for (int i = 0; i < 25; ++i) Key(DIK_SPACE, true, " ");  // Space's auto-repeat
  EXPECT_EQ(Name(), "");
  Pass(100);
  EXPECT_TRUE(Menu.NameEntryActive);

  // A key pressed after the entry opened types, auto-repeat included, while Space is held.
  constexpr int DikA = 30;
  keyboard.Press(DikA);
  Key(DikA, false, "a");
  Key(DikA, true, "a");
  Key(DIK_SPACE, true, " ");
  Key(DikA, true, "a");
  EXPECT_EQ(Name(), "aaa");
  NameEntryKeyUp(DikA);

  // Space released and pressed again types, and so does its auto-repeat now.
  keyboard.Release(DIK_SPACE);
  NameEntryKeyUp(DIK_SPACE);
  Key(DIK_SPACE, false, " ");
  Key(DIK_SPACE, true, " ");
  EXPECT_EQ(Name(), "aaa  ");
  NameEntryKey('\r');
  EXPECT_EQ(Name(), "aaa  ");
  EXPECT_FALSE(Menu.NameEntryActive);
}

TEST_F(NameEntryAfterAGame, APressAfterTheOpeningShowsTheHeldKeyCameUp) {
  TopOutHoldingSpace();
  Key(DIK_SPACE, true, " ");
  // Its release was not seen (the window had lost the keyboard meanwhile); a fresh press
  // still tells that it came up.
  Key(DIK_SPACE, false, " ");
  EXPECT_EQ(Name(), " ");
}

TEST_F(NameEntryAfterAGame, HeldSpaceThenEnterStoresAnonymous) {
  TopOutHoldingSpace();
  for (int i = 0; i < 18; ++i) Key(DIK_SPACE, true, " ");
  keyboard.Press(DIK_RETURN);
  if (NameEntryKeyDown(DIK_RETURN, false)) NameEntryKey('\r');
  EXPECT_FALSE(Menu.NameEntryActive);
  EXPECT_EQ(Name(), "Anonymous");
  EXPECT_GE(HighScores[1][1].Score, 500);  // and the last figure's points
}

TEST_F(NameEntryAfterAGame, KeysUpAsTheEntryOpensTypeAtOnce) {
  Game.Score = 500;
  for (int r = 1; r <= 18; ++r) {
    Occupy(r, 5);
    Occupy(r, 6);
  }
  Place(KindO, 1, 4, 20);
  keyboard.Press(DIK_LCONTROL);  // turbo drop, released before the entry opens
  for (int i = 0; i < 20 && !Game.GameOver; ++i) Pass(50);
  ASSERT_TRUE(Game.GameOver);
  keyboard.ReleaseAll();
  keyboard.Press(DIK_SPACE);  // leaves the game-over picture
  Pass(100);
  keyboard.ReleaseAll();
  for (int i = 0; i < 100 && !Loop.MenuActive; ++i) Pass(100);
  ASSERT_TRUE(Menu.NameEntryActive);
  Key(DIK_SPACE, false, " ");
  Key(DIK_SPACE, true, " ");
  EXPECT_EQ(Name(), "  ");
}

TEST_F(NameEntryAfterAGame, PadButtonsHeldAsTheEntryOpensActOnlyOnceReleased) {
  ManualPad pad;
  SetPadSource(&pad);
  Game.Score = 500;
  for (int r = 1; r <= 18; ++r) {
    Occupy(r, 5);
    Occupy(r, 6);
  }
  Place(KindO, 1, 4, 20);
  // B drops the figures, tops the stack out and leaves the game-over picture.
  pad.Held = PadB;
  for (int i = 0; i < 20 && !Game.GameOver; ++i) Pass(50);
  ASSERT_TRUE(Game.GameOver);
  for (int i = 0; i < 100 && !Loop.MenuActive; ++i) Pass(100);
  for (int i = 0; i < 10; ++i) Pass(100);  // the fade in
  ASSERT_TRUE(Menu.NameEntryActive);
  NameEntryText("Bo");
  Passes(5, 100);
  EXPECT_EQ(Name(), "Bo") << "B held since the game deletes nothing";
  pad.Held = PadB | PadA;  // A pressed while B is still held adds
  Passes(2, 100);
  EXPECT_EQ(Name(), "BoA");
  pad.Held = 0;
  Pass(100);
  pad.Held = PadB;  // pressed again: it takes the A back
  Pass(100);
  EXPECT_EQ(Name(), "Bo");
  pad.Held = PadStart;
  Pass(100);
  EXPECT_FALSE(Menu.NameEntryActive);
  EXPECT_EQ(Name(), "Bo");
  SetPadSource(nullptr);
}

}  // namespace
}  // namespace zolvane
