#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zolvane {
namespace {

using Action = CommandLine::Action;

struct Case {
  std::vector<std::string> args;
  Action what;
  int startGame;
  uint64_t quitAfterFrames;
  std::string replay = "";
};

TEST(CommandLineTest, ArgumentListsGiveTheirAction) {
  const Case cases[] = {
      {{}, Action::Run, 0, 0},
      {{"--game", "1"}, Action::Run, 1, 0},
      {{"--game", "4"}, Action::Run, 4, 0},
      {{"--game=3"}, Action::Run, 3, 0},
      {{"--quit-after-frames", "120"}, Action::Run, 0, 120},
      {{"--quit-after-frames=1"}, Action::Run, 0, 1},
      {{"--game", "2", "--quit-after-frames", "30"}, Action::Run, 2, 30},
      {{"--quit-after-frames", "30", "--game", "2"}, Action::Run, 2, 30},
      {{"--game", "1", "--game", "3"}, Action::Run, 3, 0},  // the last one counts
      {{"--help"}, Action::Help, 0, 0},
      {{"-h"}, Action::Help, 0, 0},
      {{"--version"}, Action::Version, 0, 0},
      {{"--version", "--help"}, Action::Help, 0, 0},
      {{"--help", "--version"}, Action::Help, 0, 0},
      {{"--game", "2", "--version"}, Action::Version, 2, 0},
      {{"--replay", "best game.zrp"}, Action::Run, 0, 0, "best game.zrp"},
      {{"--replay=-x.zrp", "--quit-after-frames", "9"}, Action::Run, 0, 9, "-x.zrp"},
      {{"--replay", "--game"}, Action::Run, 0, 0, "--game"},  // a value, whatever it looks like
      // Unknown options and arguments.
      {{"--gmae", "1"}, Action::Error, 0, 0},
      {{"-g"}, Action::Error, 0, 0},
      {{"game"}, Action::Error, 0, 0},
      {{""}, Action::Error, 0, 0},
      {{"--help", "--bogus"}, Action::Error, 0, 0},
      {{"--help=yes"}, Action::Error, 0, 0},
      // Values out of range or missing.
      {{"--game"}, Action::Error, 0, 0},
      {{"--game", "0"}, Action::Error, 0, 0},
      {{"--game", "5"}, Action::Error, 0, 0},
      {{"--game", "12"}, Action::Error, 0, 0},
      {{"--game="}, Action::Error, 0, 0},
      {{"--quit-after-frames"}, Action::Error, 0, 0},
      {{"--quit-after-frames", "0"}, Action::Error, 0, 0},
      {{"--quit-after-frames", "-5"}, Action::Error, 0, 0},
      {{"--quit-after-frames", "10x"}, Action::Error, 0, 0},
      {{"--quit-after-frames", "1234567890123456789"}, Action::Error, 0, 0},
      {{"--replay"}, Action::Error, 0, 0},
      {{"--replay="}, Action::Error, 0, 0},
      {{"--replay", "a.zrp", "--game", "1"}, Action::Error, 0, 0},  // watch or play, not both
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const std::string& a : c.args) shown += "[" + a + "] ";
    SCOPED_TRACE(shown);
    const CommandLine line = ParseCommandLine(c.args);
    EXPECT_EQ(line.What, c.what);
    if (c.what == Action::Error) {
      EXPECT_FALSE(line.Error.empty());
      continue;
    }
    EXPECT_EQ(line.StartGame, c.startGame);
    EXPECT_EQ(line.QuitAfterFrames, c.quitAfterFrames);
    EXPECT_EQ(line.ReplayFile, c.replay);
  }
}

TEST(CommandLineTest, ErrorNamesTheOffendingArgument) {
  EXPECT_NE(ParseCommandLine({"--frobnicate"}).Error.find("'--frobnicate'"), std::string::npos);
  EXPECT_NE(ParseCommandLine({"--game", "9"}).Error.find("'9'"), std::string::npos);
  EXPECT_NE(ParseCommandLine({"--quit-after-frames"}).Error.find("needs a value"), std::string::npos);
}

TEST(CommandLineTest, UsageListsEveryOption) {
  const std::string usage = UsageText();
  for (const char* option :
       {"--game T", "--replay FILE", "--quit-after-frames N", "--help", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  EXPECT_EQ(VersionText().rfind("zolvane ", 0), 0u);
  EXPECT_NE(VersionText(), "zolvane unknown\n");  // the build passes its version in
}

// What each action prints where, and its exit status.
TEST(CommandLineTest, ReportGoesToTheRightStreamWithItsStatus) {
  struct Report {
    std::vector<std::string> args;
    int status;
    std::string out, err;
  };
  std::string errorReport = "zolvane: unknown option '--x'\n" + UsageText();
  const Report reports[] = {
      {{}, -1, "", ""},
      {{"--game", "2"}, -1, "", ""},
      {{"--help"}, 0, UsageText(), ""},
      {{"--version"}, 0, VersionText(), ""},
      {{"--x"}, 2, "", errorReport},
  };
  for (const Report& r : reports) {
    SCOPED_TRACE(r.args.empty() ? "(none)" : r.args[0]);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = ReportCommandLine(ParseCommandLine(r.args));
    std::fflush(stdout);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, r.status);
    EXPECT_EQ(out, r.out);
    EXPECT_EQ(err, r.err);
  }
}

}  // namespace
}  // namespace zolvane
