// The player's gamepads through SDL's game controller API: a PadSource over every pad
// attached, whenever it was plugged in. SDL's own mapping database names the buttons of
// the pads it knows; a "gamecontrollerdb.txt" in the run folder adds more.
#pragma once
#include <SDL.h>

namespace zolvane {

// Starts SDL's game controller subsystem, adds the run folder's gamecontrollerdb.txt when
// there is one, opens the pads attached and installs them as the pad source. What it
// found goes to debug.txt. False when SDL has no game controllers here: the game runs on
// with the keyboard.
bool OpenGamepads();
// A pad plugged in or pulled out (SDL_CONTROLLERDEVICEADDED / REMOVED); other events are
// left alone.
void OnGamepadEvent(const SDL_Event& event);
// Closes every pad, removes the source and ends the subsystem; safe to call at any time.
void CloseGamepads();

}  // namespace zolvane
