// The game's clocks. Game code never reads the wall clock itself: tests and the simulator
// replace the sources with their own.
#pragma once
#include <cstdint>
#include <functional>

namespace zolvane {

// Milliseconds since the program started, wrapping at 2^32 like timeGetTime.
uint32_t timeGetTime();
uint64_t QueryPerformanceCounter();
uint64_t QueryPerformanceFrequency();

// An empty function restores the real clock.
void SetClockSource(std::function<uint32_t()> source);
// The source set now (empty: the real clock).
std::function<uint32_t()> ClockSourceNow();
void SetPerformanceCounterSource(std::function<uint64_t()> counter, uint64_t frequency);

// Microseconds since 1970 by the system clock. Unlike timeGetTime it does not start again
// with every run, which is what seeding the random generator needs; nothing else reads it.
uint64_t WallClockMicroseconds();
// An empty function restores the real clock.
void SetWallClockSource(std::function<uint64_t()> source);

// A clock that moves only when told to: the injected clock of tests and the simulator.
// The clock it replaced comes back when it goes (a replay played inside the simulator).
class ManualClock {
 public:
  explicit ManualClock(uint32_t start = 1000) : Now(start), Before(ClockSourceNow()) {
    SetClockSource([this] { return Now; });
  }
  ~ManualClock() { SetClockSource(Before); }
  ManualClock(const ManualClock&) = delete;
  ManualClock& operator=(const ManualClock&) = delete;
  void Advance(uint32_t ms) { Now += ms; }
  uint32_t Now;

 private:
  std::function<uint32_t()> Before;
};

}  // namespace zolvane
