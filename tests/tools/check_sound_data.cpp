// The twenty wave files of a run folder, as the game reads them: the format from fixed
// offsets, the samples after the first "data" found from offset 34 on.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <vector>

#include "audio/sound.h"
#include "platform/data_files.h"
#include "tests/tools/data_check.h"

namespace zolvane {
namespace {

struct Expected {
  Effect Name;
  double MinSeconds, MaxSeconds;
};

// In the game's index order. The spoken lines fit between two praises; the landing and
// the menu sounds play many times a minute and must be over before the next.
constexpr Expected Sounds[] = {
    {Effect::YouAreGood, 0.4, 2.0},  {Effect::Spectacular, 0.4, 2.0},
    {Effect::Smashing, 0.4, 2.0},    {Effect::Perfect, 0.4, 2.0},
    {Effect::Great, 0.3, 2.0},       {Effect::Fantastic, 0.4, 2.0},
    {Effect::Excellent, 0.4, 2.0},   {Effect::Warning, 0.3, 0.9},
    {Effect::LineAdd, 0.2, 0.8},     {Effect::LevelDone, 0.6, 2.0},
    {Effect::WellDone, 0.4, 2.0},    {Effect::GoodJob, 0.4, 2.0},
    {Effect::MenuChange, 0.02, 0.15}, {Effect::MenuEnter, 0.02, 0.15},
    {Effect::MenuMove, 0.02, 0.15},  {Effect::GameOver, 1.0, 2.5},
    {Effect::FigureFall, 0.05, 0.2}, {Effect::NewGame, 0.4, 1.2},
    {Effect::LineDel, 0.2, 1.0},     {Effect::LineDelLow, 0.2, 1.0},
};
static_assert(std::size(Sounds) == EffectCount);

// An end that starts or stops with a step clicks; a few frames of fade are enough.
constexpr int EdgeFrames = 4;
constexpr int EdgeLimit = 328;  // 1 % of full scale

// The generator's ceiling, which leaves room for the effects the rules start together.
constexpr double CeilingDb = -3;

// A laptop's speakers play little under 200 Hz. Through a second-order high-pass there
// (Butterworth, as sox's "highpass 200"), an effect keeps at least half its energy, so
// it loses no more than 3 dB there and is still heard.
constexpr double SmallSpeakerHz = 200, SmallSpeakerLossDb = 3;

// The share of energy, in dB, that the high-pass lets through; the mono sum, as a
// laptop's two speakers side by side are heard.
double SmallSpeakerDb(const std::vector<double>& mono, double rate) {
  const double w = 2 * 3.14159265358979323846 * SmallSpeakerHz / rate, c = std::cos(w);
  const double alpha = std::sin(w) / (2 * std::sqrt(0.5)), a0 = 1 + alpha;
  const double b0 = (1 + c) / 2 / a0, b1 = -(1 + c) / a0, b2 = b0, a1 = -2 * c / a0, a2 = (1 - alpha) / a0;
  double x1 = 0, x2 = 0, y1 = 0, y2 = 0, all = 0, high = 0;
  for (double x : mono) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1, x1 = x, y2 = y1, y1 = y;
    all += x * x;
    high += y * y;
  }
  return all > 0 ? 10 * std::log10(std::max(high, 1e-30) / all) : -300;
}

// Left and right at the mixer's 44.1 kHz, full scale 1: a mono effect plays on both sides,
// a 22.05 kHz one is doubled by linear interpolation.
struct Played {
  std::vector<double> Left, Right;
};

// The effects the rules start at one moment: a praise over the small row clear, and at a
// level-up the level's sound over whichever clear it came with.
std::vector<std::vector<Effect>> StartedTogether() {
  const Effect levels[] = {Effect::LevelDone, Effect::WellDone, Effect::GoodJob};
  std::vector<std::vector<Effect>> groups;
  for (int i = 0; i < 7; ++i) {
    const Effect praise = Effect::Excellent - i;
    groups.push_back({praise, Effect::LineDelLow});
    for (Effect level : levels) groups.push_back({praise, Effect::LineDelLow, level});
  }
  for (Effect level : levels) groups.push_back({Effect::LineDel, level});
  return groups;
}

// The sound volume step of the config.ini a new player starts with.
constexpr int DefaultSoundVolume = 7;

// At the volume a new player starts with, the sum of any of those groups stays under full
// scale, so nothing clips before the mixer's limiter has to act.
void CheckStartedTogether(const std::array<Played, EffectCount>& played) {
  const double gain = std::pow(10.0, EffectVolumeTable[DefaultSoundVolume] / 2000.0);
  for (const std::vector<Effect>& group : StartedTogether()) {
    std::string names;
    size_t length = 0;
    for (Effect e : group) {
      names += (names.empty() ? "" : " + ") + std::string(EffectNames[static_cast<int>(e)]);
      length = std::max(length, played[static_cast<int>(e)].Left.size());
    }
    double peak = 0;
    for (size_t i = 0; i < length; ++i) {
      double left = 0, right = 0;
      for (Effect e : group) {
        const Played& p = played[static_cast<int>(e)];
        if (i >= p.Left.size()) continue;
        left += p.Left[i];
        right += p.Right[i];
      }
      peak = std::max({peak, std::fabs(left * gain), std::fabs(right * gain)});
    }
    Where = "sounds/";
    Check(peak < 1, names + " at the default volume peak at " + std::to_string(20 * std::log10(peak)) + " dBFS");
  }
}

void CheckSound(const std::string& run, const Expected& e, Played& played) {
  Where = std::string("sounds/") + EffectNames[static_cast<int>(e.Name)] + ".wav";
  const std::vector<uint8_t> b = ReadBytes(run + "/" + Where);
  Check(b.size() >= 44, "missing or shorter than a wave header");
  if (b.size() < 44) return;
  Check(std::memcmp(b.data(), "RIFF", 4) == 0 && std::memcmp(b.data() + 8, "WAVE", 4) == 0, "not RIFF WAVE");
  Check(U32(b, 4) + 8 == b.size(), "RIFF size differs from the file size");
  Check(std::memcmp(b.data() + 12, "fmt ", 4) == 0 && U32(b, 16) == 16, "format block not at offset 12");
  Check(U16(b, 20) == 1, "not PCM");
  const uint32_t channels = U16(b, 22), rate = U32(b, 24), align = U16(b, 32), bits = U16(b, 34);
  Check(channels == 1 || channels == 2, "neither mono nor stereo");
  Check(rate == 22050 || rate == 44100, "rate is neither 22050 nor 44100");
  Check(bits == 16, "not 16 bits");
  Check(align == channels * 2 && U32(b, 28) == rate * align, "block align or byte rate inconsistent");
  if (bits != 16 || (channels != 1 && channels != 2) || rate == 0) return;

  size_t data = 34;
  while (data + 8 <= b.size() && std::memcmp(b.data() + data, "data", 4) != 0) ++data;
  Check(data == 36, "\"data\" not at the canonical offset 36");
  if (data + 8 > b.size()) return;
  const size_t length = U32(b, data + 4), begin = data + 8;
  Check(begin + length <= b.size(), "sample data runs past the end of the file");
  Check(length % align == 0, "sample data not whole frames");
  if (begin + length > b.size()) return;

  const size_t frames = length / align;
  const double seconds = static_cast<double>(frames) / rate;
  Check(seconds >= e.MinSeconds && seconds <= e.MaxSeconds,
        "lasts " + std::to_string(seconds) + " s, outside " + std::to_string(e.MinSeconds) + " to " +
            std::to_string(e.MaxSeconds));
  if (frames < 2 * EdgeFrames) return;

  auto sample = [&](size_t frame, uint32_t channel) {
    return static_cast<int16_t>(U16(b, begin + frame * align + channel * 2));
  };
  int peak = 0;
  double sum = 0;
  std::vector<double> mono(frames, 0.0);
  for (size_t f = 0; f < frames; ++f)
    for (uint32_t c = 0; c < channels; ++c) {
      peak = std::max(peak, std::abs(static_cast<int>(sample(f, c))));
      sum += sample(f, c);
      mono[f] += sample(f, c) / (32768.0 * channels);
    }
  const size_t step = rate == 22050 ? 2 : 1;
  played.Left.assign(frames * step, 0.0);
  played.Right.assign(frames * step, 0.0);
  for (size_t i = 0; i < frames * step; ++i) {
    const size_t f = i / step, next = std::min(f + 1, frames - 1);
    const double t = static_cast<double>(i % step) / static_cast<double>(step);
    const uint32_t right = channels - 1;
    played.Left[i] = ((1 - t) * sample(f, 0) + t * sample(next, 0)) / 32768.0;
    played.Right[i] = ((1 - t) * sample(f, right) + t * sample(next, right)) / 32768.0;
  }
  const double peakDb = 20 * std::log10(std::max(peak, 1) / 32768.0);
  Check(peakDb >= -12 && peakDb <= CeilingDb,
        "peak " + std::to_string(peakDb) + " dBFS, outside -12 to " + std::to_string(CeilingDb));
  const double kept = SmallSpeakerDb(mono, rate);
  Check(kept >= -SmallSpeakerLossDb, std::to_string(-kept) + " dB quieter on a small speaker (no more than " +
                                         std::to_string(SmallSpeakerLossDb) + ")");
  // An offset makes every start and stop a click, whatever the fades do.
  Check(std::fabs(sum / static_cast<double>(frames * channels)) < 100, "DC offset");
  int first = 0, last = 0;
  for (size_t i = 0; i < EdgeFrames; ++i)
    for (uint32_t c = 0; c < channels; ++c) {
      first = std::max(first, std::abs(static_cast<int>(sample(i, c))));
      last = std::max(last, std::abs(static_cast<int>(sample(frames - 1 - i, c))));
    }
  Check(first <= EdgeLimit, "starts with a click");
  Check(last <= EdgeLimit, "ends with a click");
}

}  // namespace

void CheckSounds(const std::string& run) {
  std::array<Played, EffectCount> played;
  for (const Expected& e : Sounds) CheckSound(run, e, played[static_cast<int>(e.Name)]);
  CheckStartedTogether(played);
}

}  // namespace zolvane
