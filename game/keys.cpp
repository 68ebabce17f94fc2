#include "game/keys.h"

#include "game/key_bindings.h"
#include "platform/keyboard.h"
#include "platform/settings.h"

namespace zolvane {

KeyFlags Keys;

namespace {
void Edge(bool down, bool& flag, int32_t& timer, int32_t start) {
  if (!down) {
    flag = false;
  } else if (!flag) {
    flag = true;
    timer = start;
  }
}


bool CanPoll() {
  if (!KeyboardReady || !ReadKeyboard()) return false;
  ReadPad();
  return true;
}

// One of the binding's keys is down, leaving out the keys skip names.
template <class Skip>
bool BoundKeyDown(const KeyBinding& binding, Skip skip) {
  for (int key : binding.Keys)
    if (key && !skip(key) && IsKeyDown(key)) return true;
  return false;
}

bool IsMenuArrow(int key) {
  for (Action move : {Action::Left, Action::Right, Action::Turn, Action::SoftDrop})
    if (key == MenuArrow(move)) return true;
  return false;
}

// The menus answer to the arrows, whatever keys the game's moves are bound to; an arrow
// bound to another move moves the menus its own way only.
bool MenuMoveDown(Action move) {
  return IsKeyDown(MenuArrow(move)) || Holds(PadMenuActions(PadState), move) ||
         BoundKeyDown(KeyBindings[static_cast<int>(move)], IsMenuArrow);
}

void PollMoves(bool menu) {
  auto held = [menu](Action a) { return menu ? MenuMoveDown(a) : ActionDown(a); };
  Edge(held(Action::Turn), Keys.KeyUp, Keys.UpRepeatTimer, UpRepeatStart);
  Edge(held(Action::SoftDrop), Keys.KeyDown, Keys.DownRepeatTimer, DownRepeatStart);
  Edge(held(Action::Left), Keys.KeyLeft, Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  Edge(held(Action::Right), Keys.KeyRight, Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  Edge(ActionDown(menu ? Action::Back : Action::Abort), Keys.KeyEscape, Keys.EscapeTimer,
       EscapeRepeatStart);
}

// In a game the drop key drops: it confirms nothing, even where it is also a menu key.
bool ConfirmInGame() {
  const KeyBinding& confirm = KeyBindings[static_cast<int>(Action::Confirm)];
  const KeyBinding& drop = KeyBindings[static_cast<int>(Action::Drop)];
  auto isDropKey = [&drop](int key) { return key == drop.Keys[0] || key == drop.Keys[1]; };
  return BoundKeyDown(confirm, isDropKey) ||
         (Holds(PadState, Action::Confirm) && !Holds(PadState, Action::Drop));
}
}  // namespace

ActionSet PadMenuActions(ActionSet pad) {
  constexpr ActionSet Moves = ActionBit(Action::Left) | ActionBit(Action::Right) |
                              ActionBit(Action::Turn) | ActionBit(Action::SoftDrop);
  const bool answers = Holds(pad, Action::Confirm) || Holds(pad, Action::Back);
  return answers ? pad & ~Moves : pad;
}

void PollMenuKeys() {
  if (!CanPoll()) return;
  PollMoves(true);
  // In the menus Space and Enter are one key; the menu clears KeyEnter when it acts, and
  // KeyEnterHeld keeps a held key from acting twice.
  if (ActionDown(Action::Confirm)) {
    if (!Keys.KeyEnter && !Keys.KeyEnterHeld) Keys.KeyEnter = Keys.KeyEnterHeld = true;
  } else {
    Keys.KeyEnter = Keys.KeyEnterHeld = false;
  }
}

void PollGameKeys() {
  if (!CanPoll()) return;
  PollMoves(false);
  Edge(ActionDown(Action::Drop), Keys.KeySpace, Keys.DownRepeatTimer, DownRepeatStart);
  Keys.KeyEnter = ConfirmInGame();  // no timer: the flag is the key's state
  Edge(ActionDown(Action::TurboDrop), Keys.KeyCtrl, Keys.DownRepeatTimer, DownRepeatStart);
  Edge(ActionDown(Action::Pause), Keys.KeyPause, Keys.PauseTimer, PauseRepeatStart);
  Keys.KeyYesDown = ActionDown(Action::Yes);
  Keys.KeyNoDown = ActionDown(Action::No);
}

}  // namespace zolvane
