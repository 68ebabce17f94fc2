// Keys, chords built on them, chord progressions and voicings.
#pragma once
#include <array>
#include <vector>

#include "tools/common/noise.h"

namespace zolvane::music {

using gen::Rng;

enum class Mode { Ionian, Dorian, Lydian, Mixolydian, Aeolian };

struct Key {
  int tonic = 0;  // pitch class, 0 = C
  Mode mode = Mode::Ionian;
  bool raisedDominant = false;  // minor modes: a major V with the leading tone
};

bool IsMinor(Mode mode);
// Sharps (negative: flats) of the key signature, and whether to call it minor.
int KeySharps(const Key& key, int transpose);

enum class Colour { Triad, Seventh, Sus2, Sus4, Add9, Six };

struct Chord {
  int degree = 0;
  int root = 0;                 // pitch class
  std::vector<int> tones;       // pitch classes, root first; never two a semitone apart
  int tonic = 0;                // pitch class of the key's tonic (after any key lift)
  std::array<int, 7> scale{};   // semitones above the tonic, as this chord bends the mode

  bool Has(int pitch) const;
  int Third() const { return tones[1]; }
};

// Falls back to the plain triad when the colour would bring a semitone into the chord.
Chord MakeChord(const Key& key, int degree, Colour colour, int transpose = 0);

// The harmonic function a chord serves in its phrase.
enum class Function { Tonic, Sub, Dominant };

// Degrees of a phrase: a random walk through tonic, subdominant and dominant chords of the
// mode, from a chord of `start` to a cadence on `end`, never standing still.
std::vector<int> PhraseDegrees(Rng& rng, Mode mode, int length, Function start, Function end);
int FunctionDegree(Rng& rng, Mode mode, Function f, int avoid);

// The pitches of a chord in [low, high], `voices` of them, every chord tone present (the
// root may be left to the bass), moving as little as possible from `previous`.
std::vector<int> Voice(const Chord& chord, int low, int high, int voices, const std::vector<int>& previous,
                       bool rootOptional);

}  // namespace zolvane::music
