// config.ini's [Keys] read into bindings and messages, with key names looked up in a table
// of the test's own (the program asks SDL).
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "game/key_config.h"
#include "platform/keyboard.h"

namespace zolvane {
namespace {

constexpr int DikA = 0x1E, DikS = 0x1F, DikK = 0x25, DikW = 0x11;

// As SDL matches names, without regard to case; F16 is a key without a DirectInput code.
int TestKeyNames(const std::string& name) {
  static const std::map<std::string, int> names = {
      {"a", DikA},         {"s", DikS},           {"k", DikK},        {"w", DikW},
      {"up", DIK_UP},      {"left", DIK_LEFT},    {"space", DIK_SPACE}, {"return", DIK_RETURN},
      {"escape", DIK_ESCAPE}, {"left ctrl", DIK_LCONTROL}, {"f16", 0}};
  std::string lower = name;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const auto it = names.find(lower);
  return it == names.end() ? NoSuchKeyName : it->second;
}

// The section's lines begin at line 10 of the file, one after the other.
KeyOptions Read(const std::vector<std::string>& section) {
  std::vector<KeyOptionLine> lines;
  int number = 10;
  for (const std::string& text : section) {
    const size_t eq = text.find('=');
    lines.push_back({number++, text.substr(0, eq),
                     eq == std::string::npos ? std::string() : text.substr(eq + 1)});
  }
  return ReadKeyOptions(lines, TestKeyNames, "config.ini");
}

struct Bound {
  Action Of;
  int First, Second;
};

struct Case {
  const char* Name;
  std::vector<std::string> Section;
  std::vector<Bound> Changed;  // every other action keeps its default keys
  std::vector<std::string> Messages;
};

const Case kCases[] = {
    {"nothing set", {}, {}, {}},
    {"one key", {"Left=A"}, {{Action::Left, DikA, 0}}, {}},
    {"two keys", {"TurboDrop=Left Ctrl,K"}, {{Action::TurboDrop, DIK_LCONTROL, DikK}}, {}},
    {"blanks and case", {" tUrBoDrOp = left CTRL ,  k "},
     {{Action::TurboDrop, DIK_LCONTROL, DikK}}, {}},
    {"one key named twice", {"Drop=K, k"}, {{Action::Drop, DikK, 0}}, {}},
    {"empty value", {"Drop=", "Left"}, {}, {}},
    {"comments", {"; Left=A", "# Drop=S"}, {}, {}},
    {"unknown name", {"Drop=Spacebar"}, {},
     {"config.ini line 10: Drop=Spacebar: \"Spacebar\" is not the name of a key; Drop keeps "
      "its default keys"}},
    {"a key without a code", {"Left=A", "Drop=F16"}, {{Action::Left, DikA, 0}},
     {"config.ini line 11: Drop=F16: the game cannot read the key \"F16\"; Drop keeps its "
      "default keys"}},
    {"three names", {"TurboDrop=Left Ctrl,A,K"}, {},
     {"config.ini line 10: TurboDrop=Left Ctrl,A,K: more than two keys; TurboDrop keeps its "
      "default keys"}},
    {"a name missing", {"Drop=K,"}, {},
     {"config.ini line 10: Drop=K,: a key name is missing; Drop keeps its default keys"}},
    {"not an action, and an action set twice", {"Jump=A", "Left=A", "left=S"},
     {{Action::Left, DikA, 0}},
     {"config.ini line 10: Jump=A: Jump is not an action (Left, Right, Turn, SoftDrop, Drop, "
      "TurboDrop, Pause, Abort, Yes, No, Confirm, Back)",
      "config.ini line 12: left=S: left is set again; line 11 counts"}},
    {"a key in two groups", {"Drop=Space", "Confirm=Space", "Abort=Escape", "Back=Escape"},
     {{Action::Confirm, DIK_SPACE, 0}}, {}},
    {"a clash: the later line falls back", {"Left=A", "Right=A"}, {{Action::Left, DikA, 0}},
     {"config.ini line 11: Right=A: \"A\" is already Left's key (line 10); Right keeps its "
      "default keys"}},
    {"a clash with a default", {"Drop=Up"}, {},
     {"config.ini line 10: Drop=Up: \"Up\" is already Turn's key; Drop keeps its default keys"}},
    {"two keys exchanged", {"Drop=Left Ctrl", "TurboDrop=Space"},
     {{Action::Drop, DIK_LCONTROL, 0}, {Action::TurboDrop, DIK_SPACE, 0}}, {}},
    {"a move on a key the menus confirm with", {"Drop=K", "Turn=Space"},
     {{Action::Drop, DikK, 0}},
     {"config.ini line 11: Turn=Space: \"Space\" is already Confirm's key; Turn keeps its "
      "default keys"}},
    // Turn falls back to Up, which Left had taken: Left falls back in its turn.
    {"a fallen-back default clashes with an earlier line", {"Left=Up", "Turn=Left Ctrl"}, {},
     {"config.ini line 10: Left=Up: \"Up\" is already Turn's key; Left keeps its default keys",
      "config.ini line 11: Turn=Left Ctrl: \"Left Ctrl\" is already TurboDrop's key; Turn keeps "
      "its default keys"}},
    {"the menus read the moves", {"Left=A", "Back=a"}, {{Action::Left, DikA, 0}},
     {"config.ini line 11: Back=a: \"a\" is already Left's key (line 10); Back keeps its "
      "default keys"}},
    {"the menus move with the arrows", {"Turn=W", "Confirm=Up"}, {{Action::Turn, DikW, 0}},
     {"config.ini line 11: Confirm=Up: the menus move with \"Up\"; Confirm keeps its default "
      "keys"}},
    {"the abort question reads Abort and Confirm", {"Yes=Escape", "No=Return"}, {},
     {"config.ini line 10: Yes=Escape: \"Escape\" is already Abort's key; Yes keeps its default "
      "keys",
      "config.ini line 11: No=Return: \"Return\" is already Confirm's key; No keeps its default "
      "keys"}},
};

TEST(KeyConfig, EachLineBindsItsActionOrSaysWhyTheDefaultStays) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.Name);
    const KeyOptions read = Read(c.Section);
    for (int i = 0; i < ActionCount; ++i) {
      const Action a = static_cast<Action>(i);
      KeyBinding expected = DefaultKeyBinding(a);
      for (const Bound& b : c.Changed)
        if (b.Of == a) expected = {{b.First, b.Second}};
      EXPECT_EQ(read.Bindings[i].Keys[0], expected.Keys[0]) << ActionName(a);
      EXPECT_EQ(read.Bindings[i].Keys[1], expected.Keys[1]) << ActionName(a);
    }
    EXPECT_EQ(read.Messages, c.Messages);
  }
}

// Whatever the lines, every action keeps a key and no key does two things the game or the
// menus read at once: every pair of lines binding actions to the test's keys, both orders.
TEST(KeyConfig, NoOutcomeGivesOneKeyTwoActionsReadAtOnce) {
  const char* keys[] = {"A", "Up", "Left", "Space", "Return", "Escape", "Left Ctrl"};
  for (int a = 0; a < ActionCount; ++a)
    for (int b = 0; b < ActionCount; ++b)
      for (const char* ka : keys)
        for (const char* kb : keys) {
          const std::string first = std::string(ActionName(static_cast<Action>(a))) + "=" + ka;
          const std::string second = std::string(ActionName(static_cast<Action>(b))) + "=" + kb;
          const KeyOptions read = Read({first, second});
          for (int x = 0; x < ActionCount; ++x) {
            const Action ax = static_cast<Action>(x);
            ASSERT_NE(read.Bindings[x].Keys[0], 0) << first << " / " << second << ": "
                                                   << ActionName(ax) << " has no key";
            for (int k : read.Bindings[x].Keys) {
              if (!k) continue;
              for (int y = 0; y < ActionCount; ++y) {
                const Action ay = static_cast<Action>(y);
                const KeyBinding& other = read.Bindings[y];
                ASSERT_FALSE(ActionsClash(ax, ay) && (other.Keys[0] == k || other.Keys[1] == k))
                    << first << " / " << second << ": " << ActionName(ax) << " and "
                    << ActionName(ay) << " share " << k;
                ASSERT_FALSE(GroupOf(ax) == ActionGroup::Menu && ActionsClash(ax, ay) &&
                             MenuArrow(ay) == k)
                    << first << " / " << second << ": " << ActionName(ax) << " on an arrow";
              }
            }
          }
        }
}

}  // namespace
}  // namespace zolvane
