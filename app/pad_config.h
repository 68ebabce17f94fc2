// config.ini's [Gamepad]: the pad's buttons of each action, by the action's name (as in
// [Keys]) and one or two of SDL's button names, separated by a comma:
//   [Gamepad]
//   Drop=x
//   TurboDrop=y, rightshoulder
// Read as [Keys] is (ReadBindingOptions): a line naming no action or an unknown button, or
// giving one button to two actions that are read at the same moment (two of the game's
// moves, say), keeps that action's default; each such line is reported with its number.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "app/config.h"
#include "platform/pad_bindings.h"

namespace zolvane {

struct PadConfig {
  std::array<PadBinding, ActionCount> Bindings;
  std::vector<std::string> Problems;  // "config.ini line N: ..."
};

PadConfig ParsePadConfig(const IniFile& file, const std::string& fileName = "config.ini");

// Start-up: [Gamepad] into PadBindings, its problems into debug.txt.
void ReadPadConfig(const std::string& path);

}  // namespace zolvane
