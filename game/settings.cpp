#include "game/settings.h"

namespace zolvane {

GameSettings Config;

}  // namespace zolvane
