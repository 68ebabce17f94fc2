// A trace of the screens the program shows, for tests that drive it from outside: with
// ZOLVANE_TRACE_SCREENS=FILE set, one line "MS SCREEN" is appended whenever the screen
// changes, "MS frames N" every 60 frames drawn, so a watcher can tell a hang, and after
// "MS game over" the well the game ended with, "MS well ROWS" (WellText in game_state.h).
#pragma once
#include <cstdint>
#include <string>

namespace zolvane {

// The screen the loop's state shows: "main", "options", "game types", "help",
// "high scores", "name entry", "game 1".."game 4", "pause", "abort question", "game over".
std::string CurrentScreenName();

// Opens the trace named by the environment (nothing when unset); the first TraceScreen
// does it on its own.
void StartScreenTrace();
// Opens the trace in FILE (tests); an empty name stops tracing.
void StartScreenTrace(const std::string& file);
// After each pass of the loop: notes a new screen and counts the frame. MS is the time of
// the pass, from whatever clock the caller keeps.
void TraceScreen(uint32_t ms);

}  // namespace zolvane
