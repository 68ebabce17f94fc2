// The game's key vocabulary over the keyboard snapshot: one edge flag per key, set on the
// press and cleared on the release, and repeat timers loaded on the press. The consumers
// (game step, break step, menu step) count the timers down with CountDownKey.
#pragma once
#include <cstdint>

#include "game/frame_time.h"
#include "platform/actions.h"

namespace zolvane {

struct KeyFlags {
  bool KeyUp = false, KeyDown = false, KeyLeft = false, KeyRight = false;
  bool KeyEscape = false, KeyEnter = false, KeyEnterHeld = false;
  bool KeySpace = false, KeyCtrl = false, KeyPause = false;
  bool KeyYesDown = false, KeyNoDown = false;  // plain states, no edge logic

  int32_t MoveRepeatTimer = 260;  // Left and Right
  int32_t DownRepeatTimer = 1000; // Down, and in the game Space and Ctrl
  int32_t UpRepeatTimer = 600;
  int32_t EscapeTimer = 1000;
  int32_t PauseTimer = 1000;
};

extern KeyFlags Keys;

constexpr int32_t UpRepeatStart = 600;
constexpr int32_t DownRepeatStart = 1000;
constexpr int32_t EscapeRepeatStart = 1000;
constexpr int32_t PauseRepeatStart = 1000;

// A held key acts on the pass of its press (timer still at its start value) and again on
// every pass once its timer has run down to 0 or below.
inline bool KeyActs(bool held, int32_t timer, int32_t start) {
  return held && (timer == start || timer < 1);
}

// Counts a held key's timer down by the pass's time. A pass of 0 ms still takes the timer
// off its start value, or the press would act again on the next pass.
inline void CountDownKey(int32_t& timer, int32_t start) {
  timer -= (timer == start && Delta() < 1) ? 1 : Delta();
}

void PollMenuKeys();
void PollGameKeys();
// The actions held now as the menus read them (the arrows whatever the moves are bound to,
// the pad's answers alone), for keys that steer rather than play; false, with held left
// as it was, when the keyboard cannot be read.
bool PollMenuActions(ActionSet& held);

// What a game step reads of the keys, after the player's bindings and the pad: one bit per
// action held. A replay keeps these, so it depends on neither.
enum GameInputBit : uint16_t {
  InputTurn = 1 << 0, InputSoftDrop = 1 << 1, InputLeft = 1 << 2, InputRight = 1 << 3,
  InputAbort = 1 << 4, InputDrop = 1 << 5, InputConfirm = 1 << 6, InputTurboDrop = 1 << 7,
  InputPause = 1 << 8, InputYes = 1 << 9, InputNo = 1 << 10,
  InputNotPolled = 1 << 11,  // the keys were not read before this step (a fade, no keyboard)
  InputFullScreen = 1 << 12, // the sparks draw differently full screen
};
constexpr uint16_t GameInputMask = (1 << 13) - 1;

// The input the last PollGameKeys read, or InputNotPolled; the recorder takes it per step.
extern uint16_t PolledGameInput;
// The game's key flags from one input, as PollGameKeys sets them.
void ApplyGameInput(uint16_t input);

// The pad's actions as the menus take them: a button that confirms or goes back does only
// that there, though it also turns or drops in a game (A, B).
ActionSet PadMenuActions(ActionSet pad);

}  // namespace zolvane
