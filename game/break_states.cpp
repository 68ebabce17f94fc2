// Pause, the abort question and the end of a game: the game stands still until a key
// resumes it, or it fades to black and hands over to the menus.
#include "audio/music.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/rules.h"
#include "menu/high_scores.h"
#include "menu/menu_state.h"
#include "platform/clock.h"

namespace zolvane {

namespace {
int32_t Delta() { return static_cast<int32_t>(Loop.FrameDelta); }

bool PauseActs() { return KeyActs(Keys.KeyPause, Keys.PauseTimer, PauseRepeatStart); }
bool EscapeActs() { return KeyActs(Keys.KeyEscape, Keys.EscapeTimer, EscapeRepeatStart); }

// The pass in which the fade to black has completed.
void HandOverToMenu() {
  Loop.MenuActive = true;
  if (Game.GameOver) {
    if (Game.ScorePosition >= 1 && Game.ScorePosition <= 10) {
      InsertHighScore(Game.GameType, Game.ScorePosition, Game.Score);
      // The well is fresh while the player types the name.
      NewGame();
    } else {
      Menu.NameEntryActive = false;
    }
    Menu.MenuState = MenuHighScores;
    Menu.MenuItem = 1;
    Menu.HighScoreTableShown = Game.GameType;
    Game.GameOver = false;
  } else {
    // Aborted: AbortQuery stays set until the next game starts.
    Menu.MenuState = MenuMain;
    Keys.KeyEnter = false;
    Menu.MenuItem = 1;
  }
  Loop.FadeOutDone = false;
  Loop.FadeInRunning = true;
}
}  // namespace

void PauseGame() {
  Game.Paused = true;
  Game.BreakStartTime = timeGetTime();
}

void ResumeGame() {
  Game.Paused = false;
  Game.AbortQuery = false;
  // The game clock skips the break.
  Game.GameStartTime += timeGetTime() - Game.BreakStartTime;
}

void BreakTick() {
  FrameTimeUpdate();

  if (Game.Paused && (PauseActs() || EscapeActs())) ResumeGame();
  if (Keys.KeyPause) Keys.PauseTimer -= Delta();

  if (Game.AbortQuery && !Loop.TransitionActive && (EscapeActs() || Keys.KeyNoDown))
    ResumeGame();
  if (Keys.KeyEscape) Keys.EscapeTimer -= Delta();

  const bool leave =
      Game.GameOver && (Keys.KeySpace || Keys.KeyEnter || Keys.KeyEscape || Keys.KeyCtrl);
  if (!Loop.TransitionActive &&
      ((Game.AbortQuery && (Keys.KeyEnter || Keys.KeyYesDown)) || leave)) {
    Loop.FadeOutRunning = true;
    Loop.TransitionActive = true;
  }
  FadeOutStep();
  if (Loop.FadeOutDone) HandOverToMenu();

  MusicUpkeep();
}

}  // namespace zolvane
