#include "platform/frame_pacer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace zolvane {
namespace {

constexpr int64_t kMs = 1'000'000;

struct Driver {
  int RefreshHz = 60;     // the real refresh, whatever the display reports
  bool WaitsForVsync = false;
  int64_t Oversleep = 0;  // how late a sleep wakes
};

struct Pass {
  int64_t Start;  // when the pass really began
  bool Slept;     // the pacer asked for a wait
  bool Spacing;
};

// Passes of the loop on a simulated clock: the pacer's sleep, the frame's work, then a
// Present that waits for the next refresh where the driver does.
std::vector<Pass> Simulate(FramePacer& pacer, const Driver& driver, int passes,
                           const std::function<int64_t(int)>& work) {
  const int64_t refresh = 1'000'000'000 / driver.RefreshHz;
  std::vector<Pass> out;
  int64_t now = 5 * kMs;
  for (int i = 0; i < passes; ++i) {
    const int64_t start = pacer.PassStart(now);
    const bool slept = start > now;
    if (slept) now = start + driver.Oversleep;
    out.push_back({now, slept, pacer.Spacing()});
    now += work(i);
    if (driver.WaitsForVsync) now = (now / refresh + 1) * refresh;
  }
  return out;
}

TEST(FramePacer, KeepsToTheRateOfVsyncOrOfItsOwn) {
  struct Case {
    const char* Name;
    int32_t MaxFps, ReportedHz;
    bool Granted;
    Driver Drv;
    double WorkMs;
    bool Spacing;      // after the first windows
    double IntervalMs; // between pass starts, once settled
  };
  const Case cases[] = {
      {"vsync works", 0, 60, true, {60, true}, 2, false, 16.667},
      {"vsync accepted but ignored", 0, 60, true, {}, 1, true, 16.667},
      {"ignored, frames of half a period", 0, 60, true, {}, 8, true, 16.667},
      {"swap interval refused", 0, 60, false, {}, 1, true, 16.667},
      {"refresh unknown: 60 Hz", 0, 0, false, {}, 1, true, 16.667},
      {"refresh 75 Hz", 0, 75, false, {}, 1, true, 13.333},
      {"Max FPS below vsync", 30, 60, true, {60, true}, 2, true, 33.333},
      {"Max FPS without vsync", 200, 60, false, {}, 1, true, 5.0},
      {"no limit", -1, 60, false, {}, 1, false, 1.0},
      {"other negatives are 0", -5, 60, false, {}, 1, true, 16.667},
      {"vsync with slow frames", 0, 60, true, {60, true}, 40, false, 50.0},
      {"no vsync, frames slower than it", 0, 60, true, {}, 20, false, 20.0},
      {"frames near the period, late wake-ups", 0, 60, false, {60, false, 300'000}, 16.5, true,
       16.667},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    FramePacer pacer(c.MaxFps, c.ReportedHz, c.Granted);
    const auto passes = Simulate(pacer, c.Drv, 200, [&](int) {
      return static_cast<int64_t>(c.WorkMs * kMs);
    });
    EXPECT_EQ(passes.back().Spacing, c.Spacing);
    const int first = 2 * FramePacer::ProbeFrames + 2;
    const double mean = double(passes.back().Start - passes[first].Start) /
                        double(passes.size() - 1 - first) / kMs;
    EXPECT_NEAR(mean, c.IntervalMs, c.IntervalMs * 0.001);  // no drift
    for (size_t i = first + 1; i < passes.size(); ++i)
      ASSERT_GE(passes[i].Start - passes[i - 1].Start, c.IntervalMs * 0.9 * kMs) << "pass " << i;
    if (!c.Spacing) {
      for (const Pass& p : passes) ASSERT_FALSE(p.Slept);
    }
  }
}

TEST(FramePacer, VsyncIsWatchedOverEveryWindowOfPresents) {
  // Trusted over the first window while it holds; a driver that stops waiting later is
  // caught within two windows.
  FramePacer pacer(0, 60, true);
  Driver driver{60, true};
  auto passes = Simulate(pacer, driver, 100, [](int) { return kMs; });
  EXPECT_FALSE(passes.back().Spacing);
  driver.WaitsForVsync = false;
  passes = Simulate(pacer, driver, 2 * FramePacer::ProbeFrames + 1, [](int) { return kMs; });
  EXPECT_TRUE(passes.back().Spacing);

  // Caught at the end of the very first window when it never waited.
  FramePacer fresh(0, 60, true);
  passes = Simulate(fresh, Driver{}, FramePacer::ProbeFrames + 1, [](int) { return kMs; });
  EXPECT_FALSE(passes[FramePacer::ProbeFrames - 1].Spacing);
  EXPECT_TRUE(passes[FramePacer::ProbeFrames].Spacing);
}

TEST(FramePacer, ASlowFrameNeitherSleepsNorBringsABurst) {
  FramePacer pacer(0, 60, false);
  const auto passes = Simulate(pacer, Driver{}, 80, [](int i) { return i == 40 ? 100 * kMs : kMs; });
  EXPECT_FALSE(passes[41].Slept);
  EXPECT_EQ(passes[41].Start - passes[40].Start, 100 * kMs);
  for (int i = 42; i < 80; ++i) EXPECT_EQ(passes[i].Start - passes[i - 1].Start, pacer.Period());
}

}  // namespace
}  // namespace zolvane
