#include "game/rules.h"

namespace zolvane {

// The rules arrive with their own change; until then a game step does nothing.
void GameTick() {}
void BreakTick() {}

}  // namespace zolvane
