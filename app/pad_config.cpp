#include "app/pad_config.h"

#include "platform/logs.h"

namespace zolvane {

namespace {

std::string Trimmed(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string::npos) return std::string();
  return s.substr(begin, s.find_last_not_of(" \t") - begin + 1);
}

std::string Where(int line) { return "config.ini line " + std::to_string(line) + ": "; }

std::string Buttons(const PadBinding& b) {
  std::string text = PadButtonName(b.Buttons[0]);
  if (b.Buttons[1] != PadButton::None) text += std::string(", ") + PadButtonName(b.Buttons[1]);
  return text;
}

// One or two known buttons, or the reason why not.
bool ParseButtons(const std::string& value, PadBinding& binding, std::string& why) {
  std::vector<std::string> names;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    const size_t length = comma == std::string::npos ? comma : comma - start;
    names.push_back(Trimmed(value.substr(start, length)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (names.size() > 2) return why = "more than two buttons", false;
  binding = PadBinding{};
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].empty()) return why = "no button named", false;
    const PadButton b = PadButtonFromName(names[i]);
    if (b == PadButton::None) return why = "no button is called \"" + names[i] + "\"", false;
    binding.Buttons[i] = b;
  }
  if (binding.Buttons[1] == binding.Buttons[0]) binding.Buttons[1] = PadButton::None;
  return true;
}

bool Shares(const PadBinding& a, const PadBinding& b, PadButton& shared) {
  for (PadButton x : a.Buttons)
    for (PadButton y : b.Buttons)
      if (x != PadButton::None && x == y) return shared = x, true;
  return false;
}

}  // namespace

PadConfig ParsePadConfig(const IniFile& file) {
  PadConfig config;
  std::array<int, ActionCount> lineOf{};  // 0: the default
  for (int i = 0; i < ActionCount; ++i)
    config.Bindings[i] = DefaultPadBinding(static_cast<Action>(i));

  for (const IniFile::Entry& entry : file.Entries("Gamepad")) {
    if (entry.Key.empty() || entry.Key.front() == ';' || entry.Key.front() == '#') continue;
    Action action;
    if (!ActionFromName(entry.Key.c_str(), action)) {
      config.Problems.push_back(Where(entry.Line) + "[Gamepad] has no action \"" + entry.Key +
                                "\"");
      continue;
    }
    const int a = static_cast<int>(action);
    if (lineOf[a]) {
      config.Problems.push_back(Where(entry.Line) + ActionName(action) + " was given on line " +
                                std::to_string(lineOf[a]) + " already");
      continue;
    }
    PadBinding binding;
    std::string why;
    if (!ParseButtons(entry.Value, binding, why)) {
      config.Problems.push_back(Where(entry.Line) + ActionName(action) + ": " + why +
                                "; the default (" + Buttons(config.Bindings[a]) + ") is kept");
      continue;
    }
    config.Bindings[a] = binding;
    lineOf[a] = entry.Line;
  }

  // A clash puts the later line back to its default, which may clash in turn; each round
  // gives one more action its default, so it ends.
  for (bool again = true; again;) {
    again = false;
    for (int a = 0; a < ActionCount && !again; ++a)
      for (int b = a + 1; b < ActionCount && !again; ++b) {
        PadButton shared;
        if (!PadActionsClash(static_cast<Action>(a), static_cast<Action>(b)) ||
            !Shares(config.Bindings[a], config.Bindings[b], shared) || (!lineOf[a] && !lineOf[b]))
          continue;
        const int undo = lineOf[a] > lineOf[b] ? a : b;
        const int other = undo == a ? b : a;
        const Action undone = static_cast<Action>(undo);
        config.Bindings[undo] = DefaultPadBinding(undone);
        config.Problems.push_back(Where(lineOf[undo]) + ActionName(undone) + ": " +
                                  PadButtonName(shared) + " already does " +
                                  ActionName(static_cast<Action>(other)) + "; the default (" +
                                  Buttons(config.Bindings[undo]) + ") is kept");
        lineOf[undo] = 0;
        again = true;
      }
  }
  return config;
}

void ReadPadConfig(const std::string& path) {
  const PadConfig config = ParsePadConfig(IniFile::Load(path));
  PadBindings = config.Bindings;
  for (const std::string& problem : config.Problems) WriteLog(problem);
}

}  // namespace zolvane
