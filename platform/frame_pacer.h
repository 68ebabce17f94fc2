// How often the loop may draw. Where the driver gives vertical sync, Present waits for the
// refresh and the loop runs free; where it does not (a virtual display, some drivers), a
// loop that draws as fast as it can would keep a core busy, so the pacer spaces the frames
// itself. Pure arithmetic on clock readings handed in: tests bring their own clock.
#pragma once
#include <cstdint>

namespace zolvane {

// "Max FPS" in config.ini: 0 the display's rate, N > 0 at most N frames per second.
constexpr int32_t MaxFpsUnlimited = -1;

class FramePacer {
 public:
  // maxFps as read from config.ini (values below -1 count as 0); refreshHz is the display's
  // rate, 0 when unknown (60 is taken); vsyncGranted: the driver accepted a swap interval
  // of 1.
  FramePacer(int32_t maxFps, int32_t refreshHz, bool vsyncGranted);

  // Called before every pass that draws, with the clock in nanoseconds. Returns when the
  // pass may start: now, or a later reading to sleep until.
  int64_t PassStart(int64_t now);

  // The pacer spaces frames itself (else vsync or nothing does).
  bool Spacing() const { return Mode == Modes::Spaced; }
  int64_t Period() const { return PeriodNs; }

  // No limit turns vsync off too, so that a benchmark sees the raw speed.
  static int SwapInterval(int32_t maxFps) { return maxFps == MaxFpsUnlimited ? 0 : 1; }

  // Presents the vsync check watches at a time. Vsync that holds them to less than three
  // quarters of their refresh periods is not there.
  static constexpr int ProbeFrames = 30;

 private:
  enum class Modes { Free, TrustVsync, Spaced };
  Modes Mode;
  int64_t PeriodNs;
  // TrustVsync: the start of the current window of passes and the passes since.
  bool Probing = false;
  int64_t ProbeStart = 0;
  int ProbeCount = 0;
  // Spaced: the earliest start of the next pass.
  bool HaveNext = false;
  int64_t Next = 0;
};

// The real clock and sleep for the pacer: steady clock nanoseconds.
int64_t SteadyNanoseconds();
void SleepUntilNanoseconds(int64_t when);

}  // namespace zolvane
