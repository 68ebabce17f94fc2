// The menu's state that the game's break step hands over to when a game ends.
#pragma once
#include <cstdint>

namespace zolvane {

enum : uint8_t { MenuMain = 0, MenuOptions = 1, MenuGameInfo = 2, MenuHighScores = 3, MenuGameType = 4 };

struct MenuStateData {
  uint8_t MenuState = MenuMain;
  int32_t MenuItem = 1;
  int32_t HighScoreTableShown = 1;
  bool NameEntryActive = false;
};

extern MenuStateData Menu;

// What choosing a game type does: fade to black, then the menu step starts the game.
void BeginNewGame(int32_t gameType);

// One pass of the menus and one frame of them.
void MenuStep();
void DrawMenu();

}  // namespace zolvane
