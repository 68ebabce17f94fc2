#include "platform/actions.h"

#include <strings.h>

namespace zolvane {

ActionSet PadState = 0;

namespace {
PadSource* Pad = nullptr;

const char* const kActionNames[ActionCount] = {
    "Left", "Right", "Turn", "SoftDrop", "Drop", "TurboDrop",
    "Pause", "Abort", "Yes", "No", "Confirm", "Back",
};
}  // namespace

const char* ActionName(Action a) {
  const int i = static_cast<int>(a);
  return i >= 0 && i < ActionCount ? kActionNames[i] : "";
}

bool ActionFromName(const char* name, Action& a) {
  for (int i = 0; name && i < ActionCount; ++i)
    if (strcasecmp(name, kActionNames[i]) == 0) {
      a = static_cast<Action>(i);
      return true;
    }
  return false;
}

ActionGroup GroupOf(Action a) {
  switch (a) {
    case Action::Yes:
    case Action::No: return ActionGroup::Answer;
    case Action::Confirm:
    case Action::Back: return ActionGroup::Menu;
    default: return ActionGroup::Play;
  }
}

namespace {
// Beyond its group, what else is read at the moment a is: the menus move the selection with
// the game's moves, and the abort question takes Abort for no and Confirm for yes.
bool MenuMovesWith(Action a, Action b) {
  return GroupOf(a) == ActionGroup::Menu && (b == Action::Left || b == Action::Right ||
                                              b == Action::Turn || b == Action::SoftDrop);
}
bool AnswerWith(Action a, Action b) {
  return (a == Action::Yes && b == Action::Abort) || (a == Action::No && b == Action::Confirm);
}
bool SameMoment(Action a, Action b, bool menuMoves) {
  return a != b && (GroupOf(a) == GroupOf(b) || AnswerWith(a, b) || AnswerWith(b, a) ||
                    (menuMoves && (MenuMovesWith(a, b) || MenuMovesWith(b, a))));
}
}  // namespace

bool ActionsClash(Action a, Action b) { return SameMoment(a, b, true); }
bool PadActionsClash(Action a, Action b) { return SameMoment(a, b, false); }

void SetPadSource(PadSource* source) { Pad = source; }
PadSource* GetPadSource() { return Pad; }
bool PadPluggedIn() { return Pad && Pad->Count() > 0; }
void ReadPad() { PadState = Pad ? Pad->Read() : 0; }

}  // namespace zolvane
