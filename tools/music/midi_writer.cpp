// Standard MIDI File output. Channel messages use running status and note-offs are sent as
// note-ons of velocity 0, as most sequencers write them.
#include <algorithm>
#include <cmath>
#include <tuple>

#include "tools/music/song.h"

namespace zolvane::music {
namespace {

// At one tick: meta events first, then note-offs, set-up messages, and note-ons last, so a
// repeated note is released before it sounds again.
enum Rank { MetaRank, OffRank, SetupRank, OnRank };

struct Event {
  int tick;
  int rank;
  size_t order;
  std::vector<uint8_t> bytes;
};

class TrackBuilder {
 public:
  void Add(int tick, int rank, std::vector<uint8_t> bytes) {
    events_.push_back({tick, rank, events_.size(), std::move(bytes)});
  }
  void Meta(int tick, uint8_t type, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> b{0xFF, type};
    AppendLength(b, static_cast<uint32_t>(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    Add(tick, MetaRank, std::move(b));
  }
  void Text(int tick, uint8_t type, const std::string& text) {
    Meta(tick, type, std::vector<uint8_t>(text.begin(), text.end()));
  }

  std::vector<uint8_t> Chunk(int endTick) {
    std::stable_sort(events_.begin(), events_.end(), [](const Event& a, const Event& b) {
      return std::tie(a.tick, a.rank, a.order) < std::tie(b.tick, b.rank, b.order);
    });
    std::vector<uint8_t> body;
    int now = 0;
    uint8_t running = 0;
    for (const Event& e : events_) {
      AppendLength(body, static_cast<uint32_t>(e.tick - now));
      now = e.tick;
      const uint8_t status = e.bytes[0];
      if (status < 0xF0 && status == running) {
        body.insert(body.end(), e.bytes.begin() + 1, e.bytes.end());
      } else {
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        running = status < 0xF0 ? status : 0;  // meta and system messages cancel it
      }
    }
    AppendLength(body, static_cast<uint32_t>(std::max(0, endTick - now)));
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
    std::vector<uint8_t> chunk{'M', 'T', 'r', 'k'};
    AppendBig(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
  }

  static void AppendLength(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t groups[5];
    int n = 0;
    do {
      groups[n++] = v & 0x7F;
      v >>= 7;
    } while (v);
    while (n > 1) out.push_back(groups[--n] | 0x80);
    out.push_back(groups[0]);
  }
  static void AppendBig(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }

 private:
  std::vector<Event> events_;
};

uint8_t Data(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 127)); }

// A note that starts again before it was released would be cut short by its own
// release: end the first one where the second begins.
std::vector<Note> Untangled(std::vector<Note> notes) {
  std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
    return std::tie(a.pitch, a.tick, a.length) < std::tie(b.pitch, b.tick, b.length);
  });
  std::vector<Note> out;
  for (size_t i = 0; i < notes.size(); ++i) {
    Note n = notes[i];
    if (i + 1 < notes.size() && notes[i + 1].pitch == n.pitch)
      n.length = std::min(n.length, notes[i + 1].tick - n.tick);
    if (n.length > 0 && n.tick >= 0) out.push_back(n);
  }
  return out;
}

std::vector<uint8_t> PartTrack(const Part& part, int endTick) {
  TrackBuilder t;
  const uint8_t ch = static_cast<uint8_t>(part.channel & 15);
  t.Text(0, 0x03, part.name);
  auto cc = [&](int tick, int number, int value) {
    t.Add(tick, SetupRank, {static_cast<uint8_t>(0xB0 | ch), Data(number), Data(value)});
  };
  cc(0, 121, 0);  // reset controllers a previous piece may have moved
  t.Add(0, SetupRank, {static_cast<uint8_t>(0xC0 | ch), Data(part.program)});
  cc(0, 7, part.volume);
  cc(0, 10, part.pan);
  cc(0, 91, part.reverb);
  cc(0, 93, part.chorus);
  cc(0, 11, part.expression);
  for (const Control& c : part.controls) cc(c.tick, c.number, c.value);
  for (const Note& n : Untangled(part.notes)) {
    const uint8_t on = static_cast<uint8_t>(0x90 | ch);
    t.Add(n.tick, OnRank, {on, Data(n.pitch), Data(std::max(1, n.velocity))});
    t.Add(n.tick + n.length, OffRank, {on, Data(n.pitch), 0});
  }
  return t.Chunk(endTick);
}

int Sharps(int s) { return s & 0xFF; }

}  // namespace

std::vector<uint8_t> EncodeSmf(const Song& song) {
  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
  TrackBuilder::AppendBig(file, static_cast<uint32_t>(song.parts.size() + 1), 2);
  TrackBuilder::AppendBig(file, Ppq, 2);

  TrackBuilder conductor;
  conductor.Text(0, 0x03, song.title);
  conductor.Meta(0, 0x58, {static_cast<uint8_t>(song.beatsPerBar), 2, 24, 8});
  for (const KeyPoint& k : song.keys)
    conductor.Meta(k.tick, 0x59, {static_cast<uint8_t>(Sharps(k.sharps)), static_cast<uint8_t>(k.minor)});
  for (const TempoPoint& p : song.tempo) {
    const auto micros = static_cast<uint32_t>(std::lround(60000000.0 / p.bpm));
    conductor.Meta(p.tick, 0x51, {static_cast<uint8_t>(micros >> 16), static_cast<uint8_t>(micros >> 8),
                                  static_cast<uint8_t>(micros)});
  }
  for (const Marker& m : song.markers) conductor.Text(m.tick, 0x06, m.text);
  const std::vector<uint8_t> first = conductor.Chunk(song.endTick);
  file.insert(file.end(), first.begin(), first.end());
  for (const Part& part : song.parts) {
    const std::vector<uint8_t> chunk = PartTrack(part, song.endTick);
    file.insert(file.end(), chunk.begin(), chunk.end());
  }
  return file;
}

double Seconds(const Song& song, int tick) {
  double seconds = 0, bpm = 120;
  int at = 0;
  for (const TempoPoint& p : song.tempo) {
    if (p.tick >= tick) break;
    seconds += (p.tick - at) * 60.0 / (bpm * Ppq);
    at = p.tick;
    bpm = p.bpm;
  }
  return seconds + (tick - at) * 60.0 / (bpm * Ppq);
}

}  // namespace zolvane::music
