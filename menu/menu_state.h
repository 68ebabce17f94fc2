// The menus' state: the screen shown, the selection and its animation, the logo's sway,
// the high score table shown and the name entry. One instance, reset by tests.
#pragma once
#include <bitset>
#include <cstdint>
#include <string>

namespace zolvane {

enum MenuScreenId : uint8_t {
  MenuMain = 0,
  MenuOptions = 1,
  MenuGameInfo = 2,
  MenuHighScores = 3,
  MenuGameType = 4
};

// The items of the screens that have them, top to bottom. On the game type screen items
// 1..4 are the game types themselves (GameTypeId), then Return.
namespace MainItem {
enum : int32_t { NewGame = 1, Options = 2, HighScores = 3, Help = 4, Exit = 5 };
}
namespace OptionsItem {
enum : int32_t { SoundVolume = 1, MusicVolume = 2, Rotation = 3, Quality = 4, Return = 5 };
}
namespace GameTypeItem {
enum : int32_t { Return = 5 };
}

constexpr int MenuItemsPerScreen = 5;
constexpr float ItemScaleFull = 11.55f;
constexpr float ItemScalePlain = 10.5f;
constexpr int32_t ItemBrightnessFull = 202;
constexpr int32_t ItemBrightnessPlain = 101;

struct MenuStateData {
  uint8_t MenuState = MenuMain;
  int32_t MenuItem = MainItem::NewGame;
  int32_t PrevMenuItem = 100;  // no item
  int32_t HighScoreTableShown = 1;
  // The row of the table shown whose kept game Enter plays; 0 while no row is marked.
  int32_t HighScoreRowMarked = 0;
  bool NameEntryActive = false;
  // Keys held as the entry opened, by DirectInput code: they type nothing until they have
  // come up. The key of the last press the window reported, whose text follows it.
  std::bitset<256> NameEntryHeldKeys;
  int32_t NameEntryTextKey = 0;
  // The pad's picker: the letter under the cursor, the pad's actions held as the entry
  // opened (they act once released), those of the last pass, and the timer of a held
  // Up or Down.
  char NameEntryPick = 'A';
  uint32_t NameEntryPadHeld = 0;
  uint32_t NameEntryPadLast = 0;
  int32_t NameEntryPickTimer = 0;

  // The selection animation, advanced while drawing.
  float ItemScale = ItemScaleFull;
  float PrevItemScale = ItemScalePlain;
  int32_t ItemBrightness = ItemBrightnessFull;
  int32_t PrevItemBrightness = ItemBrightnessPlain;
  bool MenuAnimReady = true;
  // Index 1..6; neighbouring labels swing in opposite senses.
  float ItemWobble[7] = {0, 0, 0, 0, 0, 0, 0};
  int32_t ItemWobbleDir[7] = {0, -1, 1, -1, 1, -1, 1};

  // The logo's sway.
  float LogoDrift = 0;
  float LogoTiltX = 0, LogoTiltY = 0, LogoTiltZ = 0;
  int32_t LogoTiltDirX = 1, LogoTiltDirY = 1, LogoTiltDirZ = 1;

  // The cursor brick's turn about its own Y axis, radians.
  float CursorSpin = 0;

  // The name entry's blinking cursor: the picker's letter.
  bool CursorShown = true;
  int32_t CursorBlinkTimer = 300;
};

extern MenuStateData Menu;

// The number of items of a screen: 5, or 0 for the help and high score screens.
int32_t MenuItemCount(uint8_t state);

// Fire on a game type: play the choice, start the fade to black and set the game type;
// the fade's end starts the game. Nothing while a fade runs.
void BeginNewGame(int32_t gameType);
// The menus make way for a game, or a replay watched.
void LeaveMenus();
// The same game at once, without the sound or the fades (the simulator, tests, benchmarks).
void StartGameNow(int32_t gameType);

// The menus take over once a fade to black has completed, and fade in.
void EnterMenusFadingIn();
// The pass in which a game's fade to black has completed: over, it opens its high score
// table (with the name entry when it ranks); aborted, the main menu.
void HandOverToMenu();

// One pass of the menus: keys, screens, the fade into a new game, animations, music.
void MenuStep();

// What the menu's Exit does: close the main window. The application plugs it in.
using CloseWindowHandler = void (*)();
void SetCloseWindowHandler(CloseWindowHandler handler);

}  // namespace zolvane
