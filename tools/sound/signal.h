// Sample buffers and the few signal blocks the sound effects are made of. Everything is
// plain double arithmetic in a fixed order, so the same code gives the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zolvane::gen {

constexpr double Pi = 3.14159265358979323846;

// Mono when Right is empty.
struct Sound {
  int Rate = 44100;
  std::vector<double> Left, Right;

  Sound() = default;
  Sound(int rate, double seconds, bool stereo);
  bool Stereo() const { return !Right.empty(); }
  size_t Frames() const { return Left.size(); }
  size_t Frame(double seconds) const { return static_cast<size_t>(seconds * Rate + 0.5); }
};

// Adds a mono part into both channels at a start time, panned -1 (left) .. +1 (right).
void Mix(Sound& into, const std::vector<double>& part, double start, double gain, double pan = 0);

// The game's format: a canonical 44-byte header, 16-bit PCM, rounded without dither.
std::vector<uint8_t> EncodeWave(const Sound& s);
// Mono 16-bit PCM from a wave stream; the length after "data" is not trusted, since a
// writer that streams cannot know it.
bool DecodeWave(const std::vector<uint8_t>& bytes, Sound& out);

double Peak(const Sound& s);
double Db(double gain);
double FromDb(double db);
void Normalise(Sound& s, double peakDb);

// No effect peaks above this. The rules start two or three at once (a praise over a row
// clear, and a level's phrase with them) over the music: at the default volume their sum
// stays under full scale, and above it the mixer's limiter has less to do.
constexpr double CeilingDb = -3;
// Holds every peak under a ceiling with a gain that falls over the look-ahead before a
// peak and recovers over the release after it: no clipped edges, and the body of a
// sound keeps its level while only its tallest peaks come down.
void Limit(Sound& s, double ceilingDb, double lookahead, double release);
// How loud a sound is heard: the mean square of its loudest 400 ms, weighted as
// ITU-R BS.1770 weights (a 38 Hz high-pass and +4 dB above 1.5 kHz), in dB of full scale.
double Loudness(const Sound& s);
// Removes any offset, fades the ends so neither starts nor stops with a step, and scales
// to a peak level; a level above CeilingDb is reached with the limiter, so a sound pushed
// there is louder than one scaled to the ceiling yet peaks no higher.
void Finish(Sound& s, double peakDb, double fadeInSeconds, double fadeOutSeconds);
// Drops leading and trailing frames quieter than the threshold below the peak.
void Trim(Sound& s, double belowPeakDb, double keepBefore, double keepAfter);
void Append(Sound& s, double seconds);

// Topology-preserving state-variable filter (Simper): its cutoff may move every sample.
class Svf {
 public:
  struct Out {
    double Low, Band, High;
  };
  Out Step(double x, double cutoff, double q, int rate);

 private:
  double Ic1 = 0, Ic2 = 0;
};

// RBJ biquads for fixed equalisation.
class Biquad {
 public:
  static Biquad HighPass(double f, double q, int rate);
  static Biquad LowPass(double f, double q, int rate);
  static Biquad Peaking(double f, double q, double gainDb, int rate);
  static Biquad LowShelf(double f, double gainDb, int rate);
  static Biquad HighShelf(double f, double gainDb, int rate);
  double Step(double x);
  void Apply(std::vector<double>& v);

 private:
  static Biquad FromCoefficients(double b0, double b1, double b2, double a0, double a1, double a2);
  double B0 = 1, B1 = 0, B2 = 0, A1 = 0, A2 = 0;
  double X1 = 0, X2 = 0, Y1 = 0, Y2 = 0;
};
void Apply(Sound& s, const Biquad& filter);

// A small stereo room after Schroeder and Moorer: damped combs into allpasses, the right
// channel's delays a little longer so the two sides differ. Makes a mono sound stereo.
struct RoomSettings {
  double Size = 0.7;     // comb feedback, 0..~0.95
  double Damping = 0.4;  // high loss in the combs, 0..1
  double Wet = 0.2;
  double PreDelay = 0.01;
};
void Room(Sound& s, const RoomSettings& room);

// Feed-forward compressor on the louder channel, levels in dB relative to full scale.
void Compress(Sound& s, double thresholdDb, double ratio, double attack, double release);

// Band-limited saw and square (polyBLEP) and a sine, each with its own phase.
class Oscillator {
 public:
  double Sine(double frequency, int rate);
  double Saw(double frequency, int rate);
  double Square(double frequency, int rate);

 private:
  double Advance(double frequency, int rate);
  double P = 0;
};

// Attack, hold, exponential decay to silence (time constant tau), with an end ramp at
// length so the tail reaches exactly zero.
double Envelope(double t, double attack, double tau, double length);
double Smooth(double edge0, double edge1, double x);

}  // namespace zolvane::gen
