#include "platform/pad_bindings.h"

#include <cstdlib>

namespace zolvane {

namespace {
const char* const kButtonNames[PadButtonCount] = {
    "a",           "b",        "x",        "y",          "back",    "guide",
    "start",       "leftstick", "rightstick", "leftshoulder", "rightshoulder", "dpup",
    "dpdown",      "dpleft",   "dpright",  "misc1",      "paddle1", "paddle2",
    "paddle3",     "paddle4",  "touchpad", "lefttrigger", "righttrigger",
};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::array<PadBinding, ActionCount> PadBindings = [] {
  std::array<PadBinding, ActionCount> b;
  for (int i = 0; i < ActionCount; ++i) b[i] = DefaultPadBinding(static_cast<Action>(i));
  return b;
}();

const char* PadButtonName(PadButton b) {
  const int i = static_cast<int>(b);
  return i >= 0 && i < PadButtonCount ? kButtonNames[i] : "";
}

PadButton PadButtonFromName(std::string_view name) {
  for (int i = 0; i < PadButtonCount; ++i) {
    const std::string_view known = kButtonNames[i];
    if (known.size() != name.size()) continue;
    bool same = true;
    for (size_t c = 0; c < name.size() && same; ++c) same = Lower(name[c]) == known[c];
    if (same) return static_cast<PadButton>(i);
  }
  return PadButton::None;
}

PadBinding DefaultPadBinding(Action a) {
  using B = PadButton;
  switch (a) {
    case Action::Left: return {{B::DpadLeft, B::None}};
    case Action::Right: return {{B::DpadRight, B::None}};
    case Action::Turn: return {{B::DpadUp, B::A}};
    case Action::SoftDrop: return {{B::DpadDown, B::None}};
    case Action::Drop: return {{B::B, B::None}};
    case Action::TurboDrop: return {{B::Y, B::None}};
    case Action::Pause: return {{B::Start, B::None}};
    case Action::Abort: return {{B::Back, B::None}};
    case Action::Yes: return {{B::A, B::None}};
    case Action::No: return {{B::B, B::None}};
    case Action::Confirm: return {{B::A, B::None}};
    case Action::Back: return {{B::B, B::None}};
  }
  return {};
}

void ResetPadBindings() {
  for (int i = 0; i < ActionCount; ++i) PadBindings[i] = DefaultPadBinding(static_cast<Action>(i));
}

PadButtons HeldButtons(const PadReading& pad) {
  PadButtons held = pad.Buttons;
  const int ax = std::abs(pad.LeftX), ay = std::abs(pad.LeftY);
  if (ax >= StickDeadZone && ax >= ay)
    held |= PadBit(pad.LeftX < 0 ? PadButton::DpadLeft : PadButton::DpadRight);
  else if (ay >= StickDeadZone)
    held |= PadBit(pad.LeftY < 0 ? PadButton::DpadUp : PadButton::DpadDown);
  if (pad.LeftTrigger > TriggerThreshold) held |= PadBit(PadButton::LeftTrigger);
  if (pad.RightTrigger > TriggerThreshold) held |= PadBit(PadButton::RightTrigger);
  return held;
}

ActionSet ActionsOfButtons(PadButtons held, const std::array<PadBinding, ActionCount>& bindings) {
  ActionSet actions = 0;
  for (int i = 0; i < ActionCount; ++i)
    for (PadButton b : bindings[i].Buttons)
      if (b != PadButton::None && (held & PadBit(b))) actions |= ActionBit(static_cast<Action>(i));
  return actions;
}

ActionSet ActionsOfPads(const PadReading* pads, int count) {
  ActionSet actions = 0;
  for (int i = 0; i < count; ++i) actions |= ActionsOfButtons(HeldButtons(pads[i]), PadBindings);
  return actions;
}

}  // namespace zolvane
