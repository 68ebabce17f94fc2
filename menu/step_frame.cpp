#include "menu/step_frame.h"

#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/keys.h"
#include "game/replay_record.h"
#include "game/replay_watch.h"
#include "game/rules.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "menu/watch_replays.h"

namespace zolvane {

// A fade running owns the keys: the poll waits for it.
void StepFrame() {
  if (Loop.MenuActive) {
    if (!Loop.TransitionActive) PollMenuKeys();
    MenuStep();
    return;
  }
  if (Watching()) {
    WatchFrame();
    return;
  }
  RecordStepStart();
  if (!Loop.TransitionActive) PollGameKeys();
  if (Game.Paused || Game.GameOver || Game.AbortQuery) {
    BreakTick();
    if (Loop.FadeOutDone) {
      EndRecording();
      HandOverToMenu();
    } else if (Loop.FadeOutRunning) {
      PrepareMenuPicture();  // a little in each pass of the fade, no wait at its end
    }
  } else {
    GameTick();
  }
}

}  // namespace zolvane
