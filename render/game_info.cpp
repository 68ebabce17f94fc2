#include "render/game_info.h"

namespace zolvane {

// The texts need the bitmap font; until it exists a game frame shows no text.
void DrawGameInfo() {}
void DrawMessage() {}

}  // namespace zolvane
