#include "game/replay_watch.h"

#include <algorithm>
#include <memory>

#include "audio/music.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "game/replay_record.h"
#include "platform/actions.h"
#include "platform/clock.h"

namespace zolvane {

WatchState Watch;

namespace {

struct WatchRun {
  Replay Recorded;
  std::unique_ptr<ReplayPlayback> Playback;
  uint32_t LastPass = 0;  // the real clock at the pass before
  uint32_t Due = 0;       // the recording's time owed to the steps
  // The actions of the pass before; all, at first: keys held as the watching begins act
  // only once released.
  ActionSet Held = ~0u;
};

WatchRun W;

// The table without the replay's own row: rows below move up, and the last is empty.
std::array<int32_t, 10> TableAsFound(const ReplayHeader& h) {
  std::array<int32_t, 10> scores{};
  size_t n = 0;
  bool skipped = false;
  for (int rank = 1; rank <= 10; ++rank) {
    const HighScoreEntry& row = HighScores[h.GameType][rank];
    if (!skipped && row.Score == h.Score && row.Name == h.Player && !h.Player.empty()) {
      skipped = true;
      continue;
    }
    scores[n++] = row.Score;
  }
  return scores;
}

bool Pressed(ActionSet now, Action a) { return Holds(now, a) && !Holds(W.Held, a); }

void BeginLeaving() {
  if (Watch.Leaving) return;
  Watch.Leaving = true;
  Watch.Paused = false;
  Loop.TransitionActive = Loop.FadeOutRunning = true;
  Loop.FadeInRunning = false;
  Loop.LastFrameTime = timeGetTime();
}

void ChangeSpeed(bool faster) {
  Watch.Speed = faster ? std::min(Watch.Speed * 2, MaxWatchSpeed) : std::max(Watch.Speed / 2, 1);
}

// Plays on until the falling figure lands, then stands still.
void PlayToNextLanding() {
  Watch.Paused = true;
  const int32_t landed = Game.FiguresLanded;
  for (int32_t n = 0; n < MaxFigureSkipSteps && !W.Playback->Done(); ++n) {
    W.Playback->Step();
    if (Game.FiguresLanded != landed || Game.GameOver) break;
  }
}

void WatchKeys() {
  ActionSet now = 0;
  if (!PollMenuActions(now)) return;
  if (Pressed(now, Action::Back)) BeginLeaving();
  if (!Watch.Leaving) {
    if (Pressed(now, Action::Confirm) || Pressed(now, Action::Pause)) Watch.Paused = !Watch.Paused;
    if (Pressed(now, Action::Right)) ChangeSpeed(true);
    if (Pressed(now, Action::Left)) ChangeSpeed(false);
    if (Pressed(now, Action::SoftDrop)) PlayToNextLanding();
  }
  W.Held = now;
}

uint32_t RealMsSinceLastPass() {
  const uint32_t now = timeGetTime();
  const uint32_t ms = now - W.LastPass;
  W.LastPass = now;
  return std::min(ms, MaxWatchPassMs);
}

void RunDueSteps(uint32_t realMs) {
  if (Watch.Paused) {
    W.Due = 0;
    return;
  }
  W.Due += realMs * static_cast<uint32_t>(Watch.Speed);
  while (!W.Playback->Done()) {
    const uint32_t pace = std::min(W.Playback->NextStepMs(), MaxWatchStepMs);
    if (pace > W.Due) break;
    W.Due -= pace;
    W.Playback->Step();
  }
}

// The recording's own fade to black ends it; a recording that stops short fades out here.
void FollowTheEnd() {
  if (W.Playback->FadedOut())
    Watch.Finished = true;
  else if (W.Playback->Done())
    BeginLeaving();
}

void LeaveStep() {
  FrameTimeUpdate();
  FadeOutStep();
  if (Loop.FadeOutDone) Watch.Finished = true;
  MusicUpkeep();
}

}  // namespace

void StartWatching(Replay replay) {
  StopWatching();
  W.Recorded = std::move(replay);
  MeasureAgainst(W.Recorded.Header.GameType, TableAsFound(W.Recorded.Header));
  W.LastPass = timeGetTime();
  // The recording's clock runs beside the real one, so the music's timing reads alike.
  W.Playback = std::make_unique<ReplayPlayback>(W.Recorded, W.LastPass);
  W.Due = 0;
  W.Held = ~0u;
  Watch = WatchState{};
}

bool Watching() { return W.Playback != nullptr; }

size_t WatchStepsRun() { return W.Playback ? W.Playback->StepsRun() : 0; }

void WatchStep() {
  if (!Watching() || Watch.Finished) return;
  const uint32_t realMs = RealMsSinceLastPass();
  WatchKeys();
  if (Watch.Leaving) {
    LeaveStep();
    return;
  }
  RunDueSteps(realMs);
  FollowTheEnd();
  if (Watch.Paused) MusicUpkeep();
}

void StopWatching() {
  W.Playback.reset();
  MeasureAgainstTable();
  Watch = WatchState{};
}

std::string WatchStatusText() {
  if (!Watching() || Watch.Leaving) return "";
  if (Watch.Paused) return "Paused";
  if (Watch.Speed > 1) return std::to_string(Watch.Speed) + "x";
  return "";
}

}  // namespace zolvane
