// Seeded value noise and hashes: the same numbers on every machine and every build, which
// the standard library's distributions do not promise.
#pragma once
#include <cmath>
#include <cstdint>

namespace zolvane::gen {

inline uint32_t Hash(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

inline uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
  return Hash(static_cast<uint32_t>(x) * 0x9E3779B1u ^ Hash(static_cast<uint32_t>(y) + seed * 0x85EBCA77u));
}

// Uniform in [0, 1).
inline float Random01(int32_t x, int32_t y, uint32_t seed) {
  return static_cast<float>(Hash(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

// A tiny sequential generator for scattering things.
struct Rng {
  uint32_t State;
  explicit Rng(uint32_t seed) : State(Hash(seed + 0x632BE5ABu)) {}
  uint32_t Next() {
    State = Hash(State + 0x9E3779B9u);
    return State;
  }
  float Uniform() { return static_cast<float>(Next() >> 8) * (1.0f / 16777216.0f); }
  float Range(float lo, float hi) { return lo + (hi - lo) * Uniform(); }
};

inline float SmoothStep(float e0, float e1, float x) {
  float t = (x - e0) / (e1 - e0);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return t * t * (3 - 2 * t);
}

// Smooth value noise in [0, 1).
inline float ValueNoise(float x, float y, uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int32_t ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
  float tx = x - fx, ty = y - fy;
  tx = tx * tx * tx * (tx * (tx * 6 - 15) + 10);
  ty = ty * ty * ty * (ty * (ty * 6 - 15) + 10);
  const float a = Random01(ix, iy, seed), b = Random01(ix + 1, iy, seed);
  const float c = Random01(ix, iy + 1, seed), d = Random01(ix + 1, iy + 1, seed);
  const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

// Fractal sum of octaves, normalised to about [0, 1).
inline float Fbm(float x, float y, uint32_t seed, int octaves, float gain = 0.5f) {
  float sum = 0, amplitude = 1, total = 0;
  for (int i = 0; i < octaves; ++i) {
    sum += amplitude * ValueNoise(x, y, seed + 101u * i);
    total += amplitude;
    amplitude *= gain;
    // A rotation between octaves hides the grid of the lattice.
    const float nx = 1.6f * x - 1.2f * y + 17.3f, ny = 1.2f * x + 1.6f * y - 9.1f;
    x = nx;
    y = ny;
  }
  return sum / total;
}

}  // namespace zolvane::gen
