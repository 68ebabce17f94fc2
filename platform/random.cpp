#include "platform/random.h"

#include "platform/clock.h"

namespace zolvane {

namespace {
// A 32-bit linear congruential generator: cheap, and the same sequence on every machine,
// which is what replaying a reported game needs.
uint32_t Seed = 0;
uint32_t Next() {
  Seed = Seed * 134775813u + 1u;
  return Seed;
}
}  // namespace

void RandomSeed(uint32_t seed) { Seed = seed; }
uint32_t RandomState() { return Seed; }
// Wall time, not timeGetTime: that starts again with every run, and as start-up takes about
// as long each time, many games opened with the same figures.
void Randomize() {
  const uint64_t now = WallClockMicroseconds();
  RandomSeed(static_cast<uint32_t>(now ^ (now >> 32)));
}

int32_t RandomInt(int32_t n) {
  if (n <= 0) return 0;
  return static_cast<int32_t>((static_cast<uint64_t>(Next()) * static_cast<uint32_t>(n)) >> 32);
}

float RandomFloat() {
  // 24 bits, so the float can never round up to 1.0.
  return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f);
}

}  // namespace zolvane
