// What sets one piece apart from another: key, tempo, metre, instruments and the way each
// part plays. The composer turns a style and its seed into a whole piece.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/music/harmony.h"

namespace zolvane::music {

enum class BassStyle { Held, RootFifth, Pulse, Syncopated, Walking, Waltz };
enum class CompStyle { Sustain, Quarters, Eighths, Offbeat, Funk, Waltz, Charleston };
enum class ArpStyle { Up8, UpDown8, Broken16, Rolling16, Cascade };
// One groove per piece: each keeps time on its own cymbal or hand drum, so no two share
// much more than a kick on one and a backbeat.
enum class DrumStyle { Shaker, Rock, Funk, Brush, FourFloor, JazzWaltz, Train, SwingRide, Chimes, Toms, Bossa, Break };

// What a section is: an intro, the main theme A, a second theme or chorus B, a bridge
// (the C of a rondo), an outro, a tag that repeats the last cadence, the final chord.
enum class Kind { Intro, A, B, Bridge, Outro, Tag, End };

// How a piece stops: slowing into a chord, a long held chord, a short stab with nothing
// after it, the band dropping out one by one, or the cadence said again.
enum class Ending { Ritardando, Held, Cold, Thinning, Tag };

struct Instrument {
  int program = -1;  // General MIDI program 0..127; -1: the piece has no such part
  int volume = 100, pan = 64, reverb = 50, chorus = 0;
  bool Plays() const { return program >= 0; }
};

struct Style {
  std::string title;
  uint32_t seed = 1;
  Key key;
  double bpm = 100;
  int beatsPerBar = 4;
  double swing = 0;     // off-beats late by this share of the swung unit
  int swingUnit = 240;  // 240: eighths swing, 120: sixteenths
  double energy = 0.5;  // 0 calm .. 1 driving: loudness, density, how much plays at once
  double density = 0.5; // melody notes per beat, roughly
  int motifBars = 1;
  // The sections and their bars, e.g. "I4 A8 A8 B8 A8 C8 A8 O4 E1": I intro, A, B, C the
  // bridge, O outro, T tag, E the final chord. A piece without I starts on its theme.
  std::string form = "I4 A8 B8 A8 C8 A8 O4 E1";
  bool introMelody = false;  // the lead states its hook in the intro
  bool rhythmIntro = false;  // the intro is drums and bass alone
  std::string drumless;      // section letters that play without drums
  Ending ending = Ending::Ritardando;
  int leadShift = 0;         // semitones the lead's range lies from C4..A5
  double syncopation = 0.3;  // 0 square .. 1 rhythms pushed across the beat
  double sevenths = 0.3, suspensions = 0.1, added = 0.1;  // chord colour chances
  bool lift = false;    // the last A section a whole tone up
  bool slowBridge = false;  // two bars per chord in the bridge

  Instrument melody, counter, pad, comp, arp, bass;
  CompStyle compStyle = CompStyle::Quarters;
  ArpStyle arpStyle = ArpStyle::Up8;
  BassStyle bassStyle = BassStyle::RootFifth;
  int drumKit = 0;  // GM drum kit program
  int drumVolume = 100;
  DrumStyle drums = DrumStyle::Rock;
  int arpLength = 2;  // arpeggio note length in sixteenths: longer lets a harp ring
  double gainDb = 0;  // evens out loudness between pieces; applied to every channel volume
};

std::vector<Style> Pieces();

}  // namespace zolvane::music
