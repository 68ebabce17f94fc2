// Recording the running game as a replay, and playing one back through the same steps.
#pragma once
#include <cstdint>
#include <string>

#include "game/replay.h"

namespace zolvane {

// Called as a game starts, before NewGame draws the figures: the seed and the state the game
// starts from.
void BeginRecording();
// Before the key poll of each game or break step (StepFrame): on the first, the settings,
// timers, fade and effects the game starts from.
void RecordStepStart();
// After each game or break step: its frame time, its clock and the keys it read.
void RecordStep();
// As the game hands over to the menus: the header is filled from the game as it ended, the
// recording stops, and the game is kept as the last one (replay_files.h).
void EndRecording();
// The game recorded last: the one that ended, or the one running with its header filled
// from the game state now. Date is when it ended, in seconds since 1970.
Replay RecordedGame();

struct ReplayOutcome {
  int32_t Score = 0, Lines = 0, Level = 0, GameSeconds = 0;
  bool operator==(const ReplayOutcome& o) const {
    return Score == o.Score && Lines == o.Lines && Level == o.Level &&
           GameSeconds == o.GameSeconds;
  }
};

inline ReplayOutcome RecordedOutcome(const ReplayHeader& h) {
  return {h.Score, h.Lines, h.Level, h.GameSeconds};
}

// Runs the recorded game through GameTick and BreakTick on a clock of its own, with the
// figure shapes loaded and the game scene created; the game state is left as the last step
// left it. Nothing is recorded meanwhile, and the settings it changes are put back.
ReplayOutcome PlayReplay(const Replay& replay);

}  // namespace zolvane
