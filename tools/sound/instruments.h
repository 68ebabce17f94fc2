// The few instruments the synthesised effects are played on, at 44.1 kHz.
#pragma once
#include <cstdint>
#include <vector>

#include "tools/common/noise.h"
#include "tools/sound/signal.h"

namespace zolvane::gen {

constexpr int Rate = 44100;

// Equal temperament from the MIDI note number (69 = A4 = 440 Hz).
double Note(double midi);

// Samples of f(t) over a length, t in seconds.
template <class F>
std::vector<double> Render(double seconds, F f) {
  std::vector<double> v(static_cast<size_t>(seconds * Rate + 0.5));
  for (size_t i = 0; i < v.size(); ++i) v[i] = f(static_cast<double>(i) / Rate);
  return v;
}

// White noise in -1..1 from a seed.
class Noise {
 public:
  explicit Noise(uint32_t seed) : Generator(seed) {}
  double Next() { return Generator.Uniform() * 2.0 - 1.0; }

 private:
  Rng Generator;
};

// A struck chime: frequency modulation whose brightness fades faster than the tone.
std::vector<double> Bell(double frequency, double length, double ratio, double index, double tau);
// A brass-like note: two detuned saws through a filter that opens on the attack.
std::vector<double> Brass(double frequency, double length, double brightness);

}  // namespace zolvane::gen
