// The form of a piece, its chord progressions and tempo map; the parts are written over
// them by accompaniment.cpp, drums.cpp and melody.cpp.
#include "tools/music/composer.h"

#include <algorithm>
#include <cmath>

namespace zolvane::music {
namespace {

constexpr double Pi = 3.14159265358979323846;

// Forms from short to long; the longest that fits about two and a half minutes is used.
const std::vector<std::vector<Kind>>& Forms() {
  using K = Kind;
  static const std::vector<std::vector<Kind>> forms = {
      {K::Intro, K::A, K::B, K::A, K::Bridge, K::A, K::Outro, K::End},
      {K::Intro, K::A, K::A, K::B, K::A, K::Bridge, K::B, K::A, K::Outro, K::End},
      {K::Intro, K::A, K::A, K::B, K::B, K::A, K::Bridge, K::B, K::A, K::Outro, K::End},
      {K::Intro, K::A, K::A, K::B, K::A, K::Bridge, K::B, K::A, K::Bridge, K::B, K::A, K::Outro, K::End},
  };
  return forms;
}

int Bars(Kind k) { return k == Kind::End ? 1 : (k == Kind::Intro || k == Kind::Outro) ? 4 : 8; }

const char* Name(Kind k) {
  switch (k) {
    case Kind::Intro: return "Intro";
    case Kind::A: return "A";
    case Kind::B: return "B";
    case Kind::Bridge: return "Bridge";
    case Kind::Outro: return "Outro";
    case Kind::End: return "Ending";
  }
  return "";
}

std::vector<Kind> ChooseForm(const Style& s) {
  const double barSeconds = s.beatsPerBar * 60.0 / s.bpm;
  const std::vector<Kind>* chosen = &Forms().front();
  for (const auto& form : Forms()) {
    int bars = 0;
    for (Kind k : form) bars += Bars(k);
    if ((bars + 1) * barSeconds <= 160) chosen = &form;
  }
  return *chosen;
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
  Progression intro, a, b, bridge, outro, end;
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
  // B leaves the tonic and stays away until it leads back.
  p.b = MakeProgression(rng, s, Join(PhraseDegrees(rng, m, 4, F::Sub, F::Dominant),
                                      PhraseDegrees(rng, m, 4, F::Sub, F::Dominant)));
  if (s.slowBridge)
    p.bridge = MakeProgression(rng, s, PhraseDegrees(rng, m, 4, F::Sub, F::Dominant), 2);
  else
    p.bridge = MakeProgression(rng, s, Join(PhraseDegrees(rng, m, 4, F::Sub, F::Sub),
                                            PhraseDegrees(rng, m, 4, F::Tonic, F::Dominant)));
  p.intro = p.a;
  p.intro.degrees.resize(4);
  p.intro.colours.resize(4);
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
  const std::vector<Kind> form = ChooseForm(style);
  const int lastA = static_cast<int>(std::find(form.rbegin(), form.rend(), Kind::A).base() - form.begin()) - 1;
  int tick = 0;
  int counts[6] = {};
  for (size_t i = 0; i < form.size(); ++i) {
    Section s;
    s.kind = form[i];
    s.occurrence = counts[static_cast<int>(s.kind)]++;
    s.startTick = tick;
    s.bars = Bars(s.kind);
    s.lastOfKind = std::find(form.begin() + static_cast<long>(i) + 1, form.end(), s.kind) == form.end();
    const int transpose = (style.lift && static_cast<int>(i) >= lastA) ? 2 : 0;
    const Progression* p = &progs.a;
    switch (s.kind) {
      case Kind::Intro: p = &progs.intro; s.energy = 0.35; break;
      case Kind::A: s.energy = static_cast<int>(i) == lastA ? 0.85 : std::min(0.8, 0.55 + 0.1 * s.occurrence); break;
      case Kind::B: p = &progs.b; s.energy = 0.7 + 0.05 * s.occurrence; break;
      case Kind::Bridge: p = &progs.bridge; s.energy = 0.45; break;
      case Kind::Outro: p = &progs.outro; s.energy = 0.5; break;
      case Kind::End: p = &progs.end; s.energy = 0.45; break;
    }
    for (size_t c = 0; c < p->degrees.size(); ++c) {
      const int length = p->barsPerChord * plan.barTicks;
      s.chords.push_back({tick + static_cast<int>(c) * length, length,
                          MakeChord(style.key, p->degrees[c], p->colours[c], transpose)});
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
  if (style.lift) song.keys.push_back({plan.sections[lastA].startTick, KeySharps(style.key, 2),
                                       style.key.mode == Mode::Aeolian});
  for (const Section& s : plan.sections) {
    std::string name = Name(s.kind);
    if (s.occurrence > 0 && s.kind != Kind::End) name += " " + std::to_string(s.occurrence + 1);
    song.markers.push_back({s.startTick, name});
  }

  // Steady time, then a ritardando over the last two bars of the outro into the final chord.
  song.tempo.push_back({0, style.bpm});
  const Section& end = plan.sections.back();
  const int ritBeats = 2 * style.beatsPerBar;
  for (int b = 0; b < ritBeats; ++b)
    song.tempo.push_back({end.startTick - (ritBeats - b) * Ppq, style.bpm * (1.0 - 0.22 * (b + 1) / ritBeats)});
  song.tempo.push_back({end.startTick, style.bpm * 0.72});
  // After the final chord's release, a beat of silence lets the reverb die away.
  song.endTick = end.startTick + plan.barTicks + Ppq;

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
  return song;
}

}  // namespace zolvane::music
