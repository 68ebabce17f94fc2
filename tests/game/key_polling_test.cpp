// The edge flags and the repeat timers the polls load, over an injected snapshot.
#include <gtest/gtest.h>

#include "game/keys.h"
#include "platform/actions.h"
#include "platform/keyboard.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

class KeyPollingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Keys = KeyFlags{};
    Config = GameSettings{};
    Config.KeyRepeatDelay = 250;
    SetKeyboardSource(&keyboard);
    KeyboardReady = true;
  }
  void TearDown() override {
    SetKeyboardSource(nullptr);
    KeyboardReady = false;
    Keys = KeyFlags{};
  }
  ManualKeyboard keyboard;
};

TEST_F(KeyPollingTest, DownSpaceAndCtrlShareOneTimerReloadedByEachPress) {
  keyboard.Press(DIK_DOWN);
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyDown);
  EXPECT_EQ(Keys.DownRepeatTimer, 1000);
  Keys.DownRepeatTimer = 400;  // held for a while
  PollGameKeys();
  EXPECT_EQ(Keys.DownRepeatTimer, 400) << "a held key does not reload";

  keyboard.Press(DIK_SPACE);  // tapping Space restarts the Down repeat delay
  PollGameKeys();
  EXPECT_TRUE(Keys.KeySpace);
  EXPECT_EQ(Keys.DownRepeatTimer, 1000);

  Keys.DownRepeatTimer = -5;
  keyboard.Press(DIK_RCONTROL);  // either Ctrl is the one Ctrl key
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyCtrl);
  EXPECT_EQ(Keys.DownRepeatTimer, 1000);
  keyboard.Press(DIK_LCONTROL);
  keyboard.Release(DIK_RCONTROL);
  Keys.DownRepeatTimer = 7;
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyCtrl);
  EXPECT_EQ(Keys.DownRepeatTimer, 7) << "switching Ctrl keys is no new press";
}

TEST_F(KeyPollingTest, LeftAndRightShareTheMoveTimer) {
  keyboard.Press(DIK_LEFT);
  PollGameKeys();
  EXPECT_EQ(Keys.MoveRepeatTimer, 250);
  Keys.MoveRepeatTimer = -30;
  keyboard.Press(DIK_RIGHT);
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyLeft && Keys.KeyRight);
  EXPECT_EQ(Keys.MoveRepeatTimer, 250);
  keyboard.Release(DIK_LEFT);
  PollGameKeys();
  EXPECT_FALSE(Keys.KeyLeft);
  EXPECT_TRUE(Keys.KeyRight);
}

TEST_F(KeyPollingTest, PauseKeysAreOneKeyAndYesNoArePlainStates) {
  keyboard.Press(DIK_PAUSE);
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyPause);
  EXPECT_EQ(Keys.PauseTimer, 1000);
  Keys.PauseTimer = 0;
  keyboard.Press(DIK_P);
  PollGameKeys();
  EXPECT_EQ(Keys.PauseTimer, 0);

  keyboard.Press(DIK_Y);
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyYesDown);
  EXPECT_FALSE(Keys.KeyNoDown);
  keyboard.Release(DIK_Y);
  keyboard.Press(DIK_N);
  PollGameKeys();
  EXPECT_FALSE(Keys.KeyYesDown);
  EXPECT_TRUE(Keys.KeyNoDown);
}

TEST_F(KeyPollingTest, MenuTreatsSpaceAndEnterAsOneKeyThatActsOncePerPress) {
  keyboard.Press(DIK_SPACE);
  PollMenuKeys();
  EXPECT_TRUE(Keys.KeyEnter && Keys.KeyEnterHeld);
  Keys.KeyEnter = false;  // the menu acted on it
  keyboard.Press(DIK_RETURN);
  PollMenuKeys();
  EXPECT_FALSE(Keys.KeyEnter) << "Enter while Space is held is no new press";
  keyboard.ReleaseAll();
  PollMenuKeys();
  EXPECT_FALSE(Keys.KeyEnterHeld);
  keyboard.Press(DIK_RETURN);
  PollMenuKeys();
  EXPECT_TRUE(Keys.KeyEnter);
  // The menu poll leaves the game-only keys alone.
  keyboard.Press(DIK_LCONTROL);
  PollMenuKeys();
  EXPECT_FALSE(Keys.KeyCtrl);
}

// A pad's A turns in a game and confirms in the menus: there it must not also move the
// selection up, nor B move it as it goes back. The d-pad moves.
TEST_F(KeyPollingTest, APadButtonThatConfirmsOrGoesBackDoesOnlyThatInTheMenus) {
  ManualPad pad;
  SetPadSource(&pad);
  const ActionSet a = ActionBit(Action::Turn) | ActionBit(Action::Yes) | ActionBit(Action::Confirm);
  const ActionSet b = ActionBit(Action::Drop) | ActionBit(Action::No) | ActionBit(Action::Back);
  pad.Held = a;
  PollMenuKeys();
  EXPECT_TRUE(Keys.KeyEnter);
  EXPECT_FALSE(Keys.KeyUp);
  pad.Held = b | ActionBit(Action::Left);
  PollMenuKeys();
  EXPECT_TRUE(Keys.KeyEscape);
  EXPECT_FALSE(Keys.KeyLeft);
  pad.Held = ActionBit(Action::Turn);
  PollMenuKeys();
  EXPECT_TRUE(Keys.KeyUp);
  EXPECT_FALSE(Keys.KeyEnter);
  // In a game A turns.
  pad.Held = a;
  PollGameKeys();
  EXPECT_TRUE(Keys.KeyUp);
  SetPadSource(nullptr);
}

TEST_F(KeyPollingTest, FailedReadOrNoKeyboardChangesNothing) {
  keyboard.Press(DIK_UP);
  keyboard.Fail = true;
  PollGameKeys();
  EXPECT_FALSE(Keys.KeyUp);
  keyboard.Fail = false;
  KeyboardReady = false;
  PollGameKeys();
  PollMenuKeys();
  EXPECT_FALSE(Keys.KeyUp);
}

TEST(KeyActs, ActsOnThePressThenOnlyOnceTheTimerRanOut) {
  EXPECT_TRUE(KeyActs(true, 600, 600));
  EXPECT_FALSE(KeyActs(true, 599, 600));
  EXPECT_FALSE(KeyActs(true, 1, 600));
  EXPECT_TRUE(KeyActs(true, 0, 600));
  EXPECT_TRUE(KeyActs(true, -40, 600));
  EXPECT_FALSE(KeyActs(false, 600, 600));
}

}  // namespace
}  // namespace zolvane
