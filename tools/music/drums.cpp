// Drums on channel 10: a groove per style written as step strings, a lighter groove for
// intros and bridges, fills into each new section and a crash where one begins.
#include <algorithm>
#include <cstring>

#include "tools/music/composer.h"

namespace zolvane::music {
namespace {

constexpr int Step = Ppq / 4;

enum Drum {
  Kick = 36, SideStick = 37, Snare = 38, Clap = 39, LowFloorTom = 41, ClosedHat = 42, HighFloorTom = 43,
  PedalHat = 44, LowTom = 45, OpenHat = 46, HighMidTom = 48, Crash = 49, HighTom = 50, Ride = 51,
  RideBell = 53, Shaker = 70
};

struct Line {
  int drum;
  const char* steps;  // one character per sixteenth: . none, g ghost, o soft, x hit, X accent
};

struct Groove {
  std::vector<Line> main, light;
  bool calm;  // quieter fills and no crash except at the big moments
};

Groove GrooveOf(DrumStyle style) {
  switch (style) {
    case DrumStyle::Soft:
      return {{{Kick, "x.......x.o....."}, {SideStick, "....o.......o..."}, {ClosedHat, "o.g.o.g.o.g.o.g."}},
              {{Kick, "o..............."}, {ClosedHat, "g...g...g...g..."}}, true};
    case DrumStyle::Pop:
      return {{{Kick, "x.....o.x......."}, {Snare, "....x.......x..."}, {ClosedHat, "x.o.x.o.x.o.x.o."}},
              {{Kick, "x.......x......."}, {ClosedHat, "o.g.o.g.o.g.o.g."}}, false};
    case DrumStyle::Rock:
      return {{{Kick, "x.......x.x....."}, {Snare, "....X.......X..."}, {ClosedHat, "x.o.x.o.x.o.x.o."}},
              {{Kick, "x.......x......."}, {ClosedHat, "o.o.o.o.o.o.o.o."}}, false};
    case DrumStyle::Funk:
      return {{{Kick, "x..o......x..o.."}, {Snare, "....X..g.g..X..g"}, {ClosedHat, "xgxgxgxgxgxgxg.g"},
               {OpenHat, "..............o."}},
              {{Kick, "x.........x....."}, {ClosedHat, "o.g.o.g.o.g.o.g."}}, false};
    case DrumStyle::Brush:
      return {{{Kick, "o.......g......."}, {Snare, "....o.......o..."}, {Ride, "x...x.o.x...x.o."},
               {PedalHat, "....o.......o..."}},
              {{Ride, "o...o.g.o...o.g."}, {PedalHat, "....g.......g..."}}, true};
    case DrumStyle::FourFloor:
      return {{{Kick, "X...x...X...x..."}, {Clap, "....x.......x..."}, {ClosedHat, "go.ogo.ogo.ogo.o"},
               {OpenHat, "..o...o...o...o."}},
              {{Kick, "x...o...x...o..."}, {ClosedHat, "g.o.g.o.g.o.g.o."}}, false};
    case DrumStyle::HalfTime:
      return {{{Kick, "x......o..x....."}, {Snare, "........X......."}, {ClosedHat, "x.o.x.o.x.o.x.oo"}},
              {{Kick, "x.........o....."}, {ClosedHat, "o.g.o.g.o.g.o.g."}}, true};
    case DrumStyle::Waltz:
      return {{{Kick, "x..........."}, {SideStick, "....o...o..."}, {Ride, "x...o.g.o..."}},
              {{Ride, "o...g...g..."}}, true};
    case DrumStyle::Shaker:
      return {{{Kick, "o.......o..g...."}, {SideStick, "............o..."}, {Shaker, "gogogogogogogogo"}},
              {{Shaker, "g.o.g.o.g.o.g.o."}}, true};
    case DrumStyle::Drive:
      return {{{Kick, "x.....x.x.....o."}, {Snare, "....X.......X..."}, {ClosedHat, "x.x.x.x.x.x.x.x."}},
              {{Kick, "x.......x......."}, {Ride, "o.o.o.o.o.o.o.o."}}, false};
  }
  return {};
}

int Level(char c) {
  switch (c) {
    case 'g': return 34;
    case 'o': return 58;
    case 'x': return 84;
    case 'X': return 106;
  }
  return 0;
}

}  // namespace

void WriteDrums(const Plan& plan, Part& part) {
  const Style& st = plan.style;
  Rng rng(st.seed * 47u + 6u);
  const Groove groove = GrooveOf(st.drums);
  const int steps = plan.stepsPerBar;
  auto hit = [&](int tick, int drum, int level, double energy) {
    const int v = level + static_cast<int>((energy - 0.6) * 25) + static_cast<int>(rng.Next() % 9) - 4;
    AddNote(plan, part, tick, 100, drum, std::clamp(v, 12, 124), tick + 100);
  };
  for (size_t si = 0; si < plan.sections.size(); ++si) {
    const Section& s = plan.sections[si];
    if (s.kind == Kind::End) {
      hit(s.startTick, Crash, groove.calm ? 62 : 96, s.energy);
      hit(s.startTick, Kick, groove.calm ? 55 : 90, s.energy);
      continue;
    }
    const Section* next = si + 1 < plan.sections.size() ? &plan.sections[si + 1] : nullptr;
    const bool bigEntry = s.kind == Kind::B || (s.kind == Kind::A && s.occurrence > 0) || s.kind == Kind::Outro;
    for (int bar = 0; bar < s.bars; ++bar) {
      const int t0 = s.startTick + bar * plan.barTicks;
      // Calm pieces open with the pad alone and let the drums in softly.
      bool light = s.kind == Kind::Bridge || (s.kind == Kind::Outro && bar == 2);
      if (s.kind == Kind::Intro) {
        if (st.energy < 0.6 && bar < 2) continue;
        light = true;
      }
      // B sections ride the cymbal where the others keep the hi-hat.
      const bool ride = s.kind == Kind::B && !groove.calm;
      if (bar == 0 && si > 0 && (!groove.calm || bigEntry) && s.kind != Kind::Bridge && s.energy >= 0.5)
        hit(t0, Crash, groove.calm ? 60 : 92, s.energy);
      const bool fillBar = bar == s.bars - 1 && next;
      // Where the fill starts: a whole half bar before a livelier section, a beat otherwise.
      const int fillFrom = !fillBar ? steps : (next->energy > s.energy + 0.05 ? steps / 2 : steps - 4);
      for (const Line& line : light ? groove.light : groove.main) {
        const int len = static_cast<int>(std::strlen(line.steps));
        for (int k = 0; k < steps && k < len; ++k) {
          if (k >= fillFrom && line.drum != ClosedHat && line.drum != Ride && line.drum != Shaker) continue;
          if (k >= fillFrom && k % 4 != 0) continue;  // the fill has the stage; time kept on beats
          int level = Level(line.steps[k]);
          if (!level) continue;
          int drum = line.drum;
          if (ride && drum == ClosedHat) drum = (k % 8 == 0) ? RideBell : Ride;
          // Every fourth bar a little push before the next.
          if (bar % 4 == 3 && !fillBar && k == steps - 2 && drum == ClosedHat && !groove.calm) drum = OpenHat;
          hit(t0 + k * Step, drum, level, s.energy);
        }
        if (bar % 4 == 3 && !fillBar && !light && line.drum == Kick && !groove.calm)
          hit(t0 + (steps - 2) * Step, Kick, 60, s.energy);
      }
      if (!fillBar) continue;
      // The fill: toms falling down the kit, or snare strokes growing, softer in calm pieces.
      const int kind = static_cast<int>(rng.Next() % 3);
      const int toms[] = {HighTom, HighMidTom, LowTom, HighFloorTom, LowFloorTom};
      for (int k = fillFrom, n = 0; k < steps; ++k, ++n) {
        const int fromEnd = steps - k;
        int drum = 0, level = 0;
        if (groove.calm) {
          if (k % 2 == 0 || fromEnd <= 2) {
            drum = st.drums == DrumStyle::Brush ? Snare : (fromEnd <= 2 ? LowTom : SideStick);
            level = 40 + 4 * n;
          }
        } else if (kind == 0) {
          if (k % 2 == 0 || fromEnd <= 3) {
            drum = toms[std::min(4, n * 5 / std::max(1, steps - fillFrom))];
            level = 78 + 2 * n;
          }
        } else if (kind == 1) {
          drum = Snare;
          level = 50 + 50 * n / std::max(1, steps - fillFrom);
        } else {
          if (fromEnd > 4) {
            if (k % 2 == 0) drum = Snare, level = 74;
          } else {
            drum = toms[std::min(4, 4 - fromEnd + 1)];
            level = 88;
          }
        }
        if (drum) hit(t0 + k * Step, drum, std::min(level, 110), std::max(s.energy, next->energy));
      }
    }
  }
}

}  // namespace zolvane::music
