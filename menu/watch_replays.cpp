#include "menu/watch_replays.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "audio/sound.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/replay_files.h"
#include "game/replay_watch.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "platform/settings.h"

namespace zolvane {

namespace {

std::optional<Replay> Chosen;  // loaded on the table, watched once the fade is black

bool RowHasGame(int32_t rank) {
  return !TableRowReplayFile(Menu.HighScoreTableShown, rank).empty();
}

// The first row with a kept game after `from`, going by `by`; 0 when none.
int32_t NextRowWithGame(int32_t from, int32_t by) {
  for (int32_t rank = from + by; rank >= 1 && rank <= 10; rank += by)
    if (RowHasGame(rank)) return rank;
  return 0;
}

void MarkFirstRow() {
  Menu.HighScoreRowMarked = NextRowWithGame(0, +1);
  if (Menu.HighScoreRowMarked) PlayEffect(Effect::MenuMove, true);
}

void WatchMarkedRow() {
  const std::string file = TableRowReplayFile(Menu.HighScoreTableShown, Menu.HighScoreRowMarked);
  Replay replay;
  const std::string problem = file.empty() ? "the row's game is no longer kept"
                                           : LoadReplay(file, replay);
  if (!problem.empty()) {
    std::fprintf(stderr, "Zolvane: cannot watch that game: %s\n", problem.c_str());
    return;
  }
  Chosen = std::move(replay);
  PlayEffect(Effect::MenuEnter, true);
  Loop.FadeOutRunning = Loop.TransitionActive = true;
}

// Keys held as the watching ends count as held since long: the press that left it must not
// act again on the screen the menus show.
void KeysHeldSinceLong() {
  Keys = KeyFlags{};
  Keys.KeyUp = Keys.KeyDown = Keys.KeyLeft = Keys.KeyRight = Keys.KeyEscape = true;
  Keys.KeyEnterHeld = true;
  Keys.UpRepeatTimer = UpRepeatStart - 1;
  Keys.DownRepeatTimer = DownRepeatStart - 1;
  Keys.MoveRepeatTimer = Config.KeyRepeatDelay - 1;
  Keys.EscapeTimer = EscapeRepeatStart - 1;
}

// The menus fade in on the screen they showed: the table the game was chosen on, or the
// main menu after a replay named on the command line.
void HandBackFromWatch() {
  StopWatching();
  Game.GameOver = false;
  EnterMenusFadingIn();
  KeysHeldSinceLong();
}

}  // namespace

void FireOnTable() {
  if (Menu.HighScoreRowMarked)
    WatchMarkedRow();
  else
    MarkFirstRow();
}

void MoveRowMark(int32_t by) {
  const int32_t row = NextRowWithGame(Menu.HighScoreRowMarked, by);
  if (!row) return;
  Menu.HighScoreRowMarked = row;
  PlayEffect(Effect::MenuMove, true);
}

void MarkAfterTableChange() {
  if (Menu.HighScoreRowMarked) Menu.HighScoreRowMarked = NextRowWithGame(0, +1);
}

bool StartChosenReplay() {
  if (!Chosen) return false;
  WatchNow(std::move(*Chosen));
  Chosen.reset();
  return true;
}

void WatchNow(Replay replay) {
  LeaveMenus();
  StartWatching(std::move(replay));
  PlayEffect(Effect::NewGame, true);  // as the game began
}

void WatchFrame() {
  WatchStep();
  if (Watch.Finished)
    HandBackFromWatch();
  else if (Loop.FadeOutRunning)
    PrepareMenuPicture();
}

}  // namespace zolvane
