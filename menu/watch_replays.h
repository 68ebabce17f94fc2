// Watching kept games from the menus: a row of a high score table marked and played, a
// replay named on the command line, and the menus taking over again when the watching ends.
#pragma once
#include <cstdint>
#include <string>

#include "game/replay.h"

namespace zolvane {

// Fire on the table shown: the first row with a kept game is marked; on a marked row, its
// game is loaded and the fade to black begins. A file that cannot be read leaves the mark
// where it is and says why on standard error.
void FireOnTable();
// Up (-1) and Down (+1) move the mark to the next row with a kept game, if there is one.
void MoveRowMark(int32_t by);
// After the table shown has changed: the mark goes to its first row with a kept game.
void MarkAfterTableChange();

// At the end of the menus' fade to black: true when a game chosen on a table starts being
// watched, in place of a new game.
bool StartChosenReplay();
// Watches replay at once, past the menus (the command line); its recording fades it in.
void WatchNow(Replay replay);
// The program's step while watching: the watching's own step, and once it has faded out,
// the menus it came from (the table, or the main menu).
void WatchFrame();

}  // namespace zolvane
