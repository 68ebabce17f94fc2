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

bool ActionsClash(Action a, Action b) { return a != b && GroupOf(a) == GroupOf(b); }

void SetPadSource(PadSource* source) { Pad = source; }
PadSource* GetPadSource() { return Pad; }
bool PadPluggedIn() { return Pad && Pad->Count() > 0; }
void ReadPad() { PadState = Pad ? Pad->Read() : 0; }

}  // namespace zolvane
