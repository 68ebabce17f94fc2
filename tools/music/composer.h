// The composer: a form of sections, their chord progressions, and every part written over
// them by the part writers below.
#pragma once
#include <string>
#include <vector>

#include "tools/music/harmony.h"
#include "tools/music/song.h"
#include "tools/music/style.h"

namespace zolvane::music {

Song Compose(const Style& style);

// ---------------------------------------------------------------------------------------
// Shared by the part writers.

struct ChordSlot {
  int tick = 0, length = 0;
  Chord chord;
};

struct Section {
  Kind kind = Kind::A;
  int occurrence = 0;  // how many of this kind came before
  int startTick = 0, bars = 0;
  double energy = 0.5;
  bool lastOfKind = false;
  std::vector<ChordSlot> chords;
  int EndTick(int barTicks) const { return startTick + bars * barTicks; }
};

struct Plan {
  explicit Plan(const Style& s) : style(s) {}
  const Style& style;
  int barTicks = 0, stepsPerBar = 0;
  std::vector<Section> sections;

  const ChordSlot& SlotAt(int tick) const;
  const Chord& ChordAt(int tick) const { return SlotAt(tick).chord; }
  // The end of the chord sounding at `tick`: held notes stop there.
  int ChordEnd(int tick) const;
  const Section& SectionAt(int tick) const;
  // Late off-beats for swung pieces.
  int Swing(int tick) const;
  // How long the final chord sounds: a stab for a cold stop, else its whole section.
  int FinalLength() const;
  // 1, or less and less through the outro and final chord of a piece that thins out.
  double Fade(int tick) const;
};

// Loudness of a note from the piece's energy, the section's, the place in the bar and in
// the four-bar phrase, and a little chance.
int Velocity(const Plan& plan, Rng& rng, int base, int tick, double sectionEnergy);

// Part writers; each has its own random stream, so one part's changes leave the others be.
void WritePad(const Plan& plan, Part& part);
void WriteComp(const Plan& plan, Part& part);
void WriteArp(const Plan& plan, Part& part);
void WriteBass(const Plan& plan, Part& part);
void WriteDrums(const Plan& plan, Part& part);
void WriteMelody(const Plan& plan, Part& melody, Part& counter);

// Adds a note at swung positions, ending no later than `limit`.
void AddNote(const Plan& plan, Part& part, int tick, int length, int pitch, int velocity, int limit);

}  // namespace zolvane::music
