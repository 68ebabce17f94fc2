// Drums on channel 10: a groove per piece written as step strings, a lighter groove for
// intros and bridges, fills into each new section and a crash where one begins; some
// sections go without.
#include <algorithm>
#include <cstring>

#include "tools/music/composer.h"

namespace zolvane::music {
namespace {

constexpr int Step = Ppq / 4;

enum Drum {
  Kick = 36, SideStick = 37, Snare = 38, Clap = 39, LowFloorTom = 41, ClosedHat = 42, HighFloorTom = 43,
  PedalHat = 44, LowTom = 45, OpenHat = 46, HighMidTom = 48, Crash = 49, HighTom = 50, Ride = 51,
  RideBell = 53, Tambourine = 54, MuteHighConga = 62, OpenHighConga = 63, Cabasa = 69, Maracas = 70,
  MuteTriangle = 80, OpenTriangle = 81
};

struct Line {
  int drum;
  const char* steps;  // one character per sixteenth: . none, g ghost, o soft, x hit, X accent
};

struct Groove {
  std::vector<Line> main, light;
  bool calm;        // quieter fills and no crash except at the big moments
  int timekeeper;   // the line that keeps time through a fill
  bool rideInB = false;  // B sections move the hi-hat to the ride
};

// Each groove keeps time on an instrument of its own; kicks and backbeats differ too.
Groove GrooveOf(DrumStyle style) {
  switch (style) {
    case DrumStyle::Shaker:
      return {{{Kick, "x.......x.o....."}, {SideStick, "....o.......o..."}, {Maracas, "o.g.o.g.o.g.o.g."}},
              {{Kick, "o..............."}, {Maracas, "g...g...g...g..."}}, true, Maracas};
    case DrumStyle::Rock:
      return {{{Kick, "x.......x.x....."}, {Snare, "....X.......X..."}, {ClosedHat, "x.o.x.o.x.o.x.o."}},
              {{Kick, "x.......x......."}, {ClosedHat, "o...o...o...o..."}}, false, ClosedHat, true};
    case DrumStyle::Funk:
      return {{{Kick, "x..o......x..o.."}, {Snare, "....X..g.g..X..g"}, {Tambourine, "xgogxgogxgogxgog"}},
              {{Kick, "x.........x....."}, {Tambourine, "o.g.o.g.o.g.o.g."}}, false, Tambourine};
    case DrumStyle::Brush:
      // Brushes stirred on the snare, the hi-hat foot on two and four.
      return {{{Kick, "o.......g......."}, {Snare, "ggggoggggggggogg"}, {PedalHat, "....o.......o..."}},
              {{Snare, "g.g.g.g.g.g.g.g."}, {PedalHat, "....g.......g..."}}, true, Snare};
    case DrumStyle::FourFloor:
      return {{{Kick, "X...x...X...x..."}, {Clap, "....x.......x..."}, {OpenHat, "..o...o...o...o."},
               {ClosedHat, ".g.g.g.g.g.g.g.g"}},
              {{Kick, "x...o...x...o..."}, {ClosedHat, ".g.g.g.g.g.g.g.g"}}, false, ClosedHat};
    case DrumStyle::JazzWaltz:
      return {{{Kick, "x..........."}, {SideStick, "....o...o..."}, {Cabasa, "o.g.o.g.o.g."},
               {OpenTriangle, "o..........."}},
              {{Cabasa, "o...g...g..."}}, true, Cabasa};
    case DrumStyle::Train:
      // Two-beat: kick on one and three, the snare on every off-beat, the bell on the beat.
      return {{{Kick, "x.......x......."}, {Snare, "..x...x...x...x."}, {RideBell, "x...x...x...x..."}},
              {{Kick, "x.......x......."}, {RideBell, "o...o...o...o..."}}, false, RideBell};
    case DrumStyle::SwingRide:
      // Half time: the backbeat on three, the ride's skip after two and four.
      return {{{Kick, "x.........x....."}, {Snare, "........X......."}, {Ride, "x...x..xx...x..x"},
               {PedalHat, "....o.......o..."}},
              {{Kick, "x..............."}, {Ride, "o...o..g....o..g"}}, true, Ride};
    case DrumStyle::Chimes:
      return {{{Kick, "o.......o......."}, {SideStick, "............o..."}, {MuteTriangle, "o.g.o.g.o.g.o.g."},
               {OpenTriangle, "x..............."}},
              {{OpenTriangle, "o..............."}, {MuteTriangle, "g...g...g...g..."}}, true, MuteTriangle};
    case DrumStyle::Toms:
      // A gallop on the floor tom under a plain backbeat.
      return {{{Kick, "x.......x......."}, {Snare, "....X.......X..."}, {HighFloorTom, "x.xxx.xxx.xxx.xx"}},
              {{Kick, "x.......x......."}, {HighFloorTom, "x...x...x...x..."}}, false, HighFloorTom};
    case DrumStyle::Bossa:
      return {{{Kick, "x..xx..xx..xx..x"}, {SideStick, "x..x..x...x..x.."}, {MuteHighConga, "..o...o...o...o."},
               {OpenHighConga, "...o.......o...."}},
              {{Kick, "x.......x......."}, {SideStick, "x..x..x........."}}, true, MuteHighConga};
    case DrumStyle::Break:
      return {{{Kick, "x.x.......x..x.."}, {Snare, "....X......gX..g"}, {PedalHat, "o.o.o.o.o.o.o.o."}},
              {{Kick, "x.........x....."}, {PedalHat, "o...o...o...o..."}}, false, PedalHat};
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
    AddNote(plan, part, tick, 100, drum, std::clamp(static_cast<int>(v * plan.Fade(tick)), 12, 124), tick + 100);
  };
  auto silent = [&](const Section& s) {
    static const char letters[] = "IABCOTE";
    if (st.ending == Ending::Thinning && (s.kind == Kind::Outro || s.kind == Kind::End)) return true;
    return st.drumless.find(letters[static_cast<int>(s.kind)]) != std::string::npos;
  };
  for (size_t si = 0; si < plan.sections.size(); ++si) {
    const Section& s = plan.sections[si];
    if (silent(s)) continue;
    if (s.kind == Kind::End) {
      hit(s.startTick, Crash, groove.calm ? 62 : 96, s.energy);
      hit(s.startTick, Kick, groove.calm ? 55 : 90, s.energy);
      if (st.ending == Ending::Cold) hit(s.startTick, Snare, groove.calm ? 60 : 100, s.energy);
      continue;
    }
    const Section* next = si + 1 < plan.sections.size() ? &plan.sections[si + 1] : nullptr;
    if (next && silent(*next)) next = nullptr;  // no fill into a section without drums
    const bool bigEntry = s.kind == Kind::B || (s.kind == Kind::A && s.occurrence > 0) || s.kind == Kind::Outro ||
                          s.kind == Kind::Tag;
    for (int bar = 0; bar < s.bars; ++bar) {
      const int t0 = s.startTick + bar * plan.barTicks;
      // Calm pieces open with the pad alone and let the drums in softly.
      bool light = s.kind == Kind::Bridge || (s.kind == Kind::Outro && bar == 2);
      if (s.kind == Kind::Intro) {
        if (st.energy < 0.6 && bar < 2 && s.bars > 2) continue;
        light = true;
      }
      const bool ride = s.kind == Kind::B && groove.rideInB;
      if (bar == 0 && si > 0 && (!groove.calm || bigEntry) && s.kind != Kind::Bridge && s.energy >= 0.5)
        hit(t0, Crash, groove.calm ? 60 : 92, s.energy);
      const bool fillBar = bar == s.bars - 1 && next;
      // Where the fill starts: a whole half bar before a livelier section, a beat otherwise.
      const int fillFrom = !fillBar ? steps : (next->energy > s.energy + 0.05 ? steps / 2 : steps - 4);
      for (const Line& line : light ? groove.light : groove.main) {
        const int len = static_cast<int>(std::strlen(line.steps));
        for (int k = 0; k < steps && k < len; ++k) {
          if (k >= fillFrom && line.drum != groove.timekeeper) continue;
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
