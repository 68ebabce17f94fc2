// The longest pass at the hand-overs between the menus and a game, in the real window with
// the real device: a pass is one StepFrame and one RenderFrame, finished by the device,
// timed on the wall clock while the game's own clock steps 16 ms a pass. Each round goes
// from the game type screen through the fade into a game, plays a second, aborts, and
// fades back into the main menu; it prints the longest pass of either way and of the
// steady frames around them, the resident memory at each end, and the textures of the
// menus and the font that exist in the menus and in a game.
//
//   xvfb-run -s "-screen 0 1024x768x24" build/bench/handover_bench [--run-dir DIR] [--rounds N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/frame_loop.h"
#include "bench/game_window.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "render/device_objects.h"
#include "render/font.h"

namespace zolvane {
namespace {

constexpr uint32_t StepMs = 16;

ManualClock* Clock = nullptr;

double PassMs() {
  const auto start = std::chrono::steady_clock::now();
  Clock->Advance(StepMs);
  StepFrame();
  RenderFrame();
  if (D3D.FD3DDevice) D3D.FD3DDevice->Finish();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

// The longest of count passes.
double Passes(int count) {
  double longest = 0;
  for (int i = 0; i < count; ++i) longest = std::max(longest, PassMs());
  return longest;
}

// The longest pass until the transition has ended, fade-in included.
double Transition() {
  double longest = 0;
  for (int i = 0; i < 200; ++i) {
    longest = std::max(longest, PassMs());
    if (!Loop.TransitionActive) break;
  }
  return longest;
}

// The menu's textures and the glyphs' that exist, and the bytes of their level 0.
void PrintTextures(const char* when) {
  long menuCount = 0, menuBytes = 0, glyphCount = 0, glyphBytes = 0, made = 0, madeBytes = 0;
  for (const Texture* t : MenuTextures) {
    if (!t) continue;
    const auto bytes = static_cast<long>(t->LevelPitch(0) * t->Height);
    ++menuCount, menuBytes += bytes;
    if (!(t->Deferred & 1u)) ++made, madeBytes += bytes;  // decoded, in GL or about to be
  }
  for (int f = 1; f <= FontCount; ++f)
    for (int g = 1; g <= GlyphCount; ++g)
      if (const Texture* t = FontGlyphTextures[f][g])
        ++glyphCount, glyphBytes += static_cast<long>(t->LevelPitch(0) * t->Height);
  std::printf("%s: %ld menu textures, %.2f MB (%ld decoded, %.2f MB); %ld glyph textures, "
              "%.2f MB\n",
              when, menuCount, menuBytes / 1e6, made, madeBytes / 1e6, glyphCount,
              glyphBytes / 1e6);
}

long ResidentKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::string(field).size());
  return -1;
}

int Run(const std::string& runDir, int rounds) {
  ManualClock clock;
  Clock = &clock;
  std::string error;
  if (!OpenHarnessWindow(runDir, &error)) {
    std::fprintf(stderr, "handover_bench: %s\n", error.c_str());
    return 1;
  }
  Loop = LoopState{};
  Loop.LastFrameTime = timeGetTime();
  Menu = MenuStateData{};
  Menu.MenuState = MenuGameType;
  Menu.MenuItem = 1;
  std::printf("%-6s %10s %12s %10s %12s %10s %10s\n", "round", "menu ms", "to game ms",
              "game ms", "to menu ms", "game RSS", "menu RSS");
  for (int round = 1; round <= rounds; ++round) {
    const double menu = Passes(30);
    BeginNewGame(1);
    const double toGame = Transition();
    const double game = Passes(60);
    const long gameKb = ResidentKb("VmRSS:");
    Game.AbortQuery = true;
    Loop.FadeOutRunning = Loop.TransitionActive = true;  // as Enter on the question does
    const double toMenu = Transition();
    Menu.MenuState = MenuGameType;  // where the next round starts
    Menu.MenuItem = 1;
    const double after = Passes(30);
    const long menuKb = ResidentKb("VmRSS:");
    std::printf("%-6d %10.2f %12.2f %10.2f %12.2f %7.1f MiB %6.1f MiB\n", round,
                std::max(menu, after), toGame, game, toMenu, gameKb / 1024.0, menuKb / 1024.0);
  }
  PrintTextures("in the menus");
  BeginNewGame(1);
  Transition();
  PrintTextures("in a game");
  std::printf("peak resident: %.1f MiB\n", ResidentKb("VmHWM:") / 1024.0);
  CloseHarnessWindow();
  Clock = nullptr;
  return 0;
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) {
  std::string runDir = zolvane::DefaultRunDir();
  int rounds = 5;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--run-dir" && i + 1 < argc) {
      runDir = argv[++i];
    } else if (arg == "--rounds" && i + 1 < argc) {
      rounds = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: handover_bench [--run-dir DIR] [--rounds N]\n");
      return 2;
    }
  }
  return zolvane::Run(runDir, rounds);
}
