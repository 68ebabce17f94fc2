#include "app/pad_config.h"

#include "platform/keyboard.h"
#include "platform/logs.h"

namespace zolvane {

namespace {
// A pad's buttons as binding codes: above 0, as a key's are.
int CodeOf(PadButton b) { return b == PadButton::None ? 0 : static_cast<int>(b) + 1; }
PadButton ButtonOf(int code) {
  return code > 0 ? static_cast<PadButton>(code - 1) : PadButton::None;
}

KeyBinding DefaultCodes(Action a) {
  const PadBinding d = DefaultPadBinding(a);
  return {{CodeOf(d.Buttons[0]), CodeOf(d.Buttons[1])}};
}
}  // namespace

PadConfig ParsePadConfig(const IniFile& file, const std::string& fileName) {
  BindingVocabulary pad;
  pad.Thing = "button";
  pad.CodeOf = [](const std::string& name) {
    const PadButton b = PadButtonFromName(name);
    return b == PadButton::None ? NoSuchKeyName : CodeOf(b);
  };
  pad.Default = DefaultCodes;
  pad.Clash = PadActionsClash;
  pad.MenuArrows = false;
  const KeyOptions read = ReadBindingSection(file, fileName, "Gamepad", pad);
  PadConfig config;
  for (int i = 0; i < ActionCount; ++i)
    config.Bindings[i] = {{ButtonOf(read.Bindings[i].Keys[0]), ButtonOf(read.Bindings[i].Keys[1])}};
  config.Problems = read.Messages;
  return config;
}

void ReadPadConfig(const std::string& path) {
  const PadConfig config = ParsePadConfig(IniFile::Load(path), path.substr(path.rfind('/') + 1));
  PadBindings = config.Bindings;
  for (const std::string& problem : config.Problems) WriteLog(problem);
}

}  // namespace zolvane
