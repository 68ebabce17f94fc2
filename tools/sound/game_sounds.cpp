// The sounds of play: the garbage row's warning and arrival, row clears, and the phrases
// that open a game, finish a level and end a game.
#include <cmath>

#include "tools/sound/instruments.h"
#include "tools/sound/sounds.h"

namespace zolvane::gen {

// Heard at 3, 2 and 1 seconds before a garbage row: high-low twice, bright enough to cut
// through the music, with a gap at the end so the three calls stay apart. A steady tone
// sounds louder than speech at the same peak, so it stands a little lower.
Sound Warning() {
  Sound s(Rate, 0.62, false);
  for (int beat = 0; beat < 4; ++beat) {
    const double f = beat % 2 == 0 ? Note(83) : Note(78);
    Oscillator square, sine;
    Svf first, second;
    const std::vector<double> tone = Render(0.135, [&](double t) {
      const double vibrato = 1 + 0.004 * std::sin(2 * Pi * 18 * t);
      // Four poles on the square keep its edge without the fizz of the high harmonics.
      const double edge = second.Step(first.Step(square.Square(f * vibrato, Rate), 2200, 0.7, Rate).Low,
                                       2200, 0.7, Rate).Low;
      const double body = sine.Sine(f * vibrato, Rate) + 0.5 * edge;
      return Smooth(0, 0.003, t) * Smooth(0.135, 0.122, t) * (0.6 + 0.4 * std::exp(-t / 0.06)) * body;
    });
    Mix(s, tone, 0.15 * beat, 1);
  }
  Finish(s, -3, 0.002, 0.005);
  return s;
}

// A garbage row shoves the well up: a knock, then grinding rumble that rises as it pushes.
// The engine's growl is its saw's upper harmonics and the grind sits in the low mids, so
// a laptop that plays nothing under 200 Hz still hears the push.
Sound LineAdd() {
  Sound s(Rate, 0, false);
  Noise noise(8);
  Svf grind, sub, scrape;
  Oscillator saw, knock, knockHarmonic;
  s.Left = Render(0.5, [&](double t) {
    const double push = Smooth(0, 0.4, t);
    const double n = noise.Next();
    const double rumble = grind.Step(n, 180 + 450 * push, 1.8, Rate).Band * 2.2 +
                          scrape.Step(n, 700 + 500 * push, 2.5, Rate).Band * 0.9;
    const double engine = sub.Step(saw.Saw(45 + 45 * push, Rate), 900, 0.9, Rate).Low * 0.55;
    const double body = Envelope(t, 0.012, 10, 0.5) * Smooth(0.5, 0.3, t) * (rumble + engine);
    const double pitch = 70 + 60 * std::exp(-t / 0.015);
    const double hit = Envelope(t, 0.001, 0.03, 0.12) *
                       (0.7 * knock.Sine(pitch, Rate) + 0.6 * knockHarmonic.Sine(3 * pitch, Rate));
    return std::tanh(1.8 * (body + hit));
  });
  Apply(s, Biquad::HighPass(28, 0.707, Rate));
  Apply(s, Biquad::LowPass(2200, 0.707, Rate));
  // A dense rumble: its peaks can come down further than a struck sound's.
  Finish(s, -0.5, 0.002, 0.03);
  return s;
}

// A level done: a quick brass arpeggio up to a held major chord, bells on top.
Sound LevelDone() {
  Sound s(Rate, 1.45, true);
  const double arpeggio[] = {72, 76, 79, 84};
  for (int i = 0; i < 4; ++i)
    Mix(s, Brass(Note(arpeggio[i]), 0.13, 5), 0.075 * i, 0.55, -0.45 + 0.3 * i);
  for (double midi : {72.0, 76.0, 79.0, 84.0})
    Mix(s, Brass(Note(midi), 0.85, 4), 0.33, 0.32, (midi - 78) / 14);
  for (int i = 0; i < 3; ++i)
    Mix(s, Bell(Note(96 + 4 * i - (i == 2 ? 1 : 0)), 0.6, 2.0, 0.8, 0.18), 0.33 + 0.06 * i, 0.14,
        i == 1 ? 0.5 : -0.3);
  Room(s, {.Size = 0.78, .Damping = 0.35, .Wet = 0.16, .PreDelay = 0.015});
  Finish(s, -0.8, 0.002, 0.12);
  return s;
}

// A game starts: a rising chime in G, with air sweeping up beneath it.
Sound NewGame() {
  Sound s(Rate, 0.9, true);
  const double notes[] = {79, 84, 88, 91};
  for (int i = 0; i < 4; ++i)
    Mix(s, Bell(Note(notes[i]), 0.8 - 0.07 * i, 2.0, 1.6, 0.18), 0.07 * i, 0.45, -0.5 + i / 3.0);
  Noise noise(17);
  Svf filter;
  const std::vector<double> air = Render(0.4, [&](double t) {
    const double cutoff = 500 * std::pow(8.0, t / 0.4);
    return Smooth(0, 0.25, t) * Smooth(0.4, 0.3, t) * filter.Step(noise.Next(), cutoff, 2.5, Rate).Band;
  });
  Mix(s, air, 0, 0.3);
  Room(s, {.Size = 0.8, .Damping = 0.3, .Wet = 0.18, .PreDelay = 0.01});
  Finish(s, -0.7, 0.002, 0.1);
  return s;
}

// The game is lost: down a minor arpeggio to a long low note that sags and fades.
Sound GameOver() {
  Sound s(Rate, 1.9, true);
  const double notes[] = {67, 63, 60};
  for (int i = 0; i < 3; ++i) Mix(s, Brass(Note(notes[i]), 0.27, 3), 0.25 * i, 0.5, 0.2 - 0.2 * i);
  Oscillator a, b, c;
  Svf filter;
  const double f = Note(55);
  const std::vector<double> last = Render(1.1, [&](double t) {
    const double sag = std::pow(2.0, -Smooth(0.4, 1.05, t) / 12);
    const double vibrato = 1 + 0.006 * std::sin(2 * Pi * 5 * t) * Smooth(0.15, 0.5, t);
    const double g = f * sag * vibrato;
    // The octave below is felt more than heard; the saws' open upper harmonics keep the
    // note full on a small speaker.
    const double tone = 0.5 * (a.Saw(g * 1.004, Rate) + b.Saw(g * 0.996, Rate)) + 0.35 * c.Sine(g / 2, Rate);
    const double cutoff = g * (2.5 + 5 * std::exp(-t / 0.35));
    return Smooth(0, 0.015, t) * std::exp(-t / 0.7) * Smooth(1.1, 0.8, t) * filter.Step(tone, cutoff, 0.9, Rate).Low;
  });
  Mix(s, last, 0.75, 0.75);
  Room(s, {.Size = 0.8, .Damping = 0.5, .Wet = 0.15, .PreDelay = 0.015});
  Finish(s, 1.5, 0.002, 0.1);
  return s;
}

namespace {

struct ClearSettings {
  double SweepFrom, SweepTo;  // Hz of the noise's band
  double ZipFrom, ZipTo;      // Hz of the tone under it
  double SparkLow, SparkHigh;
  int Sparks;
  double Length;
  uint32_t Seed;
};

// A row vanishes: a band of noise and a tone sweep up together, sparks scatter after.
Sound RowClear(const ClearSettings& c) {
  Sound s(Rate, c.Length, true);
  Noise noise(c.Seed);
  Svf band;
  Oscillator zip;
  const std::vector<double> sweep = Render(c.Length * 0.7, [&](double t) {
    const double u = t / (c.Length * 0.7);
    const double cutoff = c.SweepFrom * std::pow(c.SweepTo / c.SweepFrom, std::sqrt(u));
    const double air = band.Step(noise.Next(), cutoff, 6, Rate).Band / 6;
    const double f = c.ZipFrom * std::pow(c.ZipTo / c.ZipFrom, Smooth(0, 0.35, u));
    const double amplitude = Smooth(0, 0.03, u) * Smooth(1, 0.35, u);
    return amplitude * (1.6 * air + 0.45 * zip.Sine(f, Rate) * Smooth(0.7, 0.2, u));
  });
  Mix(s, sweep, 0, 1);
  Rng scatter(c.Seed * 7919u);
  for (int i = 0; i < c.Sparks; ++i) {
    const double start = scatter.Range(0.08f, static_cast<float>(c.Length * 0.6));
    const double f = scatter.Range(static_cast<float>(c.SparkLow), static_cast<float>(c.SparkHigh));
    const double pan = scatter.Range(-0.8f, 0.8f);
    Mix(s, Bell(f, 0.15, 1.5, 0.8, 0.035), start, 0.35, pan);
  }
  Apply(s, Biquad::LowPass(9000, 0.707, Rate));
  Room(s, {.Size = 0.72, .Damping = 0.4, .Wet = 0.14, .PreDelay = 0.008});
  return s;
}

}  // namespace

Sound LineDel() {
  Sound s = RowClear({.SweepFrom = 600, .SweepTo = 6500, .ZipFrom = 420, .ZipTo = 1700,
                      .SparkLow = 2400, .SparkHigh = 6000, .Sparks = 16, .Length = 0.6, .Seed = 18});
  Finish(s, -0.5, 0.002, 0.06);
  return s;
}

// Under a spoken praise: smaller and lower so the voice stays clear.
Sound LineDelLow() {
  Sound s = RowClear({.SweepFrom = 300, .SweepTo = 2000, .ZipFrom = 200, .ZipTo = 700,
                      .SparkLow = 1200, .SparkHigh = 2600, .Sparks = 5, .Length = 0.45, .Seed = 19});
  // As far under the praise as before the praise was pushed up to its ceiling.
  Finish(s, -5, 0.002, 0.05);
  return s;
}

}  // namespace zolvane::gen
