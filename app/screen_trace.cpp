#include "app/screen_trace.h"

#include <cstdio>
#include <cstdlib>

#include "game/frame_time.h"
#include "game/game_state.h"
#include "menu/menu_state.h"

namespace zolvane {

namespace {

constexpr uint64_t HeartbeatFrames = 60;

struct ScreenTraceState {
  bool Started = false;  // the environment was looked at
  std::FILE* File = nullptr;
  std::string LastScreen;
  uint64_t Frames = 0;
};
ScreenTraceState Trace;

std::string MenuScreenName() {
  switch (Menu.MenuState) {
    case MenuOptions: return "options";
    case MenuGameInfo: return "help";
    case MenuHighScores: return Menu.NameEntryActive ? "name entry" : "high scores";
    case MenuGameType: return "game types";
    default: return "main";
  }
}

std::string GameScreenName() {
  if (Game.GameOver) return "game over";
  if (Game.AbortQuery) return "abort question";
  if (Game.Paused) return "pause";
  return "game " + std::to_string(Game.GameType);
}

// Each line goes out at once: a killed process still leaves every line it wrote.
void WriteLine(uint32_t ms, const std::string& text) {
  std::fprintf(Trace.File, "%u %s\n", ms, text.c_str());
  std::fflush(Trace.File);
}

}  // namespace

std::string CurrentScreenName() {
  return Loop.MenuActive ? MenuScreenName() : GameScreenName();
}

void StartScreenTrace(const std::string& file) {
  if (Trace.File) std::fclose(Trace.File);
  Trace = ScreenTraceState{};
  Trace.Started = true;
  if (file.empty()) return;
  Trace.File = std::fopen(file.c_str(), "a");
  if (!Trace.File) std::fprintf(stderr, "zolvane: cannot open the screen trace %s\n", file.c_str());
}

void StartScreenTrace() {
  const char* file = std::getenv("ZOLVANE_TRACE_SCREENS");
  StartScreenTrace(file ? std::string(file) : std::string());
}

void TraceScreen(uint32_t ms) {
  if (!Trace.Started) StartScreenTrace();
  if (!Trace.File) return;
  std::string screen = CurrentScreenName();
  if (screen != Trace.LastScreen) {
    WriteLine(ms, screen);
    // The well as the game ended, for a script to hold against the game's replay.
    if (screen == "game over") WriteLine(ms, "well " + WellText());
    Trace.LastScreen = std::move(screen);
  }
  if (++Trace.Frames % HeartbeatFrames == 0) WriteLine(ms, "frames " + std::to_string(Trace.Frames));
}

}  // namespace zolvane
