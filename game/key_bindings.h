// The keys of each action: one or two DirectInput codes, today's keys unless config.ini's
// [Keys] names others.
#pragma once
#include <array>

#include "platform/actions.h"

namespace zolvane {

struct KeyBinding {
  int Keys[2] = {0, 0};  // DirectInput codes; 0 for none
};

extern std::array<KeyBinding, ActionCount> KeyBindings;

// The game's own keys: arrows, Space, Ctrl, P or Pause, Esc, Y, N, Enter or Space.
KeyBinding DefaultKeyBinding(Action a);
void ResetKeyBindings();

// The arrow key the menus also move with, whatever the move is bound to; 0 for actions
// other than Left, Right, Turn and SoftDrop.
int MenuArrow(Action move);

// One of the action's keys is down in the keyboard snapshot.
bool ActionKeyDown(Action a);
// The action is held by a key or by a pad.
bool ActionDown(Action a);

}  // namespace zolvane
