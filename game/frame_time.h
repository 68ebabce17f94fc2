// The loop's mode flags, the frame time every step measures, and the fade to black that
// every change between menu and game goes through.
#pragma once
#include <cstdint>

namespace zolvane {

struct LoopState {
  bool MenuActive = true;
  bool TransitionActive = false;
  bool FadeOutRunning = false;
  bool FadeOutDone = false;
  bool FadeInRunning = false;
  int32_t FadeLevel = 0;       // alpha of the black quad, 0..255
  uint32_t FrameDelta = 0;     // ms since the previous step, at most 100
  uint32_t LastFrameTime = 0;
};

extern LoopState Loop;

// The step's frame time, in the integer milliseconds every timer and rate counts in.
inline int32_t Delta() { return static_cast<int32_t>(Loop.FrameDelta); }

constexpr uint32_t MaxFrameDelta = 100;
constexpr float FadeRate = 0.75f;  // alpha per millisecond: a full fade takes 340 ms

// First action of every step routine.
void FrameTimeUpdate();
// Time the game does not count (the window going full screen): every clock reading the
// game keeps moves on by it, so the next step and the game's seconds go on as before.
void SkipTime(uint32_t ms);
// All the time skipped so far: the game's own clock is timeGetTime() less this.
extern uint32_t TimeSkipped;
// The clock as the running step read it (FrameTimeUpdate).
inline uint32_t StepTime() { return Loop.LastFrameTime; }
void FadeOutStep();
void FadeInStep();

// Rounds half to even, as the game's float-to-integer conversions do.
int32_t RoundHalfEven(double v);

}  // namespace zolvane
