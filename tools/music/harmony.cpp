#include "tools/music/harmony.h"

#include <algorithm>
#include <cstdlib>

namespace zolvane::music {
namespace {

std::array<int, 7> ModeSteps(Mode mode) {
  switch (mode) {
    case Mode::Ionian: return {0, 2, 4, 5, 7, 9, 11};
    case Mode::Dorian: return {0, 2, 3, 5, 7, 9, 10};
    case Mode::Lydian: return {0, 2, 4, 6, 7, 9, 11};
    case Mode::Mixolydian: return {0, 2, 4, 5, 7, 9, 10};
    case Mode::Aeolian: return {0, 2, 3, 5, 7, 8, 10};
  }
  return {0, 2, 4, 5, 7, 9, 11};
}

// Where each mode's tonic sits in its parent major scale.
int ModeOffset(Mode mode) {
  switch (mode) {
    case Mode::Ionian: return 0;
    case Mode::Dorian: return 2;
    case Mode::Lydian: return 5;
    case Mode::Mixolydian: return 7;
    case Mode::Aeolian: return 9;
  }
  return 0;
}

int Pc(int v) { return ((v % 12) + 12) % 12; }

bool Semitones(const std::vector<int>& tones) {
  for (size_t i = 0; i < tones.size(); ++i)
    for (size_t j = i + 1; j < tones.size(); ++j) {
      const int d = Pc(tones[i] - tones[j]);
      if (d == 1 || d == 11) return true;
    }
  return false;
}

struct Weighted {
  int degree, weight;
};

// The chords that serve each function in a mode; the diminished triad of each mode is left
// out, and each mode's own colour chord weighs more (Dorian IV, Lydian II, Mixolydian bVII).
std::vector<Weighted> Candidates(Mode mode, Function f) {
  switch (mode) {
    case Mode::Ionian:
      if (f == Function::Tonic) return {{0, 4}, {5, 3}, {2, 1}};
      if (f == Function::Sub) return {{3, 4}, {1, 3}};
      return {{4, 1}};
    case Mode::Lydian:
      if (f == Function::Tonic) return {{0, 4}, {2, 1}, {5, 1}};
      if (f == Function::Sub) return {{1, 4}, {5, 2}};
      return {{4, 2}, {6, 1}};
    case Mode::Mixolydian:
      if (f == Function::Tonic) return {{0, 4}, {5, 1}};
      if (f == Function::Sub) return {{3, 4}, {1, 2}};
      return {{6, 3}, {4, 1}};
    case Mode::Dorian:
      if (f == Function::Tonic) return {{0, 4}, {2, 1}};
      if (f == Function::Sub) return {{3, 4}, {1, 2}};
      return {{6, 3}, {4, 1}};
    case Mode::Aeolian:
      if (f == Function::Tonic) return {{0, 4}, {2, 2}};
      if (f == Function::Sub) return {{5, 3}, {3, 3}};
      return {{6, 2}, {4, 2}};
  }
  return {{0, 1}};
}

Function Next(Rng& rng, Function from) {
  const float r = rng.Uniform();
  switch (from) {
    case Function::Tonic: return r < 0.5f ? Function::Sub : (r < 0.75f ? Function::Dominant : Function::Tonic);
    case Function::Sub: return r < 0.5f ? Function::Dominant : (r < 0.75f ? Function::Tonic : Function::Sub);
    case Function::Dominant: return r < 0.7f ? Function::Tonic : (r < 0.9f ? Function::Sub : Function::Dominant);
  }
  return Function::Tonic;
}

}  // namespace

bool IsMinor(Mode mode) { return mode == Mode::Dorian || mode == Mode::Aeolian; }

int KeySharps(const Key& key, int transpose) {
  const int major = Pc(key.tonic + transpose - ModeOffset(key.mode));
  // Sharps of each major key by pitch class; flat keys where they are the usual spelling.
  static const int sharps[12] = {0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};
  return sharps[major];
}

bool Chord::Has(int pitch) const {
  return std::find(tones.begin(), tones.end(), Pc(pitch)) != tones.end();
}

Chord MakeChord(const Key& key, int degree, Colour colour, int transpose) {
  Chord c;
  c.degree = degree;
  c.tonic = Pc(key.tonic + transpose);
  c.scale = ModeSteps(key.mode);
  if (key.raisedDominant && IsMinor(key.mode) && degree == 4) c.scale[6] = 11;
  auto at = [&](int step) { return Pc(c.tonic + c.scale[(degree + step) % 7]); };
  c.root = at(0);
  c.tones = {at(0), at(2), at(4)};
  const int third = Pc(at(2) - c.root), fifth = Pc(at(4) - c.root);
  std::vector<int> coloured = c.tones;
  switch (colour) {
    case Colour::Triad: break;
    case Colour::Seventh:
      if (Pc(at(6) - c.root) == 10) coloured.push_back(at(6));
      break;
    case Colour::Sus2:
      if (Pc(at(1) - c.root) == 2 && fifth == 7) coloured[1] = at(1);
      break;
    case Colour::Sus4:
      if (Pc(at(3) - c.root) == 5 && fifth == 7) coloured[1] = at(3);
      break;
    case Colour::Add9:
      if (third == 4 && Pc(at(1) - c.root) == 2) coloured.push_back(at(1));
      break;
    case Colour::Six:
      if (fifth == 7 && Pc(at(5) - c.root) == 9) coloured.push_back(at(5));
      break;
  }
  if (!Semitones(coloured)) c.tones = coloured;
  return c;
}

int FunctionDegree(Rng& rng, Mode mode, Function f, int avoid) {
  std::vector<Weighted> options = Candidates(mode, f);
  if (options.size() > 1)
    options.erase(std::remove_if(options.begin(), options.end(), [&](const Weighted& w) { return w.degree == avoid; }),
                  options.end());
  int total = 0;
  for (const Weighted& w : options) total += w.weight;
  int pick = static_cast<int>(rng.Next() % static_cast<uint32_t>(total));
  for (const Weighted& w : options) {
    if (pick < w.weight) return w.degree;
    pick -= w.weight;
  }
  return options.back().degree;
}

std::vector<int> PhraseDegrees(Rng& rng, Mode mode, int length, Function start, Function end) {
  std::vector<int> degrees;
  Function f = start;
  int previous = -1;
  for (int i = 0; i < length; ++i) {
    if (i == length - 1) {
      f = end;
    } else if (i == length - 2 && end == Function::Tonic) {
      f = Function::Dominant;  // an authentic cadence
    } else if (i > 0) {
      f = Next(rng, f);
      if (i == length - 2 && f == Function::Dominant && end == Function::Dominant) f = Function::Sub;
    }
    // The first chord of a phrase that starts on the tonic is the tonic itself.
    const int d = (i == 0 && f == Function::Tonic) ? 0 : FunctionDegree(rng, mode, f, previous);
    degrees.push_back(d);
    previous = d;
  }
  return degrees;
}

std::vector<int> Voice(const Chord& chord, int low, int high, int voices, const std::vector<int>& previous,
                       bool rootOptional) {
  std::vector<int> pool;
  for (int p = low; p <= high; ++p)
    if (chord.Has(p)) pool.push_back(p);
  std::vector<int> best;
  double bestScore = 1e9;
  const int n = static_cast<int>(pool.size());
  std::vector<int> pick(static_cast<size_t>(voices));
  // Every ascending choice of `voices` pitches from the pool.
  auto score = [&]() {
    for (int tone : chord.tones) {
      if (rootOptional && tone == chord.root && chord.tones.size() > 3) continue;
      if (std::none_of(pick.begin(), pick.end(), [&](int p) { return p % 12 == tone; })) return 1e9;
    }
    double s = 0;
    for (int i = 0; i + 1 < voices; ++i) {
      const int gap = pick[i + 1] - pick[i];
      if (gap > 9) s += (gap - 9) * 2.0;        // holes in the voicing
      if (gap < 3 && pick[i] < 55) s += 6;      // low close intervals turn to mud
    }
    if (previous.size() == pick.size()) {
      for (size_t i = 0; i < pick.size(); ++i) s += std::abs(pick[i] - previous[i]);
    } else {
      const double centre = (low + high) / 2.0;
      double mean = 0;
      for (int p : pick) mean += p;
      s += std::abs(mean / voices - centre);
    }
    return s;
  };
  std::vector<int> idx(static_cast<size_t>(voices));
  for (int i = 0; i < voices; ++i) idx[i] = i;
  if (n < voices) return pool;
  while (true) {
    for (int i = 0; i < voices; ++i) pick[i] = pool[idx[i]];
    const double s = score();
    if (s < bestScore) {
      bestScore = s;
      best = pick;
    }
    int i = voices - 1;
    while (i >= 0 && idx[i] == n - voices + i) --i;
    if (i < 0) break;
    ++idx[i];
    for (int j = i + 1; j < voices; ++j) idx[j] = idx[j - 1] + 1;
  }
  return best.empty() ? std::vector<int>(pool.begin(), pool.begin() + voices) : best;
}

}  // namespace zolvane::music
