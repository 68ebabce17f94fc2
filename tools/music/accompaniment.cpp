// The harmony parts: a sustained pad, rhythmic chords, an arpeggio and the bass. They play
// chord tones, apart from the bass's short steps into the next chord.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tools/music/composer.h"

namespace zolvane::music {
namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr int Step = Ppq / 4;  // a sixteenth

struct Hit {
  int step, length;  // sixteenths within the bar
};

std::vector<Hit> CompPattern(CompStyle style, int stepsPerBar) {
  std::vector<Hit> hits;
  switch (style) {
    case CompStyle::Sustain: hits = {{0, stepsPerBar}}; break;
    case CompStyle::Quarters: for (int s = 0; s < stepsPerBar; s += 4) hits.push_back({s, 3}); break;
    case CompStyle::Eighths: for (int s = 0; s < stepsPerBar; s += 2) hits.push_back({s, 2}); break;
    case CompStyle::Offbeat: for (int s = 2; s < stepsPerBar; s += 4) hits.push_back({s, 2}); break;
    case CompStyle::Funk: hits = {{0, 1}, {3, 2}, {6, 1}, {8, 1}, {10, 2}, {13, 1}, {14, 1}}; break;
    case CompStyle::Waltz: for (int s = 4; s < stepsPerBar; s += 4) hits.push_back({s, 3}); break;
    case CompStyle::Charleston: hits = {{0, 3}, {6, 4}, {12, 3}}; break;
  }
  std::vector<Hit> fitting;
  for (Hit h : hits)
    if (h.step < stepsPerBar) fitting.push_back({h.step, std::min(h.length, stepsPerBar - h.step)});
  return fitting;
}

// Chord tones between low and high, from the bottom up.
std::vector<int> Pool(const Chord& c, int low, int high) {
  std::vector<int> pool;
  for (int p = low; p <= high; ++p)
    if (c.Has(p)) pool.push_back(p);
  return pool;
}

int Nearest(int pc, int target, int low, int high) {
  int best = -1;
  for (int p = low; p <= high; ++p)
    if (((p % 12) + 12) % 12 == pc && (best < 0 || std::abs(p - target) < std::abs(best - target))) best = p;
  return best;
}

}  // namespace

void WritePad(const Plan& plan, Part& part) {
  Rng rng(plan.style.seed * 31u + 2u);
  std::vector<int> voicing;
  for (const Section& s : plan.sections)
    for (const ChordSlot& slot : s.chords) {
      if (s.kind == Kind::Intro && plan.style.rhythmIntro) continue;
      voicing = Voice(slot.chord, 50, 72, 4, voicing, true);
      const bool last = s.kind == Kind::End;
      const int length = last ? plan.FinalLength() : slot.length;
      for (int pitch : voicing) {
        // A tone the next chord keeps is held, not struck again.
        auto held = std::find_if(part.notes.begin(), part.notes.end(), [&](const Note& n) {
          return n.pitch == pitch && n.tick + n.length == slot.tick;
        });
        if (held != part.notes.end() && !last) {
          held->length += length;
          continue;
        }
        part.notes.push_back({slot.tick, length, pitch, Velocity(plan, rng, 62, slot.tick, s.energy)});
      }
    }
  // Expression breathes over every four-bar phrase, grows out of the intro and sinks
  // under the final chord.
  int previous = -1;
  for (const Section& s : plan.sections) {
    // Nothing moves after the final chord has sounded: the piece ends with it.
    const int end = s.kind == Kind::End ? s.startTick + plan.FinalLength() : s.EndTick(plan.barTicks);
    for (int t = s.startTick; t < end; t += Ppq) {
      const double phrase = ((t - s.startTick) % (4 * plan.barTicks)) / (4.0 * plan.barTicks);
      double v = 78 + 28 * s.energy + 12 * std::sin(Pi * phrase);
      if (s.kind == Kind::Intro) v *= 0.6 + 0.4 * (t - s.startTick) / (s.bars * plan.barTicks);
      if (s.kind == Kind::End) v *= 1.0 - 0.35 * (t - s.startTick) / (s.bars * plan.barTicks);
      v *= plan.Fade(t);
      const int value = std::clamp(static_cast<int>(std::lround(v)), 0, 127);
      if (value != previous) part.controls.push_back({t, 11, value});
      previous = value;
    }
  }
}

void WriteComp(const Plan& plan, Part& part) {
  const Style& st = plan.style;
  Rng rng(st.seed * 37u + 3u);
  std::vector<int> voicing;
  for (const Section& s : plan.sections) {
    CompStyle style = st.compStyle;
    if (s.kind == Kind::Bridge || s.kind == Kind::Intro) style = st.energy > 0.6 ? CompStyle::Quarters : CompStyle::Sustain;
    if (s.kind == Kind::Intro && st.pad.Plays() && st.energy < 0.5) continue;  // the pad alone opens calm pieces
    if (s.kind == Kind::Intro && st.rhythmIntro) continue;
    const std::vector<Hit> pattern = CompPattern(style, plan.stepsPerBar);
    for (int bar = 0; bar < s.bars; ++bar) {
      const int barTick = s.startTick + bar * plan.barTicks;
      // A piece that thins out lets the chords go first.
      if (st.ending == Ending::Thinning && s.kind == Kind::Outro && 2 * bar >= s.bars) continue;
      if (st.ending == Ending::Thinning && s.kind == Kind::End) continue;
      if (s.kind == Kind::End) {
        if (bar > 0) break;  // one chord, however long it is held
        // The final chord, rolled upwards.
        voicing = Voice(plan.ChordAt(barTick), 52, 72, 4, voicing, false);
        for (size_t i = 0; i < voicing.size(); ++i)
          part.notes.push_back({barTick + static_cast<int>(i) * 25, plan.FinalLength() - static_cast<int>(i) * 25,
                                voicing[i], Velocity(plan, rng, 70, barTick, s.energy)});
        continue;
      }
      for (size_t h = 0; h < pattern.size(); ++h) {
        const int tick = barTick + pattern[h].step * Step;
        const Chord& chord = plan.ChordAt(tick);
        voicing = Voice(chord, 52, 72, 3, voicing, true);
        const int velocity = Velocity(plan, rng, 66, tick, s.energy);
        for (int pitch : voicing)
          AddNote(plan, part, tick, pattern[h].length * Step - 10, pitch, velocity, plan.ChordEnd(tick));
      }
    }
  }
}

void WriteArp(const Plan& plan, Part& part) {
  const Style& st = plan.style;
  Rng rng(st.seed * 41u + 4u);
  const bool sixteenths = st.arpStyle == ArpStyle::Broken16 || st.arpStyle == ArpStyle::Rolling16;
  const int unit = sixteenths ? Step : 2 * Step;
  for (const Section& s : plan.sections) {
    // Busy pieces keep the arpeggio for the sections with the most going on.
    const bool plays = s.kind == Kind::End || s.kind == Kind::Bridge || s.kind == Kind::B ||
                       (s.kind == Kind::A && (s.occurrence > 0 || st.energy < 0.5)) ||
                       (s.kind == Kind::Intro && st.energy < 0.7 && !st.rhythmIntro) || s.kind == Kind::Outro;
    if (!plays) continue;
    if (s.kind == Kind::End) {
      const std::vector<int> pool = Pool(s.chords[0].chord, 55, 79);
      const int n = std::min<int>(static_cast<int>(pool.size()), 6);
      for (int i = 0; i < n && plan.FinalLength() - i * Step > Ppq / 4; ++i)
        part.notes.push_back({s.startTick + i * Step, plan.FinalLength() - i * Step, pool[i],
                              Velocity(plan, rng, 58 + 3 * i, s.startTick, s.energy)});
      continue;
    }
    const int end = s.kind == Kind::Outro ? s.startTick + 2 * plan.barTicks : s.EndTick(plan.barTicks);
    int i = 0;
    for (int t = s.startTick; t < end; t += unit, ++i) {
      const ChordSlot& slot = plan.SlotAt(t);
      if (t == slot.tick) i = 0;
      std::vector<int> pool = Pool(slot.chord, 55, 79);
      if (pool.size() > 6) pool.resize(6);
      const int n = static_cast<int>(pool.size());
      int idx = 0;
      switch (st.arpStyle) {
        case ArpStyle::Up8: idx = i % n; break;
        case ArpStyle::UpDown8: case ArpStyle::Rolling16: {
          const int period = std::max(1, 2 * (n - 1));
          idx = i % period;
          if (idx >= n) idx = period - idx;
          break;
        }
        // 0 2 1 3 2 4 ...: thirds climbing in pairs.
        case ArpStyle::Broken16: idx = std::min(n - 1, (i / 2) % std::max(1, n - 2) + (i % 2) * 2); break;
        case ArpStyle::Cascade: idx = n - 1 - i % n; break;
      }
      AddNote(plan, part, t, st.arpLength * Step, pool[idx], Velocity(plan, rng, 58, t, s.energy),
              plan.ChordEnd(t));
    }
  }
}

void WriteBass(const Plan& plan, Part& part) {
  const Style& st = plan.style;
  Rng rng(st.seed * 43u + 5u);
  int previous = 40;
  const int beats = st.beatsPerBar;
  for (const Section& s : plan.sections) {
    BassStyle style = st.bassStyle;
    if (s.kind == Kind::Bridge && st.energy < 0.6) style = BassStyle::Held;
    for (const ChordSlot& slot : s.chords) {
      const Chord& c = slot.chord;
      const int root = Nearest(c.root, previous, 33, 50);
      previous = root;
      auto note = [&](int tick, int length, int pitch, int accent) {
        while (pitch > 55) pitch -= 12;
        while (pitch < 28) pitch += 12;
        AddNote(plan, part, tick, length, pitch, Velocity(plan, rng, 78 + accent, tick, s.energy),
                slot.tick + slot.length);
      };
      if (s.kind == Kind::End) {
        part.notes.push_back({slot.tick, plan.FinalLength(), Nearest(c.root, 36, 28, 40),
                              static_cast<int>(80 * plan.Fade(slot.tick))});
        continue;
      }
      if (s.kind == Kind::Intro && slot.tick < s.startTick + 2 * plan.barTicks) continue;
      // The fifth below a high root, above a low one, so the line stays in its register.
      const int fifth = root > 42 ? Nearest(c.tones[2], root - 5, root - 7, root) : Nearest(c.tones[2], root + 7, root, root + 9);
      const int third = Nearest(c.Third(), root + 4, root, root + 9);
      const Chord& nextChord = plan.ChordAt(std::min(slot.tick + slot.length, plan.sections.back().startTick));
      // A step into the next chord's root: a semitone away in a walking line, a step of the
      // scale otherwise.
      const int target = Nearest(nextChord.root, root, 33, 50);
      const bool below = rng.Next() & 1;
      int approach = target + (below ? -1 : 1);
      if (style != BassStyle::Walking)
        for (int d = 1; d <= 2; ++d) {
          const int p = target + (below ? -d : d);
          const int pc = ((p - nextChord.tonic) % 12 + 12) % 12;
          if (std::find(nextChord.scale.begin(), nextChord.scale.end(), pc) != nextChord.scale.end()) {
            approach = p;
            break;
          }
        }
      const bool moves = nextChord.root != c.root;
      for (int bar = 0; bar < slot.length / plan.barTicks; ++bar) {
        const int t0 = slot.tick + bar * plan.barTicks;
        const bool lastBar = t0 + plan.barTicks == slot.tick + slot.length;
        switch (style) {
          case BassStyle::Held:
            note(t0, plan.barTicks - 40, root, 0);
            break;
          case BassStyle::RootFifth:
            if (beats == 3) {
              note(t0, 3 * Ppq - 40, bar % 2 ? fifth : root, 0);
            } else {
              note(t0, 2 * Ppq - 40, root, 2);
              note(t0 + 2 * Ppq, Ppq + Ppq / 2, fifth, -4);
              note(t0 + 3 * Ppq + Ppq / 2, Ppq / 2 - 20, lastBar ? approach : root, -8);
            }
            break;
          case BassStyle::Pulse:
            for (int e = 0; e < 2 * beats; ++e) {
              int pitch = root;
              if (e == 2 * beats - 1) pitch = lastBar ? approach : root + 12;
              else if (e == 3 && beats == 4) pitch = root + 12;
              note(t0 + e * Ppq / 2, Ppq / 2 - 30, pitch, e % 2 ? -6 : 0);
            }
            break;
          case BassStyle::Syncopated: {
            static const int steps[] = {0, 3, 6, 10, 12, 14};
            const int pitches[] = {root, root, root + 12, fifth, root, lastBar ? approach : third};
            for (int k = 0; k < 6; ++k) {
              if (steps[k] >= plan.stepsPerBar) break;
              const int len = (k + 1 < 6 ? std::min(steps[k + 1], plan.stepsPerBar) : plan.stepsPerBar) - steps[k];
              note(t0 + steps[k] * Step, len * Step - 30, pitches[k], k == 0 ? 4 : -4);
            }
            break;
          }
          case BassStyle::Walking: {
            const int tones[] = {root, (rng.Next() & 1) ? third : fifth, fifth, root + 12};
            for (int b = 0; b < beats; ++b) {
              int pitch = tones[b];
              if (b == beats - 1) pitch = lastBar ? approach : (b == 2 ? fifth : third);
              note(t0 + b * Ppq, Ppq - 30, pitch, b == 0 ? 4 : -2);
            }
            break;
          }
          case BassStyle::Waltz:
            // Oom-pah-pah: the bass on one, now and then a passing note into the next chord.
            note(t0, Ppq + Ppq / 2, bar % 2 ? fifth : root, 4);
            if (lastBar && moves && rng.Uniform() < 0.35f) note(t0 + 2 * Ppq, Ppq - 40, approach, -10);
            break;
        }
      }
    }
  }
}

}  // namespace zolvane::music
