// config.ini: its sections through the start-up's readers, and the options menu's write-back
// on the same text, which must change the keys it sets and nothing a reader sees elsewhere.
// Whatever [Keys] holds, every action keeps a key; whatever [Gamepad] holds, no button does
// two things at once.
#include <string>

#include "app/config.h"
#include "app/pad_config.h"
#include "fuzz_support.h"
#include "game/key_bindings.h"
#include "platform/keyboard.h"
#include "platform/settings.h"

namespace {

using namespace zolvane;

constexpr const char* OptionKeys[] = {"FullScreen", "Use desktop settings", "Resolution",
                                      "Rotation Speed", "Keys Sensetive", "Max FPS"};

void CheckWriteBack(const std::string& text) {
  IniFile file = IniFile::FromText(text);
  int32_t options[std::size(OptionKeys)];
  for (size_t i = 0; i < std::size(OptionKeys); ++i)
    options[i] = file.GetInt("Options", OptionKeys[i]);
  const struct {
    const char* Key;
    int32_t Value;
  } settings[] = {{"Music volume", 7}, {"Sound volume", -3}, {"Rotation", 1},
                  {"Brick Quality", 2}, {"Music Number", 123456}};
  for (const auto& s : settings) fuzz::Require(file.SetInt("Settings", s.Key, s.Value), "SetInt refused a plain key");
  for (const auto& s : settings)
    fuzz::Require(file.GetInt("Settings", s.Key) == s.Value, "a written setting reads back different");
  for (size_t i = 0; i < std::size(OptionKeys); ++i)
    fuzz::Require(file.GetInt("Options", OptionKeys[i]) == options[i],
                  "writing [Settings] changed an [Options] value");
}

// Letters get codes of their own choosing, among them Enter's and Ctrl's, so that lines
// clash with the defaults too; F16 is a key without a code.
int KeyNames(const std::string& name) {
  if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') return 0x10 + (name[0] - 'a');
  if (name == "Up") return DIK_UP;
  if (name == "Space") return DIK_SPACE;
  if (name == "F16") return 0;
  return NoSuchKeyName;
}

void CheckKeys() {
  ReadKeyBindings("config.ini", KeyNames);
  for (const KeyBinding& b : KeyBindings)
    fuzz::Require(b.Keys[0] > 0 && b.Keys[0] < 256 && b.Keys[1] >= 0 && b.Keys[1] < 256,
                  "an action was left without a key, or with a code out of range");
  ResetKeyBindings();
}

// [Gamepad] never leaves two actions of one group on one button, whatever the lines say.
void CheckPadConfig(const std::string& text) {
  const PadConfig config = ParsePadConfig(IniFile::FromText(text));
  for (int a = 0; a < ActionCount; ++a)
    for (int b = a + 1; b < ActionCount; ++b)
      if (PadActionsClash(static_cast<Action>(a), static_cast<Action>(b)))
        for (PadButton x : config.Bindings[a].Buttons)
          for (PadButton y : config.Bindings[b].Buttons)
            fuzz::Require(x == PadButton::None || x != y, "two actions of one group share a button");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("config.ini", data, size);
  ReadDisplayOptions("config.ini");
  GetOptions("config.ini");
  CheckKeys();
  ResetConfigState();
  Config = GameSettings{};
  CheckWriteBack(std::string(reinterpret_cast<const char*>(data), size));
  CheckPadConfig(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
