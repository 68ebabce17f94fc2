// A test hook, for the end-to-end scripts only: with ZOLVANE_TEST_PAD=FILE in the
// environment the game reads FILE's new lines as it reads its pads, and drives one SDL
// virtual joystick with them, which SDL maps as a game controller and reports as it would
// a real pad (hot-plug events included). The lines:
//   attach | detach | press BUTTON | release BUTTON | axis AXIS VALUE
// with SDL's names of buttons and axes ("a", "dpleft", "leftx", ...). Without the
// variable nothing here runs.
#pragma once
#include <SDL.h>

namespace zolvane {

// A virtual joystick SDL maps as a game controller, buttons and axes in SDL's order, and
// its removal (the reference is emptied). The hook's pad, and the unit tests'.
SDL_Joystick* AttachVirtualPad(const char* name);
void DetachVirtualPad(SDL_Joystick*& pad);

// Reads the variable; nothing when it is not set.
void StartTestPad();
// Carries out the lines written since the last call.
void PollTestPad();
// Detaches the virtual pad and stops reading.
void StopTestPad();

}  // namespace zolvane
