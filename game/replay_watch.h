// Watching a recorded game in the window. Its steps go through the game's own rules at the
// pace they were recorded, so the pictures, the texts and the sounds are the game's; the
// player's keys only steer the watching.
//   Confirm or Pause   pause and go on
//   Right, Left        faster and slower: 1x, 2x, 4x
//   Down               pause and play on to the next figure's landing
//   Back               fade out and leave
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "game/replay.h"

namespace zolvane {

struct WatchState {
  bool Paused = false;
  int32_t Speed = 1;      // 1, 2 or 4
  bool Leaving = false;   // fading out before the recording's end
  bool Finished = false;  // faded out, by the recording or by leaving: the menus take over
};

extern WatchState Watch;

// Between StartWatching and StopWatching.
bool Watching();
// The recording's steps played so far; 0 when not watching.
size_t WatchStepsRun();

constexpr int32_t MaxWatchSpeed = 4;
// At most this much of the recording's time goes by in one pass, however long the pass was
// (a window that was hidden, a slow frame): the watching never races to catch up.
constexpr uint32_t MaxWatchPassMs = 250;
// The pace of one step is its frame time at most: the clock's jump over a minimized window
// is not waited out.
constexpr uint32_t MaxWatchStepMs = 100;
// A figure at a time plays on for at most this many steps (a recording that stays paused).
constexpr int32_t MaxFigureSkipSteps = 20000;

// Plays replay from its start in place of a game: the figure shapes loaded and the game
// scene created, as for a game. The rank beside the well is measured against the table less
// the replay's own row, as the game found it unless later games have entered.
void StartWatching(Replay replay);
// One pass of the window while watching: the keys, then the steps that are due.
void WatchStep();
// Puts back what the watching took: the generator, the table measured against, the
// recording of games.
void StopWatching();

// What the corner of the game screen says while watching: "Paused", "2x", "4x", or nothing
// at the recorded pace.
std::string WatchStatusText();

}  // namespace zolvane
