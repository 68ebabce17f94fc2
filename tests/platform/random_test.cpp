#include "platform/random.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/clock.h"

namespace zolvane {
namespace {

// The first draws after a start-up at the given wall time. The program's own clock reads
// the same in every start, as it nearly does when each start-up takes the same time.
std::vector<float> FirstDraws(uint64_t wallMicroseconds) {
  ManualClock sinceStart(250);
  SetWallClockSource([=] { return wallMicroseconds; });
  Randomize();
  SetWallClockSource(nullptr);
  std::vector<float> draws(4);
  for (float& d : draws) d = RandomFloat();
  return draws;
}

TEST(Randomize, StartsAtDifferentTimesDrawDifferentSequencesAndTheSameTimeTheSame) {
  constexpr uint64_t June2024 = 1'718'000'000'000'000;
  const std::vector<float> first = FirstDraws(June2024);
  EXPECT_EQ(FirstDraws(June2024), first);

  const struct {
    const char* apart;
    uint64_t us;
  } later[] = {{"1 us", 1},
               {"1 ms", 1'000},
               {"1 s", 1'000'000},
               {"2^32 us", uint64_t{1} << 32},  // the low 32 bits alone would not differ
               {"a day", 86'400'000'000}};
  for (const auto& c : later) EXPECT_NE(FirstDraws(June2024 + c.us), first) << c.apart;
}

}  // namespace
}  // namespace zolvane
