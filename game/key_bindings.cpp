#include "game/key_bindings.h"

#include "platform/keyboard.h"

namespace zolvane {

std::array<KeyBinding, ActionCount> KeyBindings = [] {
  std::array<KeyBinding, ActionCount> b;
  for (int i = 0; i < ActionCount; ++i) b[i] = DefaultKeyBinding(static_cast<Action>(i));
  return b;
}();

KeyBinding DefaultKeyBinding(Action a) {
  switch (a) {
    case Action::Left: return {{DIK_LEFT, 0}};
    case Action::Right: return {{DIK_RIGHT, 0}};
    case Action::Turn: return {{DIK_UP, 0}};
    case Action::SoftDrop: return {{DIK_DOWN, 0}};
    case Action::Drop: return {{DIK_SPACE, 0}};
    case Action::TurboDrop: return {{DIK_LCONTROL, DIK_RCONTROL}};
    case Action::Pause: return {{DIK_P, DIK_PAUSE}};
    case Action::Abort: return {{DIK_ESCAPE, 0}};
    case Action::Yes: return {{DIK_Y, 0}};
    case Action::No: return {{DIK_N, 0}};
    case Action::Confirm: return {{DIK_RETURN, DIK_SPACE}};
    case Action::Back: return {{DIK_ESCAPE, 0}};
  }
  return {};
}

void ResetKeyBindings() {
  for (int i = 0; i < ActionCount; ++i) KeyBindings[i] = DefaultKeyBinding(static_cast<Action>(i));
}

int MenuArrow(Action move) {
  switch (move) {
    case Action::Left: return DIK_LEFT;
    case Action::Right: return DIK_RIGHT;
    case Action::Turn: return DIK_UP;
    case Action::SoftDrop: return DIK_DOWN;
    default: return 0;
  }
}

bool ActionKeyDown(Action a) {
  const KeyBinding& b = KeyBindings[static_cast<int>(a)];
  return (b.Keys[0] && IsKeyDown(b.Keys[0])) || (b.Keys[1] && IsKeyDown(b.Keys[1]));
}

bool ActionDown(Action a) { return ActionKeyDown(a) || Holds(PadState, a); }

}  // namespace zolvane
