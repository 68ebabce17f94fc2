// The SDL gamepads: our button names are SDL's, and pads plugged in and pulled out (SDL's
// virtual joysticks, mapped as game controllers) hold their actions through the real game
// controller path.
#include "platform/sdl/gamepad.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/actions.h"
#include "platform/pad_bindings.h"

namespace zolvane {
namespace {

TEST(GamepadNames, OurButtonNamesAreSdls) {
  for (int b = 0; b < PadSdlButtonCount; ++b) {
    const char* name = PadButtonName(static_cast<PadButton>(b));
    EXPECT_EQ(SDL_GameControllerGetButtonFromString(name), b) << name;
    EXPECT_STREQ(SDL_GameControllerGetStringForButton(static_cast<SDL_GameControllerButton>(b)), name);
  }
  EXPECT_EQ(SDL_GameControllerGetAxisFromString(PadButtonName(PadButton::LeftTrigger)),
            SDL_CONTROLLER_AXIS_TRIGGERLEFT);
  EXPECT_EQ(SDL_GameControllerGetAxisFromString(PadButtonName(PadButton::RightTrigger)),
            SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
}

class Gamepads : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetPadBindings();
    ASSERT_TRUE(OpenGamepads());
  }
  void TearDown() override {
    for (SDL_Joystick* j : {first, second})
      if (j) SDL_JoystickClose(j);
    CloseGamepads();
  }
  // A pad SDL maps as a game controller: buttons and axes in SDL's order.
  static SDL_Joystick* Plug() {
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.button_mask = (1u << SDL_CONTROLLER_BUTTON_MAX) - 1;
    desc.axis_mask = (1u << SDL_CONTROLLER_AXIS_MAX) - 1;
    desc.name = "test pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    if (index < 0) return nullptr;
    SDL_Joystick* j = SDL_JoystickOpen(index);
    SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_TRIGGERLEFT, SDL_JOYSTICK_AXIS_MIN);
    SDL_JoystickSetVirtualAxis(j, SDL_CONTROLLER_AXIS_TRIGGERRIGHT, SDL_JOYSTICK_AXIS_MIN);
    return j;
  }
  static void Unplug(SDL_Joystick*& j) {
    const SDL_JoystickID id = SDL_JoystickInstanceID(j);
    SDL_JoystickClose(j);
    j = nullptr;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
  }
  // The window's event loop, as far as the pads go; then the pads as the game reads them.
  static ActionSet Read() {
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PollEvent(&e)) OnGamepadEvent(e);
    return GetPadSource()->Read();
  }
  SDL_Joystick* first = nullptr;
  SDL_Joystick* second = nullptr;
};

TEST_F(Gamepads, PadsPluggedInAtAnyTimeHoldTheirActionsUntilPulledOut) {
  ASSERT_NE(GetPadSource(), nullptr);
  EXPECT_EQ(Read(), 0u);
  EXPECT_EQ(GamepadCount(), 0);

  first = Plug();
  ASSERT_NE(first, nullptr) << SDL_GetError();
  EXPECT_EQ(Read(), 0u) << "a pad at rest holds nothing, its triggers neither";
  EXPECT_EQ(GamepadCount(), 1);
  SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_A, 1);
  EXPECT_EQ(Read(), ActionBit(Action::Turn) | ActionBit(Action::Yes) | ActionBit(Action::Confirm));
  SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_A, 0);
  SDL_JoystickSetVirtualAxis(first, SDL_CONTROLLER_AXIS_LEFTX, -32767);
  EXPECT_EQ(Read(), ActionBit(Action::Left));

  // A second pad: both count.
  second = Plug();
  ASSERT_NE(second, nullptr) << SDL_GetError();
  SDL_JoystickSetVirtualButton(second, SDL_CONTROLLER_BUTTON_START, 1);
  EXPECT_EQ(Read(), ActionBit(Action::Left) | ActionBit(Action::Pause));
  EXPECT_EQ(GamepadCount(), 2);

  // Pulled out, its stick holds nothing more.
  Unplug(first);
  EXPECT_EQ(Read(), ActionBit(Action::Pause));
  EXPECT_EQ(GamepadCount(), 1);
  Unplug(second);
  EXPECT_EQ(Read(), 0u);
  EXPECT_EQ(GamepadCount(), 0);

  // And plugged in again.
  first = Plug();
  SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1);
  EXPECT_EQ(Read(), ActionBit(Action::SoftDrop));
  CloseGamepads();
  EXPECT_EQ(GetPadSource(), nullptr);
}

}  // namespace
}  // namespace zolvane
