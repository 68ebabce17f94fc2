// The buttons of each action on a gamepad, and what a pad's buttons and sticks hold. The
// buttons are SDL's game controller buttons, by the same names and in the same order, so
// that any pad SDL knows reads the same; the SDL side (platform/sdl/gamepad.h) only reads
// them. The triggers count as buttons past half their travel.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

#include "platform/actions.h"

namespace zolvane {

enum class PadButton : int8_t {
  None = -1,
  A, B, X, Y, Back, Guide, Start, LeftStick, RightStick, LeftShoulder, RightShoulder,
  DpadUp, DpadDown, DpadLeft, DpadRight, Misc1, Paddle1, Paddle2, Paddle3, Paddle4, Touchpad,
  LeftTrigger, RightTrigger,
};
constexpr int PadButtonCount = 23;
// The buttons SDL reports as buttons; the triggers are axes there.
constexpr int PadSdlButtonCount = 21;

// A set of buttons, one bit each.
using PadButtons = uint32_t;
constexpr PadButtons PadBit(PadButton b) { return PadButtons{1} << static_cast<int>(b); }

// SDL's name of a button ("a", "dpup", "lefttrigger", ...); "" for None.
const char* PadButtonName(PadButton b);
// The button of a name, matched without regard to case; None for no button.
PadButton PadButtonFromName(std::string_view name);

struct PadBinding {
  PadButton Buttons[2] = {PadButton::None, PadButton::None};
};

extern std::array<PadBinding, ActionCount> PadBindings;

// d-pad (and left stick) moves, up turns, down speeds the fall; A turns, B drops, Y turbo
// drops, Start pauses, Back asks to abort; A and B answer yes and no, confirm and go back.
PadBinding DefaultPadBinding(Action a);
void ResetPadBindings();

// One pad at one moment: its buttons and its axes as SDL gives them (-32768..32767, the
// triggers 0..32767).
struct PadReading {
  PadButtons Buttons = 0;
  int LeftX = 0, LeftY = 0;
  int LeftTrigger = 0, RightTrigger = 0;
};

// Half the stick's travel: a resting stick that drifts, or a thumb on its way elsewhere,
// moves nothing.
constexpr int StickDeadZone = 16384;
constexpr int TriggerThreshold = 16384;  // a trigger counts past it

// The buttons a reading holds: its own, the left stick read as the d-pad (one direction
// only: the axis pushed further wins, so a diagonal never moves and drops at once), the
// triggers past half their travel.
PadButtons HeldButtons(const PadReading& pad);
// The actions the bindings give to held buttons.
ActionSet ActionsOfButtons(PadButtons held, const std::array<PadBinding, ActionCount>& bindings);
// Every pad's held actions together: any pad may do anything.
ActionSet ActionsOfPads(const PadReading* pads, int count);

}  // namespace zolvane
