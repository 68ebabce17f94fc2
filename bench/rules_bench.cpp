// What the rules cost per step: one GameTick in a busy game, and a whole minute of play
// through the frame loop's step (keys polled, game or break step).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "game/rules.h"
#include "game/scene_objects.h"
#include "menu/menu_state.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "platform/program_path.h"
#include "platform/random.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

constexpr uint32_t PassMs = 16;

// The shapes from the run folder: the current directory, or build/game beside build/bench.
bool LoadShapes() {
  std::string places[] = {FigureShapesFile, ""};
  if (const std::string folder = ProgramFolder(); !folder.empty())
    places[1] = folder + "/../game/" + FigureShapesFile;
  for (const std::string& p : places) {
    if (p.empty() || access(p.c_str(), R_OK) != 0) continue;
    LoadFigureShapes(p);
    return true;
  }
  return false;
}

// A game as the menu starts it, on an injected clock and keyboard.
bool StartGame(ManualClock& clock, ManualKeyboard& keyboard, int32_t type) {
  ResetGameState();
  Keys = KeyFlags{};
  Loop = LoopState{};
  Config = GameSettings{};
  Config.RotateClockwise = true;
  SetDefaultHighScores();
  if (!LoadShapes()) return false;
  RandomSeed(4711);
  CreateGameScene();
  SetKeyboardSource(&keyboard);
  KeyboardReady = true;
  Loop.LastFrameTime = clock.Now;
  StartGameNow(type);
  return true;
}

// Rows 1 to 13 occupied but for one hole each, so that nothing clears by itself.
void FillTwoThirds() {
  for (int r = 1; r <= 13; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellAt(r, c).Empty = c == (r * 3) % WellColumns + 1;
      WellAt(r, c).Brick->Colour = (r + c) % 8 + 1;
    }
}

int FlyingRowsInUse() {
  int n = 0;
  for (const auto& slot : Game.FlyingRows) n += slot[0] != nullptr;
  return n;
}

// A Ctrl drop that never lands: the figure starts again at the top before it reaches the
// stack, while rows keep flying off the well and sparks trail the figure.
void BM_GameTickBusyGame(benchmark::State& state) {
  ManualClock clock;
  ManualKeyboard keyboard;
  if (!StartGame(clock, keyboard, 1)) {
    state.SkipWithError("data/figimages/images.dat not found");
    return;
  }
  FillTwoThirds();
  size_t sparks = 0;
  for (auto _ : state) {
    TFigure& figure = *Game.FallingFigure;
    if (figure.Row < 18) figure.ResetFigure(figure.Kind(), figure.Rotation, 4, 20, 0, 1.0f);
    Game.FallSpeed = 0.1f;
    if (FlyingRowsInUse() < 4) LaunchRow(1 + static_cast<int>(clock.Now / PassMs) % 13);
    clock.Advance(PassMs);
    GameTick();
    for (const Spark* s = Game.Sparks; s; s = s->Next) ++sparks;
  }
  state.counters["sparks"] =
      benchmark::Counter(static_cast<double>(sparks), benchmark::Counter::kAvgIterations);
  state.counters["game_over"] = Game.GameOver;
  SetKeyboardSource(nullptr);
  ResetGameState();
}
BENCHMARK(BM_GameTickBusyGame);

// Sixty seconds of 16 ms passes with a player who moves, turns and drops, and who gets the
// upper rows of the well emptied every 0.8 s so that one game lasts the minute (in
// "Advanced" and "Crazy" the first garbage row arrives); a game that still ends is started
// again at once.
void BM_MinuteOfPlay(benchmark::State& state) {
  const auto type = static_cast<int32_t>(state.range(0));
  ManualClock clock;
  ManualKeyboard keyboard;
  if (!StartGame(clock, keyboard, type)) {
    state.SkipWithError("data/figimages/images.dat not found");
    return;
  }
  constexpr int Passes = 60000 / PassMs;
  int64_t games = 0, landed = 0;
  for (auto _ : state) {
    RandomSeed(static_cast<uint32_t>(games));
    NewGame();
    ++games;
    for (int pass = 0; pass < Passes; ++pass) {
      keyboard.ReleaseAll();
      switch (pass % 90 / 15) {  // a 1.44 s pattern of held keys
        case 0: keyboard.Press(DIK_LEFT); break;
        case 1: keyboard.Press(DIK_UP); break;
        case 2: keyboard.Press(DIK_RIGHT); break;
        case 3: break;
        case 4: keyboard.Press(DIK_DOWN); break;
        default: keyboard.Press(pass % 180 < 90 ? DIK_SPACE : DIK_LCONTROL); break;
      }
      if (pass % 50 == 49)
        for (int r = 7; r <= WellRows; ++r)
          for (int c = 1; c <= WellColumns; ++c) WellAt(r, c).Empty = true;
      clock.Advance(PassMs);
      // A game the last step ended starts again at once, without its fades.
      if (Game.GameOver) {
        landed += Game.FiguresLanded;
        ++games;
        Game.GameOver = false;
        NewGame();
      } else {
        StepFrame();
      }
    }
    landed += Game.FiguresLanded;
  }
  state.SetItemsProcessed(state.iterations() * Passes);
  state.counters["games"] =
      benchmark::Counter(static_cast<double>(games), benchmark::Counter::kAvgIterations);
  state.counters["figures"] =
      benchmark::Counter(static_cast<double>(landed), benchmark::Counter::kAvgIterations);
  SetKeyboardSource(nullptr);
  ResetGameState();
}
BENCHMARK(BM_MinuteOfPlay)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zolvane

BENCHMARK_MAIN();
