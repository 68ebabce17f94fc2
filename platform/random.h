// The program's one pseudo-random generator, seeded once at start-up (or by a test).
#pragma once
#include <cstdint>

namespace zolvane {

void RandomSeed(uint32_t seed);
// The generator's state: seeding with it goes on with the same numbers. Each game records
// it as its seed as it starts, so the numbers drawn stay those of before.
uint32_t RandomState();
// Seeds from the system clock (WallClockMicroseconds), as the start-up does.
void Randomize();
// Uniform integer 0 .. n-1 (0 when n <= 0).
int32_t RandomInt(int32_t n);
// Uniform fraction in [0, 1).
float RandomFloat();

}  // namespace zolvane
