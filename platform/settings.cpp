#include "platform/settings.h"

namespace zolvane {

GameSettings Config;

}  // namespace zolvane
