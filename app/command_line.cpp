#include "app/command_line.h"

#include <cstdio>
#include <optional>

#ifndef ZOLVANE_VERSION
#define ZOLVANE_VERSION "unknown"
#endif

namespace zolvane {
namespace {

// A positive decimal count, or nothing when the text is anything else.
std::optional<uint64_t> ParseCount(const std::string& text) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  uint64_t n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(c - '0');
  }
  if (n == 0) return std::nullopt;
  return n;
}

CommandLine Failure(std::string reason) {
  CommandLine line;
  line.What = CommandLine::Action::Error;
  line.Error = std::move(reason);
  return line;
}

bool TakesValue(const std::string& name) {
  return name == "--game" || name == "--quit-after-frames" || name == "--replay";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> value;
    // "--game=2" as well as "--game 2".
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    if (name == "--help" || name == "-h") {
      if (value) return Failure("option '" + name + "' takes no value");
      line.What = CommandLine::Action::Help;
      continue;
    }
    if (name == "--version") {
      if (value) return Failure("option '" + name + "' takes no value");
      if (line.What != CommandLine::Action::Help) line.What = CommandLine::Action::Version;
      continue;
    }
    if (!TakesValue(name)) return Failure("unknown option '" + args[i] + "'");
    if (!value) {
      if (i + 1 >= args.size()) return Failure("option '" + name + "' needs a value");
      value = args[++i];
    }
    if (name == "--game") {
      if (value->size() != 1 || (*value)[0] < '1' || (*value)[0] > '4')
        return Failure("--game takes a game type from 1 to 4, not '" + *value + "'");
      line.StartGame = (*value)[0] - '0';
    } else if (name == "--replay") {
      if (value->empty()) return Failure("--replay takes a replay file");
      line.ReplayFile = *value;
    } else {
      const std::optional<uint64_t> n = ParseCount(*value);
      if (!n) return Failure("--quit-after-frames takes a positive count, not '" + *value + "'");
      line.QuitAfterFrames = *n;
    }
  }
  if (line.StartGame && !line.ReplayFile.empty())
    return Failure("--game and --replay cannot go together");
  return line;
}

std::string UsageText() {
  return "Usage: zolvane [--game T | --replay FILE] [--quit-after-frames N]\n"
         "       zolvane --help | --version\n"
         "A falling-blocks puzzle game drawn in 3-D.\n"
         "\n"
         "  --game T               start game type T at once, past the menu\n"
         "                         (1 Classic, 2 Advanced, 3 Special, 4 Crazy)\n"
         "  --replay FILE          watch the game recorded in FILE, then the menu;\n"
         "                         Space pauses, Right and Left change the speed\n"
         "                         (1x, 2x, 4x), Down plays on to the next landing,\n"
         "                         Esc leaves\n"
         "  --quit-after-frames N  close after N frames drawn, as the window's close\n"
         "                         button would, and print when the first was drawn\n"
         "                         (for benchmarks)\n"
         "  -h, --help             print this help and exit\n"
         "  --version              print the version and exit\n"
         "\n"
         "Installed, the settings, high scores and logs live in $XDG_DATA_HOME/zolvane\n"
         "(by default ~/.local/share/zolvane); the last game is kept there as\n"
         "lastgame.zrp and the game of each high score in replays/. Enter on the high\n"
         "score screen marks a row, and Enter again watches its game.\n";
}

std::string VersionText() { return std::string("zolvane ") + ZOLVANE_VERSION + "\n"; }

int ReportCommandLine(const CommandLine& line) {
  switch (line.What) {
    case CommandLine::Action::Run: return -1;
    case CommandLine::Action::Help: std::fputs(UsageText().c_str(), stdout); return 0;
    case CommandLine::Action::Version: std::fputs(VersionText().c_str(), stdout); return 0;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "zolvane: %s\n%s", line.Error.c_str(), UsageText().c_str());
      return 2;
  }
  return 2;
}

}  // namespace zolvane
