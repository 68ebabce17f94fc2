#include "game/keys.h"

#include "game/key_bindings.h"
#include "platform/keyboard.h"
#include "platform/settings.h"

namespace zolvane {

KeyFlags Keys;
uint16_t PolledGameInput = InputNotPolled;

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

void ApplyMoves(bool turn, bool softDrop, bool left, bool right, bool escape) {
  Edge(turn, Keys.KeyUp, Keys.UpRepeatTimer, UpRepeatStart);
  Edge(softDrop, Keys.KeyDown, Keys.DownRepeatTimer, DownRepeatStart);
  Edge(left, Keys.KeyLeft, Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  Edge(right, Keys.KeyRight, Keys.MoveRepeatTimer, Config.KeyRepeatDelay);
  Edge(escape, Keys.KeyEscape, Keys.EscapeTimer, EscapeRepeatStart);
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
  ApplyMoves(MenuMoveDown(Action::Turn), MenuMoveDown(Action::SoftDrop),
             MenuMoveDown(Action::Left), MenuMoveDown(Action::Right), ActionDown(Action::Back));
  // In the menus Space and Enter are one key; the menu clears KeyEnter when it acts, and
  // KeyEnterHeld keeps a held key from acting twice.
  if (ActionDown(Action::Confirm)) {
    if (!Keys.KeyEnter && !Keys.KeyEnterHeld) Keys.KeyEnter = Keys.KeyEnterHeld = true;
  } else {
    Keys.KeyEnter = Keys.KeyEnterHeld = false;
  }
}

bool PollMenuActions(ActionSet& held) {
  if (!CanPoll()) return false;
  held = 0;
  for (Action move : {Action::Left, Action::Right, Action::Turn, Action::SoftDrop})
    if (MenuMoveDown(move)) held |= ActionBit(move);
  for (Action answer : {Action::Confirm, Action::Back, Action::Pause})
    if (ActionDown(answer)) held |= ActionBit(answer);
  return true;
}

void PollGameKeys() {
  PolledGameInput = InputNotPolled;
  if (!CanPoll()) return;
  uint16_t input = 0;
  auto bit = [&input](bool held, uint16_t b) { if (held) input |= b; };
  bit(ActionDown(Action::Turn), InputTurn);
  bit(ActionDown(Action::SoftDrop), InputSoftDrop);
  bit(ActionDown(Action::Left), InputLeft);
  bit(ActionDown(Action::Right), InputRight);
  bit(ActionDown(Action::Abort), InputAbort);
  bit(ActionDown(Action::Drop), InputDrop);
  bit(ConfirmInGame(), InputConfirm);
  bit(ActionDown(Action::TurboDrop), InputTurboDrop);
  bit(ActionDown(Action::Pause), InputPause);
  bit(ActionDown(Action::Yes), InputYes);
  bit(ActionDown(Action::No), InputNo);
  PolledGameInput = input;
  ApplyGameInput(input);
}

void ApplyGameInput(uint16_t input) {
  auto held = [input](uint16_t b) { return (input & b) != 0; };
  ApplyMoves(held(InputTurn), held(InputSoftDrop), held(InputLeft), held(InputRight),
             held(InputAbort));
  Edge(held(InputDrop), Keys.KeySpace, Keys.DownRepeatTimer, DownRepeatStart);
  Keys.KeyEnter = held(InputConfirm);  // no timer: the flag is the key's state
  Edge(held(InputTurboDrop), Keys.KeyCtrl, Keys.DownRepeatTimer, DownRepeatStart);
  Edge(held(InputPause), Keys.KeyPause, Keys.PauseTimer, PauseRepeatStart);
  Keys.KeyYesDown = held(InputYes);
  Keys.KeyNoDown = held(InputNo);
}

}  // namespace zolvane
