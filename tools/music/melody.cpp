// The tune: a motif made for the piece, grown into a two-bar hook that opens every phrase
// of its theme note for note, then developed over the chords (varied, inverted, stretched,
// re-rhythmed) in question-and-answer phrases, with a counter-melody that echoes it in the
// gaps, holds guide tones under the B section and doubles it at the end.
//
// Notes live in scale degrees until the end, so a motif moves with the harmony; every note
// on a beat or longer than a dotted eighth is a chord tone, the rest pass between them.
#include <algorithm>
#include <cstdlib>

#include "tools/music/composer.h"

namespace zolvane::music {
namespace {

constexpr int Step = Ppq / 4;

struct MotifNote {
  int step, length, degree;  // sixteenths from the motif's start; degree from its first note
};

struct Motif {
  int steps = 0;
  std::vector<MotifNote> notes;
};

struct Placed {
  int tick, length, degree;
  bool strong;
  int accent;
};

// One beat's (or two or three beats') rhythm: note lengths in sixteenths, rests negative.
struct Cell {
  std::vector<int> parts;
  float sparse, dense;  // weights at density 0 and 1
  float pushed = 0;     // weight added by the piece's syncopation: notes across the beat
};

const std::vector<Cell>& Cells() {
  static const std::vector<Cell> cells = {
      {{4}, 3, 2},       {{2, 2}, 1, 4},   {{-2, 2}, 0.5f, 1}, {{3, 1}, 0.5f, 1.5f}, {{1, 1, 2}, 0, 2},
      {{2, 1, 1}, 0, 1.5f}, {{8}, 3, 0.5f}, {{6, 2}, 2, 1},    {{12}, 1, 0},        {{-4}, 0.6f, 0.3f},
      {{1, 3}, 0, 0.3f, 1},     {{1, 2, 1}, 0, 0.5f, 1.5f}, {{3, 3, 2}, 0.2f, 0.4f, 2.5f},
      {{2, 4, 2}, 0.3f, 0.3f, 2}, {{-1, 3}, 0, 0.2f, 1},   {{-2, 4, 2}, 0.2f, 0.2f, 1.5f},
      {{2, 6}, 0.3f, 0.2f, 1.2f}};
  return cells;
}

int Span(const Cell& c) {
  int s = 0;
  for (int p : c.parts) s += std::abs(p);
  return s;
}

Motif MakeRhythm(Rng& rng, int steps, double density, double syncopation) {
  Motif m;
  m.steps = steps;
  int at = 0;
  while (at < steps) {
    std::vector<const Cell*> fitting;
    std::vector<float> weights;
    float total = 0;
    for (const Cell& c : Cells()) {
      if (Span(c) > steps - at) continue;
      if (at == 0 && c.parts[0] < 0 && c.parts.size() == 1) continue;  // a motif starts with sound
      // The last beat breathes, but with a note: no run of short notes into the next bar,
      // and no silent beat that would leave the phrase full of holes.
      if (at + Span(c) == steps && (c.parts.size() > 2 || c.parts.back() < 0)) continue;
      const float w = c.sparse + (c.dense - c.sparse) * static_cast<float>(density) +
                      c.pushed * static_cast<float>(syncopation);
      if (w <= 0) continue;
      fitting.push_back(&c);
      weights.push_back(w);
      total += w;
    }
    float pick = rng.Uniform() * total;
    size_t k = 0;
    while (k + 1 < fitting.size() && pick >= weights[k]) pick -= weights[k++];
    for (int p : fitting[k]->parts) {
      if (p > 0) m.notes.push_back({at, p, 0});
      at += std::abs(p);
    }
  }
  return m;
}

Motif MakeMotif(Rng& rng, int steps, double density, double syncopation) {
  // Enough notes to be recognised again: about one a beat, fewer in long motifs.
  const size_t wanted = static_cast<size_t>(steps / 4 * (steps > 16 ? 0.6 : 1.0));
  Motif m = MakeRhythm(rng, steps, density, syncopation);
  for (int tries = 0; tries < 40 && m.notes.size() < wanted; ++tries) m = MakeRhythm(rng, steps, density, syncopation);
  // A contour: rising, falling, an arch or a bowl, mostly in steps, turning after a leap.
  const int shape = static_cast<int>(rng.Next() % 4);
  const size_t n = m.notes.size();
  int degree = 0, lastMove = 0;
  for (size_t i = 1; i < n; ++i) {
    const bool firstHalf = i * 2 <= n;
    int dir = shape == 0 ? 1 : shape == 1 ? -1 : shape == 2 ? (firstHalf ? 1 : -1) : (firstHalf ? -1 : 1);
    if (rng.Uniform() < 0.2f) dir = -dir;
    const float r = rng.Uniform();
    int size = r < 0.55f ? 1 : r < 0.68f ? 0 : r < 0.88f ? 2 : 3 + static_cast<int>(rng.Next() % 2);
    if (std::abs(lastMove) >= 3) size = 1, dir = lastMove > 0 ? -1 : 1;
    if (size == 0 && i >= 2 && m.notes[i - 2].degree == degree) size = 1;  // no third repeat
    int next = std::clamp(degree + dir * size, -4, 5);
    lastMove = next - degree;
    degree = next;
    m.notes[i].degree = degree;
  }
  return m;
}

Motif Invert(Motif m) {
  for (MotifNote& n : m.notes) n.degree = -n.degree;
  return m;
}

Motif Augment(Motif m) {
  m.steps *= 2;
  for (MotifNote& n : m.notes) n.step *= 2, n.length *= 2;
  return m;
}

Motif FirstBar(Motif m, int stepsPerBar) {
  m.steps = stepsPerBar;
  m.notes.erase(std::remove_if(m.notes.begin(), m.notes.end(), [&](const MotifNote& n) { return n.step >= stepsPerBar; }),
                m.notes.end());
  for (MotifNote& n : m.notes) n.length = std::min(n.length, stepsPerBar - n.step);
  return m;
}

// The same opening, a new ending.
Motif VaryTail(Rng& rng, Motif m) {
  const size_t n = m.notes.size();
  for (size_t i = n > 2 ? n - 2 : 1; i < n; ++i) {
    const int move = static_cast<int>(rng.Next() % 5) - 2;
    m.notes[i].degree = std::clamp(m.notes[i].degree + (move ? move : 1), -4, 5);
  }
  return m;
}

// Two bars heard as one phrase: `second` after `first`, `shift` degrees away.
Motif Then(Motif first, const Motif& second, int shift) {
  const int offset = first.steps;
  const int base = first.notes.empty() ? 0 : first.notes[0].degree;
  const int from = second.notes.empty() ? 0 : second.notes[0].degree;
  for (MotifNote n : second.notes) {
    n.step += offset;
    n.degree = base + shift + n.degree - from;
    first.notes.push_back(n);
  }
  first.steps += second.steps;
  return first;
}

// A long note gives its last eighth to a passing note towards the next one.
Motif Ornament(Rng& rng, Motif m) {
  std::vector<MotifNote> out;
  for (size_t i = 0; i < m.notes.size(); ++i) {
    MotifNote a = m.notes[i];
    const int nextDegree = i + 1 < m.notes.size() ? m.notes[i + 1].degree : a.degree - 1;
    if (a.length >= 4 && nextDegree != a.degree && rng.Uniform() < 0.6f) {
      a.length -= 2;
      out.push_back(a);
      out.push_back({a.step + a.length, 2, a.degree + (nextDegree > a.degree ? 1 : -1)});
    } else {
      out.push_back(a);
    }
  }
  m.notes = out;
  return m;
}

class MelodyWriter {
 public:
  explicit MelodyWriter(const Plan& plan)
      : plan_(plan), st_(plan.style), rng_(plan.style.seed * 53u + 7u), bar_(plan.barTicks),
        spb_(plan.stepsPerBar), lo_(60 + plan.style.leadShift), hi_(81 + plan.style.leadShift) {
    const int t = plan.style.key.tonic;
    base_ = t <= 6 ? 60 + t : 48 + t;
    const int motifSteps = st_.motifBars * spb_;
    a_ = MakeMotif(rng_, motifSteps, st_.density, st_.syncopation);
    // The B theme grows out of the A theme: its rhythm calmer, its contour turned over.
    b_ = MakeMotif(rng_, motifSteps, st_.density * 0.6, st_.syncopation * 0.5);
    const Motif turned = Invert(a_);
    for (size_t i = 0; i < b_.notes.size(); ++i) b_.notes[i].degree = turned.notes[i % turned.notes.size()].degree;
    // The hooks: two bars each theme opens with every time, note for note, so the tune is
    // known again when it returns. A one-bar motif is answered by a bar made once.
    hookA_ = a_, hookB_ = b_;
    if (st_.motifBars == 1) {
      const int shifts[] = {-1, 1, 2, -2};
      hookA_ = Then(a_, Ornament(rng_, VaryTail(rng_, a_)), shifts[rng_.Next() % 4]);
      hookB_ = Then(b_, VaryTail(rng_, b_), shifts[rng_.Next() % 4]);
    }
    // Each theme's span sits around the middle of the melody's range, B a little higher.
    anchorA_ = DegreeNear(68 + st_.leadShift) - Middle(hookA_);
    anchorB_ = DegreeNear(71 + st_.leadShift) - Middle(hookB_);
  }

  void Write(Part& melody, Part& counter) {
    for (const Section& s : plan_.sections) WriteSection(s);
    CleanPassingNotes(mel_);
    CleanPassingNotes(counter_);
    Realise(mel_, melody, lo_, hi_, 82);
    Realise(counter_, counter, 55, 79, 66);
  }

 private:
  int Transpose(int tick) const { return ((plan_.ChordAt(tick).tonic - st_.key.tonic) % 12 + 12) % 12; }

  int Pitch(int tick, int degree) const {
    const Chord& c = plan_.ChordAt(tick);
    const int octave = degree >= 0 ? degree / 7 : -((6 - degree) / 7);
    return base_ + Transpose(tick) + 12 * octave + c.scale[degree - 7 * octave];
  }

  static int Middle(const Motif& m) {
    int low = 0, high = 0;
    for (const MotifNote& n : m.notes) low = std::min(low, n.degree), high = std::max(high, n.degree);
    return (low + high) / 2 - m.notes[0].degree;
  }

  int DegreeNear(int pitch) const {
    int best = 0;
    for (int d = -14; d <= 21; ++d)
      if (std::abs(Pitch(0, d) - pitch) < std::abs(Pitch(0, best) - pitch)) best = d;
    return best;
  }

  bool ChordTone(int tick, int degree) const { return plan_.ChordAt(tick).Has(Pitch(tick, degree)); }

  int Fold(int tick, int degree, int low, int high) const {
    while (Pitch(tick, degree) > high) degree -= 7;
    while (Pitch(tick, degree) < low) degree += 7;
    return degree;
  }

  // The nearest chord tone, looking first in the direction the line is going, other than
  // `avoid`.
  int Snap(int tick, int degree, int direction, int avoid = -1000) const {
    const int first = direction >= 0 ? 1 : -1;
    for (int d = 0; d <= 4; ++d)
      for (int sign : {first, -first})
        if (degree + sign * d != avoid && ChordTone(tick, degree + sign * d)) return degree + sign * d;
    return degree;
  }

  // Places a motif from `tick`, its first note on the chord tone nearest `anchor`.
  int Place(std::vector<Placed>& line, const Motif& m, int tick, int anchor, int end, int accent, int low,
            int high) {
    if (m.notes.empty()) return anchor;
    const int t0 = tick + m.notes[0].step * Step;
    const int first = Snap(t0, Fold(t0, anchor, low, high), 0);
    int previous = first;
    for (size_t i = 0; i < m.notes.size(); ++i) {
      const MotifNote& n = m.notes[i];
      const int t = tick + n.step * Step;
      if (t >= end) break;
      int d = Fold(t, first + n.degree - m.notes[0].degree, low, high);
      // A leap wider than a fifth is taken the other way round when that is nearer.
      if (std::abs(d - previous) > 4) {
        const int other = d + (d > previous ? -7 : 7);
        if (std::abs(other - previous) < std::abs(d - previous) && Pitch(t, other) >= low && Pitch(t, other) <= high)
          d = other;
      }
      const bool strong = i == 0 || n.step % 4 == 0 || n.length >= 4;
      // Where the motif moves, the snapped note moves too.
      if (strong) d = Snap(t, d, d - previous, i > 0 && d != previous ? previous : -1000);
      line.push_back({t, std::min(n.length * Step, end - t), d, strong, accent});
      previous = d;
    }
    return previous;
  }

  // The last bar of a phrase: a step or two into a long note. A question stops on a chord
  // tone other than the tonic; an answer comes home to it when the chord allows.
  int Cadence(std::vector<Placed>& line, int tick, int previous, bool answer, int accent) {
    const Chord& c = plan_.ChordAt(tick);
    int target = Snap(tick, previous, -1);
    auto isTonic = [&](int d) { return Pitch(tick, d) % 12 == c.tonic; };
    if (answer && c.Has(c.tonic)) {
      for (int d = 0; d <= 6 && !isTonic(target); ++d)
        for (int candidate : {previous - d, previous + d})
          if (isTonic(candidate)) {
            target = candidate;
            break;
          }
    } else if (!answer && isTonic(target)) {
      target = Snap(tick, target + 1, 1);
    }
    target = Fold(tick, target, lo_ + 2, hi_);
    const int kind = static_cast<int>(rng_.Next() % 6);
    const int longFrom = kind <= 1 || kind == 4 ? 4 : kind == 2 ? spb_ / 2 : kind == 5 ? 2 : 0;
    if (kind == 0) line.push_back({tick, 4 * Step, Snap(tick, target + 2, 1), true, accent});
    if (kind == 1 || kind == 4) {
      const int first = kind == 1 ? 2 : 3;  // even, or dotted
      line.push_back({tick, first * Step, Snap(tick, target + 2, 1), true, accent});
      line.push_back({tick + first * Step, (4 - first) * Step, target + 1, false, accent - 4});
    }
    // The long note arrives an eighth early, across the beat.
    if (kind == 5) line.push_back({tick, 2 * Step, Snap(tick, target - 2, -1), true, accent});
    if (kind == 2) line.push_back({tick, spb_ / 2 * Step, Snap(tick, target + 3, 1), true, accent});
    line.push_back({tick + longFrom * Step, (spb_ - longFrom - 2) * Step, target, true, accent + 4});
    return target;
  }

  // Four bars: a two-bar theme as it stands, a bar developing it (varied, moved, turned
  // over in a returning answer, now and then in a rhythm of its own), a cadence.
  int Phrase(std::vector<Placed>& line, const Motif& m, int tick, int anchor, bool answer, int occurrence,
             int accent) {
    Motif varied = VaryTail(rng_, m);
    if (occurrence > 0 || rng_.Uniform() < 0.5f) varied = Ornament(rng_, varied);
    const int shifts[] = {2, 2, 2, 1, 3};
    const int shift = shifts[rng_.Next() % 5];
    Place(line, m, tick, anchor, tick + 2 * bar_, accent, lo_, hi_);
    Motif third = FirstBar(occurrence > 0 && answer ? Invert(varied) : varied, spb_);
    if (rng_.Uniform() < 0.35f + 0.3f * static_cast<float>(st_.syncopation)) third = Rhythmic(third);
    const int last = Place(line, third, tick + 2 * bar_, anchor + shift, tick + 3 * bar_, accent + 3, lo_, hi_);
    return Cadence(line, tick + 3 * bar_, last, answer, accent);
  }

  // The motif's steps to a newly made one-bar rhythm.
  Motif Rhythmic(const Motif& m) {
    Motif r = MakeRhythm(rng_, spb_, st_.density, st_.syncopation);
    for (size_t i = 0; i < r.notes.size() && !m.notes.empty(); ++i)
      r.notes[i].degree = m.notes[std::min(i, m.notes.size() - 1)].degree;
    return r;
  }

  // The counter-melody answers in the gap a held note leaves: the motif's opening half bar,
  // lower.
  void Echo(int from, int end, int anchor) {
    Motif head = a_;
    head.notes.erase(std::remove_if(head.notes.begin(), head.notes.end(),
                                    [&](const MotifNote& n) { return n.step >= spb_ / 2; }),
                     head.notes.end());
    Place(counter_, head, from, anchor - 7, end, -8, 55, 79);
  }

  void GuideTones(const Section& s) {
    int previous = DegreeNear(64);
    for (const ChordSlot& slot : s.chords) {
      const Chord& c = slot.chord;
      const int guide = c.tones.size() > 3 && (slot.tick / bar_) % 2 ? c.tones[3] : c.Third();
      int best = previous;
      for (int d = previous - 4; d <= previous + 4; ++d)
        if (Pitch(slot.tick, d) % 12 == guide && Pitch(slot.tick, d) >= 55 && Pitch(slot.tick, d) <= 70 &&
            (Pitch(slot.tick, best) % 12 != guide || std::abs(d - previous) < std::abs(best - previous)))
          best = d;
      if (Pitch(slot.tick, best) % 12 != guide) best = Snap(slot.tick, Fold(slot.tick, previous, 55, 70), 0);
      counter_.push_back({slot.tick, slot.length - Ppq / 4, best, true, -12});
      previous = best;
    }
  }

  void WriteSection(const Section& s) {
    const int t0 = s.startTick;
    const int phrases = s.bars / 4;
    switch (s.kind) {
      case Kind::Intro: {
        if (st_.introMelody && phrases > 0) {
          // The hook first, softly, before the band settles under it.
          for (int p = 0; p < phrases; ++p) Phrase(mel_, hookA_, t0 + 4 * p * bar_, anchorA_, false, 0, -6);
          break;
        }
        if (st_.introMelody) {
          Place(mel_, FirstBar(hookA_, spb_), t0, anchorA_, t0 + bar_, -6, lo_, hi_);
          break;
        }
        if (s.bars < 2 || st_.rhythmIntro) break;
        // A glimpse of the theme, low and soft, before it is stated.
        const int at = t0 + (s.bars - 2) * bar_;
        const int last = Place(counter_, FirstBar(a_, spb_), at, anchorA_ - 7, at + bar_, -10, 55, 79);
        counter_.push_back({at + bar_, bar_ - Ppq, Snap(at + bar_, last, -1), true, -12});
        break;
      }
      case Kind::A: {
        const bool last = s.lastOfKind;
        const size_t from = mel_.size();
        for (int p = 0; p < phrases; ++p) {
          const int tick = t0 + 4 * p * bar_;
          Phrase(mel_, hookA_, tick, anchorA_, p % 2 == 1, last ? 0 : s.occurrence, 0);
          if (!last) Echo(tick + 3 * bar_ + spb_ / 2 * Step, tick + 4 * bar_, anchorA_);
        }
        // The last statement is doubled a third below.
        if (last)
          for (size_t i = from; i < mel_.size(); ++i) {
            Placed p = mel_[i];
            p.degree = Fold(p.tick, p.degree - 2, 55, 79);
            if (p.strong) p.degree = Snap(p.tick, p.degree, -1);
            p.accent -= 10;
            counter_.push_back(p);
          }
        break;
      }
      case Kind::B:
        for (int p = 0; p < phrases; ++p)
          Phrase(mel_, hookB_, t0 + 4 * p * bar_, anchorB_, p % 2 == 1, s.occurrence, 4);
        GuideTones(s);
        break;
      case Kind::Bridge: {
        // The theme stretched out, quieter, over the new chords.
        const Motif slow = st_.motifBars == 1 ? Augment(a_) : Invert(a_);
        for (int p = 0; p < phrases; ++p) Phrase(mel_, slow, t0 + 4 * p * bar_, anchorA_ + 1, p % 2 == 1, 0, -8);
        break;
      }
      case Kind::Outro: {
        if (s.bars < 4) break;
        Place(mel_, hookA_, t0, anchorA_, t0 + 2 * bar_, -2, lo_, hi_);
        const int from = t0 + 2 * bar_;
        int last = Place(mel_, FirstBar(Invert(a_), spb_), from, anchorA_ + 1, from + bar_, -4, lo_, hi_);
        Cadence(mel_, from + bar_, last, false, -4);
        break;
      }
      case Kind::Tag:
        // The hook's opening into the cadence home, said again.
        for (int p = 0; p + 2 <= s.bars; p += 2) {
          const int at = t0 + p * bar_;
          const int last = Place(mel_, FirstBar(hookA_, spb_), at, anchorA_, at + bar_, 2, lo_, hi_);
          Cadence(mel_, at + bar_, last, true, 2);
        }
        break;
      case Kind::End: {
        const int previous = mel_.empty() ? anchorA_ : mel_.back().degree;
        int target = previous;
        for (int d = 0; d <= 6; ++d)
          if (Pitch(t0, previous - d) % 12 == s.chords[0].chord.tonic) {
            target = previous - d;
            break;
          }
        const int length = plan_.FinalLength();
        mel_.push_back({t0, length, Fold(t0, target, lo_, hi_), true, -6});
        const int under = Snap(t0, Fold(t0, target - 2, 55, 79), -1);
        counter_.push_back({t0, length, under, true, -12});
        break;
      }
    }
  }

  // A note between chord tones must be reached or left by step; otherwise it becomes one.
  void CleanPassingNotes(std::vector<Placed>& line) {
    std::sort(line.begin(), line.end(), [](const Placed& a, const Placed& b) { return a.tick < b.tick; });
    for (size_t i = 0; i < line.size(); ++i) {
      Placed& p = line[i];
      if (p.strong || ChordTone(p.tick, p.degree)) continue;
      const bool stepIn = i > 0 && std::abs(line[i - 1].degree - p.degree) == 1;
      const bool stepOut = i + 1 < line.size() && std::abs(line[i + 1].degree - p.degree) == 1;
      if (!stepIn && !stepOut) p.degree = Snap(p.tick, p.degree, 0);
    }
  }

  void Realise(const std::vector<Placed>& line, Part& part, int low, int high, int base) {
    for (const Placed& p : line) {
      int pitch = Pitch(p.tick, p.degree);
      while (pitch > high) pitch -= 12;
      while (pitch < low) pitch += 12;
      const int jitter = p.tick > 0 ? static_cast<int>(rng_.Next() % 13) - 6 : 0;
      const int gap = p.length >= Ppq ? 40 : 20;
      AddNote(plan_, part, p.tick + jitter, p.length - gap - jitter, pitch,
              Velocity(plan_, rng_, base + p.accent, p.tick, plan_.SectionAt(p.tick).energy),
              plan_.ChordEnd(p.tick));
    }
  }

  const Plan& plan_;
  const Style& st_;
  Rng rng_;
  int bar_, spb_, lo_, hi_, base_ = 60;
  Motif a_, b_, hookA_, hookB_;
  int anchorA_ = 0, anchorB_ = 0;
  std::vector<Placed> mel_, counter_;
};

}  // namespace

void WriteMelody(const Plan& plan, Part& melody, Part& counter) { MelodyWriter(plan).Write(melody, counter); }

}  // namespace zolvane::music
