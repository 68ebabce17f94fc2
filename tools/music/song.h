// A piece as the composer leaves it: timed notes and controller moves per instrument, a
// tempo map and section markers. The MIDI writer turns it into a Standard MIDI File.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane::music {

constexpr int Ppq = 480;  // ticks per quarter note
constexpr int DrumChannel = 9;

struct Note {
  int tick = 0, length = 0, pitch = 0, velocity = 0;
};

struct Control {
  int tick = 0, number = 0, value = 0;
};

// One instrument on one channel; its settings are sent at tick 0, so nothing a previous
// piece left on the synthesiser carries over.
struct Part {
  std::string name;
  int channel = 0, program = 0;
  int volume = 100, pan = 64, reverb = 40, chorus = 0, expression = 127;
  std::vector<Note> notes;
  std::vector<Control> controls;
};

struct TempoPoint {
  int tick = 0;
  double bpm = 120;
};

struct Marker {
  int tick = 0;
  std::string text;
};

struct KeyPoint {
  int tick = 0, sharps = 0;  // negative: flats
  bool minor = false;
};

struct Song {
  std::string title;
  int beatsPerBar = 4;
  std::vector<TempoPoint> tempo;
  std::vector<KeyPoint> keys;
  std::vector<Marker> markers;
  std::vector<Part> parts;
  int endTick = 0;  // End of Track of every track
};

// Format 1: a conductor track (tempo, metre, key, markers), then one track per part.
std::vector<uint8_t> EncodeSmf(const Song& song);

// The length in seconds a player takes, from the tempo map.
double Seconds(const Song& song, int tick);

}  // namespace zolvane::music
