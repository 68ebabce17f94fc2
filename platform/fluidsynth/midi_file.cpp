#include "platform/fluidsynth/midi_file.h"

#include <algorithm>
#include <cstring>

namespace zolvane {

namespace {

constexpr uint32_t DefaultTempo = 500000;  // microseconds a quarter: 120 bpm

// A reader over bytes that turns every overrun into a failed state.
struct Cursor {
  const uint8_t* At;
  const uint8_t* End;
  bool Bad = false;

  size_t Left() const { return static_cast<size_t>(End - At); }
  uint8_t Byte() {
    if (At == End) {
      Bad = true;
      return 0;
    }
    return *At++;
  }
  uint32_t Big(int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | Byte();
    return v;
  }
  uint32_t VarLength() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const uint8_t b = Byte();
      v = v << 7 | (b & 0x7f);
      if (!(b & 0x80)) return v;
    }
    Bad = true;
    return 0;
  }
  const uint8_t* Skip(size_t n) {
    if (n > Left()) {
      Bad = true;
      At = End;
      return End;
    }
    const uint8_t* from = At;
    At += n;
    return from;
  }
};

struct TickEvent {
  uint64_t Tick;
  MidiEvent Event;
};
struct TempoChange {
  uint64_t Tick;
  uint32_t MicrosPerQuarter;
};

// One track's events, with their ticks from the start of the piece; false when cut short.
bool ReadTrack(Cursor track, std::vector<TickEvent>& events, std::vector<TempoChange>& tempi,
               std::vector<uint8_t>& sysex) {
  uint64_t tick = 0;
  uint8_t running = 0;
  while (track.Left() > 0) {
    tick += track.VarLength();
    uint8_t status = track.Byte();
    if (track.Bad) return false;
    if (status == 0xff) {
      const uint8_t type = track.Byte();
      const uint32_t length = track.VarLength();
      const uint8_t* data = track.Skip(length);
      if (track.Bad) return false;
      if (type == 0x51 && length == 3)
        tempi.push_back({tick, uint32_t(data[0]) << 16 | uint32_t(data[1]) << 8 | data[2]});
      if (type == 0x2f) return true;
      continue;
    }
    if (status == 0xf0 || status == 0xf7) {
      const uint32_t length = track.VarLength();
      const uint8_t* data = track.Skip(length);
      if (track.Bad) return false;
      // A continuation packet (F7) carries raw bytes the synthesiser has no use for.
      if (status == 0xf0) {
        MidiEvent e{0, 0xf0, 0, 0, static_cast<uint32_t>(sysex.size()), length};
        if (length > 0 && data[length - 1] == 0xf7) --e.SysexSize;
        sysex.insert(sysex.end(), data, data + e.SysexSize);
        events.push_back({tick, e});
      }
      running = 0;
      continue;
    }
    uint8_t first;
    if (status & 0x80) {
      running = status;
      first = track.Byte();
    } else {
      if (!running) return false;  // a data byte where a status belongs
      first = status;
      status = running;
    }
    const uint8_t kind = status & 0xf0;
    const uint8_t second = kind == 0xc0 || kind == 0xd0 ? 0 : track.Byte();
    if (track.Bad || (first | second) & 0x80) return false;
    events.push_back({tick, MidiEvent{0, status, first, second}});
  }
  return true;  // no end of track: the chunk's end is the track's
}

// The presets the channels select as the events go, fresh channels' first.
std::vector<MidiPreset> PresetsOf(const std::vector<MidiEvent>& events) {
  std::vector<MidiPreset> presets = {{false, -1, 0}, {true, -1, 0}};
  int bank[16];
  std::fill(std::begin(bank), std::end(bank), -1);
  for (const MidiEvent& e : events) {
    const int ch = e.Status & 0x0f;
    if ((e.Status & 0xf0) == 0xb0 && e.Data1 == 0) bank[ch] = e.Data2;
    if ((e.Status & 0xf0) != 0xc0) continue;
    const MidiPreset preset{ch == 9, bank[ch], e.Data1};
    if (std::find(presets.begin(), presets.end(), preset) == presets.end())
      presets.push_back(preset);
  }
  return presets;
}

}  // namespace

std::optional<MidiPiece> ParseMidiFile(const std::vector<char>& bytes, int rate) {
  Cursor file{reinterpret_cast<const uint8_t*>(bytes.data()),
              reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size()};
  if (bytes.size() < 14 || std::memcmp(bytes.data(), "MThd", 4) != 0) return std::nullopt;
  file.Skip(4);
  const uint32_t headerLength = file.Big(4);
  Cursor header{file.Skip(headerLength), file.At};
  header.Big(2);  // the format: every track is merged by its ticks whatever it says
  const uint32_t trackCount = header.Big(2);
  const uint32_t division = header.Big(2);
  if (file.Bad || header.Bad || division == 0) return std::nullopt;

  MidiPiece piece;
  std::vector<TickEvent> events;
  std::vector<TempoChange> tempi;
  uint32_t tracks = 0;
  while (tracks < trackCount && file.Left() >= 8) {
    const uint8_t* id = file.Skip(4);
    const uint32_t length = file.Big(4);
    const uint8_t* data = file.Skip(length);
    if (file.Bad) return std::nullopt;  // a chunk longer than what is left
    if (std::memcmp(id, "MTrk", 4) != 0) continue;  // chunks of other kinds are skipped
    if (!ReadTrack(Cursor{data, data + length}, events, tempi, piece.Sysex)) return std::nullopt;
    ++tracks;
  }
  if (tracks == 0) return std::nullopt;

  // Ticks to frames through the tempo map; SMPTE divisions count ticks per second.
  std::stable_sort(events.begin(), events.end(),
                   [](const TickEvent& a, const TickEvent& b) { return a.Tick < b.Tick; });
  std::stable_sort(tempi.begin(), tempi.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.Tick < b.Tick; });
  const bool smpte = division & 0x8000;
  const int fps = -static_cast<int8_t>(division >> 8);
  const double smpteTickSeconds =
      smpte ? 1.0 / ((fps == 29 ? 29.97 : fps) * (division & 0xff)) : 0.0;
  if (smpte && smpteTickSeconds <= 0) return std::nullopt;
  double seconds = 0;
  uint64_t lastTick = 0;
  uint32_t tempo = DefaultTempo;
  size_t nextTempo = 0;
  auto advance = [&](uint64_t to) {
    seconds += smpte ? (to - lastTick) * smpteTickSeconds
                     : (to - lastTick) * (tempo / 1e6) / static_cast<double>(division);
    lastTick = to;
  };
  piece.Events.reserve(events.size());
  for (const TickEvent& te : events) {
    for (; nextTempo < tempi.size() && tempi[nextTempo].Tick <= te.Tick; ++nextTempo) {
      advance(tempi[nextTempo].Tick);
      tempo = tempi[nextTempo].MicrosPerQuarter;
    }
    advance(te.Tick);
    MidiEvent e = te.Event;
    e.Frame = static_cast<int64_t>(seconds * rate + 0.5);
    piece.Events.push_back(e);
  }
  if (!piece.Events.empty()) piece.MusicEnd = piece.Events.back().Frame;
  piece.Presets = PresetsOf(piece.Events);
  return piece;
}

}  // namespace zolvane
