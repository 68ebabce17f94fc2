#include "game/replay_record.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/replay_files.h"
#include "game/rules.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "platform/settings.h"

namespace zolvane {

namespace {

struct Recorder {
  Replay Game;
  bool Recording = false;    // between BeginRecording and EndRecording
  bool Started = false;      // RecordStepStart has taken the fade
  bool Suspended = false;    // a replay is playing
  uint32_t StartTime = 0;    // the game's own clock (less skipped time) at NewGame
  uint32_t LastTime = 0;     // the same at the last step
};

Recorder Rec;

uint32_t OwnClock(uint32_t t) { return t - TimeSkipped; }

uint32_t FloatBits(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

float BitsFloat(uint32_t bits) {
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
}

bool InBreak() { return Game.Paused || Game.GameOver || Game.AbortQuery; }

// The start's fields kept as the game keeps them, in one list for taking them and for
// putting them back; those stored in another form are handled beside each call.
template <class Pair>
void ForEachStartField(ReplayStart& s, Pair pair) {
  pair(s.KeyRepeatDelay, Config.KeyRepeatDelay);
  pair(s.RotateClockwise, Config.RotateClockwise);
  pair(s.MoveRepeatTimer, Keys.MoveRepeatTimer);
  pair(s.DownRepeatTimer, Keys.DownRepeatTimer);
  pair(s.UpRepeatTimer, Keys.UpRepeatTimer);
  pair(s.EscapeTimer, Keys.EscapeTimer);
  pair(s.PauseTimer, Keys.PauseTimer);
  pair(s.SlideStep, Game.SlideStep);
  pair(s.SlideGraceMs, Game.SlideGraceMs);
  pair(s.BrickFlipActive, Game.BrickFlipActive);
  pair(s.BrickFlipColumn, Game.BrickFlipColumn);
  pair(s.BrickFlipRow, Game.BrickFlipRow);
  pair(s.BrickFlipAxis, Game.BrickFlipAxis);
  pair(s.TimeLeft, Game.TimeLeft);
}

void FillHeader(ReplayHeader& h) {
  h.GameType = Game.GameType;
  h.Score = Game.Score;
  h.Lines = Game.Lines;
  h.Level = Game.Level;
  h.GameSeconds = Game.GameSeconds;
  h.Date = static_cast<int64_t>(WallClockMicroseconds() / 1000000u);
}

}  // namespace

// The seed before NewGame draws the figures; the rest once the menus' step that started the
// game has done with the keys' timers and the fade, as the first step finds them.
void BeginRecording() {
  if (Rec.Suspended) return;
  Rec.Game = Replay{};
  Rec.Game.Start.Seed = RandomState();
  Rec.Recording = true;
  Rec.Started = false;
  PolledGameInput = InputNotPolled;
  Rec.StartTime = Rec.LastTime = OwnClock(timeGetTime());
}

void RecordStepStart() {
  if (Rec.Suspended || !Rec.Recording || Rec.Started) return;
  Rec.Started = true;
  ReplayStart& s = Rec.Game.Start;
  ForEachStartField(s, [](auto& stored, const auto& live) { stored = live; });
  s.RotationSpeedBits = FloatBits(Config.RotationSpeed);
  s.SideMove = static_cast<uint8_t>(Game.FallingFigure->SideMove);
  s.BrickFlipAngleBits = FloatBits(Game.BrickFlipAngle);
  s.TransitionActive = Loop.TransitionActive;
  s.FadeInRunning = Loop.FadeInRunning;
  s.FadeLevel = Loop.FadeLevel;
}

void RecordStep() {
  if (Rec.Suspended || !Rec.Recording || Rec.Game.Steps.size() >= MaxReplaySteps) return;
  const uint32_t now = OwnClock(StepTime());
  ReplayStep step;
  step.FrameDelta = static_cast<uint8_t>(Loop.FrameDelta);
  step.ClockExtra = static_cast<int32_t>(now - Rec.LastTime - Loop.FrameDelta);
  step.Input = static_cast<uint16_t>(PolledGameInput | (Config.FullScreen ? InputFullScreen : 0));
  PolledGameInput = InputNotPolled;
  Rec.LastTime = now;
  Rec.Game.Steps.push_back(step);
}

void EndRecording() {
  if (Rec.Suspended || !Rec.Recording) return;
  Rec.Recording = false;
  FillHeader(Rec.Game.Header);
  if (const std::string problem = KeepLastGame(Rec.Game); !problem.empty())
    std::fprintf(stderr, "Zolvane: the last game could not be kept: %s\n", problem.c_str());
}

Replay RecordedGame() {
  Replay replay = Rec.Game;
  if (Rec.Recording) FillHeader(replay.Header);
  return replay;
}

ReplayPlayback::ReplayPlayback(const Replay& replay, uint32_t clockStart)
    : Recorded(replay), Now(clockStart), SavedSeed(RandomState()) {
  Rec.Suspended = true;
  ManualClock clock(Now);
  const ReplayStart& s = replay.Start;
  const GameSettings player = Config;

  Keys = KeyFlags{};
  ReplayStart start = s;
  ForEachStartField(start, [](const auto& stored, auto& live) { live = stored; });
  Config.RotationSpeed = BitsFloat(s.RotationSpeedBits);
  Game.FallingFigure->SideMove = static_cast<SideMoveDir>(s.SideMove);
  Game.BrickFlipAngle = BitsFloat(s.BrickFlipAngleBits);
  Game.GameType = replay.Header.GameType;
  Game.ScorePosition = 11;
  Game.GameOver = false;

  RandomSeed(s.Seed);
  NewGame();
  Loop = LoopState{};
  Loop.MenuActive = false;
  Loop.TransitionActive = s.TransitionActive;
  Loop.FadeInRunning = s.FadeInRunning;
  Loop.FadeLevel = s.FadeLevel;
  Loop.LastFrameTime = Now;

  // The start put the replay's settings in place; they wait here for the first step.
  Settings = Config;
  Config = player;
}

ReplayPlayback::~ReplayPlayback() {
  RandomSeed(SavedSeed);
  Rec.Suspended = false;
}

uint32_t ReplayPlayback::NextStepMs() const {
  if (Done()) return 0;
  const ReplayStep& step = Recorded.Steps[Next];
  return step.FrameDelta + static_cast<uint32_t>(step.ClockExtra);
}

void ReplayPlayback::Step() {
  if (Done()) return;
  const ReplayStep& step = Recorded.Steps[Next++];
  std::swap(Settings, Config);
  if (!(step.Input & InputNotPolled)) ApplyGameInput(step.Input & (InputNotPolled - 1));
  Config.FullScreen = (step.Input & InputFullScreen) != 0;
  Now += step.FrameDelta + static_cast<uint32_t>(step.ClockExtra);
  ManualClock clock(Now);
  Loop.LastFrameTime = Now - step.FrameDelta;
  // As StepFrame chooses; a finished fade would hand over to the menus.
  if (InBreak())
    BreakTick();
  else
    GameTick();
  Faded = Loop.FadeOutDone;
  std::swap(Settings, Config);
}

ReplayOutcome PlayReplay(const Replay& replay) {
  ReplayPlayback playback(replay, 1000);
  while (!playback.Done()) playback.Step();
  return {Game.Score, Game.Lines, Game.Level, Game.GameSeconds};
}

}  // namespace zolvane
