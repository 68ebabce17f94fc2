#include "game/frame_time.h"

#include <cmath>

#include "game/game_state.h"
#include "platform/clock.h"

namespace zolvane {

LoopState Loop;

int32_t RoundHalfEven(double v) { return static_cast<int32_t>(std::nearbyint(v)); }

uint32_t TimeSkipped = 0;

// One reading for the whole step: a replay gives the step one time, so the game must see one.
void FrameTimeUpdate() {
  const uint32_t now = timeGetTime();
  Loop.FrameDelta = now - Loop.LastFrameTime;  // unsigned: survives the wrap
  Loop.LastFrameTime = now;
  if (Loop.FrameDelta > MaxFrameDelta) Loop.FrameDelta = MaxFrameDelta;
}

void SkipTime(uint32_t ms) {
  TimeSkipped += ms;
  Loop.LastFrameTime += ms;
  Game.GameStartTime += ms;
  Game.BreakStartTime += ms;
}

void FadeOutStep() {
  if (!Loop.FadeOutRunning || Loop.FadeLevel >= 255) return;
  Loop.FadeLevel += RoundHalfEven(Loop.FrameDelta * FadeRate);
  if (Loop.FadeLevel >= 255) {
    Loop.FadeLevel = 255;
    Loop.FadeOutRunning = false;
    Loop.FadeOutDone = true;
  }
}

void FadeInStep() {
  if (!Loop.FadeInRunning || Loop.FadeLevel <= 0) return;
  Loop.FadeLevel -= RoundHalfEven(Loop.FrameDelta * FadeRate);
  if (Loop.FadeLevel <= 0) {
    Loop.FadeLevel = 0;
    Loop.FadeInRunning = false;
    Loop.TransitionActive = false;
  }
}

}  // namespace zolvane
