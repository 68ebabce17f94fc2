#include "platform/clock.h"

#include <chrono>

namespace zolvane {

namespace {
using SteadyClock = std::chrono::steady_clock;
const SteadyClock::time_point ProcessStart = SteadyClock::now();

std::function<uint32_t()>& ClockSource() {
  static std::function<uint32_t()> source;
  return source;
}
std::function<uint64_t()>& CounterSource() {
  static std::function<uint64_t()> source;
  return source;
}
uint64_t CounterFrequency = 1'000'000'000;
std::function<uint64_t()>& WallClockSource() {
  static std::function<uint64_t()> source;
  return source;
}
}  // namespace

std::function<uint32_t()> ClockSourceNow() { return ClockSource(); }

uint32_t timeGetTime() {
  if (ClockSource()) return ClockSource()();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() -
                                                                         ProcessStart);
  return static_cast<uint32_t>(ms.count());
}

uint64_t QueryPerformanceCounter() {
  if (CounterSource()) return CounterSource()();
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - ProcessStart)
          .count());
}

uint64_t QueryPerformanceFrequency() { return CounterSource() ? CounterFrequency : 1'000'000'000; }

void SetClockSource(std::function<uint32_t()> source) { ClockSource() = std::move(source); }

void SetPerformanceCounterSource(std::function<uint64_t()> counter, uint64_t frequency) {
  CounterSource() = std::move(counter);
  CounterFrequency = frequency ? frequency : 1;
}

uint64_t WallClockMicroseconds() {
  if (WallClockSource()) return WallClockSource()();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                   std::chrono::system_clock::now().time_since_epoch())
                                   .count());
}

void SetWallClockSource(std::function<uint64_t()> source) {
  WallClockSource() = std::move(source);
}

}  // namespace zolvane
