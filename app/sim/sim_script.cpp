#include "app/sim/sim_script.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "game/game_state.h"
#include "platform/keyboard.h"

namespace zolvane::sim {

std::optional<uint64_t> ParseUnsigned(std::string_view text, uint64_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > max) return std::nullopt;
  }
  return value;
}

std::string Quoted(std::string_view word) {
  std::string out = "\"";
  for (const char c : word) {
    if (std::isprint(static_cast<unsigned char>(c))) {
      out += c;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(c));
      out += hex;
    }
  }
  return out + "\"";
}

namespace {

std::string Lower(std::string_view word) {
  std::string out(word);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::optional<int> KeyCode(std::string_view name) {
  static const struct {
    const char* Name;
    int Code;
  } keys[] = {{"up", DIK_UP},         {"down", DIK_DOWN},     {"left", DIK_LEFT},
              {"right", DIK_RIGHT},   {"space", DIK_SPACE},   {"ctrl", DIK_LCONTROL},
              {"enter", DIK_RETURN},  {"escape", DIK_ESCAPE}, {"p", DIK_P},
              {"pause", DIK_PAUSE},   {"y", DIK_Y},           {"n", DIK_N}};
  const std::string lower = Lower(name);
  for (const auto& k : keys)
    if (lower == k.Name) return k.Code;
  // Any letter or digit as well, for the keys a player's [Keys] may name. DirectInput numbers
  // them row by row along the keyboard.
  static const struct {
    const char* Row;
    int First;
  } rows[] = {{"1234567890", 0x02}, {"qwertyuiop", 0x10}, {"asdfghjkl", 0x1E}, {"zxcvbnm", 0x2C}};
  if (lower.size() == 1)
    for (const auto& r : rows)
      if (const char* at = std::strchr(r.Row, lower[0]); at && *at)
        return r.First + static_cast<int>(at - r.Row);
  return std::nullopt;
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    const size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

uint32_t Number(std::string_view word, const char* what, uint64_t min, uint64_t max, int line) {
  const auto value = ParseUnsigned(word, max);
  if (!value || *value < min) {
    std::string message = what;
    if (!word.empty() && word[0] == '-' && ParseUnsigned(word.substr(1), UINT64_MAX))
      message += " must not be negative";
    else
      message += " must be a whole number from " + std::to_string(min) + " to " +
                 std::to_string(max);
    throw ScriptError{line, message + ", found " + Quoted(word)};
  }
  return static_cast<uint32_t>(*value);
}

// A pass: MS and the keys held, from words[first] on.
void ParsePass(const std::vector<std::string_view>& words, size_t first, Command& cmd) {
  if (first >= words.size()) throw ScriptError{cmd.Line, "the milliseconds are missing"};
  cmd.Ms = Number(words[first], "the milliseconds", 0, INT32_MAX, cmd.Line);
  for (size_t i = first + 1; i < words.size(); ++i) {
    const auto code = KeyCode(words[i]);
    if (!code)
      throw ScriptError{cmd.Line, "unknown key " + Quoted(words[i]) +
                                      " (keys: Up Down Left Right Space Ctrl Enter Escape "
                                      "Pause, a letter or a digit)"};
    cmd.Keys.push_back(*code);
  }
}

void ExpectWords(const std::vector<std::string_view>& words, size_t count, const char* form,
                 int line) {
  if (words.size() != count)
    throw ScriptError{line, std::string("expected \"") + form + "\""};
}

std::optional<Command> ParseLine(std::string_view text, int line) {
  const std::vector<std::string_view> words = Words(text);
  if (words.empty() || words[0][0] == '#') return std::nullopt;

  Command cmd;
  cmd.Line = line;
  const std::string_view word = words[0];
  if (!word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])) || word[0] == '-')) {
    cmd.What = Command::Pass;
    ParsePass(words, 0, cmd);
  } else if (word == "repeat") {
    cmd.What = Command::Pass;
    if (words.size() < 3) throw ScriptError{line, "expected \"repeat COUNT MS [KEY ...]\""};
    cmd.Count = Number(words[1], "the count", 0, INT32_MAX, line);
    ParsePass(words, 2, cmd);
  } else if (word == "well") {
    cmd.What = Command::SetRow;
    ExpectWords(words, 3, "well ROW CELLS", line);
    cmd.Row = static_cast<int>(Number(words[1], "the row", 1, WellRows, line));
    if (words[2].size() != WellColumns)
      throw ScriptError{line, "a row needs " + std::to_string(WellColumns) + " cells, found " +
                                  std::to_string(words[2].size()) + " in " + Quoted(words[2])};
    for (const char c : words[2])
      if (c != '.' && (c < '1' || c > '8'))
        throw ScriptError{line, "cell " + Quoted(std::string_view(&c, 1)) +
                                    " is neither '.' (free) nor a colour 1 to 8"};
    cmd.Cells = words[2];
  } else if (word == "falling" || word == "next") {
    cmd.What = word == "falling" ? Command::SetFalling : Command::SetNext;
    ExpectWords(words, 3, word == "falling" ? "falling KIND ROTATION" : "next KIND ROTATION",
                line);
    cmd.FigureKind = static_cast<int32_t>(Number(words[1], "the kind", 1, 7, line));
    cmd.Rotation = static_cast<int32_t>(Number(words[2], "the rotation", 1, 4, line));
  } else if (word == "print") {
    cmd.What = Command::Print;
    ExpectWords(words, 1, "print", line);
  } else {
    throw ScriptError{line, "unknown word " + Quoted(word)};
  }
  return cmd;
}

}  // namespace

std::vector<Command> ParseScript(const std::string& text) {
  std::vector<Command> commands;
  int line = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view lineText(text.data() + start, end - start);
    if (!lineText.empty() && lineText.back() == '\r') lineText.remove_suffix(1);
    ++line;
    if (auto cmd = ParseLine(lineText, line)) commands.push_back(std::move(*cmd));
    start = end + 1;
  }
  return commands;
}

}  // namespace zolvane::sim
