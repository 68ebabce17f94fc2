// The game step: one pass of a running game, in a fixed order that replays depend on.
#include "audio/music.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/replay_record.h"
#include "game/rules.h"
#include "game/scene_objects.h"
#include "platform/settings.h"

namespace zolvane {

namespace {

void DropKeys() {
  const int32_t timer = Keys.DownRepeatTimer;
  // Later wins: Down over Space over Ctrl.
  if (KeyActs(Keys.KeyCtrl, timer, DownRepeatStart)) Game.FallSpeed = 0.1f;
  if (KeyActs(Keys.KeySpace, timer, DownRepeatStart)) Game.FallSpeed = 0.08f;
  if (KeyActs(Keys.KeyDown, timer, DownRepeatStart)) Game.FallSpeed = 0.05f;
  // Down speeds the fall only while held; a Space or Ctrl drop runs on until the lock.
  if (!Keys.KeyDown && Game.FallSpeed < DropSpeed) Game.FallSpeed = Game.BaseFallSpeed;
  Game.SideSpeed = Game.FallSpeed <= 0.05f ? 0.022f : 0.08f;
}
}  // namespace

// Whole numbers: a floating-point quotient misses exact ties (25 figures in 24 s is 62.5,
// shown as 62) one way or the other.
int32_t FiguresPerMinute(int32_t figures, int32_t seconds) {
  const int64_t q = static_cast<int64_t>(figures) * 60;
  int64_t n = q / seconds;
  const int64_t twiceRest = 2 * (q % seconds);
  if (twiceRest > seconds || (twiceRest == seconds && (n & 1))) ++n;
  return static_cast<int32_t>(n);
}

void GameTick() {
  TFigure& figure = *Game.FallingFigure;

  FrameTimeUpdate();
  Game.GameSeconds = static_cast<int32_t>((StepTime() - Game.GameStartTime) / 1000u);
  GrowStep(figure, 1.0f);
  GrowStep(*Game.NextFigure, 0.75f);

  if (KeyActs(Keys.KeyUp, Keys.UpRepeatTimer, UpRepeatStart) && !figure.Turning &&
      Game.FallSpeed < DropSpeed)
    figure.StartTurn();
  if (Keys.KeyUp) CountDownKey(Keys.UpRepeatTimer, UpRepeatStart);
  if (figure.Turning) TurnStep(figure);

  ClearFullRows();
  MoveFlyingRows();
  SettleBricks();

  DropKeys();
  FallStep(figure);
  if (Keys.KeyDown || Keys.KeyCtrl || Keys.KeySpace)
    CountDownKey(Keys.DownRepeatTimer, DownRepeatStart);

  if (figure.SideMove == SideMoveDir::None) {
    // Right wins when both act.
    if (KeyActs(Keys.KeyLeft, Keys.MoveRepeatTimer, Config.KeyRepeatDelay))
      figure.SideMove = SideMoveDir::Left;
    if (KeyActs(Keys.KeyRight, Keys.MoveRepeatTimer, Config.KeyRepeatDelay))
      figure.SideMove = SideMoveDir::Right;
  }
  if (Keys.KeyLeft || Keys.KeyRight) CountDownKey(Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  if (figure.SideMove == SideMoveDir::Left)
    StepLeft(figure);
  else if (figure.SideMove == SideMoveDir::Right)
    StepRight(figure);

  BrickFlipUpdate();
  UpdateSparks();

  if (KeyActs(Keys.KeyPause, Keys.PauseTimer, PauseRepeatStart)) PauseGame();
  if (Keys.KeyPause) CountDownKey(Keys.PauseTimer, PauseRepeatStart);
  if (KeyActs(Keys.KeyEscape, Keys.EscapeTimer, EscapeRepeatStart)) {
    Game.AbortQuery = true;
    Game.BreakStartTime = StepTime();
  }
  if (Keys.KeyEscape) CountDownKey(Keys.EscapeTimer, EscapeRepeatStart);

  // Ends the fade that began the game.
  FadeInStep();
  CheckLevelUp();
  UpdateScorePosition();
  if (Game.GameSeconds > 5)
    Game.FiguresPerMinute = FiguresPerMinute(Game.FiguresLanded, Game.GameSeconds);
  MusicUpkeep();
  GarbageTimerStep();
  UpdateMessageBrightness();
  CountUpShownScore();
  RecordStep();
}

}  // namespace zolvane
