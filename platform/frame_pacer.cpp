#include "platform/frame_pacer.h"

#include <chrono>
#include <thread>

namespace zolvane {

namespace {
constexpr int64_t kSecond = 1'000'000'000;
}

FramePacer::FramePacer(int32_t maxFps, int32_t refreshHz, bool vsyncGranted) {
  const int64_t refreshPeriod = kSecond / (refreshHz > 0 ? refreshHz : 60);
  if (maxFps == MaxFpsUnlimited) {
    Mode = Modes::Free;
    PeriodNs = 0;
  } else if (maxFps > 0) {
    // A limit of our own holds with vsync as well: the slower of the two wins.
    Mode = Modes::Spaced;
    PeriodNs = kSecond / maxFps;
  } else {
    // A driver may accept the swap interval and still not wait: watch before trusting it.
    Mode = vsyncGranted ? Modes::TrustVsync : Modes::Spaced;
    PeriodNs = refreshPeriod;
  }
}

int64_t FramePacer::PassStart(int64_t now) {
  switch (Mode) {
    case Modes::Free: return now;
    case Modes::TrustVsync:
      // Windows are checked one after another for as long as the run lasts: some drivers
      // stop waiting later, e.g. while the window is covered.
      if (!Probing || ++ProbeCount == ProbeFrames) {
        if (Probing && now - ProbeStart < int64_t{ProbeFrames} * PeriodNs * 3 / 4) {
          Mode = Modes::Spaced;
          HaveNext = true;
          Next = now + PeriodNs;
          return now;
        }
        Probing = true;
        ProbeStart = now;
        ProbeCount = 0;
      }
      return now;
    case Modes::Spaced: break;
  }
  if (!HaveNext) {
    HaveNext = true;
    Next = now + PeriodNs;
    return now;
  }
  if (now < Next) {
    const int64_t start = Next;
    Next += PeriodNs;
    return start;
  }
  // A little late (the sleep overshot): keep the rhythm, or the rate would drift below
  // the limit. Later than that (a slow frame, a pause): start the rhythm afresh rather
  // than draw a burst of frames to catch up.
  Next = now - Next <= PeriodNs / 4 ? Next + PeriodNs : now + PeriodNs;
  return now;
}

int64_t SteadyNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void SleepUntilNanoseconds(int64_t when) {
  std::this_thread::sleep_until(
      std::chrono::steady_clock::time_point(std::chrono::nanoseconds(when)));
}

}  // namespace zolvane
