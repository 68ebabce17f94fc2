// Typing a name into the entry a ranked game made.
#include <gtest/gtest.h>

#include <string>

#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
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

}  // namespace
}  // namespace zolvane
