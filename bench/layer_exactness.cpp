// A scripted game drawn frame by frame twice, from the static layer and in full, in the
// real window with the OpenGL device; every pair of pictures must be equal to the byte.
// The script moves each figure to a column of its own and drops it, so figures land, rows
// clear and sink, the counters change and, in the types that have them, rows are added.
//
//   xvfb-run -s "-screen 0 1024x768x24" build/bench/layer_exactness [--frames N] [--type T]
//       [--quality Q] [--run-dir DIR] [--time layer|full]
// With --time the game is drawn one way only, without reading pictures, and the average and
// worst frame (drawn and finished) are printed instead.
// Exit 0 when every frame matched and the layer was both drawn and reused; 1 otherwise;
// 77 when the device has no layer (nothing to compare).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/frame_loop.h"
#include "bench/game_window.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/scene_objects.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/game_layer.h"
#include "render/game_screen.h"

namespace zolvane {
namespace {

constexpr uint32_t StepMs = 16;
constexpr int WarmUp = 30;  // frames left out of the timing  // 60 Hz: an added row comes after 2,813 frames of play

struct Options {
  int Frames = 600;
  int32_t Type = 3;
  int Quality = 2;
  std::string RunDir = DefaultRunDir();
  std::string Time;  // "layer" or "full": measure instead of compare
};

// Held keys for this frame: towards the figure's column, then down; a turn now and then.
void Play(ManualKeyboard& keys, int frame) {
  keys.ReleaseAll();
  const TFigure* f = Game.FallingFigure;
  if (!f || Game.GameOver) return;
  const int target = (Game.FiguresLanded * 3) % 8 + 1;
  const bool edge = frame % 2 == 0;  // a move is a press
  if (f->Column < target && edge) keys.Press(DIK_RIGHT);
  if (f->Column > target && edge) keys.Press(DIK_LEFT);
  if (f->Column == target) keys.Press(DIK_DOWN);
  if (frame % 37 == 0) keys.Press(DIK_UP);
}

int Run(const Options& o) {
  ManualClock clock;
  ManualKeyboard keys;
  std::string error;
  if (!OpenHarnessWindow(o.RunDir, &error)) {
    std::fprintf(stderr, "layer_exactness: %s\n", error.c_str());
    return 1;
  }
  SetKeyboardSource(&keys);
  KeyboardReady = true;
  StartHarnessGame(o.Type);
  Config.BrickQuality = static_cast<uint8_t>(o.Quality);
  FillWellRows(6, 0);  // full rows: the first landing clears them

  std::vector<uint8_t> layered, full;
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  int differing = 0, layerFrames = 0, games = 1, landed = 0;
  double total = 0, worst = 0;
  const int64_t buildsBefore = GameLayerBuilds;
  for (int frame = 0; frame < o.Frames; ++frame) {
    clock.Advance(StepMs);
    // Every fourth figure finds the two bottom rows full: its landing clears them.
    if (Game.FiguresLanded != landed) {
      landed = Game.FiguresLanded;
      if (landed % 4 == 0) FillWellRows(2, 0);
    }
    Play(keys, frame);
    StepFrame();
    if (Loop.MenuActive) {  // the game ended: the next one
      StartHarnessGame(o.Type);
      Config.BrickQuality = static_cast<uint8_t>(o.Quality);
      ++games;
    }
    Loop.FrameDelta = StepMs;
    if (!o.Time.empty()) {
      GameLayerEnabled = o.Time == "layer";
      const auto start = std::chrono::steady_clock::now();
      RenderFrame([] { D3D.FD3DDevice->Finish(); });
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (frame < WarmUp) continue;  // textures and buffers reach GL in the first frames
      total += ms;
      worst = std::max(worst, ms);
      continue;
    }
    // Drawing advances the break picture's sway: both pictures start from the same one.
    const float angle = BreakSwingAngle;
    const int32_t dir = BreakSwingDir;
    GameLayerEnabled = true;
    const int64_t builds = GameLayerBuilds;
    const bool fits = GameLayerFits();
    if (!RenderFrameAndRead(layered, w1, h1)) {
      std::fprintf(stderr, "layer_exactness: no picture at frame %d\n", frame);
      return 1;
    }
    if (fits && GameLayerBuilds == builds) ++layerFrames;
    BreakSwingAngle = angle;
    BreakSwingDir = dir;
    GameLayerEnabled = false;
    if (!RenderFrameAndRead(full, w2, h2)) return 1;
    GameLayerEnabled = true;
    if (w1 != w2 || h1 != h2 || layered != full) {
      size_t n = 0;
      for (size_t i = 0; i < std::min(layered.size(), full.size()); ++i) n += layered[i] != full[i];
      const TFigure* f = Game.FallingFigure;
      std::fprintf(stderr, "frame %d differs in %zu bytes (figure column %d row %d x %.2f y %.2f)\n",
                   frame, n, f ? f->Column : 0, f ? f->Row : 0, f ? f->X : 0.f, f ? f->Y : 0.f);
      ++differing;
    }
  }
  const int64_t builds = GameLayerBuilds - buildsBefore;
  if (!o.Time.empty()) {
    std::printf("%s: %d frames, average %.2f ms, worst %.2f ms, layer drawn %lld times\n",
                o.Time.c_str(), o.Frames - WarmUp, total / (o.Frames - WarmUp), worst, static_cast<long long>(builds));
    CloseHarnessWindow();
    return 0;
  }
  std::printf("frames %d, games %d, layer drawn %lld times, copied alone in %d frames, "
              "lines %d, rows added %d, differing %d\n",
              o.Frames, games, static_cast<long long>(builds), layerFrames, Game.Lines,
              Game.LinesAdded, differing);
  CloseHarnessWindow();
  if (builds == 0) {
    std::fprintf(stderr, "layer_exactness: the device draws no layer\n");
    return 77;
  }
  return differing == 0 && layerFrames > 0 ? 0 : 1;
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
  zolvane::Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i];
    if (a == "--frames") o.Frames = std::max(std::atoi(argv[i + 1]), zolvane::WarmUp + 1);
    else if (a == "--type") o.Type = std::atoi(argv[i + 1]);
    else if (a == "--quality") o.Quality = std::atoi(argv[i + 1]);
    else if (a == "--run-dir") o.RunDir = argv[i + 1];
    else if (a == "--time") o.Time = argv[i + 1];
    else {
      std::fprintf(stderr, "layer_exactness: unknown option %s\n", a.c_str());
      return 2;
    }
  }
  return zolvane::Run(o);
}
