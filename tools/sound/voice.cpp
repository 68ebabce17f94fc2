// The praise lines. espeak-ng alone sounds like a screen reader: flat, thin and dry. A
// deeper voice with a wider melody and a slower delivery, a bit of presence and drive, a
// doubled voice and a small room turn it into an announcer. Each of these costs some
// clarity: the voice, pitch and pace are asked of espeak-ng, which keeps the vowels'
// formants where a listener expects them, and the rest stays light enough that
// scripts/audio/praise_recognition.sh still hears every line as itself.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/sound/sounds.h"

namespace zolvane::gen {
namespace {

bool RunEspeak(const std::string& espeak, const std::string& text, Sound& out) {
  const std::string ssml =
      "<speak><prosody range=\"x-high\"><emphasis>" + text + "</emphasis></prosody></speak>";
  // Our own fixed texts, so single quotes are safe here.
  const std::string command = "'" + espeak + "' -m -v en-us+m1 -p 45 -s 140 --stdout '" + ssml + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return false;
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  if (pclose(pipe) != 0) return false;
  return DecodeWave(bytes, out);
}

// Resampled by a factor: to the game's rate, and a touch slower, which also lowers pitch
// and formants for a bigger voice (only a touch: further and "perfect" blurs into "good
// job"). Windowed-sinc interpolation, so the vowels stay clean.
std::vector<double> Stretch(const std::vector<double>& in, double factor) {
  constexpr int Taps = 8;
  const size_t n = static_cast<size_t>(static_cast<double>(in.size()) * factor);
  std::vector<double> out(n, 0.0);
  for (size_t i = 0; i < n; ++i) {
    const double at = static_cast<double>(i) / factor;
    const long base = static_cast<long>(std::floor(at));
    double sum = 0;
    for (long k = base - Taps + 1; k <= base + Taps; ++k) {
      if (k < 0 || k >= static_cast<long>(in.size())) continue;
      const double x = at - static_cast<double>(k);
      const double sinc = std::fabs(x) < 1e-12 ? 1.0 : std::sin(Pi * x) / (Pi * x);
      const double window = 0.5 + 0.5 * std::cos(Pi * x / Taps);
      sum += in[static_cast<size_t>(k)] * sinc * window;
    }
    out[i] = sum;
  }
  return out;
}

// A copy a few milliseconds late whose delay wanders slowly, as a second take would.
std::vector<double> Double(const std::vector<double>& in, int rate, double delay, double depth, double hz) {
  std::vector<double> out(in.size(), 0.0);
  for (size_t i = 0; i < in.size(); ++i) {
    const double d = (delay + depth * std::sin(2 * Pi * hz * static_cast<double>(i) / rate)) * rate;
    const double at = static_cast<double>(i) - d;
    if (at < 0) continue;
    const size_t k = static_cast<size_t>(at);
    const double f = at - static_cast<double>(k);
    out[i] = in[k] * (1 - f) + (k + 1 < in.size() ? in[k + 1] : 0.0) * f;
  }
  return out;
}

// Set with scripts/audio/praise_recognition.sh, inside ranges where it hears all nine
// lines (the slowing from 1.04 to 1.08, the room from 0.06 to 0.09, the limiting from 4
// to 6 dB), so none of them sits on an edge.
constexpr double Slowing = 1.06, Drive = 1.3, DoubleDelay = 0.022, DoubleLevel = 0.12, RoomWet = 0.08;
// Loudness's measure of the nine lines as they were when mastered to -1 dBFS, on average;
// the quieter lines stop short of it at the most limiting a line takes.
constexpr double LineLoudness = -11.8, MaxLimitingDb = 5;

}  // namespace

bool Spoken(const std::string& espeak, const std::string& text, Sound& out) {
  Sound raw;
  if (!RunEspeak(espeak, text, raw)) return false;
  Apply(raw, Biquad::HighPass(80, 0.707, raw.Rate));
  Trim(raw, 45, 0.005, 0.02);

  Sound voice;
  voice.Rate = 44100;  // the game mixes at this rate: no resampling as it loads
  voice.Left = Stretch(raw.Left, Slowing * voice.Rate / raw.Rate);
  const int rate = voice.Rate;
  Apply(voice, Biquad::LowShelf(180, 2.5, rate));
  Apply(voice, Biquad::Peaking(2600, 0.9, 4, rate));
  // espeak's glottal pulses buzz above the speech band, and the drive below sharpens
  // its hiss: take a little off both.
  Apply(voice, Biquad::Peaking(6000, 1.0, -3, rate));
  Apply(voice, Biquad::LowPass(7000, 0.707, rate));
  Normalise(voice, 0);
  Compress(voice, -18, 3.5, 0.004, 0.09);
  // A little drive for a broadcast edge; more smears the consonants.
  Normalise(voice, 0);
  for (double& v : voice.Left) v = std::tanh(Drive * v) / std::tanh(Drive);

  // The second takes sit late and low: nearer and louder, they comb the vowels and a
  // listener hears "smashing" as "well played".
  const std::vector<double> dry = voice.Left;
  const std::vector<double> left = Double(dry, rate, DoubleDelay, 0.0004, 0.7);
  const std::vector<double> right = Double(dry, rate, DoubleDelay + 0.006, 0.0005, 0.9);
  voice.Right = dry;
  for (size_t i = 0; i < dry.size(); ++i) {
    voice.Left[i] += DoubleLevel * left[i];
    voice.Right[i] += DoubleLevel * right[i];
  }
  Append(voice, 0.35);
  Room(voice, {.Size = 0.7, .Damping = 0.5, .Wet = RoomWet, .PreDelay = 0.012});
  // Every line as loud as the others, whatever its words: pushed into the limiter, which
  // takes down only the short peaks of onsets and consonants, up to a point past which
  // it would flatten the words. The limiter costs some loudness back, so the push is
  // found by a few tries.
  Normalise(voice, 0);
  double push = LineLoudness - Loudness(voice);
  Sound finished;
  for (int attempt = 0; attempt < 4; ++attempt) {
    push = std::min(push, CeilingDb + MaxLimitingDb);
    finished = voice;
    Finish(finished, push, 0.004, 0.08);
    push += LineLoudness - Loudness(finished);
  }
  voice = finished;
  out = voice;
  return true;
}

}  // namespace zolvane::gen
