// config.ini's [Gamepad]: what each line binds, and what it reports and keeps instead.
#include "app/pad_config.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zolvane {
namespace {

using B = PadButton;

struct Case {
  const char* Text;
  Action What;
  PadButton First, Second;
  std::vector<std::string> Problems;
};

std::string Dump(const std::vector<std::string>& lines) {
  std::string all;
  for (const std::string& l : lines) all += l + "\n";
  return all;
}

TEST(PadConfig, EachLineBindsOrIsReportedAndKeepsTheDefault) {
  const Case cases[] = {
      {"", Action::Drop, B::B, B::None, {}},
      {"[Gamepad]\nDrop=x\n", Action::Drop, B::X, B::None, {}},
      // Names of actions and buttons in any case, blanks and quotes around them.
      {"[gamepad]\n turbodrop = Y , RightShoulder \n", Action::TurboDrop, B::Y, B::RightShoulder, {}},
      {"[Gamepad]\nPause=\"start\"\n", Action::Pause, B::Start, B::None, {}},
      {"[Gamepad]\nLeft=dpleft,dpleft\n", Action::Left, B::DpadLeft, B::None, {}},
      {"[Gamepad]\nTurboDrop=righttrigger\n", Action::TurboDrop, B::RightTrigger, B::None, {}},
      // The lines of other sections and comments are not [Gamepad]'s.
      {"[Keys]\nDrop=x\n[Gamepad]\n; Drop=y\n", Action::Drop, B::B, B::None, {}},
      {"[Gamepad]\nDrop=square\n", Action::Drop, B::B, B::None,
       {"config.ini line 2: Drop=square: \"square\" is not the name of a button; Drop keeps its default buttons"}},
      {"[Gamepad]\nDrop=\n", Action::Drop, B::B, B::None, {}},
      {"[Gamepad]\nDrop=x,\n", Action::Drop, B::B, B::None,
       {"config.ini line 2: Drop=x,: a button name is missing; Drop keeps its default buttons"}},
      {"[Gamepad]\nDrop=x,y,a\n", Action::Drop, B::B, B::None,
       {"config.ini line 2: Drop=x,y,a: more than two buttons; Drop keeps its default buttons"}},
      {"\n[Gamepad]\nJump=a\n", Action::Turn, B::DpadUp, B::A,
       {"config.ini line 3: Jump=a: Jump is not an action (Left, Right, Turn, SoftDrop, Drop, "
        "TurboDrop, Pause, Abort, Yes, No, Confirm, Back)"}},
      {"[Gamepad]\nDrop=x\nDrop=y\n", Action::Drop, B::X, B::None,
       {"config.ini line 3: Drop=y: Drop is set again; line 2 counts"}},
      // Two of the game's moves on A: the line keeps its default.
      {"[Gamepad]\nDrop=a\n", Action::Drop, B::B, B::None,
       {"config.ini line 2: Drop=a: \"a\" is already Turn's button; Drop keeps its default buttons"}},
      // Actions of different groups may share a button: A turns, confirms and says yes.
      {"[Gamepad]\nConfirm=a,start\n", Action::Confirm, B::A, B::Start, {}},
      {"[Gamepad]\nBack=a\n", Action::Back, B::B, B::None,
       {"config.ini line 2: Back=a: \"a\" is already Confirm's button; Back keeps its default buttons"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const PadConfig config = ParsePadConfig(IniFile::FromText(c.Text));
    const PadBinding& b = config.Bindings[static_cast<int>(c.What)];
    EXPECT_EQ(b.Buttons[0], c.First);
    EXPECT_EQ(b.Buttons[1], c.Second);
    EXPECT_EQ(Dump(config.Problems), Dump(c.Problems));
  }
}

TEST(PadConfig, SwappedButtonsAreNoClashAndAClashUndoesTheLaterLine) {
  // Drop and Turn trade buttons: each line alone would clash with the other's default.
  PadConfig config = ParsePadConfig(IniFile::FromText("[Gamepad]\nTurn=b\nDrop=a\n"));
  EXPECT_TRUE(config.Problems.empty()) << Dump(config.Problems);
  EXPECT_EQ(config.Bindings[static_cast<int>(Action::Turn)].Buttons[0], B::B);
  EXPECT_EQ(config.Bindings[static_cast<int>(Action::Drop)].Buttons[0], B::A);

  // Both on x: the later line goes back to its default, which then clashes with nothing.
  config = ParsePadConfig(IniFile::FromText("[Gamepad]\nPause=x\nAbort=x\n"));
  EXPECT_EQ(Dump(config.Problems),
            "config.ini line 3: Abort=x: \"x\" is already Pause's button (line 2); Abort keeps its "
            "default buttons\n");
  EXPECT_EQ(config.Bindings[static_cast<int>(Action::Pause)].Buttons[0], B::X);
  EXPECT_EQ(config.Bindings[static_cast<int>(Action::Abort)].Buttons[0], B::Back);

  // A default given back may clash with a later line in turn: that one goes back too.
  config = ParsePadConfig(IniFile::FromText("[Gamepad]\nPause=x\nTurboDrop=x\nLeft=y\n"));
  EXPECT_EQ(config.Bindings[static_cast<int>(Action::TurboDrop)].Buttons[0], B::Y);
  EXPECT_EQ(config.Bindings[static_cast<int>(Action::Left)].Buttons[0], B::DpadLeft);
  EXPECT_EQ(config.Problems.size(), 2u) << Dump(config.Problems);
}

TEST(PadConfig, NoTwoActionsOfAGroupShareADefaultButton) {
  const PadConfig config = ParsePadConfig(IniFile::FromText(""));
  for (int a = 0; a < ActionCount; ++a) {
    EXPECT_NE(config.Bindings[a].Buttons[0], B::None) << ActionName(static_cast<Action>(a));
    for (int b = a + 1; b < ActionCount; ++b)
      if (PadActionsClash(static_cast<Action>(a), static_cast<Action>(b))) {
        for (PadButton x : config.Bindings[a].Buttons)
          for (PadButton y : config.Bindings[b].Buttons) {
            EXPECT_TRUE(x == B::None || x != y)
                << ActionName(static_cast<Action>(a)) << " and " << ActionName(static_cast<Action>(b));
          }
      }
  }
}

}  // namespace
}  // namespace zolvane
