// A Standard MIDI File read into what the player needs: its channel events in the order
// they sound, timed in frames at one rate, where its music ends and the presets it selects.
// Read on the player's loading thread, so the audio thread only walks a ready list.
#pragma once
#include <cstdint>
#include <optional>
#include <vector>

namespace zolvane {

struct MidiEvent {
  int64_t Frame = 0;
  uint8_t Status = 0, Data1 = 0, Data2 = 0;  // Status 0xF0: a system exclusive message
  uint32_t SysexAt = 0, SysexSize = 0;       // its bytes in MidiPiece::Sysex, without F0 and F7
};

// What a channel selects: the bank its last bank select gave (-1 for none) and a program.
struct MidiPreset {
  bool Drums = false;  // channel 10
  int Bank = -1;
  int Program = 0;
  bool operator==(const MidiPreset&) const = default;
};

struct MidiPiece {
  std::vector<MidiEvent> Events;  // by frame; at one frame, in the order of the tracks
  std::vector<uint8_t> Sysex;
  // The frame of the last channel event (the last note-off, most often): the music ends
  // there, whatever silence the end of track adds after it.
  int64_t MusicEnd = 0;
  // Every preset a channel may select, the ones a fresh channel has included.
  std::vector<MidiPreset> Presets;
};

// nullopt for what is not a whole Standard MIDI File: a header or track cut short, an
// event without status.
std::optional<MidiPiece> ParseMidiFile(const std::vector<char>& bytes, int rate);

}  // namespace zolvane
