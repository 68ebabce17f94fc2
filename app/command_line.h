// The program's command line: what to run, or what to print and with which exit status.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane {

struct CommandLine {
  enum class Action { Run, Help, Version, Error };
  Action What = Action::Run;
  int StartGame = 0;             // 1..4 skips the menu; 0 starts with the menu
  uint64_t QuitAfterFrames = 0;  // 0: run until the player ends the program
  std::string ReplayFile;        // a replay to watch at once, past the menu
  std::string Error;             // the reason, for Action::Error
};

// The arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();
std::string VersionText();

// Prints what the action asks for (help and version on standard output, an error and the
// usage on standard error) and gives the exit status; Run prints nothing and gives -1.
int ReportCommandLine(const CommandLine& line);

}  // namespace zolvane
