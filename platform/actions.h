// What a player does, whatever key or pad button does it: the game's actions and the
// menus'. The keyboard reaches them through the key bindings (game/key_bindings.h), a
// gamepad through a PadSource.
#pragma once
#include <cstdint>

namespace zolvane {

// The order is the order of the keys in config.ini's [Keys] and [Gamepad].
enum class Action : uint8_t {
  Left, Right, Turn, SoftDrop, Drop, TurboDrop, Pause, Abort, Yes, No,  // the game's
  Confirm, Back,                                                        // the menus'
};
constexpr int ActionCount = 12;

// A set of actions, one bit each.
using ActionSet = uint32_t;
constexpr ActionSet ActionBit(Action a) { return ActionSet{1} << static_cast<int>(a); }
constexpr bool Holds(ActionSet set, Action a) { return (set & ActionBit(a)) != 0; }

// Actions read at the same moment, so one key or button must not do two of them: the
// moves of a running game, the answer to the abort question, the menus. A key may belong to
// one action of each group (Space drops and confirms; Esc aborts and goes back).
enum class ActionGroup : uint8_t { Play, Answer, Menu };
ActionGroup GroupOf(Action a);
// Two different actions read at the same moment: of one group, or a menu action and one of
// the moves the menus also read (Left, Right, Turn, SoftDrop), or an answer and the other
// keys the abort question reads (Abort means no, Confirm yes).
bool ActionsClash(Action a, Action b);
// The same for a pad's buttons, less the menus' moves: there a button that confirms or goes
// back does only that (PadMenuActions), so A may turn in a game and confirm in a menu.
bool PadActionsClash(Action a, Action b);

// The name of the action in config.ini ("Left", "TurboDrop", ...).
const char* ActionName(Action a);
// The action of a name, matched without regard to case; false for no action.
bool ActionFromName(const char* name, Action& a);

// The actions the player's gamepads hold at this moment. The SDL game controller gives it
// in the window; tests and scripts set one by hand.
class PadSource {
 public:
  virtual ~PadSource() = default;
  virtual ActionSet Read() = 0;
  // The pads plugged in: what only a pad player needs is shown only then.
  virtual int Count() { return 1; }
};

class ManualPad : public PadSource {
 public:
  ActionSet Read() override { return Held; }
  ActionSet Held = 0;
};

// The source ReadPad reads; none means no pad holds anything.
void SetPadSource(PadSource* source);
PadSource* GetPadSource();
// A source with a pad plugged in.
bool PadPluggedIn();
// The pad's actions for this pass: read once, with the keyboard snapshot.
extern ActionSet PadState;
void ReadPad();

}  // namespace zolvane
