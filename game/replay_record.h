// Recording the running game as a replay, and playing one back through the same steps.
#pragma once
#include <cstdint>
#include <string>

#include "game/replay.h"
#include "platform/settings.h"

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

// A recorded game played through GameTick and BreakTick one step at a time, each step on
// the clock of the recording. The figure shapes must be loaded and the game scene created.
// Nothing is recorded meanwhile. The settings the rules read are the replay's only while a
// step runs, so nothing of it reaches the player's settings; the generator's state comes
// back when the playback goes.
class ReplayPlayback {
 public:
  // The game as the recording began, its first step not yet run; the clock of the
  // recording starts at clockStart.
  ReplayPlayback(const Replay& replay, uint32_t clockStart);
  ~ReplayPlayback();
  ReplayPlayback(const ReplayPlayback&) = delete;
  ReplayPlayback& operator=(const ReplayPlayback&) = delete;

  // Every step has run, or the game has faded out for the menus to take over.
  bool Done() const { return Next >= Recorded.Steps.size() || Faded; }
  bool FadedOut() const { return Faded; }
  // The time the next step takes on the recording's clock.
  uint32_t NextStepMs() const;
  void Step();
  size_t StepsRun() const { return Next; }

 private:
  const Replay& Recorded;
  size_t Next = 0;
  uint32_t Now;
  GameSettings Settings;  // the replay's between steps, the player's during one
  uint32_t SavedSeed;
  bool Faded = false;
};

// Runs the whole recorded game; the game state is left as the last step left it.
ReplayOutcome PlayReplay(const Replay& replay);

}  // namespace zolvane
