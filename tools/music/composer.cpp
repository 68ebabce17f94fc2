// The form of a piece, its chord progressions and tempo map; the parts are written over
// them by accompaniment.cpp, drums.cpp and melody.cpp.
#include "tools/music/composer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zolvane::music {
namespace {

constexpr double Pi = 3.14159265358979323846;

struct Planned {
  Kind kind;
  int bars;
};

Kind KindOf(char c) {
  switch (c) {
    case 'A': return Kind::A;
    case 'I': return Kind::Intro;
    case 'B': return Kind::B;
    case 'C': return Kind::Bridge;
    case 'O': return Kind::Outro;
    case 'T': return Kind::Tag;
    case 'E': return Kind::End;
  }
  // A slip in a piece's form must stop the build, not turn into an A section.
  throw std::invalid_argument(std::string("unknown section letter '") + c + "' in a form");
}

const char* Name(Kind k) {
  switch (k) {
    case Kind::Intro: return "Intro";
    case Kind::A: return "A";
    case Kind::B: return "B";
    case Kind::Bridge: return "Bridge";
    case Kind::Outro: return "Outro";
    case Kind::Tag: return "Tag";
    case Kind::End: return "Ending";
  }
  return "";
}

// "I4 A8 ..." read into sections; a piece always closes on its final chord.
std::vector<Planned> ReadForm(const std::string& text) {
  std::vector<Planned> form;
  for (size_t at = 0; at < text.size();) {
    if (text[at] == ' ') {
      ++at;
      continue;
    }
    const Kind kind = KindOf(text[at++]);
    int bars = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') bars = bars * 10 + (text[at++] - '0');
    if (bars > 0) form.push_back({kind, bars});
  }
  if (form.empty() || form.back().kind != Kind::End) form.push_back({Kind::End, 1});
  return form;
}

// A progression: degrees with their colours, chosen once so a section sounds the same
// harmony each time it returns.
struct Progression {
  std::vector<int> degrees;
  std::vector<Colour> colours;
  int barsPerChord = 1;
};

Colour PickColour(Rng& rng, const Style& s, int degree, Mode mode) {
  const float r = rng.Uniform();
  const bool dominant = degree == 4 || (degree == 6 && mode != Mode::Ionian && mode != Mode::Lydian);
  if (r < s.sevenths) return Colour::Seventh;
  if (r < s.sevenths + s.suspensions) return dominant || rng.Uniform() < 0.5f ? Colour::Sus4 : Colour::Sus2;
  if (r < s.sevenths + s.suspensions + s.added) return rng.Uniform() < 0.5f ? Colour::Add9 : Colour::Six;
  return Colour::Triad;
}

Progression MakeProgression(Rng& rng, const Style& s, std::vector<int> degrees, int barsPerChord = 1) {
  Progression p;
  p.degrees = std::move(degrees);
  p.barsPerChord = barsPerChord;
  for (int d : p.degrees) p.colours.push_back(PickColour(rng, s, d, s.key.mode));
  return p;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Progressions {
  Progression intro, a, b, bridge, outro, tag, end;
};

Progressions MakeProgressions(Rng& rng, const Style& s) {
  const Mode m = s.key.mode;
  using F = Function;
  Progressions p;
  // A: a question ending on the dominant, and an answer that starts the same way and
  // comes home.
  const std::vector<int> question = PhraseDegrees(rng, m, 4, F::Tonic, F::Dominant);
  std::vector<int> answer = {question[0], question[1],
                             rng.Uniform() < 0.7f ? FunctionDegree(rng, m, F::Dominant, -1)
                                                  : FunctionDegree(rng, m, F::Sub, question[1]),
                             0};
  if (answer[2] == answer[1]) answer[2] = FunctionDegree(rng, m, F::Sub, answer[1]);
  p.a = MakeProgression(rng, s, Join(question, answer));
  // The answer opens on the question's chords, colours and all.
  for (int k : {0, 1}) p.a.colours[4 + k] = p.a.colours[k];
  // B leaves the tonic and stays away until it leads back.
  // Both halves of B open alike too, so its hook sounds the same each time.
  const std::vector<int> b1 = PhraseDegrees(rng, m, 4, F::Sub, F::Dominant);
  std::vector<int> b2 = PhraseDegrees(rng, m, 4, F::Sub, F::Dominant);
  b2[0] = b1[0], b2[1] = b1[1];
  for (int tries = 0; tries < 8 && (b2[2] == b2[1] || b2[2] == b2[3]); ++tries)
    b2[2] = FunctionDegree(rng, m, F::Sub, b2[1]);
  p.b = MakeProgression(rng, s, Join(b1, b2));
  for (int k : {0, 1}) p.b.colours[4 + k] = p.b.colours[k];
  if (s.slowBridge)
    p.bridge = MakeProgression(rng, s, PhraseDegrees(rng, m, 4, F::Sub, F::Dominant), 2);
  else
    p.bridge = MakeProgression(rng, s, Join(PhraseDegrees(rng, m, 4, F::Sub, F::Sub),
                                            PhraseDegrees(rng, m, 4, F::Tonic, F::Dominant)));
  // The intro walks the question and arrives on its dominant, however long it is.
  p.intro = p.a;
  p.intro.degrees.resize(4);
  p.intro.colours.resize(4);
  // The tag says the answer's cadence twice more.
  p.tag.degrees = {answer[2], 0, answer[2], 0};
  p.tag.colours = {p.a.colours[6], p.a.colours[7], p.a.colours[6], p.a.colours[7]};
  p.outro = MakeProgression(rng, s, {question[0], question[1], FunctionDegree(rng, m, F::Sub, question[1]),
                                     FunctionDegree(rng, m, F::Dominant, -1)});
  p.end.degrees = {0};
  p.end.colours = {IsMinor(m) ? Colour::Triad : (s.added > 0 ? Colour::Add9 : Colour::Triad)};
  return p;
}

}  // namespace

const Section& Plan::SectionAt(int tick) const {
  for (const Section& s : sections)
    if (tick < s.EndTick(barTicks)) return s;
  return sections.back();
}

const ChordSlot& Plan::SlotAt(int tick) const {
  const Section& s = SectionAt(tick);
  for (const ChordSlot& c : s.chords)
    if (tick < c.tick + c.length) return c;
  return s.chords.back();
}

int Plan::ChordEnd(int tick) const {
  const ChordSlot& c = SlotAt(tick);
  return c.tick + c.length;
}

int Plan::Swing(int tick) const {
  if (style.swing <= 0) return tick;
  const int unit = style.swingUnit, pair = 2 * unit;
  const int base = tick / pair * pair, pos = tick - base;
  const double late = style.swing * unit;
  const double mapped = pos <= unit ? pos * (unit + late) / unit : unit + late + (pos - unit) * (unit - late) / unit;
  return base + static_cast<int>(std::lround(mapped));
}

int Plan::FinalLength() const {
  if (style.ending == Ending::Cold) return Ppq / 2;
  return sections.back().bars * barTicks - Ppq / 4;
}

double Plan::Fade(int tick) const {
  if (style.ending != Ending::Thinning) return 1;
  int from = sections.back().startTick;
  for (const Section& s : sections)
    if (s.kind == Kind::Outro) from = std::min(from, s.startTick);
  const int to = sections.back().EndTick(barTicks);
  return tick < from ? 1.0 : 1.0 - 0.4 * (tick - from) / std::max(1, to - from);
}

int Velocity(const Plan& plan, Rng& rng, int base, int tick, double sectionEnergy) {
  const int inBar = tick % plan.barTicks;
  double v = base;
  if (inBar == 0)
    v += 8;
  else if (inBar % Ppq == 0)
    v += (plan.style.beatsPerBar == 4 && inBar == 2 * Ppq) ? 4 : 1;
  else if (inBar % (Ppq / 2) == 0)
    v -= 3;
  else
    v -= 7;
  // Phrases swell towards their third bar and relax into the cadence.
  const double phrase = (tick % (4 * plan.barTicks)) / (4.0 * plan.barTicks);
  v += 8 * std::sin(Pi * phrase) - 3;
  v += (sectionEnergy - 0.6) * 30 + (plan.style.energy - 0.5) * 10;
  v += static_cast<int>(rng.Next() % 11) - 5;
  v *= plan.Fade(tick);
  return std::clamp(static_cast<int>(std::lround(v)), 20, 124);
}

void AddNote(const Plan& plan, Part& part, int tick, int length, int pitch, int velocity, int limit) {
  const int start = plan.Swing(tick), end = plan.Swing(std::min(tick + length, limit));
  if (end - start < 20) return;
  part.notes.push_back({start, end - start, pitch, velocity});
}

Song Compose(const Style& style) {
  Plan plan(style);
  plan.barTicks = style.beatsPerBar * Ppq;
  plan.stepsPerBar = style.beatsPerBar * 4;
  Rng rng(style.seed * 7919u + 17u);
  const Progressions progs = MakeProgressions(rng, style);

  // Lay the sections out in time, each with its chords.
  const std::vector<Planned> form = ReadForm(style.form);
  int lastA = -1;
  for (size_t i = 0; i < form.size(); ++i)
    if (form[i].kind == Kind::A) lastA = static_cast<int>(i);
  int tick = 0;
  int counts[7] = {};
  for (size_t i = 0; i < form.size(); ++i) {
    Section s;
    s.kind = form[i].kind;
    s.occurrence = counts[static_cast<int>(s.kind)]++;
    s.startTick = tick;
    s.bars = form[i].bars;
    s.lastOfKind = std::none_of(form.begin() + static_cast<long>(i) + 1, form.end(),
                                [&](const Planned& f) { return f.kind == s.kind; });
    const int transpose = (style.lift && lastA >= 0 && static_cast<int>(i) >= lastA) ? 2 : 0;
    Progression p = progs.a;
    switch (s.kind) {
      case Kind::Intro: {
        p = progs.intro;
        s.energy = 0.35;
        // However long, it ends on the question's dominant.
        if (s.bars < 4) p.degrees = {p.degrees[0], p.degrees[3]}, p.colours = {p.colours[0], p.colours[3]};
        if (s.bars == 1) p.degrees.erase(p.degrees.begin()), p.colours.erase(p.colours.begin());
        break;
      }
      case Kind::A: s.energy = static_cast<int>(i) == lastA ? 0.85 : std::min(0.8, 0.55 + 0.1 * s.occurrence); break;
      case Kind::B: p = progs.b; s.energy = 0.7 + 0.05 * s.occurrence; break;
      case Kind::Bridge: p = progs.bridge; s.energy = 0.45; break;
      case Kind::Outro: p = progs.outro; s.energy = 0.5; break;
      case Kind::Tag: p = progs.tag; s.energy = 0.75; break;
      case Kind::End: p = progs.end; p.barsPerChord = s.bars; s.energy = 0.45; break;
    }
    // A long section goes round its progression again.
    const int length = p.barsPerChord * plan.barTicks;
    for (int c = 0; c * length < s.bars * plan.barTicks; ++c) {
      const size_t k = static_cast<size_t>(c) % p.degrees.size();
      s.chords.push_back({tick + c * length, std::min(length, s.bars * plan.barTicks - c * length),
                          MakeChord(style.key, p.degrees[k], p.colours[k], transpose)});
    }
    tick += s.bars * plan.barTicks;
    plan.sections.push_back(std::move(s));
  }
  // Into the lifted key through its own dominant.
  if (style.lift && lastA > 0)
    plan.sections[lastA - 1].chords.back().chord = MakeChord(style.key, 4, Colour::Seventh, 2);

  Song song;
  song.title = style.title;
  song.beatsPerBar = style.beatsPerBar;
  song.keys.push_back({0, KeySharps(style.key, 0), style.key.mode == Mode::Aeolian});
  if (style.lift && lastA > 0) song.keys.push_back({plan.sections[lastA].startTick, KeySharps(style.key, 2),
                                       style.key.mode == Mode::Aeolian});
  for (const Section& s : plan.sections) {
    std::string name = Name(s.kind);
    if (s.occurrence > 0 && s.kind != Kind::End && s.kind != Kind::Tag) name += " " + std::to_string(s.occurrence + 1);
    song.markers.push_back({s.startTick, name});
  }

  // Steady time; a ritardando over the two bars before the final chord, or, after a tag,
  // over its last bar only.
  song.tempo.push_back({0, style.bpm});
  const Section& end = plan.sections.back();
  const int ritBeats = style.ending == Ending::Ritardando ? 2 * style.beatsPerBar
                       : style.ending == Ending::Tag      ? style.beatsPerBar
                                                          : 0;
  const double slowest = style.ending == Ending::Ritardando ? 0.72 : 0.85;
  for (int b = 0; b < ritBeats; ++b)
    song.tempo.push_back({end.startTick - (ritBeats - b) * Ppq,
                          style.bpm * (1.0 - (1.0 - slowest) * 0.8 * (b + 1) / ritBeats)});
  if (ritBeats) song.tempo.push_back({end.startTick, style.bpm * slowest});

  auto add = [&](const Instrument& v, const char* name, int channel) -> Part* {
    if (!v.Plays()) return nullptr;
    Part p;
    p.name = name;
    p.channel = channel;
    p.program = v.program;
    // Channel volume acts on amplitude as its square.
    p.volume = std::min(127, static_cast<int>(std::lround(v.volume * std::pow(10.0, style.gainDb / 40))));
    p.pan = v.pan;
    p.reverb = v.reverb;
    p.chorus = v.chorus;
    song.parts.push_back(std::move(p));
    return &song.parts.back();
  };
  song.parts.reserve(7);
  Part* melody = add(style.melody, "Melody", 0);
  Part* counter = add(style.counter, "Counter-melody", 1);
  Part* pad = add(style.pad, "Pad", 2);
  Part* comp = add(style.comp, "Chords", 3);
  Part* arp = add(style.arp, "Arpeggio", 4);
  Part* bass = add(style.bass, "Bass", 5);
  Part* drums = add(Instrument{style.drumKit, style.drumVolume, 64, style.melody.reverb / 2 + 10, 0}, "Drums",
                    DrumChannel);
  Part spare;  // a counter-melody nobody plays is written and dropped
  if (melody) WriteMelody(plan, *melody, counter ? *counter : spare);
  if (pad) WritePad(plan, *pad);
  if (comp) WriteComp(plan, *comp);
  if (arp) WriteArp(plan, *arp);
  if (bass) WriteBass(plan, *bass);
  WriteDrums(plan, *drums);
  // The piece ends with its last sound, so a player finds the end in the file itself.
  song.endTick = 0;
  for (const Part& p : song.parts)
    for (const Note& n : p.notes) song.endTick = std::max(song.endTick, n.tick + n.length);
  return song;
}

}  // namespace zolvane::music
