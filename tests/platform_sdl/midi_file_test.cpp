// The player's own reading of Standard MIDI Files: times through the tempo map and across
// tracks, where the music ends, the presets to read in ahead, and what is refused.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "platform/fluidsynth/midi_file.h"

namespace zolvane {
namespace {

constexpr int Rate = 1000;  // a frame a millisecond

std::vector<char> Chunk(const char* id, std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<char> body;
  for (const auto& part : parts) body.insert(body.end(), part.begin(), part.end());
  std::vector<char> chunk(id, id + 4);
  const size_t n = body.size();
  for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<char>(n >> shift & 0xff));
  chunk.insert(chunk.end(), body.begin(), body.end());
  return chunk;
}

std::vector<char> File(uint16_t tracks, uint16_t division, std::initializer_list<std::vector<char>> chunks) {
  std::vector<char> file = Chunk("MThd", {{0, 1, uint8_t(tracks >> 8), uint8_t(tracks),
                                          uint8_t(division >> 8), uint8_t(division)}});
  for (const auto& c : chunks) file.insert(file.end(), c.begin(), c.end());
  return file;
}

const std::vector<uint8_t> EndOfTrack = {0, 0xff, 0x2f, 0};

TEST(MidiFile, TimesFollowTheTempoMapAcrossTracksAndTheMusicEndsAtItsLastChannelEvent) {
  // Track 1 halves the tempo after a quarter; track 2 plays a note at the second quarter
  // with running status, picks a bank and program on channel 1 and a drum kit, and its end
  // of track comes two quarters after the last note-off.
  const std::vector<char> file = File(
      2, 480,
      {Chunk("MTrk", {{0x83, 0x60, 0xff, 0x51, 3, 0x0f, 0x42, 0x40}, EndOfTrack}),
       Chunk("XXXX", {{1, 2, 3}}),  // a chunk of another kind is passed over
       Chunk("MTrk", {{0, 0xb1, 0, 8, 0, 0xc1, 48, 0, 0xc9, 25},
                      {0, 0xf0, 5, 0x7e, 0x7f, 0x09, 0x01, 0xf7},
                      {0x87, 0x40, 0x90, 60, 100, 0x83, 0x60, 60, 0},
                      {0x87, 0x40, 0xff, 0x2f, 0}})});
  const auto piece = ParseMidiFile(file, Rate);
  ASSERT_TRUE(piece);
  struct Expected {
    int64_t Frame;
    uint8_t Status, Data1, Data2;
  };
  // 480 ticks at 120 bpm: 500 ms; then 60 bpm: 1000 ms a quarter.
  const std::vector<Expected> expected = {{0, 0xb1, 0, 8},      {0, 0xc1, 48, 0},
                                          {0, 0xc9, 25, 0},     {0, 0xf0, 0, 0},
                                          {1500, 0x90, 60, 100}, {2500, 0x90, 60, 0}};
  ASSERT_EQ(piece->Events.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(piece->Events[i].Frame, expected[i].Frame);
    EXPECT_EQ(piece->Events[i].Status, expected[i].Status);
    EXPECT_EQ(piece->Events[i].Data1, expected[i].Data1);
    EXPECT_EQ(piece->Events[i].Data2, expected[i].Data2);
  }
  const MidiEvent& sysex = piece->Events[3];
  EXPECT_EQ(std::vector<uint8_t>(piece->Sysex.begin() + sysex.SysexAt,
                                 piece->Sysex.begin() + sysex.SysexAt + sysex.SysexSize),
            (std::vector<uint8_t>{0x7e, 0x7f, 0x09, 0x01}));
  EXPECT_EQ(piece->MusicEnd, 2500) << "not the end of track, 2 s later";
  EXPECT_EQ(piece->Presets, (std::vector<MidiPreset>{{false, -1, 0}, {true, -1, 0}, {false, 8, 48},
                                                     {true, -1, 25}}));

  // 25 frames a second of 40 ticks: a millisecond a tick, whatever the tempo says.
  const auto smpte = ParseMidiFile(
      File(1, 0xe728, {Chunk("MTrk", {{0, 0xff, 0x51, 3, 0x0f, 0x42, 0x40, 0x83, 0x74, 0x90, 64, 90}, EndOfTrack})}),
      Rate);
  ASSERT_TRUE(smpte);
  ASSERT_EQ(smpte->Events.size(), 1u);
  EXPECT_EQ(smpte->Events[0].Frame, 500);
}

TEST(MidiFile, WhatIsNotAWholeFileIsRefused) {
  const auto note = Chunk("MTrk", {{0, 0x90, 60, 100, 0x60, 60, 0}, EndOfTrack});
  std::vector<char> cut = File(1, 480, {note});
  cut.resize(cut.size() - 3);
  const std::vector<std::vector<char>> refused = {
      {'M', 'T', 'h', 'd'},
      File(1, 480, {}),                                                        // no track
      File(1, 0, {note}),                                                      // no division
      cut,                                                                     // chunk cut short
      File(1, 480, {Chunk("MTrk", {{0, 60, 100}, EndOfTrack})}),               // data, no status
      File(1, 480, {Chunk("MTrk", {{0, 0x90, 60}})}),                          // event cut short
      File(1, 480, {Chunk("MTrk", {{0xff, 0xff, 0xff, 0xff, 0x7f, 0x90, 60, 1}})}),  // delta too long
      File(1, 480, {Chunk("MTrk", {{0, 0xff, 0x51, 9, 0, 0}})}),               // meta longer than its track
  };
  for (size_t i = 0; i < refused.size(); ++i) EXPECT_FALSE(ParseMidiFile(refused[i], Rate)) << i;
  EXPECT_TRUE(ParseMidiFile(File(1, 480, {note}), Rate));
}

}  // namespace
}  // namespace zolvane
