// F11 and Alt+Enter: the game between its window and full screen, at any moment.
#pragma once
#include "app/window_system.h"

namespace zolvane {

// Switches the window, keeps the choice in config.ini for the next start, and leaves the
// time the switch took out of the game's clocks. The device, its textures and the game
// stay as they are. False when the window system refused (nothing else changes then).
bool ToggleFullScreen(WindowSystem& window);

}  // namespace zolvane
