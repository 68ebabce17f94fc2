// The program's one pseudo-random generator, seeded once at start-up (or by a test).
#pragma once
#include <cstdint>

namespace zolvane {

void RandomSeed(uint32_t seed);
// Seeds from the system clock (WallClockMicroseconds), as the start-up does.
void Randomize();
// Uniform integer 0 .. n-1 (0 when n <= 0).
int32_t RandomInt(int32_t n);
// Uniform fraction in [0, 1).
float RandomFloat();

}  // namespace zolvane
