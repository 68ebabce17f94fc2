#include "tools/sound/signal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace zolvane::gen {

Sound::Sound(int rate, double seconds, bool stereo) : Rate(rate) {
  const size_t n = static_cast<size_t>(seconds * rate + 0.5);
  Left.assign(n, 0.0);
  if (stereo) Right.assign(n, 0.0);
}

void Mix(Sound& into, const std::vector<double>& part, double start, double gain, double pan) {
  const size_t at = into.Frame(start);
  if (into.Frames() < at + part.size()) {
    into.Left.resize(at + part.size(), 0.0);
    if (into.Stereo()) into.Right.resize(at + part.size(), 0.0);
  }
  // Equal power, so a part sounds as loud wherever it stands.
  const double angle = (pan + 1) * Pi / 4;
  const double left = into.Stereo() ? std::cos(angle) * std::sqrt(2.0) : 1.0;
  const double right = std::sin(angle) * std::sqrt(2.0);
  for (size_t i = 0; i < part.size(); ++i) {
    into.Left[at + i] += part[i] * gain * left;
    if (into.Stereo()) into.Right[at + i] += part[i] * gain * right;
  }
}

namespace {

// Writers at a position: the file's size is known before the first byte.
void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
void PutTag(std::vector<uint8_t>& b, size_t at, const char* tag) { std::memcpy(b.data() + at, tag, 4); }

int16_t Quantise(double v) {
  const double scaled = std::round(std::clamp(v, -1.0, 1.0) * 32767.0);
  return static_cast<int16_t>(scaled);
}

uint32_t Get16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Get32(const std::vector<uint8_t>& b, size_t at) { return Get16(b, at) | Get16(b, at + 2) << 16; }

}  // namespace

std::vector<uint8_t> EncodeWave(const Sound& s) {
  const uint32_t channels = s.Stereo() ? 2 : 1;
  const uint32_t dataBytes = static_cast<uint32_t>(s.Frames() * channels * 2);
  std::vector<uint8_t> b(44 + dataBytes);
  PutTag(b, 0, "RIFF");
  Put32(b, 4, 36 + dataBytes);
  PutTag(b, 8, "WAVE");
  PutTag(b, 12, "fmt ");
  Put32(b, 16, 16);
  Put16(b, 20, 1);  // PCM
  Put16(b, 22, channels);
  Put32(b, 24, static_cast<uint32_t>(s.Rate));
  Put32(b, 28, static_cast<uint32_t>(s.Rate) * channels * 2);
  Put16(b, 32, channels * 2);
  Put16(b, 34, 16);
  PutTag(b, 36, "data");
  Put32(b, 40, dataBytes);
  size_t at = 44;
  for (size_t i = 0; i < s.Frames(); ++i) {
    Put16(b, at, static_cast<uint16_t>(Quantise(s.Left[i])));
    at += 2;
    if (!s.Stereo()) continue;
    Put16(b, at, static_cast<uint16_t>(Quantise(s.Right[i])));
    at += 2;
  }
  return b;
}

bool DecodeWave(const std::vector<uint8_t>& bytes, Sound& out) {
  if (bytes.size() < 44 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 12, "fmt ", 4) != 0)
    return false;
  if (Get16(bytes, 20) != 1 || Get16(bytes, 22) != 1 || Get16(bytes, 34) != 16) return false;
  for (size_t at = 36; at + 8 <= bytes.size(); ++at) {
    if (std::memcmp(bytes.data() + at, "data", 4) != 0) continue;
    const size_t begin = at + 8;
    const size_t count = std::min<size_t>(Get32(bytes, at + 4), bytes.size() - begin) / 2;
    out = Sound();
    out.Rate = static_cast<int>(Get32(bytes, 24));
    out.Left.resize(count);
    for (size_t i = 0; i < count; ++i)
      out.Left[i] = static_cast<int16_t>(Get16(bytes, begin + 2 * i)) / 32768.0;
    return count > 0;
  }
  return false;
}

double Peak(const Sound& s) {
  double peak = 0;
  for (double v : s.Left) peak = std::max(peak, std::fabs(v));
  for (double v : s.Right) peak = std::max(peak, std::fabs(v));
  return peak;
}

double Db(double gain) { return 20 * std::log10(gain); }
double FromDb(double db) { return std::pow(10.0, db / 20); }

void Finish(Sound& s, double peakDb, double fadeInSeconds, double fadeOutSeconds) {
  for (std::vector<double>* channel : {&s.Left, &s.Right}) {
    if (channel->empty()) continue;
    double mean = 0;
    for (double v : *channel) mean += v;
    mean /= static_cast<double>(channel->size());
    for (double& v : *channel) v -= mean;
    const size_t n = channel->size();
    const size_t in = std::min(n, s.Frame(fadeInSeconds)), out = std::min(n, s.Frame(fadeOutSeconds));
    // Raised-cosine ramps that reach zero on the very first and last frame.
    for (size_t i = 0; i < in; ++i) (*channel)[i] *= 0.5 - 0.5 * std::cos(Pi * i / in);
    for (size_t i = 0; i < out; ++i) (*channel)[n - 1 - i] *= 0.5 - 0.5 * std::cos(Pi * i / out);
  }
  Normalise(s, peakDb);
  if (peakDb > CeilingDb) Limit(s, CeilingDb, 0.0015, 0.06);
}

double Loudness(const Sound& s) {
  std::vector<double> mono = s.Left;
  if (s.Stereo())
    for (size_t i = 0; i < mono.size(); ++i) mono[i] = 0.5 * (s.Left[i] + s.Right[i]);
  Biquad::HighPass(38, 0.5, s.Rate).Apply(mono);
  Biquad::HighShelf(1500, 4, s.Rate).Apply(mono);
  // Windows of 400 ms every 100 ms, the last one ending at the last frame.
  const size_t window = std::min(mono.size(), s.Frame(0.4)), hop = s.Frame(0.1);
  double loudest = 0;
  for (size_t start = 0;; start += hop) {
    const size_t begin = std::min(start, mono.size() - window);
    double sum = 0;
    for (size_t i = begin; i < begin + window; ++i) sum += mono[i] * mono[i];
    loudest = std::max(loudest, sum / static_cast<double>(std::max<size_t>(window, 1)));
    if (begin + window >= mono.size()) break;
  }
  return 10 * std::log10(std::max(loudest, 1e-20));
}

void Limit(Sound& s, double ceilingDb, double lookahead, double release) {
  const size_t n = s.Frames(), ahead = std::max<size_t>(1, s.Frame(lookahead));
  // The ceiling a hair lower, so rounding to 16 bits cannot push a peak over it.
  const double ceiling = FromDb(ceilingDb) * (1 - 1.0 / 32768);
  std::vector<double> need(n, 1.0);
  for (size_t i = 0; i < n; ++i) {
    const double x = std::max(std::fabs(s.Left[i]), s.Stereo() ? std::fabs(s.Right[i]) : 0.0);
    if (x > ceiling) need[i] = ceiling / x;
  }
  // The lowest gain any frame within the look-ahead needs, held and then released.
  // A moving minimum over a short window; effects are short, so the plain loop will do.
  const double recover = 1 - std::exp(-1 / (release * s.Rate));
  std::vector<double> held(n, 1.0);
  double gain = 1.0;
  for (size_t i = 0; i < n; ++i) {
    double lowest = 1.0;
    for (size_t j = i; j < std::min(n, i + ahead); ++j) lowest = std::min(lowest, need[j]);
    gain = std::min(lowest, gain + (1 - gain) * recover);
    held[i] = gain;
  }
  // Averaging over the look-ahead rounds the corners; every frame averaged before a peak
  // already holds that peak's gain, so the average never lets it through.
  double sum = 0;
  for (size_t i = 0; i < n; ++i) {
    sum += held[i];
    if (i >= ahead) sum -= held[i - ahead];
    const double g = sum / static_cast<double>(std::min(i + 1, ahead));
    s.Left[i] *= g;
    if (s.Stereo()) s.Right[i] *= g;
  }
}

void Normalise(Sound& s, double peakDb) {
  const double peak = Peak(s);
  if (peak <= 0) return;
  const double gain = FromDb(peakDb) / peak;
  for (double& v : s.Left) v *= gain;
  for (double& v : s.Right) v *= gain;
}

void Trim(Sound& s, double belowPeakDb, double keepBefore, double keepAfter) {
  const double threshold = Peak(s) * FromDb(-belowPeakDb);
  size_t first = s.Frames(), last = 0;
  for (size_t i = 0; i < s.Frames(); ++i) {
    const double v = std::max(std::fabs(s.Left[i]), s.Stereo() ? std::fabs(s.Right[i]) : 0.0);
    if (v < threshold) continue;
    first = std::min(first, i);
    last = i;
  }
  if (first > last) return;
  const size_t before = s.Frame(keepBefore), after = s.Frame(keepAfter);
  const size_t begin = first > before ? first - before : 0;
  const size_t end = std::min(s.Frames(), last + 1 + after);
  for (std::vector<double>* channel : {&s.Left, &s.Right}) {
    if (channel->empty()) continue;
    *channel = std::vector<double>(channel->begin() + static_cast<std::ptrdiff_t>(begin),
                                   channel->begin() + static_cast<std::ptrdiff_t>(end));
  }
}

void Append(Sound& s, double seconds) {
  const size_t n = s.Frames() + s.Frame(seconds);
  s.Left.resize(n, 0.0);
  if (s.Stereo()) s.Right.resize(n, 0.0);
}

Svf::Out Svf::Step(double x, double cutoff, double q, int rate) {
  const double g = std::tan(Pi * std::min(cutoff, 0.45 * rate) / rate);
  const double k = 1 / q;
  const double a1 = 1 / (1 + g * (g + k)), a2 = g * a1, a3 = g * a2;
  const double v3 = x - Ic2;
  const double v1 = a1 * Ic1 + a2 * v3;
  const double v2 = Ic2 + a2 * Ic1 + a3 * v3;
  Ic1 = 2 * v1 - Ic1;
  Ic2 = 2 * v2 - Ic2;
  return {v2, v1, x - k * v1 - v2};
}

Biquad Biquad::FromCoefficients(double b0, double b1, double b2, double a0, double a1, double a2) {
  Biquad f;
  f.B0 = b0 / a0;
  f.B1 = b1 / a0;
  f.B2 = b2 / a0;
  f.A1 = a1 / a0;
  f.A2 = a2 / a0;
  return f;
}

Biquad Biquad::HighPass(double f, double q, int rate) {
  const double w = 2 * Pi * f / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
  return FromCoefficients((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::LowPass(double f, double q, int rate) {
  const double w = 2 * Pi * f / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
  return FromCoefficients((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + alpha, -2 * c, 1 - alpha);
}

Biquad Biquad::Peaking(double f, double q, double gainDb, int rate) {
  const double a = std::pow(10.0, gainDb / 40);
  const double w = 2 * Pi * f / rate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
  return FromCoefficients(1 + alpha * a, -2 * c, 1 - alpha * a, 1 + alpha / a, -2 * c, 1 - alpha / a);
}

Biquad Biquad::LowShelf(double f, double gainDb, int rate) {
  const double a = std::pow(10.0, gainDb / 40);
  const double w = 2 * Pi * f / rate, c = std::cos(w);
  const double alpha = std::sin(w) / 2 * std::sqrt(2.0);  // shelf slope 1
  const double r = 2 * std::sqrt(a) * alpha;
  return FromCoefficients(a * ((a + 1) - (a - 1) * c + r), 2 * a * ((a - 1) - (a + 1) * c),
                    a * ((a + 1) - (a - 1) * c - r), (a + 1) + (a - 1) * c + r,
                    -2 * ((a - 1) + (a + 1) * c), (a + 1) + (a - 1) * c - r);
}

Biquad Biquad::HighShelf(double f, double gainDb, int rate) {
  const double a = std::pow(10.0, gainDb / 40);
  const double w = 2 * Pi * f / rate, c = std::cos(w);
  const double alpha = std::sin(w) / 2 * std::sqrt(2.0);  // shelf slope 1
  const double r = 2 * std::sqrt(a) * alpha;
  return FromCoefficients(a * ((a + 1) + (a - 1) * c + r), -2 * a * ((a - 1) + (a + 1) * c),
                          a * ((a + 1) + (a - 1) * c - r), (a + 1) - (a - 1) * c + r,
                          2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - r);
}

double Biquad::Step(double x) {
  const double y = B0 * x + B1 * X1 + B2 * X2 - A1 * Y1 - A2 * Y2;
  X2 = X1;
  X1 = x;
  Y2 = Y1;
  Y1 = y;
  return y;
}

void Biquad::Apply(std::vector<double>& v) {
  for (double& x : v) x = Step(x);
}

void Apply(Sound& s, const Biquad& filter) {
  Biquad left = filter, right = filter;
  left.Apply(s.Left);
  right.Apply(s.Right);
}

namespace {

class Comb {
 public:
  explicit Comb(size_t length) : Buffer(length, 0.0) {}
  double Step(double x, double feedback, double damping) {
    const double out = Buffer[At];
    Store = out * (1 - damping) + Store * damping;
    Buffer[At] = x + Store * feedback;
    At = (At + 1) % Buffer.size();
    return out;
  }

 private:
  std::vector<double> Buffer;
  size_t At = 0;
  double Store = 0;
};

class Allpass {
 public:
  explicit Allpass(size_t length) : Buffer(length, 0.0) {}
  double Step(double x) {
    const double delayed = Buffer[At];
    Buffer[At] = x + delayed * 0.5;
    At = (At + 1) % Buffer.size();
    return delayed - x;
  }

 private:
  std::vector<double> Buffer;
  size_t At = 0;
};

// Mutually prime delays (in frames at 44.1 kHz) so the echoes do not pile up on one beat.
constexpr std::array<int, 8> CombLengths = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> AllpassLengths = {556, 441, 341, 225};
constexpr int StereoSpread = 23;

std::vector<double> RoomChannel(const std::vector<double>& in, const RoomSettings& room, int rate,
                                 int spread) {
  const double scale = rate / 44100.0;
  std::vector<Comb> combs;
  std::vector<Allpass> allpasses;
  for (int n : CombLengths) combs.emplace_back(static_cast<size_t>((n + spread) * scale));
  for (int n : AllpassLengths) allpasses.emplace_back(static_cast<size_t>((n + spread) * scale));
  const size_t preDelay = static_cast<size_t>(room.PreDelay * rate);
  std::vector<double> out(in.size(), 0.0);
  for (size_t i = 0; i < in.size(); ++i) {
    const double x = i >= preDelay ? in[i - preDelay] * 0.015 : 0.0;
    double sum = 0;
    for (Comb& c : combs) sum += c.Step(x, room.Size, room.Damping);
    for (Allpass& a : allpasses) sum = a.Step(sum);
    out[i] = sum;
  }
  return out;
}

}  // namespace

void Room(Sound& s, const RoomSettings& room) {
  std::vector<double> input = s.Left;
  if (s.Stereo())
    for (size_t i = 0; i < input.size(); ++i) input[i] = 0.5 * (s.Left[i] + s.Right[i]);
  const std::vector<double> left = RoomChannel(input, room, s.Rate, 0);
  const std::vector<double> right = RoomChannel(input, room, s.Rate, StereoSpread);
  if (!s.Stereo()) s.Right = s.Left;
  for (size_t i = 0; i < s.Frames(); ++i) {
    s.Left[i] += 3 * room.Wet * left[i];
    s.Right[i] += 3 * room.Wet * right[i];
  }
}

void Compress(Sound& s, double thresholdDb, double ratio, double attack, double release) {
  const double up = std::exp(-1 / (attack * s.Rate)), down = std::exp(-1 / (release * s.Rate));
  double level = 0;
  for (size_t i = 0; i < s.Frames(); ++i) {
    const double x = std::max(std::fabs(s.Left[i]), s.Stereo() ? std::fabs(s.Right[i]) : 0.0);
    const double coefficient = x > level ? up : down;
    level = coefficient * level + (1 - coefficient) * x;
    const double over = Db(std::max(level, 1e-9)) - thresholdDb;
    if (over <= 0) continue;
    const double gain = FromDb(-over * (1 - 1 / ratio));
    s.Left[i] *= gain;
    if (s.Stereo()) s.Right[i] *= gain;
  }
}

namespace {

// The polynomial that rounds off a waveform's jump over one sample.
double Blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1;
  }
  if (t > 1 - dt) {
    t = (t - 1) / dt;
    return t * t + t + t + 1;
  }
  return 0;
}

}  // namespace

double Oscillator::Advance(double frequency, int rate) {
  const double t = P;
  P += frequency / rate;
  P -= std::floor(P);
  return t;
}

double Oscillator::Sine(double frequency, int rate) { return std::sin(2 * Pi * Advance(frequency, rate)); }

double Oscillator::Saw(double frequency, int rate) {
  const double dt = frequency / rate;
  const double t = Advance(frequency, rate);
  return 2 * t - 1 - Blep(t, dt);
}

double Oscillator::Square(double frequency, int rate) {
  const double dt = frequency / rate;
  const double t = Advance(frequency, rate);
  double half = t + 0.5;
  half -= std::floor(half);
  return (t < 0.5 ? 1.0 : -1.0) + Blep(t, dt) - Blep(half, dt);
}

double Envelope(double t, double attack, double tau, double length) {
  if (t < 0 || t >= length) return 0;
  const double rise = t < attack ? std::sin(0.5 * Pi * t / attack) : 1.0;
  const double fall = t < attack ? 1.0 : std::exp(-(t - attack) / tau);
  const double ramp = std::min(0.01, 0.2 * length);
  return rise * fall * std::min(1.0, (length - t) / ramp);
}

double Smooth(double edge0, double edge1, double x) {
  double t = std::clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

}  // namespace zolvane::gen
