// The menu step: one pass of the menus, in a fixed order. A screen entered by one rule is
// already the current screen for the rules after it.
#include <cmath>

#include "audio/music.h"
#include "audio/sound.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "game/replay_record.h"
#include "game/scene_objects.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "menu/watch_replays.h"
#include "platform/math3d.h"
#include "platform/settings.h"

namespace zolvane {

MenuStateData Menu;

namespace {
constexpr uint8_t QualityLevels = 3;

constexpr float TiltRate = 0.00017453292f;  // radians per ms
constexpr float TiltBoundX = 0.20943951f;
constexpr float TiltBoundYZ = 0.12217305f;
constexpr float DriftStep = 0.0087266463f;  // per pass, whatever its length
constexpr float TwoPi = 6.2831853f;
constexpr float CursorSpinRate = 0.0034906585f;  // radians per ms

CloseWindowHandler CloseWindow = nullptr;

bool Fire() { return Keys.KeyEnter && Keys.KeyEnterHeld; }
bool OnScreen(uint8_t state) { return Menu.MenuState == state; }

void Play(Effect effect) { PlayEffect(effect, true); }

// Enters a screen by Fire; the press is used up.
void Enter(uint8_t state) {
  Play(Effect::MenuEnter);
  Menu.MenuState = state;
  Keys.KeyEnter = false;
}

// The old item shrinks and dims while the new one grows and brightens.
void Select(int32_t item) {
  Menu.PrevItemScale = Menu.ItemScale;
  Menu.ItemScale = ItemScalePlain;
  Menu.PrevItemBrightness = Menu.ItemBrightness;
  Menu.ItemBrightness = ItemBrightnessPlain;
  Menu.PrevMenuItem = Menu.MenuItem;
  Menu.MenuItem = item;
}

// Up and Down wait for the selection animation, so a held key moves no faster than it.
void MoveSelection(bool acts, int32_t by) {
  const int32_t count = MenuItemCount(Menu.MenuState);
  if (!acts || !Menu.MenuAnimReady || count == 0) return;
  Menu.MenuAnimReady = false;
  int32_t item = Menu.MenuItem + by;
  if (item < 1) item = count;
  if (item > count) item = 1;
  Select(item);
  Play(Effect::MenuMove);
}

void MoveUp() { MoveSelection(KeyActs(Keys.KeyUp, Keys.UpRepeatTimer, UpRepeatStart), -1); }
void MoveDown() {
  MoveSelection(KeyActs(Keys.KeyDown, Keys.DownRepeatTimer, DownRepeatStart), +1);
}

void MainMenuFire() {
  if (!OnScreen(MenuMain) || !Fire()) return;
  switch (Menu.MenuItem) {
    case MainItem::NewGame:
      // The item stays as it is: the game type screen opens with the same number selected.
      Enter(MenuGameType);
      Game.ScorePosition = 11;
      break;
    case MainItem::Options:
      Enter(MenuOptions);
      Menu.MenuItem = OptionsItem::SoundVolume;
      break;
    case MainItem::HighScores: Enter(MenuHighScores); break;
    case MainItem::Help: Enter(MenuGameInfo); break;
    case MainItem::Exit:
      Play(Effect::MenuEnter);
      // One press asks once, however long the window takes to go.
      Keys.KeyEnter = false;
      if (CloseWindow) CloseWindow();
      break;
    default: break;
  }
}

bool SideKeyPressed(bool held) { return held && Keys.MoveRepeatTimer == Config.KeyRepeatDelay; }

// The volumes step once per press; at a bound the key does nothing, not even a sound.
void ChangeVolumes(int32_t by) {
  if (Menu.MenuItem == OptionsItem::SoundVolume) {
    const int32_t volume = Config.SoundVolume + by;
    if (volume < 0 || volume > MaxVolume) return;
    Config.SoundVolume = volume;
    ApplySoundVolume();
    Play(Effect::MenuChange);
  } else if (Menu.MenuItem == OptionsItem::MusicVolume) {
    const int32_t volume = Config.MusicVolume + by;
    if (volume < 0 || volume > MaxVolume) return;
    Config.MusicVolume = volume;
    // The music itself is the sound of the change.
    ApplyMusicVolume();
  }
}

void OptionsKeys() {
  if (!OnScreen(MenuOptions)) return;
  if (Fire()) {
    if (Menu.MenuItem == OptionsItem::Rotation) {
      Play(Effect::MenuChange);
      Keys.KeyEnter = false;
      Config.RotateClockwise = !Config.RotateClockwise;
    } else if (Menu.MenuItem == OptionsItem::Quality) {
      Play(Effect::MenuChange);
      Keys.KeyEnter = false;
      Config.BrickQuality = static_cast<uint8_t>((Config.BrickQuality + 1) % QualityLevels);
    } else if (Menu.MenuItem == OptionsItem::Return) {
      Enter(MenuMain);
      Menu.MenuItem = MainItem::NewGame;
    }
  }
  if (SideKeyPressed(Keys.KeyLeft)) ChangeVolumes(-1);
  if (SideKeyPressed(Keys.KeyRight)) ChangeVolumes(+1);
}

// The press is left standing on a game type: the fade stops the polling, so it cannot
// act again before the new game clears it.
void GameTypeFire() {
  if (!OnScreen(MenuGameType) || !Fire()) return;
  if (IsGameType(Menu.MenuItem)) {
    BeginNewGame(Menu.MenuItem);
  } else if (Menu.MenuItem == GameTypeItem::Return) {
    Enter(MenuMain);
    Menu.MenuItem = MainItem::NewGame;
  }
}

void ShowHighScoreTable(int32_t by) {
  Play(Effect::MenuChange);
  Menu.HighScoreTableShown += by;
  if (Menu.HighScoreTableShown < Classic) Menu.HighScoreTableShown = Crazy;
  if (Menu.HighScoreTableShown > Crazy) Menu.HighScoreTableShown = Classic;
  MarkAfterTableChange();
}

// Once per press: the arrows have no repeat here. With a row marked, Up and Down move the
// mark instead of changing the table.
void HighScoreTableKeys() {
  if (!OnScreen(MenuHighScores) || Menu.NameEntryActive) return;
  if (Fire()) {
    Keys.KeyEnter = false;
    FireOnTable();
  }
  const bool up = Keys.KeyUp && Keys.UpRepeatTimer == UpRepeatStart;
  const bool down = Keys.KeyDown && Keys.DownRepeatTimer == DownRepeatStart;
  const bool marking = Menu.HighScoreRowMarked != 0;
  if (SideKeyPressed(Keys.KeyLeft) || (down && !marking)) ShowHighScoreTable(-1);
  if (SideKeyPressed(Keys.KeyRight) || (up && !marking)) ShowHighScoreTable(+1);
  if (marking && (up || down)) MoveRowMark(up ? -1 : +1);
}

void CountDownHeldKeys() {
  if (Keys.KeyLeft || Keys.KeyRight) CountDownKey(Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  if (Keys.KeyUp) CountDownKey(Keys.UpRepeatTimer, UpRepeatStart);
  if (Keys.KeyDown) CountDownKey(Keys.DownRepeatTimer, DownRepeatStart);
}

// Fades out into a new game, and fades in after a game has handed back to the menus.
void RunFades() {
  FadeOutStep();
  if (Loop.FadeOutDone && StartChosenReplay()) Loop.FadeOutDone = false;
  if (Loop.FadeOutDone) {
    LeaveMenus();
    Loop.FadeOutDone = false;
    BeginRecording();
    NewGame();
    Loop.FadeInRunning = true;
    Play(Effect::NewGame);
  }
  FadeInStep();
}

void Tilt(float& tilt, int32_t& direction, float bound) {
  tilt += static_cast<float>(direction) * TiltRate * Delta();
  if (std::fabs(tilt) > bound) {
    tilt = static_cast<float>(direction) * bound;
    direction = -direction;
  }
}

void SwayLogo() {
  Tilt(Menu.LogoTiltX, Menu.LogoTiltDirX, TiltBoundX);
  Tilt(Menu.LogoTiltY, Menu.LogoTiltDirY, TiltBoundYZ);
  Tilt(Menu.LogoTiltZ, Menu.LogoTiltDirZ, TiltBoundYZ);
  // Only its sine and cosine are drawn; kept small, the float keeps its steps even.
  Menu.LogoDrift += DriftStep;
  if (Menu.LogoDrift >= TwoPi) Menu.LogoDrift -= TwoPi;
}

void EscapeKeys() {
  if (KeyActs(Keys.KeyEscape, Keys.EscapeTimer, EscapeRepeatStart)) {
    switch (Menu.MenuState) {
      case MenuMain:
        // Exit is only selected: a second press of Fire leaves.
        if (Menu.MenuItem != MainItem::Exit) {
          Play(Effect::MenuEnter);
          Select(MainItem::Exit);
        }
        break;
      case MenuOptions:
        Play(Effect::MenuEnter);
        Menu.MenuState = MenuMain;
        Menu.MenuItem = MainItem::Options;
        break;
      case MenuGameType:
        Play(Effect::MenuEnter);
        Menu.MenuState = MenuMain;
        Menu.MenuItem = MainItem::NewGame;
        break;
      case MenuHighScores:
        if (Menu.NameEntryActive) break;
        Play(Effect::MenuEnter);
        // A marked row is let go first.
        if (Menu.HighScoreRowMarked)
          Menu.HighScoreRowMarked = 0;
        else
          Menu.MenuState = MenuMain;
        break;
      case MenuGameInfo:
        Play(Effect::MenuEnter);
        Menu.MenuState = MenuMain;
        break;
      default: break;
    }
  }
  if (Keys.KeyEscape) CountDownKey(Keys.EscapeTimer, EscapeRepeatStart);
}

// The brick turns about its own centre wherever the screens put it. Its turn is rebuilt
// from the angle: multiplying the matrix by every pass's small turn lets float rounding
// shrink or swell the brick within hours.
void SpinCursor() {
  if (!MenuCursorBrick) return;
  Menu.CursorSpin =
      std::fmod(Menu.CursorSpin + Delta() * CursorSpinRate, TwoPi);
  D3DMATRIX spin;
  SetRotateYMatrix(spin, Menu.CursorSpin);
  D3DMATRIX& world = MenuCursorBrick->World;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) world.m[i][j] = spin.m[i][j];
}
}  // namespace

int32_t MenuItemCount(uint8_t state) {
  switch (state) {
    case MenuMain:
    case MenuOptions:
    case MenuGameType: return MenuItemsPerScreen;
    default: return 0;
  }
}

namespace {
// As if chosen on the game type screen, which the game hands back to when aborted.
void ChooseGameType(int32_t gameType) {
  Menu.MenuState = MenuGameType;
  Menu.MenuItem = gameType;
  Game.GameType = gameType;
  // The menu's New game has done this already; a game started past the menus needs it too.
  Game.ScorePosition = 11;
}
}  // namespace

// A game has no use for the menu's pictures: they make room for its own.
void LeaveMenus() {
  Loop.MenuActive = false;
  ReleaseMenuPictures();
}

void BeginNewGame(int32_t gameType) {
  if (Loop.TransitionActive) return;
  PlayEffect(Effect::MenuEnter, true);
  Loop.FadeOutRunning = Loop.TransitionActive = true;
  ChooseGameType(gameType);
}

void StartGameNow(int32_t gameType) {
  ChooseGameType(gameType);
  BeginRecording();
  NewGame();
  LeaveMenus();
  Loop.TransitionActive = false;
  Loop.FadeOutRunning = Loop.FadeOutDone = Loop.FadeInRunning = false;
  Loop.FadeLevel = 0;
}

// Most pictures are ready: the fade to black has prepared them.
void EnterMenusFadingIn() {
  Loop.MenuActive = true;
  LoadMenuPictures();
  Loop.FadeOutDone = false;
  Loop.FadeInRunning = true;
}

void HandOverToMenu() {
  EnterMenusFadingIn();
  if (Game.GameOver) {
    if (Game.ScorePosition >= 1 && Game.ScorePosition <= 10) {
      Menu.NameEntryActive = OpenNameEntry(Game.GameType, Game.ScorePosition, Game.Score);
      // The well is fresh while the player types the name.
      NewGame();
    } else {
      Menu.NameEntryActive = false;
    }
    Menu.MenuState = MenuHighScores;
    Menu.MenuItem = MainItem::NewGame;  // selected once the table is left
    Menu.HighScoreTableShown = Game.GameType;
    Menu.HighScoreRowMarked = 0;
    Game.GameOver = false;
  } else {
    // Aborted: AbortQuery stays set until the next game starts.
    Menu.MenuState = MenuMain;
    Keys.KeyEnter = false;
    Menu.MenuItem = MainItem::NewGame;
  }
}
void SetCloseWindowHandler(CloseWindowHandler handler) { CloseWindow = handler; }

void MenuStep() {
  FrameTimeUpdate();
  // However the menus were entered, they draw their own pictures.
  if (!MenuPicturesLoaded()) LoadMenuPictures();
  MoveUp();
  MoveDown();
  MainMenuFire();
  OptionsKeys();
  GameTypeFire();
  HighScoreTableKeys();
  if (Menu.NameEntryActive) NameEntryPadStep();
  CountDownHeldKeys();
  RunFades();
  SwayLogo();
  EscapeKeys();
  SpinCursor();
  MusicUpkeep();
}

}  // namespace zolvane
