#include "game/key_config.h"

#include <algorithm>
#include <string_view>

#include "platform/keyboard.h"

namespace zolvane {

namespace {

constexpr int MaxKeys = 2;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string Quote(const std::string& name) { return "\"" + name + "\""; }

// What the section asks of one action.
struct Choice {
  bool Seen = false;      // a line names the action
  bool FromFile = false;  // its keys are the line's; otherwise the default keys
  int Line = 0;
  std::string Text;  // the line as "Key=Value"
  KeyBinding Keys;
  std::string Names[MaxKeys];  // as written, for the messages
};
using Choices = std::array<Choice, ActionCount>;

struct Message {
  int Line;
  std::string Text;
};

class Reader {
 public:
  Reader(const BindingVocabulary& vocabulary, const std::string& fileName)
      : Words(vocabulary), FileName(fileName) {}

  void Take(const KeyOptionLine& line);
  void SettleClashes();
  KeyOptions Result();

 private:
  std::string ParseKeys(std::string_view value, Choice& choice) const;
  bool SharedKey(Action a, Action b, std::string& reason) const;
  void Say(int line, const std::string& text, const std::string& reason);
  void FallBack(Action a, const std::string& reason);

  std::string Things() const { return std::string(Words.Thing) + "s"; }
  KeyBinding DefaultOf(Action a) const { return Words.Default(a); }

  const BindingVocabulary& Words;
  const std::string& FileName;
  Choices Chosen;
  std::vector<Message> Messages;
};

void Reader::Say(int line, const std::string& text, const std::string& reason) {
  Messages.push_back({line, FileName + " line " + std::to_string(line) + ": " + text + ": " +
                                reason});
}

void Reader::FallBack(Action a, const std::string& reason) {
  Choice& c = Chosen[static_cast<int>(a)];
  Say(c.Line, c.Text, reason + "; " + ActionName(a) + " keeps its default " + Things());
  c.FromFile = false;
}

// The keys of a value, or why it has none.
std::string Reader::ParseKeys(std::string_view value, Choice& choice) const {
  std::vector<std::string> names;
  for (;;) {
    const size_t comma = value.find(',');
    names.emplace_back(Trim(value.substr(0, comma)));
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  if (names.size() > MaxKeys) return "more than two " + Things();
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string thing = Words.Thing;
    if (names[i].empty()) return "a " + thing + " name is missing";
    const int dik = Words.CodeOf ? Words.CodeOf(names[i]) : NoSuchKeyName;
    if (dik == NoSuchKeyName) return Quote(names[i]) + " is not the name of a " + thing;
    if (dik <= 0 || dik > 255) return "the game cannot read the " + thing + " " + Quote(names[i]);
    choice.Keys.Keys[i] = dik;
    choice.Names[i] = names[i];
  }
  if (choice.Keys.Keys[1] == choice.Keys.Keys[0]) choice.Keys.Keys[1] = 0;  // named twice
  return {};
}

void Reader::Take(const KeyOptionLine& line) {
  const std::string key(Trim(line.Key));
  if (key.empty() || key.front() == ';' || key.front() == '#') return;  // a comment
  const std::string text = key + "=" + line.Value;
  Action a;
  if (!ActionFromName(key.c_str(), a)) {
    std::string all;
    for (int i = 0; i < ActionCount; ++i)
      all += std::string(i ? ", " : "") + ActionName(static_cast<Action>(i));
    Say(line.Line, text, key + " is not an action (" + all + ")");
    return;
  }
  Choice& c = Chosen[static_cast<int>(a)];
  // The first line of a key counts, as everywhere in config.ini.
  if (c.Seen) {
    Say(line.Line, text, key + " is set again; line " + std::to_string(c.Line) + " counts");
    return;
  }
  c.Seen = true;
  c.Line = line.Line;
  c.Text = text;
  if (Trim(line.Value).empty()) return;  // the defaults
  Choice parsed = c;
  const std::string why = ParseKeys(line.Value, parsed);
  if (!why.empty()) {
    FallBack(a, why);
    return;
  }
  c = parsed;
  c.FromFile = true;
}

// A key of a's that b has too while both are read, and how to say so. The menus also move
// with the arrow keys, so a menu action cannot have one either.
bool Reader::SharedKey(Action a, Action b, std::string& reason) const {
  if (!Words.Clash(a, b)) return false;
  const Choice& ca = Chosen[static_cast<int>(a)];
  const Choice& cb = Chosen[static_cast<int>(b)];
  const KeyBinding keysB = cb.FromFile ? cb.Keys : DefaultOf(b);
  const int arrow = Words.MenuArrows && GroupOf(a) == ActionGroup::Menu ? MenuArrow(b) : 0;
  for (int i = 0; i < MaxKeys; ++i) {
    const int k = ca.Keys.Keys[i];
    if (!k) continue;
    if (k == keysB.Keys[0] || k == keysB.Keys[1]) {
      reason = Quote(ca.Names[i]) + " is already " + ActionName(b) + "'s " + Words.Thing;
      if (cb.FromFile) reason += " (line " + std::to_string(cb.Line) + ")";
      return true;
    }
    if (k == arrow) {
      reason = "the menus move with " + Quote(ca.Names[i]);
      return true;
    }
  }
  return false;
}

// Of two lines giving one key to actions read at once the later falls back to its defaults,
// and a line always yields to an action's default keys. A fallen-back action's defaults
// may clash with an earlier line, which then falls back in its turn: the defaults never
// clash with each other, so every action keeps at least its default keys and no key does
// two things at once.
void Reader::SettleClashes() {
  std::vector<Action> byLine;
  for (int i = 0; i < ActionCount; ++i)
    if (Chosen[i].FromFile) byLine.push_back(static_cast<Action>(i));
  std::stable_sort(byLine.begin(), byLine.end(), [this](Action x, Action y) {
    return Chosen[static_cast<int>(x)].Line > Chosen[static_cast<int>(y)].Line;
  });
  for (bool changed = true; changed;) {
    changed = false;
    for (Action a : byLine) {
      if (!Chosen[static_cast<int>(a)].FromFile) continue;
      std::string reason;
      bool clash = false;
      for (int j = 0; j < ActionCount && !clash; ++j)
        clash = SharedKey(a, static_cast<Action>(j), reason);
      if (!clash) continue;
      FallBack(a, reason);
      changed = true;
      break;  // the defaults now in place may clash with a line already checked
    }
  }
}

KeyOptions Reader::Result() {
  KeyOptions result;
  for (int i = 0; i < ActionCount; ++i)
    result.Bindings[i] =
        Chosen[i].FromFile ? Chosen[i].Keys : DefaultOf(static_cast<Action>(i));
  std::stable_sort(Messages.begin(), Messages.end(),
                   [](const Message& x, const Message& y) { return x.Line < y.Line; });
  for (Message& m : Messages) result.Messages.push_back(std::move(m.Text));
  return result;
}

}  // namespace

KeyOptions ReadKeyOptions(const std::vector<KeyOptionLine>& lines, const KeyNameResolver& dikOf,
                          const std::string& fileName) {
  BindingVocabulary keys;
  keys.CodeOf = dikOf;
  return ReadBindingOptions(lines, keys, fileName);
}

KeyOptions ReadBindingOptions(const std::vector<KeyOptionLine>& lines,
                              const BindingVocabulary& vocabulary, const std::string& fileName) {
  Reader reader(vocabulary, fileName);
  for (const KeyOptionLine& line : lines) reader.Take(line);
  reader.SettleClashes();
  return reader.Result();
}

}  // namespace zolvane
