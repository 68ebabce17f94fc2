#include "app/player_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Every entry under a folder with its size: what "nothing was written there" compares.
std::map<std::string, uintmax_t> Listing(const fs::path& folder) {
  std::map<std::string, uintmax_t> entries;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    entries[fs::relative(e.path(), folder).string()] = e.is_regular_file() ? e.file_size() : 0;
  return entries;
}

TEST(PlayerFolderPathTest, FollowsTheBaseDirectoryRules) {
  struct Case {
    const char* xdg;
    const char* home;
    std::string expected;
  };
  const Case cases[] = {
      {"/data/ann", "/home/ann", "/data/ann/zolvane"},
      {"/data/ann/", "/home/ann", "/data/ann/zolvane"},
      {nullptr, "/home/ann", "/home/ann/.local/share/zolvane"},
      {"", "/home/ann", "/home/ann/.local/share/zolvane"},
      {"relative/share", "/home/ann", "/home/ann/.local/share/zolvane"},  // ignored
      {nullptr, "/home/ann/", "/home/ann/.local/share/zolvane"},
      {"/data/ann", nullptr, "/data/ann/zolvane"},
      {nullptr, nullptr, ""},
      {nullptr, "", ""},
      {"", "relative/home", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.xdg ? c.xdg : "(unset)") + " | " + (c.home ? c.home : "(unset)"));
    EXPECT_EQ(PlayerFolderPath(c.xdg, c.home), c.expected);
  }
}

// An install tree (bin/ and share/zolvane/ with a little data) and a home, per test.
class PlayerFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Share = Root / "usr/share/zolvane";
    fs::create_directories(Root / "usr/bin");
    WriteFile(Share / "config.ini", "[Settings]\nSound Volume=-500\n");
    WriteFile(Share / "data/models.dat", "data/models/brick_low.txt\n");
    WriteFile(Share / "textures/pause.bmp", "BM");
    WriteFile(Share / "sounds/menumove.wav", "RIFF");
    WriteFile(Share / "music/theme1.mid", "MThd");
    Player = Root / "home/ann/.local/share/zolvane";
  }
  bool Prepare(std::string* error = nullptr) {
    std::string ignored;
    return PreparePlayerFolder(Player.string(), Share.string(), error ? error : &ignored);
  }

  const TempFolder Folder;
  const fs::path Root = Folder.Path();
  fs::path Share, Player;
};

TEST_F(PlayerFolderTest, InstalledDataIsFoundBesideBinOnly) {
  const std::optional<std::string> found = InstalledDataFolder((Root / "usr/bin").string());
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(*found, fs::canonical(Share).string());

  // A run folder of its own (the build's game/): its data is beside the executable.
  WriteFile(Root / "build/game/data/models.dat", "");
  EXPECT_FALSE(InstalledDataFolder((Root / "build/game").string()).has_value());
  EXPECT_FALSE(InstalledDataFolder("").has_value());
  // share/zolvane without its data is not an install.
  fs::remove(Share / "data/models.dat");
  EXPECT_FALSE(InstalledDataFolder((Root / "usr/bin").string()).has_value());
}

TEST_F(PlayerFolderTest, FirstStartCopiesTheDefaultsAndLinksTheData) {
  const auto before = Listing(Share);
  std::string error;
  ASSERT_TRUE(Prepare(&error)) << error;

  EXPECT_EQ(ReadFile(Player / "config.ini"), ReadFile(Share / "config.ini"));
  EXPECT_FALSE(fs::is_symlink(Player / "config.ini"));  // the player's to change
  EXPECT_NE(fs::status(Player / "config.ini").permissions() & fs::perms::owner_write, fs::perms::none);
  for (const char* name : SharedDataNames) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(fs::is_symlink(Player / name));
    EXPECT_EQ(fs::read_symlink(Player / name), Share / name);
  }
  // The game's relative paths reach the shared data from the player's folder.
  EXPECT_EQ(ReadFile(Player / "data/models.dat"), "data/models/brick_low.txt\n");
  EXPECT_EQ(ReadFile(Player / "music/theme1.mid"), "MThd");
  // No temporary names left behind, nothing written into the install.
  for (const auto& e : fs::directory_iterator(Player))
    EXPECT_NE(e.path().filename().string()[0], '.') << e.path();
  EXPECT_EQ(Listing(Share), before);
}

TEST_F(PlayerFolderTest, LaterStartsKeepThePlayersFiles) {
  ASSERT_TRUE(Prepare());
  WriteFile(Player / "config.ini", "[Settings]\nSound Volume=0\n");
  WriteFile(Player / "highscores.dat", "scores");
  WriteFile(Share / "config.ini", "[Settings]\nSound Volume=-1000\n");  // a newer default

  ASSERT_TRUE(Prepare());
  EXPECT_EQ(ReadFile(Player / "config.ini"), "[Settings]\nSound Volume=0\n");
  EXPECT_EQ(ReadFile(Player / "highscores.dat"), "scores");
}

TEST_F(PlayerFolderTest, LinksToAnOlderInstallMoveAndThePlayersOwnFoldersStay) {
  fs::create_directories(Player);
  fs::create_directory_symlink(Root / "opt/zolvane/data", Player / "data");
  WriteFile(Player / "textures/pause.bmp", "mine");

  std::string error;
  ASSERT_TRUE(Prepare(&error)) << error;
  EXPECT_EQ(fs::read_symlink(Player / "data"), Share / "data");
  EXPECT_FALSE(fs::is_symlink(Player / "textures"));
  EXPECT_EQ(ReadFile(Player / "textures/pause.bmp"), "mine");
}

TEST_F(PlayerFolderTest, WithoutADefaultConfigTheGameStartsOnItsDefaults) {
  fs::remove(Share / "config.ini");
  ASSERT_TRUE(Prepare());
  EXPECT_FALSE(fs::exists(Player / "config.ini"));
  EXPECT_TRUE(fs::is_symlink(Player / "sounds"));
}

TEST_F(PlayerFolderTest, AFolderThatCannotBeMadeIsReported) {
  WriteFile(Root / "home/bob", "a file where the home folder should be");
  Player = Root / "home/bob/.local/share/zolvane";
  std::string error;
  EXPECT_FALSE(Prepare(&error));
  EXPECT_NE(error.find(Player.string()), std::string::npos) << error;

  // The player's folder name taken by a file.
  Player = Root / "home/carl/zolvane";
  WriteFile(Player, "");
  error.clear();
  EXPECT_FALSE(Prepare(&error));
  EXPECT_NE(error.find(Player.string()), std::string::npos) << error;
}

}  // namespace
}  // namespace zolvane
