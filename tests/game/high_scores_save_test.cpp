// Saving highscores.dat when the disk is full (platform/atomic_file replaces it whole).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>

#include "game/high_scores.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

class HighScoreSave : public ::testing::Test {
 protected:
  void TearDown() override { SetDefaultHighScores(); }
  // A table whose file differs from the defaults' in every entry, and is long.
  static void FillTable(char letter) {
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r) HighScores[t][r] = {std::string(2000, letter), 1000 * (11 - r)};
  }
  const TempFolder Dir;
  const std::string File = (Dir / "highscores.dat").string();
};

TEST_F(HighScoreSave, AFullDiskKeepsTheOldTableAndNamesTheFile) {
  FillTable('a');
  ASSERT_TRUE(SaveHighScores(File));
  const std::string old = ReadFile(File);
  FillTable('b');

  testing::internal::CaptureStderr();
  bool ok;
  {
    const FileSizeLimit small(4096);
    ok = SaveHighScores(File);
  }
  const std::string message = testing::internal::GetCapturedStderr();

  EXPECT_FALSE(ok);
  EXPECT_EQ(ReadFile(File), old);
  // One line, about highscores.dat itself, not about a temporary the player never saw.
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_EQ(message.rfind(File + ": ", 0), 0u) << message;
  EXPECT_NE(message.find("old table is kept"), std::string::npos) << message;
  EXPECT_EQ(std::distance(fs::directory_iterator(Dir.Path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace zolvane
