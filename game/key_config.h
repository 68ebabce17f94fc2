// config.ini's [Keys] and [Gamepad]: the player's own keys or buttons, one or two by name
// for each action ("TurboDrop=Left Ctrl,K", "Drop=x"). A line that cannot be taken keeps the
// action's defaults and says why; the bindings that result never give one key or button two
// actions read at once.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "game/key_bindings.h"

namespace zolvane {

// One "Key=Value" line of the section as the file has it.
struct KeyOptionLine {
  int Line = 0;  // in the file, from 1
  std::string Key, Value;
};

// The DirectInput code of a key name: 0 for a key the snapshot has no code for,
// NoSuchKeyName (platform/keyboard.h) for a name that names no key.
using KeyNameResolver = std::function<int(const std::string& name)>;

// What a section binds, and what its messages call it. Codes are above 0; a pad's buttons
// get codes of their own the same way.
struct BindingVocabulary {
  const char* Thing = "key";  // "key" or "button"
  KeyNameResolver CodeOf;     // NoSuchKeyName for no such name, 0 for one the game cannot read
  KeyBinding (*Default)(Action) = DefaultKeyBinding;
  bool (*Clash)(Action, Action) = ActionsClash;
  bool MenuArrows = true;  // the menus also move with the arrow keys
};

struct KeyOptions {
  std::array<KeyBinding, ActionCount> Bindings;
  // One line per line of the section that was not taken, in the order of the file:
  // "<file> line <n>: <key>=<value>: <reason>".
  std::vector<std::string> Messages;
};

KeyOptions ReadBindingOptions(const std::vector<KeyOptionLine>& lines,
                              const BindingVocabulary& vocabulary, const std::string& fileName);
// The keyboard's: names resolved to DirectInput codes by dikOf.
KeyOptions ReadKeyOptions(const std::vector<KeyOptionLine>& lines, const KeyNameResolver& dikOf,
                          const std::string& fileName);

}  // namespace zolvane
