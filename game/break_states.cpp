// Pause, the abort question and the end of a game: the game stands still until a key
// resumes it, or it fades to black for the menus to take over.
#include "audio/music.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/replay_record.h"
#include "game/rules.h"

namespace zolvane {

namespace {

bool PauseActs() { return KeyActs(Keys.KeyPause, Keys.PauseTimer, PauseRepeatStart); }
bool EscapeActs() { return KeyActs(Keys.KeyEscape, Keys.EscapeTimer, EscapeRepeatStart); }

}  // namespace

void PauseGame() {
  Game.Paused = true;
  Game.BreakStartTime = StepTime();
}

void ResumeGame() {
  Game.Paused = false;
  Game.AbortQuery = false;
  // The game clock skips the break.
  Game.GameStartTime += StepTime() - Game.BreakStartTime;
}

void BreakTick() {
  FrameTimeUpdate();

  if (Game.Paused && (PauseActs() || EscapeActs())) ResumeGame();
  if (Keys.KeyPause) CountDownKey(Keys.PauseTimer, PauseRepeatStart);

  if (Game.AbortQuery && !Loop.TransitionActive && (EscapeActs() || Keys.KeyNoDown))
    ResumeGame();
  if (Keys.KeyEscape) CountDownKey(Keys.EscapeTimer, EscapeRepeatStart);

  const bool leave =
      Game.GameOver && (Keys.KeySpace || Keys.KeyEnter || Keys.KeyEscape || Keys.KeyCtrl);
  if (!Loop.TransitionActive &&
      ((Game.AbortQuery && (Keys.KeyEnter || Keys.KeyYesDown)) || leave)) {
    Loop.FadeOutRunning = true;
    Loop.TransitionActive = true;
  }
  // The loop hands over to the menus once the fade has completed.
  FadeOutStep();

  MusicUpkeep();
  RecordStep();
}

}  // namespace zolvane
