// Replays kept beside the table: the last game, each row's own game, and the files of rows
// gone removed, whatever was left by a crash.
#include <filesystem>
#include <set>

#include "game/replay_files.h"
#include "game/replay_record.h"
#include "menu/name_entry.h"
#include "rules_fixture.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;

class ReplayFilesTest : public RulesTest {
 protected:
  void SetUp() override {
    RulesTest::SetUp();
    KeepReplaysIn(Folder.Path().string());
  }
  void TearDown() override {
    KeepReplaysIn("");
    RulesTest::TearDown();
  }

  std::set<std::string> Kept() {
    std::set<std::string> names;
    if (fs::exists(Folder / "replays"))
      for (const auto& e : fs::directory_iterator(Folder / "replays"))
        names.insert(e.path().filename().string());
    return names;
  }

  test::TempFolder Folder;
};

TEST_F(ReplayFilesTest, AGameThatRanksIsKeptUnderItsRowAndAsTheLastGame) {
  // No key: the figures pile up until the game is over; Enter leaves it for the name entry.
  for (int i = 0; i < 20000 && !Loop.MenuActive; ++i) {
    keyboard.ReleaseAll();
    if (Game.GameOver) keyboard.Press(DIK_RETURN);
    Pass(17);
  }
  ASSERT_TRUE(Menu.NameEntryActive);
  Replay last;
  ASSERT_EQ(LoadReplay((Folder / "lastgame.zrp").string(), last), "");
  EXPECT_EQ(last.Header.Player, "") << "the name is not typed yet";
  const int32_t score = last.Header.Score;
  EXPECT_GT(score, 0);
  EXPECT_TRUE(Kept().empty());

  for (const char c : std::string("Zoë")) NameEntryKey(c);
  NameEntryKey(13);
  const std::string row = TableReplayPath(1, score, HighScores[1][1].Name);
  EXPECT_EQ(fs::path(row).filename().string(),
            "1-" + std::string(7 - std::to_string(score).size(), '0') + std::to_string(score) +
                "-5a6fc3ab.zrp");
  Replay ranked;
  ASSERT_EQ(LoadReplay((Folder / row).string(), ranked), "");
  EXPECT_EQ(ranked.Header.Player, "Zo\xc3\xab");
  ASSERT_EQ(LoadReplay((Folder / "lastgame.zrp").string(), last), "");
  EXPECT_EQ(last.Header.Player, ranked.Header.Player);
  CreateGameScene();
  EXPECT_EQ(PlayReplay(ranked), RecordedOutcome(ranked.Header));
}

TEST_F(ReplayFilesTest, ARowPushedOutLosesItsFileAndTheCleanUpIsIdempotent) {
  Replay any;
  any.Header.GameType = 1;
  for (int rank = 1; rank <= 10; ++rank) {
    HighScores[1][rank] = {"P" + std::to_string(rank), 1000 - rank};
    fs::create_directories(Folder / "replays");
    const fs::path file = Folder / TableReplayPath(1, 1000 - rank, HighScores[1][rank].Name);
    ASSERT_EQ(SaveReplay(file.string(), any), "");
  }
  // Left by a crash between saving a row's game and cleaning up, and a player's own files.
  test::WriteFile(Folder / TableReplayPath(2, 5, "Gone"), "x");
  test::WriteFile(Folder / "replays" / "notes.txt", "mine");
  test::WriteFile(Folder / "replays" / "1-0000005-zz.zrp", "not our name");

  ASSERT_TRUE(InsertHighScore(1, 1, 5000));
  HighScores[1][1].Name = "New";
  EXPECT_EQ(RemoveReplaysOffTheTables(), "");
  const std::set<std::string> after = Kept();
  EXPECT_EQ(after.count(fs::path(TableReplayPath(1, 990, "P10")).filename().string()), 0u)
      << "the row that dropped out";
  EXPECT_EQ(after.count(fs::path(TableReplayPath(2, 5, "Gone")).filename().string()), 0u);
  EXPECT_EQ(after.count(fs::path(TableReplayPath(1, 991, "P9")).filename().string()), 1u);
  EXPECT_EQ(after.count("notes.txt"), 1u);
  EXPECT_EQ(after.count("1-0000005-zz.zrp"), 1u);
  EXPECT_EQ(after.size(), 11u);
  EXPECT_EQ(RemoveReplaysOffTheTables(), "");
  EXPECT_EQ(Kept(), after);

  // Not this row's game: nothing is saved under its name.
  EXPECT_EQ(KeepRankedGame(1, 1), "");
  EXPECT_FALSE(fs::exists(Folder / TableReplayPath(1, 5000, "New")));
}

}  // namespace
}  // namespace zolvane
