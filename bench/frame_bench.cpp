// Frames per second of the game screen and the menus in the real window: the SDL window, the OpenGL
// device and the program's start-up, with a full well at each brick quality, with and
// without fifty sparks. The parts benchmark draws the frame's pieces alone and in
// DrawGame's order, to show where a frame's time goes; each configuration also reports
// the device calls of one frame, counted on a recording device.
//
//   xvfb-run -s "-screen 0 1024x768x24" build/bench/frame_bench [--run-dir DIR]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>

#include "app/frame_loop.h"
#include "bench/game_window.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/scene_objects.h"
#include "menu/menu_layer.h"
#include "menu/menu_state.h"
#include "platform/clock.h"
#include "platform/gl/gl_context.h"
#include "platform/recording_device.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/effects.h"
#include "render/game_screen.h"
#include "render/scene_drawing.h"

namespace zolvane {
namespace {

constexpr int SparkCount = 50;
constexpr int32_t SparkLife = 200;

// The game screen under test: type 1, all 200 positions occupied (RenderFrame clears no
// rows), optionally fifty sparks that do not age (no step runs between frames).
void PrepareScreen(int quality, bool sparks) {
  StartHarnessGame(1);
  FillWellRows(WellRows, 0);
  if (sparks) AddSparkCloud(SparkCount, SparkLife);
  Config.BrickQuality = static_cast<uint8_t>(quality);
}

// The pieces of DrawGame, in its order.
enum Part : unsigned {
  Background = 1,
  Figures = 2,
  Glass = 4,
  Well = 8,
  Sparks = 16,
  Everything = 31,
  // Not part of DrawGame: the well brick by brick, each with its own texture set-up, to
  // show what drawing it colour by colour saves.
  WellBrickByBrick = 32,
};

void DrawWellBrickByBrick() {
  for (int row = 1; row <= WellRows; ++row)
    for (int column = 1; column <= WellColumns; ++column) {
      const WellCell& cell = WellAt(row, column);
      if (!cell.Empty && cell.Brick) DrawBrick(*cell.Brick);
    }
}

// A frame of only the given pieces, with RenderFrame's clear and present around it.
void DrawParts(unsigned parts) {
  Device* d = D3D.FD3DDevice;
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColour, 1.0f, 0);
  d->BeginScene();
  SetGameScreenStates();  // so each piece draws as it does in the full frame
  if (parts & Background) DrawBackground(Game.GameType);
  if (parts & Figures) {
    DrawFigure(*Game.FallingFigure);
    DrawFigure(*Game.NextFigure);
  }
  if (parts & Glass) DrawGlassFrame();
  if (parts & Well) DrawWell();
  if (parts & WellBrickByBrick) DrawWellBrickByBrick();
  if ((parts & Sparks) && Game.Sparks) DrawSparks();
  d->EndScene();
  d->Present(nullptr, nullptr, nullptr, nullptr);
}

// The device calls of one frame, by operation, and the triangles drawn.
struct CallCounts {
  std::map<std::string, int> ByOp;
  long Triangles = 0;
  int Total = 0;
};

// With layers, the calls of the second frame: the first draws the layer.
template <class Frame>
CallCounts CountCalls(Frame frame, bool layers = false) {
  RecordingDevice recorder;
  recorder.LayersAvailable = layers;
  Device* real = D3D.FD3DDevice;
  D3D.FD3DDevice = &recorder;
  frame();
  if (layers) {
    recorder.ClearLog();
    frame();
  }
  D3D.FD3DDevice = real;
  CallCounts counts;
  for (const RecordedCall& call : recorder.Calls) {
    ++counts.ByOp[call.Op];
    ++counts.Total;
  }
  for (const DrawSnapshot& draw : recorder.Draws) counts.Triangles += draw.PrimitiveCount;
  return counts;
}

void ReportCounts(benchmark::State& state, const CallCounts& counts) {
  auto count = [&](const char* op) {
    auto it = counts.ByOp.find(op);
    return it == counts.ByOp.end() ? 0 : it->second;
  };
  state.counters["draws"] = count("DrawPrimitive");
  state.counters["triangles"] = static_cast<double>(counts.Triangles);
  state.counters["calls"] = counts.Total;
  state.counters["textures"] = count("SetTexture");
  state.counters["states"] = count("SetRenderState") + count("SetTextureStageState");
  state.counters["transforms"] = count("SetTransform");
  state.counters["materials"] = count("SetMaterial");
}

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Frames in a row as the idle loop draws them; the first frame, which uploads the
// textures and buffers, is drawn before the clock starts.
// "cpu_ms" is the process's processor time per frame, the renderer's threads included: what
// a frame rate costs in share of a core (at 60 frames a second, 1 ms is 6 %).
template <class Frame>
void TimeFrames(benchmark::State& state, Frame frame) {
  frame();
  D3D.FD3DDevice->Finish();
  const double cpuBefore = ProcessCpuMs();
  for (auto _ : state) frame();
  D3D.FD3DDevice->Finish();
  state.counters["cpu_ms"] =
      (ProcessCpuMs() - cpuBefore) / static_cast<double>(std::max<int64_t>(state.iterations(), 1));
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                             benchmark::Counter::kIsRate);
}

void BM_GameFrame(benchmark::State& state) {
  PrepareScreen(static_cast<int>(state.range(0)), state.range(1) != 0);
  ReportCounts(state, CountCalls([] { RenderFrame(); }));
  TimeFrames(state, [] { RenderFrame(); });
}
BENCHMARK(BM_GameFrame)
    ->ArgNames({"quality", "sparks"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same frame with a Finish before Present returns: shows whether Present already
// waits for the drawing to end (then the figures match BM_GameFrame).
void BM_GameFrameFinished(benchmark::State& state) {
  PrepareScreen(static_cast<int>(state.range(0)), state.range(1) != 0);
  TimeFrames(state, [] {
    RenderFrame();
    D3D.FD3DDevice->Finish();
  });
}
BENCHMARK(BM_GameFrameFinished)
    ->ArgNames({"quality", "sparks"})
    ->Args({2, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// Pieces of the frame: parts is a mask of Part (1 background, 2 figures, 4 glass frame,
// 8 well, 16 sparks, 32 the well brick by brick); 0 is the clear and the present alone.
void BM_FrameParts(benchmark::State& state) {
  PrepareScreen(static_cast<int>(state.range(0)), true);
  const unsigned parts = static_cast<unsigned>(state.range(1));
  ReportCounts(state, CountCalls([parts] { DrawParts(parts); }));
  TimeFrames(state, [parts] { DrawParts(parts); });
}
BENCHMARK(BM_FrameParts)
    ->ArgNames({"quality", "parts"})
    // The empty frame, then each piece alone.
    ->Args({2, 0})
    ->Args({2, Background})
    ->Args({2, Figures})
    ->Args({2, Glass})
    ->Args({0, Well})
    ->Args({1, Well})
    ->Args({2, Well})
    ->Args({0, WellBrickByBrick})
    ->Args({1, WellBrickByBrick})
    ->Args({2, WellBrickByBrick})
    ->Args({2, Sparks})
    // Cumulative, in DrawGame's order.
    ->Args({2, Background | Figures})
    ->Args({2, Background | Figures | Glass})
    ->Args({2, Background | Figures | Glass | Well})
    ->Args({2, Everything})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A menu screen as the idle loop draws it, from the menus' layer or in full (layer 0).
// Screens: 0 main, 1 options, 2 help, 3 high scores, 4 game type. No step runs between
// the frames: the labels still sway (they are advanced while drawn), the logo stands.
void BM_MenuFrame(benchmark::State& state) {
  Menu = MenuStateData{};
  Menu.MenuState = static_cast<uint8_t>(state.range(0));
  LoadMenuPictures();  // a game started by another benchmark has released them
  Loop.MenuActive = true;
  Loop.TransitionActive = false;
  Loop.FrameDelta = 16;
  MenuLayerEnabled = state.range(1) != 0;
  ReportCounts(state, CountCalls([] { RenderFrame(); }, MenuLayerEnabled));
  const int64_t builds = MenuLayerBuilds;
  TimeFrames(state, [] { RenderFrame(); });
  state.counters["builds"] = static_cast<double>(MenuLayerBuilds - builds);
  MenuLayerEnabled = true;
  Loop.MenuActive = false;
}
BENCHMARK(BM_MenuFrame)
    ->ArgNames({"screen", "layer"})
    ->ArgsProduct({{MenuMain, MenuGameInfo, MenuHighScores}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string runDir = zolvane::DefaultRunDir();
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--run-dir" && i + 1 < argc) {
      runDir = argv[++i];
    } else {
      std::fprintf(stderr, "usage: frame_bench [benchmark options] [--run-dir DIR]\n");
      return 2;
    }
  }
  // The game's clock is injected; frames drawn here run no game step.
  zolvane::ManualClock clock;
  std::string error;
  if (!zolvane::OpenHarnessWindow(runDir, &error)) {
    std::fprintf(stderr, "frame_bench: %s\n", error.c_str());
    return 1;
  }
  benchmark::AddCustomContext("gl_renderer", zolvane::GLRendererName());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  zolvane::CloseHarnessWindow();
  return 0;
}
