// The menu's three blips and the landing thud: heard many times a minute, so short, soft
// at the top and a little quieter than the rest.
#include <cmath>

#include "tools/sound/instruments.h"
#include "tools/sound/sounds.h"

namespace zolvane::gen {

constexpr double QuietPeakDb = -6;

// Moving the cursor: a small, high, round tick that key repeat can rattle off.
Sound MenuMove() {
  Sound s(Rate, 0, false);
  s.Left = Render(0.05, [](double t) {
    const double f = 1320 + 260 * std::exp(-t / 0.004);
    const double tone = std::sin(2 * Pi * f * t) + 0.15 * std::sin(4 * Pi * f * t);
    return Envelope(t, 0.0015, 0.011, 0.05) * tone;
  });
  Finish(s, QuietPeakDb, 0.001, 0.004);
  return s;
}

// Changing a value: two quick steps up, hollow like a square wave, the second brighter.
Sound MenuChange() {
  Sound s(Rate, 0.1, false);
  for (int step = 0; step < 2; ++step) {
    Oscillator o;
    Svf filter;
    const double f = Note(step == 0 ? 81 : 86);
    const std::vector<double> blip = Render(0.055, [&](double t) {
      const double tone = filter.Step(o.Square(f, Rate), 2800, 0.7, Rate).Low;
      return Envelope(t, 0.002, 0.02, 0.055) * tone;
    });
    Mix(s, blip, 0.04 * step, step == 0 ? 0.8 : 1.0);
  }
  Finish(s, QuietPeakDb, 0.001, 0.005);
  return s;
}

// Choosing: a fifth struck as a soft bell, sliding up a touch, fuller than the cursor.
Sound MenuEnter() {
  Sound s(Rate, 0.12, false);
  for (const auto& [midi, gain] : {std::pair{72.0, 1.0}, std::pair{79.0, 0.6}, std::pair{84.0, 0.25}}) {
    const double f = Note(midi);
    const std::vector<double> voice = Render(0.12, [f](double t) {
      const double glide = f * (1 - 0.03 * std::exp(-t / 0.012));
      const double modulation = 1.2 * std::exp(-t / 0.03) * std::sin(2 * Pi * 2 * glide * t);
      return Envelope(t, 0.002, 0.045, 0.12) * std::sin(2 * Pi * glide * t + modulation);
    });
    Mix(s, voice, 0, gain);
  }
  Finish(s, QuietPeakDb, 0.001, 0.01);
  return s;
}

// A brick landing: a falling low knock with a dull contact, no highs to tire the ear. The
// thump itself is below what a laptop plays, so its harmonics and the hollow ring of the
// well's walls carry it there: the ear fills in the low note from them.
Sound FigureFall() {
  Sound s(Rate, 0, false);
  Noise noise(16);
  Svf contact, wall, shell;
  Oscillator body, second, third, fourth;
  s.Left = Render(0.13, [&](double t) {
    const double f = 62 + 110 * std::exp(-t / 0.022);
    const double ring = std::exp(-t / 0.03);
    const double harmonics = 0.55 * second.Sine(2 * f, Rate) + 0.4 * third.Sine(3 * f, Rate) +
                             0.22 * fourth.Sine(4 * f, Rate);
    const double knock = Envelope(t, 0.0015, 0.036, 0.13) * (0.5 * body.Sine(f, Rate) + ring * harmonics);
    const double strike = Envelope(t, 0.0005, 0.006, 0.04) * noise.Next();
    const double click = 0.35 * contact.Step(strike, 900, 0.7, Rate).Low;
    // Two hollow modes struck by the contact, as of a plastic box.
    const double hollow = 2.5 * wall.Step(strike, 430, 9, Rate).Band + 1.4 * shell.Step(strike, 760, 8, Rate).Band;
    return std::tanh(1.4 * (knock + click + hollow));
  });
  Apply(s, Biquad::LowPass(2500, 0.707, Rate));
  Apply(s, Biquad::HighPass(30, 0.707, Rate));
  Finish(s, QuietPeakDb + 1, 0.0015, 0.02);
  return s;
}

}  // namespace zolvane::gen
