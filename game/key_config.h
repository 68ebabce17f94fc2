// config.ini's [Keys]: the player's own keys, one or two by name for each action
// ("TurboDrop=Left Ctrl,K"). A line that cannot be taken keeps the action's default keys and
// says why; the bindings that result never give one key two actions read at once.
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

struct KeyOptions {
  std::array<KeyBinding, ActionCount> Bindings;
  // One line per line of the section that was not taken, in the order of the file:
  // "<file> line <n>: <key>=<value>: <reason>".
  std::vector<std::string> Messages;
};

KeyOptions ReadKeyOptions(const std::vector<KeyOptionLine>& lines, const KeyNameResolver& dikOf,
                          const std::string& fileName);

}  // namespace zolvane
