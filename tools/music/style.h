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
enum class DrumStyle { Soft, Pop, Rock, Funk, Brush, FourFloor, HalfTime, Waltz, Shaker, Drive };

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
  double sevenths = 0.3, suspensions = 0.1, added = 0.1;  // chord colour chances
  bool lift = false;    // the last A section a whole tone up
  bool slowBridge = false;  // two bars per chord in the bridge

  Instrument melody, counter, pad, comp, arp, bass;
  CompStyle compStyle = CompStyle::Quarters;
  ArpStyle arpStyle = ArpStyle::Up8;
  BassStyle bassStyle = BassStyle::RootFifth;
  int drumKit = 0;  // GM drum kit program
  int drumVolume = 100;
  DrumStyle drums = DrumStyle::Pop;
  int arpLength = 2;  // arpeggio note length in sixteenths: longer lets a harp ring
  double gainDb = 0;  // evens out loudness between pieces; applied to every channel volume
};

std::vector<Style> Pieces();

}  // namespace zolvane::music
