// zolvane-sim scripts: every command the parser lets through is one the simulator can run
// without checking it again.
#include <string>

#include "app/sim/sim_script.h"
#include "fuzz_support.h"
#include "game/game_state.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<sim::Command> script;
  try {
    script = sim::ParseScript(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const sim::ScriptError& e) {
    fuzz::Require(e.Line >= 1 && !e.Message.empty(), "an error without line or message");
    return 0;
  }
  for (const sim::Command& cmd : script) {
    fuzz::Require(cmd.Line >= 1, "a command without its line");
    switch (cmd.What) {
      case sim::Command::Pass:
        fuzz::Require(cmd.Ms <= INT32_MAX && cmd.Count <= INT32_MAX, "a pass out of range");
        break;
      case sim::Command::SetRow:
        fuzz::Require(cmd.Row >= 1 && cmd.Row <= WellRows, "a row out of the well");
        fuzz::Require(cmd.Cells.size() == WellColumns, "a row of the wrong width");
        for (const char c : cmd.Cells)
          fuzz::Require(c == '.' || (c >= '1' && c <= '8'), "a cell that is no colour");
        break;
      case sim::Command::SetFalling:
      case sim::Command::SetNext:
        fuzz::Require(cmd.FigureKind >= 1 && cmd.FigureKind <= 7 && cmd.Rotation >= 1 &&
                          cmd.Rotation <= 4,
                      "a figure out of range");
        break;
      case sim::Command::Print:
        break;
    }
  }
  return 0;
}
