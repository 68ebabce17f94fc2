// The game screen: everything DrawGame draws in one frame of a running game.
#pragma once

namespace zolvane {

void DrawGame();

}  // namespace zolvane
