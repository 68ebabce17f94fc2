// A scripted game drawn frame by frame twice, from the static layer and in full, in the
// real window with the OpenGL device; every pair of pictures must be equal to the byte.
// The script moves each figure to a column of its own and drops it, so figures land, rows
// clear and sink, the score counts up, the counters change and, in the types that have
// them, rows are added: the game clock is put forward to four seconds before each one,
// since at 16 ms a frame the first would come only after 2,813 frames.
//
// With --menu it is a scripted walk through the menus instead, drawn with and without the
// menus' layer: the main menu and its selection moving, the options changed, the help
// screen, the high score tables turned, the game type screen, the fade into a game, a few
// frames of it, the abort and the fade back into the main menu.
//
//   xvfb-run -s "-screen 0 1024x768x24" build/bench/layer_exactness [--frames N] [--type T]
//       [--quality Q] [--run-dir DIR] [--time layer|whole|full] [--landing-every FRAMES]
//       [--menu]
// With --time the game is drawn one way only (from the layer; from the layer, always drawn
// again whole; in full), without reading pictures, and the average and worst frame (drawn
// and finished) are printed instead. --landing-every holds each figure back until that many
// frames have passed since the last landing (with --time, 60: a landing a second, as a
// player makes them; otherwise 0, dropped at once).
// Exit 0 when every frame matched, the layer was drawn whole, in part and reused, and rows
// were added in the types that add them (with --menu: the layer drawn and reused on every
// menu screen, and the walk reached each of them); 1 otherwise; 77 when the device has no
// layer (nothing to compare).
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
#include "game/game_types.h"
#include "game/scene_objects.h"
#include "menu/menu_layer.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
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
constexpr int WarmUp = 30;  // frames left out of the timing
constexpr int32_t WarnedSeconds = 4;  // the clock put forward to this before an added row

struct Options {
  int Frames = 600;
  int32_t Type = 3;
  int Quality = 2;
  std::string RunDir = DefaultRunDir();
  std::string Time;  // "layer", "whole" or "full": measure instead of compare
  int LandingEvery = -1;  // frames; -1: 60 with --time, else 0
  bool Menus = false;
};

// Held keys for this frame: towards the figure's column, then down once `drop` allows; a
// turn now and then.
void Play(ManualKeyboard& keys, int frame, bool drop) {
  keys.ReleaseAll();
  const TFigure* f = Game.FallingFigure;
  if (!f || Game.GameOver) return;
  const int target = (Game.FiguresLanded * 3) % 8 + 1;
  const bool edge = frame % 2 == 0;  // a move is a press
  if (f->Column < target && edge) keys.Press(DIK_RIGHT);
  if (f->Column > target && edge) keys.Press(DIK_LEFT);
  if (f->Column == target && drop) keys.Press(DIK_DOWN);
  if (frame % 37 == 0) keys.Press(DIK_UP);
}

// The harness's window, the keys taken from the script's keyboard.
bool OpenWindowWithKeys(const Options& o, ManualKeyboard& keys) {
  std::string error;
  if (!OpenHarnessWindow(o.RunDir, &error)) {
    std::fprintf(stderr, "layer_exactness: %s\n", error.c_str());
    return false;
  }
  SetKeyboardSource(&keys);
  KeyboardReady = true;
  return true;
}

int Run(const Options& o) {
  ManualClock clock;
  ManualKeyboard keys;
  if (!OpenWindowWithKeys(o, keys)) return 1;
  StartHarnessGame(o.Type);
  Config.BrickQuality = static_cast<uint8_t>(o.Quality);
  FillWellRows(6, 0);  // full rows: the first landing clears them

  std::vector<uint8_t> layered, full;
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  int differing = 0, layerFrames = 0, drawnFrames = 0, games = 1, landed = 0, landedAt = 0;
  int rowsAdded = 0, addedBefore = 0;
  double total = 0, worst = 0;
  // Timed frames by what they did to the layer: copied it alone, drew it in part, whole.
  double kindMs[3] = {}, kindWorst[3] = {};
  int kindFrames[3] = {};
  const int64_t buildsBefore = GameLayerBuilds, updatesBefore = GameLayerUpdates;
  const int landingEvery = o.LandingEvery >= 0 ? o.LandingEvery : o.Time.empty() ? 0 : 60;
  for (int frame = 0; frame < o.Frames; ++frame) {
    clock.Advance(StepMs);
    // Every fourth figure finds the two bottom rows full: its landing clears them.
    if (Game.FiguresLanded != landed) {
      landed = Game.FiguresLanded;
      landedAt = frame;
      if (landed % 4 == 0) FillWellRows(2, 0);
    }
    if (HasGarbageRows(Game.GameType) && !Game.GameOver && Game.TimeLeft > WarnedSeconds)
      Game.GameStartTime -= static_cast<uint32_t>(Game.TimeLeft - WarnedSeconds) * 1000u;
    Play(keys, frame, frame - landedAt >= landingEvery);
    addedBefore = Game.LinesAdded;
    StepFrame();
    rowsAdded += std::max(Game.LinesAdded - addedBefore, 0);
    if (Loop.MenuActive) {  // the game ended: the next one
      StartHarnessGame(o.Type);
      Config.BrickQuality = static_cast<uint8_t>(o.Quality);
      ++games;
    }
    Loop.FrameDelta = StepMs;
    if (!o.Time.empty()) {
      GameLayerEnabled = o.Time != "full";
      GameLayerInPart = o.Time != "whole";
      const int64_t drawn = GameLayerBuilds + GameLayerUpdates, wholes = GameLayerBuilds;
      const auto start = std::chrono::steady_clock::now();
      RenderFrame([] { D3D.FD3DDevice->Finish(); });
      const double ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (frame < WarmUp) continue;  // textures and buffers reach GL in the first frames
      drawnFrames += GameLayerBuilds + GameLayerUpdates != drawn;
      const int kind = GameLayerBuilds != wholes ? 2 : GameLayerBuilds + GameLayerUpdates != drawn ? 1 : 0;
      kindMs[kind] += ms;
      kindWorst[kind] = std::max(kindWorst[kind], ms);
      ++kindFrames[kind];
      total += ms;
      worst = std::max(worst, ms);
      continue;
    }
    // Drawing advances the break picture's sway: both pictures start from the same one.
    const float angle = BreakSwingAngle;
    const int32_t dir = BreakSwingDir;
    GameLayerEnabled = true;
    const int64_t builds = GameLayerBuilds, updates = GameLayerUpdates;
    const bool fits = GameLayerFits();
    if (!RenderFrameAndRead(layered, w1, h1)) {
      std::fprintf(stderr, "layer_exactness: no picture at frame %d\n", frame);
      return 1;
    }
    if (fits && GameLayerBuilds == builds) ++layerFrames;
    drawnFrames += GameLayerBuilds != builds || GameLayerUpdates != updates;
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
  const int64_t builds = GameLayerBuilds - buildsBefore,
                updates = GameLayerUpdates - updatesBefore;
  if (!o.Time.empty()) {
    const int timed = o.Frames - WarmUp;
    std::printf("%s: %d frames, average %.2f ms, worst %.2f ms, layer drawn whole %lld times, "
                "in part %lld times, in %.1f %% of the frames; lines %d, rows added %d\n",
                o.Time.c_str(), timed, total / timed, worst, static_cast<long long>(builds),
                static_cast<long long>(updates), 100.0 * drawnFrames / timed, Game.Lines,
                rowsAdded);
    static const char* const kinds[3] = {"copied alone", "drawn in part", "drawn whole"};
    for (int k = 0; k < 3 && o.Time != "full"; ++k)
      if (kindFrames[k])
        std::printf("  frames whose layer was %s: %d, average %.2f ms, worst %.2f ms\n", kinds[k],
                    kindFrames[k], kindMs[k] / kindFrames[k], kindWorst[k]);
    CloseHarnessWindow();
    return 0;
  }
  std::printf("frames %d, games %d, layer drawn whole %lld times, in part %lld times (in %d "
              "frames), taken from the layer in %d frames, lines %d, rows added %d, "
              "differing %d\n",
              o.Frames, games, static_cast<long long>(builds), static_cast<long long>(updates),
              drawnFrames, layerFrames, Game.Lines, rowsAdded, differing);
  CloseHarnessWindow();
  if (builds == 0) {
    std::fprintf(stderr, "layer_exactness: the device draws no layer\n");
    return 77;
  }
  // A script that no longer reaches what it is there to test fails too.
  if (HasGarbageRows(o.Type) && rowsAdded == 0)
    std::fprintf(stderr, "layer_exactness: no row was added\n");
  if (updates == 0) std::fprintf(stderr, "layer_exactness: the layer was never drawn in part\n");
  return differing == 0 && layerFrames > 0 && updates > 0 &&
                 (rowsAdded > 0 || !HasGarbageRows(o.Type))
             ? 0
             : 1;
}

// --- The walk through the menus.

// A key pressed for one pass, then nothing for the passes given (0: no key, only the wait).
struct Tap {
  int Key;
  int Wait;
};
constexpr Tap MenuWalk[] = {
    {0, 40},            // the main menu as it opens
    {DIK_DOWN, 20},     // the selection moves
    {DIK_DOWN, 20},
    {DIK_UP, 20},       // Options
    {DIK_RETURN, 30},
    {DIK_RIGHT, 12},    // sound volume up twice
    {DIK_RIGHT, 12},
    {DIK_DOWN, 20},
    {DIK_LEFT, 12},     // music volume down
    {DIK_DOWN, 20},
    {DIK_RETURN, 20},   // the rotation turned over
    {DIK_DOWN, 20},
    {DIK_RETURN, 20},   // the next brick quality
    {DIK_DOWN, 20},
    {DIK_RETURN, 30},   // back to the main menu, New game selected
    {DIK_DOWN, 15},
    {DIK_DOWN, 15},
    {DIK_DOWN, 15},     // Help
    {DIK_RETURN, 40},
    {DIK_ESCAPE, 30},
    {DIK_UP, 20},       // High scores
    {DIK_RETURN, 30},
    {DIK_RIGHT, 30},    // the tables turned
    {DIK_RIGHT, 30},
    {DIK_LEFT, 30},
    {DIK_ESCAPE, 30},
    {DIK_UP, 15},
    {DIK_UP, 20},       // New game
    {DIK_RETURN, 30},   // the game type screen
    {DIK_DOWN, 20},
    {DIK_UP, 20},
    {DIK_RETURN, 120},  // Classic: the fade into the game, and the game
    {DIK_ESCAPE, 30},   // abort?
    {DIK_Y, 150},       // yes: the fade back into the main menu
    {0, 30},
};

// What the walk saw: passes per menu screen, and how many of them were copied from the
// layer without drawing it again.
struct WalkSeen {
  int Screens[5] = {};
  int Copied[5] = {};
  int Fading = 0, GameFrames = 0;
};

// The selection's animation, the labels' sway, the name's cursor and the cursor brick's
// place advance while a menu is drawn: both pictures start from the same ones.
struct DrawnState {
  MenuStateData MenuData = Menu;
  D3DMATRIX Cursor = MenuCursorBrick ? MenuCursorBrick->World : D3DMATRIX{};
  float Angle = BreakSwingAngle;
  int32_t Dir = BreakSwingDir;
  void Restore() const {
    Menu = MenuData;
    if (MenuCursorBrick) MenuCursorBrick->World = Cursor;
    BreakSwingAngle = Angle;
    BreakSwingDir = Dir;
  }
};

void UseLayers(bool on) { MenuLayerEnabled = GameLayerEnabled = on; }

int RunMenus(const Options& o) {
  ManualClock clock;
  ManualKeyboard keys;
  if (!OpenWindowWithKeys(o, keys)) return 1;
  Loop = LoopState{};
  Loop.LastFrameTime = timeGetTime();
  Menu = MenuStateData{};
  const auto Config0 = Config;
  std::vector<uint8_t> layered, full;
  int w1 = 0, h1 = 0, w2 = 0, h2 = 0, frame = 0, differing = 0;
  WalkSeen seen;
  const int64_t buildsBefore = MenuLayerBuilds;
  for (const Tap& tap : MenuWalk)
    for (int pass = 0; pass <= tap.Wait; ++pass, ++frame) {
      keys.ReleaseAll();
      if (pass == 0 && tap.Key) keys.Press(tap.Key);
      clock.Advance(StepMs);
      StepFrame();
      Loop.FrameDelta = StepMs;
      const bool menu = Loop.MenuActive;
      const int screen = Menu.MenuState < 5 ? Menu.MenuState : 0;
      const DrawnState before;
      const int64_t builds = MenuLayerBuilds;
      UseLayers(true);
      if (!RenderFrameAndRead(layered, w1, h1)) {
        std::fprintf(stderr, "layer_exactness: no picture at frame %d\n", frame);
        return 1;
      }
      if (menu) {
        ++seen.Screens[screen];
        if (MenuLayerBuilds == builds) ++seen.Copied[screen];
        if (Loop.TransitionActive) ++seen.Fading;
      } else {
        ++seen.GameFrames;
      }
      before.Restore();
      UseLayers(false);
      if (!RenderFrameAndRead(full, w2, h2)) return 1;
      UseLayers(true);
      if (w1 != w2 || h1 != h2 || layered != full) {
        size_t n = 0;
        for (size_t i = 0; i < std::min(layered.size(), full.size()); ++i) n += layered[i] != full[i];
        std::fprintf(stderr, "frame %d (%s, screen %d) differs in %zu bytes\n", frame,
                     menu ? "menu" : "game", screen, n);
        ++differing;
      }
    }
  const bool changed = Config.SoundVolume != Config0.SoundVolume &&
                       Config.MusicVolume != Config0.MusicVolume &&
                       Config.RotateClockwise != Config0.RotateClockwise &&
                       Config.BrickQuality != Config0.BrickQuality;
  const int64_t builds = MenuLayerBuilds - buildsBefore;
  std::printf("frames %d, game frames %d, fading %d, menu layer drawn %lld times, "
              "differing %d, options changed %s\n",
              frame, seen.GameFrames, seen.Fading, static_cast<long long>(builds), differing,
              changed ? "yes" : "no");
  static const char* const names[5] = {"main", "options", "help", "high scores", "game type"};
  bool everywhere = true;
  for (int s = 0; s < 5; ++s) {
    std::printf("  %-12s %4d frames, %4d copied alone\n", names[s], seen.Screens[s],
                seen.Copied[s]);
    everywhere = everywhere && seen.Copied[s] > 0;
  }
  Config = Config0;  // the walk's settings are not the player's
  CloseHarnessWindow();
  if (builds == 0) {
    std::fprintf(stderr, "layer_exactness: the device draws no layer\n");
    return 77;
  }
  return differing == 0 && everywhere && changed && seen.GameFrames > 0 && seen.Fading > 0
             ? 0
             : 1;
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
  zolvane::Options o;
  for (int i = 1; i < argc; i += 2) {
    if (std::string(argv[i]) != "--menu" && i + 1 >= argc) {
      std::fprintf(stderr, "layer_exactness: %s wants a value\n", argv[i]);
      return 2;
    }
    const std::string a = argv[i];
    if (a == "--frames") o.Frames = std::max(std::atoi(argv[i + 1]), zolvane::WarmUp + 1);
    else if (a == "--type") o.Type = std::atoi(argv[i + 1]);
    else if (a == "--quality") o.Quality = std::atoi(argv[i + 1]);
    else if (a == "--run-dir") o.RunDir = argv[i + 1];
    else if (a == "--time") o.Time = argv[i + 1];
    else if (a == "--landing-every") o.LandingEvery = std::max(std::atoi(argv[i + 1]), 0);
    else if (a == "--menu") o.Menus = true, --i;
    else {
      std::fprintf(stderr, "layer_exactness: unknown option %s\n", a.c_str());
      return 2;
    }
  }
  return o.Menus ? zolvane::RunMenus(o) : zolvane::Run(o);
}
