// The twelve MIDI pieces of a run folder, read the way a General MIDI player reads them:
// chunk structure, running status, End of Track, programs before notes, drums and at least
// two other instruments, the length from the tempo map, and no two voices holding notes a
// semitone apart for more than a beat. Then what a listener tells them apart by: each has
// a hook that returns, the forms, lead registers and drum grooves differ across the set,
// and each file ends with its last note.
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
  uint32_t division = 0, endTick = 0, beatsPerBar = 4;
  std::vector<std::pair<uint32_t, std::string>> markers;
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
      if (type == 0x58 && size >= 1 && b[at] > 0) piece.beatsPerBar = b[at];
      if (type == 0x06) piece.markers.emplace_back(tick, std::string(b.begin() + static_cast<long>(at),
                                                                     b.begin() + static_cast<long>(at + size)));
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

// Drum hits as (place in the bar at a twelfth of a beat, GM note), counted over the piece.
using Hits = std::map<std::pair<int, int>, int>;

Hits DrumHits(const Piece& p) {
  const int grid = static_cast<int>(p.division) / 12, places = 12 * static_cast<int>(p.beatsPerBar);
  Hits hits;
  for (const Sounded& n : p.notes)
    if (n.channel == 9) {
      const int place = static_cast<int>((n.on % (p.division * p.beatsPerBar) + grid / 2) / grid) % places;
      ++hits[{place, n.pitch}];
    }
  return hits;
}

// The share of the smaller part's hits that the other part has too.
double SharedHits(const Hits& a, const Hits& b) {
  int common = 0, countA = 0, countB = 0;
  for (const auto& [key, n] : a) {
    countA += n;
    const auto other = b.find(key);
    if (other != b.end()) common += std::min(n, other->second);
  }
  for (const auto& [key, n] : b) countB += n;
  return static_cast<double>(common) / std::max(1, std::min(countA, countB));
}

// How often the lead's most frequent two-bar passage is heard: its onsets at a sixteenth's
// resolution from a bar line and the steps between its pitches (a lifted repeat counts),
// at least four notes of it.
int HookStatements(const Piece& p) {
  const int step = static_cast<int>(p.division) / 4, perBar = 4 * static_cast<int>(p.beatsPerBar);
  std::map<int, std::vector<std::pair<int, int>>> bars;  // bar -> (onset in sixteenths, pitch)
  std::vector<Sounded> lead;
  for (const Sounded& n : p.notes)
    if (n.channel == 0) lead.push_back(n);
  std::sort(lead.begin(), lead.end(), [](const Sounded& a, const Sounded& b) { return a.on < b.on; });
  for (const Sounded& n : lead) {
    const int at = static_cast<int>((n.on + step / 2) / step);
    bars[at / perBar].emplace_back(at, n.pitch);
  }
  std::map<std::pair<std::vector<int>, std::vector<int>>, int> heard;
  int most = 0;
  for (const auto& [bar, notes] : bars) {
    std::vector<std::pair<int, int>> window = notes;
    if (bars.count(bar + 1)) window.insert(window.end(), bars.at(bar + 1).begin(), bars.at(bar + 1).end());
    if (window.size() < 4) continue;
    std::vector<int> onsets, steps;
    for (size_t i = 0; i < window.size(); ++i) {
      onsets.push_back(window[i].first - bar * perBar);
      if (i > 0) steps.push_back(window[i].second - window[i - 1].second);
    }
    most = std::max(most, ++heard[{onsets, steps}]);
  }
  return most;
}

// The section plan from the markers: names without their numbers, and bars each.
std::string SectionPlan(const Piece& p, int& introBars) {
  const uint32_t bar = p.division * p.beatsPerBar;
  std::string plan;
  introBars = 0;
  for (size_t i = 0; i < p.markers.size(); ++i) {
    const uint32_t end = i + 1 < p.markers.size() ? p.markers[i + 1].first : p.endTick;
    const int bars = static_cast<int>((end - p.markers[i].first + bar - 1) / bar);
    const std::string name = p.markers[i].second.substr(0, p.markers[i].second.find(' '));
    if (name == "Intro") introBars = bars;
    plan += name + std::to_string(bars) + " ";
  }
  return plan;
}

}  // namespace

void CheckMusic(const std::string& run) {
  std::set<uint32_t> openingTempos;
  std::set<std::vector<uint8_t>> contents;
  std::set<std::string> plans;
  std::set<int> intros;
  std::set<std::pair<bool, int>> endings;
  std::vector<Hits> hits;
  int lowestLead = 127, highestLead = 0;
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
    // A player takes the end of the file for the end of the piece.
    uint32_t lastOff = 0;
    for (const Sounded& n : p.notes) lastOff = std::max(lastOff, n.off);
    Check(p.endTick <= lastOff + p.division,
          "End of Track " + std::to_string(p.endTick - lastOff) + " ticks after the last note-off");
    const int hook = HookStatements(p);
    Check(hook >= 4, "no two-bar lead passage heard four times (at most " + std::to_string(hook) + ")");
    for (const Sounded& n : p.notes)
      if (n.channel == 0) lowestLead = std::min(lowestLead, n.pitch), highestLead = std::max(highestLead, n.pitch);
    // How it stops: whether the tempo gives way, and the beats of its last section.
    if (!p.markers.empty() && p.tempo.count(0))
      endings.insert({p.tempo.rbegin()->second > p.tempo.at(0),
                      static_cast<int>((p.endTick - p.markers.back().first + p.division / 2) / p.division)});
    int introBars = 0;
    plans.insert(SectionPlan(p, introBars));
    intros.insert(introBars);
    hits.push_back(DrumHits(p));
  }
  Where = "music";
  Check(contents.size() == 12, "two pieces are the same file");
  Check(openingTempos.size() >= 8, "fewer than eight different tempos among the twelve pieces");
  Check(highestLead - lowestLead >= 24 && lowestLead < 60 && highestLead > 81,
        "the leads span " + std::to_string(lowestLead) + " to " + std::to_string(highestLead) +
            ", not two octaves reaching below C4 and above A5");
  Check(plans.size() >= 8, "only " + std::to_string(plans.size()) + " different section plans");
  Check(intros.size() >= 3, "only " + std::to_string(intros.size()) + " different intro lengths");
  Check(endings.size() >= 3, "only " + std::to_string(endings.size()) + " different endings");
  for (size_t i = 0; i < hits.size(); ++i)
    for (size_t j = i + 1; j < hits.size(); ++j) {
      const double shared = SharedHits(hits[i], hits[j]);
      Check(shared <= 0.5, "themes " + std::to_string(i + 1) + " and " + std::to_string(j + 1) + " share " +
                               std::to_string(static_cast<int>(100 * shared)) + " % of their drum hits");
    }
}

}  // namespace zolvane
