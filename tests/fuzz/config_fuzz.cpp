// config.ini: both sections and [Gamepad] through the start-up's readers, and the options
// menu's write-back on the same text, which must change the keys it sets and nothing a
// reader sees elsewhere.
#include <string>

#include "app/config.h"
#include "app/pad_config.h"
#include "fuzz_support.h"
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

// [Gamepad] never leaves two actions of one group on one button, whatever the lines say.
void CheckPadConfig(const std::string& text) {
  const PadConfig config = ParsePadConfig(IniFile::FromText(text));
  for (int a = 0; a < ActionCount; ++a)
    for (int b = a + 1; b < ActionCount; ++b)
      if (ActionsClash(static_cast<Action>(a), static_cast<Action>(b)))
        for (PadButton x : config.Bindings[a].Buttons)
          for (PadButton y : config.Bindings[b].Buttons)
            fuzz::Require(x == PadButton::None || x != y, "two actions of one group share a button");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("config.ini", data, size);
  ReadDisplayOptions("config.ini");
  GetOptions("config.ini");
  ResetConfigState();
  Config = GameSettings{};
  CheckWriteBack(std::string(reinterpret_cast<const char*>(data), size));
  CheckPadConfig(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
