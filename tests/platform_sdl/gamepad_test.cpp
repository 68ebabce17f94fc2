// The SDL gamepads: our button names are SDL's, and pads plugged in and pulled out (SDL's
// virtual joysticks, mapped as game controllers) hold their actions through the real game
// controller path.
#include "platform/sdl/gamepad.h"
#include "platform/sdl/test_pad.h"

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
  static SDL_Joystick* Plug() { return AttachVirtualPad("test pad"); }
  static void Unplug(SDL_Joystick*& j) { DetachVirtualPad(j); }

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
  EXPECT_EQ(GetPadSource()->Count(), 0);

  first = Plug();
  ASSERT_NE(first, nullptr) << SDL_GetError();
  EXPECT_EQ(Read(), 0u) << "a pad at rest holds nothing, its triggers neither";
  EXPECT_EQ(GetPadSource()->Count(), 1);
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
  EXPECT_EQ(GetPadSource()->Count(), 2);

  // Pulled out, its stick holds nothing more.
  Unplug(first);
  EXPECT_EQ(Read(), ActionBit(Action::Pause));
  EXPECT_EQ(GetPadSource()->Count(), 1);
  Unplug(second);
  EXPECT_EQ(Read(), 0u);
  EXPECT_EQ(GetPadSource()->Count(), 0);

  // And plugged in again.
  first = Plug();
  SDL_JoystickSetVirtualButton(first, SDL_CONTROLLER_BUTTON_DPAD_DOWN, 1);
  EXPECT_EQ(Read(), ActionBit(Action::SoftDrop));
  CloseGamepads();
  EXPECT_EQ(GetPadSource(), nullptr);
}

}  // namespace
}  // namespace zolvane
