// The script language of zolvane-sim: timed key snapshots and set-ups of the well, read
// line by line. Kept apart from the program so that the fuzz target reads scripts with the
// same code.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zolvane::sim {

struct Command {
  enum Kind { Pass, SetRow, SetFalling, SetNext, Print } What = Pass;
  int Line = 0;
  uint32_t Count = 1;  // passes of a repeat
  uint32_t Ms = 0;
  std::vector<int> Keys;  // key codes held during the passes
  int Row = 0;
  std::string Cells;
  int32_t FigureKind = 0, Rotation = 0;
};

struct ScriptError {
  int Line;
  std::string Message;
};

// A whole number of at most max, digits only; nothing for anything else.
std::optional<uint64_t> ParseUnsigned(std::string_view text, uint64_t max);
// The word in double quotes, unprintable bytes as \xNN.
std::string Quoted(std::string_view word);

// Every command of the script, or ScriptError for the first line that is not one.
std::vector<Command> ParseScript(const std::string& text);

}  // namespace zolvane::sim
