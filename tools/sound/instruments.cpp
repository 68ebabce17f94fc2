#include "tools/sound/instruments.h"

#include <algorithm>
#include <cmath>

namespace zolvane::gen {

double Note(double midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12); }

std::vector<double> Bell(double frequency, double length, double ratio, double index, double tau) {
  return Render(length, [=](double t) {
    const double modulation = index * std::exp(-t / (0.35 * tau)) * std::sin(2 * Pi * frequency * ratio * t);
    return Envelope(t, 0.002, tau, length) * std::sin(2 * Pi * frequency * t + modulation);
  });
}

std::vector<double> Brass(double frequency, double length, double brightness) {
  Oscillator a, b;
  Svf filter;
  return Render(length, [&, frequency, length, brightness](double t) {
    // A slight scoop up to pitch, as a player's lips settle.
    const double f = frequency * (1 - 0.012 * std::exp(-t / 0.02));
    const double tone = 0.5 * (a.Saw(f * 1.003, Rate) + b.Saw(f * 0.997, Rate));
    const double open = std::exp(-t / (0.6 * length));
    const double cutoff = f * (1.5 + brightness * (0.4 + 0.6 * open) * Smooth(0, 0.03, t));
    const double release = std::min(0.15, 0.3 * length);
    const double amplitude = Smooth(0, 0.012, t) * (0.75 + 0.25 * open) * Smooth(length, length - release, t);
    return amplitude * filter.Step(tone, cutoff, 0.8, Rate).Low;
  });
}

}  // namespace zolvane::gen
