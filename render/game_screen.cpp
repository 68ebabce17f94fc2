#include "render/game_screen.h"

namespace zolvane {

// The game screen arrives with its own change; until then a game frame is the cleared one.
void DrawGame() {}

}  // namespace zolvane
