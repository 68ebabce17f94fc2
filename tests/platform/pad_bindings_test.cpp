// What a pad's buttons, stick and triggers hold, as the game's actions.
#include "platform/pad_bindings.h"

#include <gtest/gtest.h>

#include <vector>

namespace zolvane {
namespace {

constexpr ActionSet Bits(std::initializer_list<Action> actions) {
  ActionSet set = 0;
  for (Action a : actions) set |= ActionBit(a);
  return set;
}

TEST(PadBindings, ButtonsSticksAndTriggersOfAnyPadHoldTheirActions) {
  using A = Action;
  using B = PadButton;
  struct Case {
    const char* What;
    std::vector<PadReading> Pads;
    ActionSet Held;
  };
  const Case cases[] = {
      {"no pad", {}, 0},
      {"a pad at rest", {{}}, 0},
      {"d-pad left", {{PadBit(B::DpadLeft)}}, Bits({A::Left})},
      {"d-pad up turns", {{PadBit(B::DpadUp)}}, Bits({A::Turn})},
      {"A turns, says yes and confirms", {{PadBit(B::A)}}, Bits({A::Turn, A::Yes, A::Confirm})},
      {"B drops, says no and goes back", {{PadBit(B::B)}}, Bits({A::Drop, A::No, A::Back})},
      {"Y turbo drops", {{PadBit(B::Y)}}, Bits({A::TurboDrop})},
      {"Start pauses, Back asks to abort", {{PadBit(B::Start) | PadBit(B::Back)}},
       Bits({A::Pause, A::Abort})},
      {"an unbound button", {{PadBit(B::LeftShoulder)}}, 0},
      // The stick: nothing inside half its travel, the axis pushed further wins.
      {"stick a little left", {{0, -16383, 0}}, 0},
      {"stick half left", {{0, -16384, 0}}, Bits({A::Left})},
      {"stick full right", {{0, 32767, 0}}, Bits({A::Right})},
      {"stick down", {{0, 0, 32767}}, Bits({A::SoftDrop})},
      {"stick up", {{0, 0, -32768}}, Bits({A::Turn})},
      {"stick down and a little left", {{0, -20000, 30000}}, Bits({A::SoftDrop})},
      {"stick left and a little down", {{0, -30000, 20000}}, Bits({A::Left})},
      {"stick on the diagonal", {{0, 30000, 30000}}, Bits({A::Right})},
      {"stick and d-pad together", {{PadBit(B::DpadUp), -32768, 0}}, Bits({A::Left, A::Turn})},
      // Triggers are unbound by default, and count only past half their travel.
      {"triggers pressed", {{0, 0, 0, 32767, 32767}}, 0},
      // Two pads: each one's actions count.
      {"two pads", {{PadBit(B::DpadLeft)}, {PadBit(B::Start)}}, Bits({A::Left, A::Pause})},
      {"two sticks", {{0, -32768, 0}, {0, 32767, 0}}, Bits({A::Left, A::Right})},
  };
  ResetPadBindings();
  for (const Case& c : cases)
    EXPECT_EQ(ActionsOfPads(c.Pads.data(), static_cast<int>(c.Pads.size())), c.Held) << c.What;
}

TEST(PadBindings, TriggersAreButtonsPastHalfTheirTravel) {
  ResetPadBindings();
  PadBindings[static_cast<int>(Action::TurboDrop)] = {{PadButton::RightTrigger, PadButton::None}};
  const PadReading half{0, 0, 0, 0, 16384}, past{0, 0, 0, 0, 16385}, left{0, 0, 0, 32767, 0};
  EXPECT_EQ(ActionsOfPads(&half, 1), 0u);
  EXPECT_EQ(ActionsOfPads(&past, 1), ActionBit(Action::TurboDrop));
  EXPECT_EQ(ActionsOfPads(&left, 1), 0u);
  ResetPadBindings();
}

}  // namespace
}  // namespace zolvane
