// The twelve MIDI pieces of a run folder, read the way a General MIDI player reads them:
// chunk structure, running status, End of Track, programs before notes, drums and at least
// two other instruments, the length from the tempo map, and no two voices holding notes a
// semitone apart for more than a beat.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/tools/data_check.h"

namespace zolvane {
namespace {

struct Sounded {
  int channel, pitch;
  uint32_t on, off;
};

struct Piece {
  bool ok = false;
  uint32_t division = 0, endTick = 0;
  std::map<uint32_t, uint32_t> tempo;  // tick -> microseconds per quarter note
  std::vector<Sounded> notes;
};

uint32_t Big(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | b[at + i];
  return v;
}

// One MTrk chunk's events from `at` to `end`; false at the first malformed byte.
bool ReadTrack(const std::vector<uint8_t>& b, size_t at, size_t end, int index, Piece& piece) {
  std::map<std::pair<int, int>, std::vector<uint32_t>> held;  // (channel, pitch) -> note-on ticks
  std::set<int> programmed, volumed, unready;
  uint32_t tick = 0;
  uint8_t running = 0;
  auto length = [&](uint32_t& v) {
    v = 0;
    for (int i = 0; i < 4 && at < end; ++i) {
      v = v << 7 | (b[at] & 0x7F);
      if (!(b[at++] & 0x80)) return true;
    }
    return false;
  };
  while (at < end) {
    uint32_t delta;
    if (!length(delta) || at >= end) return false;
    tick += delta;
    uint8_t status = b[at];
    if (status < 0x80) {
      if (!running) return false;  // data with no status to run on
      status = running;
    } else {
      ++at;
    }
    if (status == 0xFF || status == 0xF0 || status == 0xF7) {
      running = 0;
      const uint8_t type = status == 0xFF && at < end ? b[at++] : 0;
      uint32_t size;
      if (!length(size) || at + size > end) return false;
      if (type == 0x51) {
        Check(index == 0, "tempo outside the first track");
        if (size == 3) piece.tempo[tick] = Big(b, at, 3);
      }
      at += size;
      if (type == 0x2F) {
        Check(at == end, "End of Track before the chunk ends");
        Check(held.empty() || std::all_of(held.begin(), held.end(), [](auto& h) { return h.second.empty(); }),
              "notes still held at End of Track");
        piece.endTick = std::max(piece.endTick, tick);
        return at == end;
      }
      continue;
    }
    if (status < 0x80 || status > 0xEF) return false;
    running = status;
    const int kind = status >> 4, channel = status & 15;
    const size_t size = (kind == 0xC || kind == 0xD) ? 1 : 2;
    if (at + size > end) return false;
    const int d1 = b[at], d2 = size > 1 ? b[at + 1] : 0;
    at += size;
    if (d1 > 127 || d2 > 127) return false;
    if (kind == 0xC) programmed.insert(channel);
    if (kind == 0xB && d1 == 7) volumed.insert(channel);
    if (kind == 0x9 && d2 > 0) {
      if (!(programmed.count(channel) && volumed.count(channel)) && unready.insert(channel).second)
        Check(false, "a note on channel " + std::to_string(channel + 1) + " before its program and volume");
      held[{channel, d1}].push_back(tick);
    } else if (kind == 0x8 || kind == 0x9) {
      auto& starts = held[{channel, d1}];
      if (!starts.empty()) {
        piece.notes.push_back({channel, d1, starts.front(), tick});
        starts.erase(starts.begin());
      }
    }
  }
  Check(false, "track without End of Track");
  return false;
}

Piece ReadSmf(const std::vector<uint8_t>& b) {
  Piece piece;
  Check(b.size() >= 14 && Big(b, 0, 4) == 0x4D546864 && Big(b, 4, 4) == 6, "no MThd header");
  if (b.size() < 14) return piece;
  const uint32_t tracks = Big(b, 10, 2);
  piece.division = Big(b, 12, 2);
  Check(Big(b, 8, 2) == 1, "not format 1");
  Check(tracks >= 2, "fewer than two tracks");
  Check(piece.division > 0 && piece.division < 0x8000, "division is not ticks per quarter note");
  size_t at = 14;
  for (uint32_t t = 0; t < tracks; ++t) {
    const bool header = at + 8 <= b.size() && Big(b, at, 4) == 0x4D54726B;
    const size_t end = header ? at + 8 + Big(b, at + 4, 4) : 0;
    Check(header && end <= b.size(), "track " + std::to_string(t) + ": no MTrk chunk of that length");
    if (!header || end > b.size()) return piece;
    if (!ReadTrack(b, at + 8, end, static_cast<int>(t), piece)) {
      Check(false, "track " + std::to_string(t) + ": malformed events");
      return piece;
    }
    at = end;
  }
  Check(at == b.size(), "bytes after the last track");
  piece.ok = true;
  return piece;
}

double Seconds(const Piece& p) {
  double seconds = 0, perTick = 500000.0 / p.division;  // 120 BPM until told otherwise
  uint32_t at = 0;
  for (const auto& [tick, micros] : p.tempo) {
    if (tick >= p.endTick) break;
    seconds += (tick - at) * perTick / 1e6;
    at = tick;
    perTick = static_cast<double>(micros) / p.division;
  }
  return seconds + (p.endTick - at) * perTick / 1e6;
}

// Pitched notes a semitone (or a major seventh, or those plus octaves) apart, sounding
// together for longer than a beat.
int Clashes(std::vector<Sounded> notes, uint32_t beat) {
  notes.erase(std::remove_if(notes.begin(), notes.end(), [](const Sounded& n) { return n.channel == 9; }),
              notes.end());
  std::sort(notes.begin(), notes.end(), [](const Sounded& a, const Sounded& b) { return a.on < b.on; });
  int clashes = 0;
  for (size_t i = 0; i < notes.size(); ++i)
    for (size_t j = i + 1; j < notes.size() && notes[j].on < notes[i].off; ++j) {
      const int interval = std::abs(notes[i].pitch - notes[j].pitch) % 12;
      if ((interval == 1 || interval == 11) && std::min(notes[i].off, notes[j].off) - notes[j].on > beat)
        ++clashes;
    }
  return clashes;
}

}  // namespace

void CheckMusic(const std::string& run) {
  std::set<uint32_t> openingTempos;
  std::set<std::vector<uint8_t>> contents;
  for (int i = 1; i <= 12; ++i) {
    Where = "music/theme" + std::to_string(i) + ".mid";
    const std::vector<uint8_t> bytes = ReadBytes(run + "/" + Where);
    contents.insert(bytes);
    const Piece p = ReadSmf(bytes);
    if (!p.ok) continue;
    Check(p.tempo.count(0) == 1, "no tempo at the start");
    if (p.tempo.count(0)) openingTempos.insert(p.tempo.at(0));
    std::set<int> channels;
    for (const Sounded& n : p.notes) channels.insert(n.channel);
    Check(channels.count(9) == 1, "no drums on channel 10");
    Check(channels.size() >= 3, "fewer than two instruments besides the drums");
    const double seconds = Seconds(p);
    Check(seconds >= 60 && seconds <= 180, "lasts " + std::to_string(seconds) + " s, not 1 to 3 minutes");
    const int clashes = Clashes(p.notes, p.division);
    Check(clashes == 0, std::to_string(clashes) + " held semitone clashes");
  }
  Where = "music";
  Check(contents.size() == 12, "two pieces are the same file");
  Check(openingTempos.size() >= 8, "fewer than eight different tempos among the twelve pieces");
}

}  // namespace zolvane
