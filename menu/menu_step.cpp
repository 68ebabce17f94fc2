#include "audio/music.h"
#include "audio/sound.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "menu/menu_state.h"

namespace zolvane {

MenuStateData Menu;

void BeginNewGame(int32_t gameType) {
  if (Loop.TransitionActive) return;
  PlayEffect(13, true);
  Loop.FadeOutRunning = Loop.TransitionActive = true;
  Game.GameType = gameType;
  Game.ScorePosition = 11;
}

// The menu screens' own keys and animations arrive with the menus; what is here already is
// the frame time, the fade into a new game and the music, which a game start needs.
void MenuStep() {
  FrameTimeUpdate();
  FadeOutStep();
  if (Loop.FadeOutDone) {
    Loop.MenuActive = false;
    Loop.FadeOutDone = false;
    NewGame();
    Loop.FadeInRunning = true;
    PlayEffect(17, true);
  }
  FadeInStep();
  MusicUpkeep();
}

// The menu screens arrive with the menus; until then a menu frame is the cleared one.
void DrawMenu() {}

}  // namespace zolvane
