// The player's own keys through the program's step: a game and the menus read the bound
// keys, and the keys they replaced do nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/key_bindings.h"
#include "game/key_config.h"
#include "menu/menu_state.h"
#include "tests/game/rules_fixture.h"

namespace zolvane {
namespace {

constexpr int DikQ = 0x10, DikA = 0x1E, DikS = 0x1F, DikK = 0x25;

class OwnKeys : public RulesTest {
 protected:
  void TearDown() override {
    ResetKeyBindings();
    RulesTest::TearDown();
  }
  // config.ini's [Keys] as the start-up reads it.
  static void Bind(const std::vector<std::string>& section) {
    std::vector<KeyOptionLine> lines;
    for (const std::string& text : section) {
      const size_t eq = text.find('=');
      lines.push_back({static_cast<int>(lines.size()) + 1, text.substr(0, eq), text.substr(eq + 1)});
    }
    const auto names = [](const std::string& name) {
      if (name == "Q") return DikQ;
      if (name == "A") return DikA;
      if (name == "S") return DikS;
      if (name == "K") return DikK;
      if (name == "Left") return DIK_LEFT;
      if (name == "Right") return DIK_RIGHT;
      return NoSuchKeyName;
    };
    const KeyOptions read = ReadKeyOptions(lines, names, "config.ini");
    ASSERT_TRUE(read.Messages.empty()) << ::testing::PrintToString(read.Messages);
    KeyBindings = read.Bindings;
  }
  void Hold(int key, int passes, uint32_t ms = 50) {
    keyboard.Press(key);
    Passes(passes, ms);
    keyboard.Release(key);
    Passes(2, ms);
  }
  void EnterMenu(uint8_t screen, int32_t item) {
    Loop.MenuActive = true;
    Menu.MenuState = screen;
    Menu.MenuItem = item;
  }
};

TEST_F(OwnKeys, ABoundKeyMovesAndDropsTheFigureAndTheOldKeysNoLonger) {
  Bind({"Left=A", "Drop=S"});
  Place(KindO, 1, 5, 15);
  FreezeFall();
  Hold(DIK_LEFT, 20);
  Hold(DIK_SPACE, 20);
  EXPECT_EQ(Falling().Column, 5) << "the arrow moves nothing";
  EXPECT_EQ(Falling().Row, 15) << "Space drops nothing";
  EXPECT_EQ(Game.FiguresLanded, 0);

  Hold(DikA, 60);  // long enough to repeat to the wall
  EXPECT_LT(Falling().Column, 5);
  const int32_t atTheWall = Falling().Column;
  Hold(DikA, 20);
  EXPECT_EQ(Falling().Column, atTheWall) << "held against the wall it stays";
  keyboard.Press(DikS);
  for (int i = 0; i < 100 && Game.FiguresLanded == 0; ++i) Pass(50);
  keyboard.Release(DikS);
  EXPECT_EQ(Game.FiguresLanded, 1) << "S dropped it";
  // The square lies in the bottom corner at the left wall.
  EXPECT_EQ(OccupiedTotal(), 4);
  EXPECT_EQ(OccupiedIn(1) + OccupiedIn(2), 4);
  for (int r : {1, 2})
    for (int c : {1, 2}) EXPECT_FALSE(WellAt(r, c).Empty) << "row " << r << " column " << c;
}

TEST_F(OwnKeys, TheMenusConfirmAndGoBackWithTheBoundKeys) {
  Bind({"Confirm=K", "Back=Q"});
  EnterMenu(MenuMain, MainItem::Options);
  Hold(DIK_RETURN, 10, 100);
  Hold(DIK_SPACE, 10, 100);
  EXPECT_EQ(Menu.MenuState, MenuMain) << "Enter and Space confirm no more";
  Hold(DikK, 10, 100);
  EXPECT_EQ(Menu.MenuState, MenuOptions);
  Hold(DIK_ESCAPE, 10, 100);
  EXPECT_EQ(Menu.MenuState, MenuOptions) << "Esc goes back no more";
  Hold(DikQ, 10, 100);
  EXPECT_EQ(Menu.MenuState, MenuMain);
}

// Left and Right exchanged for a game: in the menus each arrow still goes its own way once.
TEST_F(OwnKeys, ArrowsBoundToOtherMovesStillMoveTheMenusTheirOwnWay) {
  Bind({"Left=Right", "Right=Left"});
  Place(KindO, 1, 5, 15);
  FreezeFall();
  Hold(DIK_RIGHT, 4);
  EXPECT_EQ(Falling().Column, 4) << "in a game the right arrow moves left";

  EnterMenu(MenuHighScores, 1);
  Menu.HighScoreTableShown = 2;
  Hold(DIK_RIGHT, 10, 100);
  EXPECT_EQ(Menu.HighScoreTableShown, 3);
  Hold(DIK_LEFT, 10, 100);
  EXPECT_EQ(Menu.HighScoreTableShown, 2);
}

}  // namespace
}  // namespace zolvane
