// Saving highscores.dat when the disk is full (platform/atomic_file replaces it whole).
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "game/high_scores.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class HighScoreSave : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/zolvane-hs-save-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    File = (Dir / "highscores.dat").string();
  }
  void TearDown() override {
    SetDefaultHighScores();
    fs::remove_all(Dir);
  }
  // A table whose file differs from the defaults' in every entry, and is long.
  static void FillTable(char letter) {
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r) HighScores[t][r] = {std::string(2000, letter), 1000 * (11 - r)};
  }
  fs::path Dir;
  std::string File;
};

TEST_F(HighScoreSave, AFullDiskKeepsTheOldTableAndNamesTheFile) {
  FillTable('a');
  ASSERT_TRUE(SaveHighScores(File));
  const std::string old = ReadFile(File);
  FillTable('b');

  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  testing::internal::CaptureStderr();
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool ok = SaveHighScores(File);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  const std::string message = testing::internal::GetCapturedStderr();

  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadFile(File), old);
  // One line, about highscores.dat itself, not about a temporary the player never saw.
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_EQ(message.rfind(File + ": ", 0), 0u) << message;
  EXPECT_NE(message.find("old table is kept"), std::string::npos) << message;
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zolvane
