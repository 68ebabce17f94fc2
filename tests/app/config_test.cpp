#include "app/config.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>

#include "audio/music.h"
#include "platform/program_path.h"
#include "platform/settings.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

// Config and the music number are process-wide; every test starts from the defaults.
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Config = GameSettings{};
    CurrentMusicNumber = 0;
    ResetConfigState();
  }
  void TearDown() override {
    Config = GameSettings{};
    CurrentMusicNumber = 0;
    ResetConfigState();
  }
  const TempFolder Folder;
  const std::string Path = (Folder / "config.ini").string();
};

TEST(ProfileInt, ReadsDecimalHexAndLeadingDigitsLikeWindows) {
  EXPECT_EQ(ParseProfileInt("42"), 42);
  EXPECT_EQ(ParseProfileInt("  -7  "), -7);
  EXPECT_EQ(ParseProfileInt("+5"), 5);
  EXPECT_EQ(ParseProfileInt("0x1F"), 31);
  EXPECT_EQ(ParseProfileInt("0XfF"), 255);
  EXPECT_EQ(ParseProfileInt("0xFFFFFFFF"), -1);
  EXPECT_EQ(ParseProfileInt("12abc"), 12);
  EXPECT_EQ(ParseProfileInt("1.5"), 1);
  EXPECT_EQ(ParseProfileInt("abc"), 0);
  EXPECT_EQ(ParseProfileInt(""), 0);
  EXPECT_EQ(ParseProfileInt("0x"), 0);
  EXPECT_EQ(ParseProfileInt("-"), 0);
  EXPECT_EQ(ParseProfileInt("4294967297"), 1);  // wraps to 32 bits
}

TEST(IniFileRead, MatchesSectionsAndKeysWithoutRegardToCase) {
  const IniFile file = IniFile::FromText(
      "\xEF\xBB\xBF[options]\r\n"
      "  fullscreen =  1  \r\n"
      "Resolution=0x3\r\n"
      "\r\n"
      "[ SETTINGS ]\r\n"
      "Music Volume=\"7\"\r\n"
      "Sound volume=junk\r\n"
      "[Settings]\r\n"
      "Rotation=1\r\n");
  EXPECT_EQ(file.GetInt("Options", "FullScreen"), 1);
  EXPECT_EQ(file.GetInt("OPTIONS", "resolution"), 3);
  EXPECT_EQ(file.GetInt("Settings", "Music volume"), 7);
  EXPECT_EQ(file.GetInt("Settings", "Sound volume"), 0);
  EXPECT_EQ(file.GetString("Settings", "Sound volume"), "junk");
  // Only the first section of a name counts.
  EXPECT_EQ(file.GetString("Settings", "Rotation"), std::nullopt);
  // Keys of another section are not seen.
  EXPECT_EQ(file.GetString("Settings", "FullScreen"), std::nullopt);
  EXPECT_EQ(file.GetString("Missing", "FullScreen"), std::nullopt);
}

TEST(IniFileRead, IgnoresKeysBeforeTheFirstSection) {
  const IniFile file = IniFile::FromText("FullScreen=1\n[Options]\nResolution=2\n");
  EXPECT_EQ(file.GetInt("Options", "FullScreen"), 0);
  EXPECT_EQ(file.GetInt("Options", "Resolution"), 2);
}

TEST(IniFileWrite, ReplacesOnlyTheKeysLine) {
  const std::string before =
      "; written by hand\r\n"
      "[Options]\r\n"
      "FullScreen=1\r\n"
      "Music volume=9\r\n"
      "\r\n"
      "[settings]\r\n"
      "  MUSIC VOLUME = 3  \r\n"
      "Other = keep me\r\n"
      "\r\n"
      "[Extra]\r\n"
      "Music volume=1";
  IniFile file = IniFile::FromText(before);
  ASSERT_TRUE(file.SetInt("Settings", "Music volume", 8));
  EXPECT_EQ(file.Text(),
            "; written by hand\r\n"
            "[Options]\r\n"
            "FullScreen=1\r\n"
            "Music volume=9\r\n"
            "\r\n"
            "[settings]\r\n"
            "MUSIC VOLUME=8\r\n"
            "Other = keep me\r\n"
            "\r\n"
            "[Extra]\r\n"
            "Music volume=1");
}

TEST(IniFileWrite, AppendsNewKeysAtTheEndOfTheirSectionInTheFilesLineEnds) {
  IniFile file = IniFile::FromText("[Settings]\nA=1\n\n[Options]\nFullScreen=0\n");
  ASSERT_TRUE(file.SetInt("Settings", "B", 2));
  EXPECT_EQ(file.Text(), "[Settings]\nA=1\nB=2\n\n[Options]\nFullScreen=0\n");

  // The section's last line is the file's last and has no line end.
  IniFile open = IniFile::FromText("[Options]\r\nFullScreen=0\r\n[Settings]\r\nA=1");
  ASSERT_TRUE(open.SetInt("settings", "B", -2));
  EXPECT_EQ(open.Text(), "[Options]\r\nFullScreen=0\r\n[Settings]\r\nA=1\r\nB=-2\r\n");

  // An empty section gets the key right under its header.
  IniFile empty = IniFile::FromText("[Settings]\n\n[Options]\n");
  ASSERT_TRUE(empty.SetInt("Settings", "A", 1));
  EXPECT_EQ(empty.Text(), "[Settings]\nA=1\n\n[Options]\n");
}

TEST(IniFileWrite, AddsAMissingSectionAtTheEnd) {
  IniFile lf = IniFile::FromText("[Options]\nFullScreen=1");
  ASSERT_TRUE(lf.SetInt("Settings", "Rotation", 1));
  EXPECT_EQ(lf.Text(), "[Options]\nFullScreen=1\n[Settings]\nRotation=1\n");

  IniFile none = IniFile::FromText("");
  ASSERT_TRUE(none.SetInt("Settings", "Rotation", 0));
  EXPECT_EQ(none.Text(), "[Settings]\r\nRotation=0\r\n");
}

TEST(IniFileWrite, RefusesTextThatWouldBreakTheLines) {
  IniFile file = IniFile::FromText("[Settings]\r\nA=1\r\n");
  EXPECT_FALSE(file.SetString("Settings", "A", "1\r\n[Options]\r\nFullScreen=1"));
  EXPECT_FALSE(file.SetString("Settings", "A=B", "1"));
  EXPECT_FALSE(file.SetString("Set]tings", "A", "1"));
  EXPECT_FALSE(file.SetString("Settings", "", "1"));
  EXPECT_EQ(file.Text(), "[Settings]\r\nA=1\r\n");
}

TEST_F(ConfigTest, MissingFileReadsAllZeros) {
  Config.FullScreen = true;
  Config.RotationSpeed = 1.55f;
  Config.KeyRepeatDelay = 170;
  Config.MusicVolume = 5;
  Config.SoundVolume = 5;
  Config.MusicNumber = 5;
  ReadDisplayOptions(Path);
  GetOptions(Path);
  EXPECT_FALSE(Config.FullScreen);
  EXPECT_EQ(Config.DisplayWidth, 0);
  EXPECT_EQ(Config.DisplayHeight, 0);
  EXPECT_FLOAT_EQ(Config.RotationSpeed, 0.75f);
  EXPECT_EQ(Config.KeyRepeatDelay, 340);
  EXPECT_EQ(Config.MusicVolume, 0);
  EXPECT_EQ(Config.SoundVolume, 0);
  EXPECT_FALSE(Config.RotateClockwise);
  EXPECT_EQ(Config.BrickQuality, 1);
  EXPECT_EQ(Config.MusicNumber, 0);
  EXPECT_FALSE(ReadFullScreenOption(Path));
}

TEST_F(ConfigTest, NoConfigFileIsCreatedHoldingOnlyTheSettings) {
  GetOptions(Path);
  CurrentMusicNumber = 4;
  ASSERT_TRUE(SaveOptions());
  EXPECT_EQ(ReadFile(Path),
            "[Settings]\r\n"
            "Music volume=0\r\n"
            "Sound volume=0\r\n"
            "Rotation=0\r\n"
            "Brick Quality=2\r\n"
            "Music Number=4\r\n");
}

TEST_F(ConfigTest, ResolutionTableAndDesktopSize) {
  struct Case {
    const char* Options;
    bool FullScreen;
    int32_t Width, Height;
  };
  const Case cases[] = {
      {"FullScreen=1\nResolution=0\n", true, 1600, 1200},
      {"FullScreen=1\nResolution=3\n", true, 1024, 768},
      {"FullScreen=1\nResolution=8\n", true, 320, 240},
      {"FullScreen=1\nUse desktop settings=0\nResolution=9\n", true, 0, 0},
      {"FullScreen=1\nResolution=-1\n", true, 0, 0},
      {"FullScreen=1\nUse desktop settings=1\nResolution=4\n", true, 0, 0},
      {"FullScreen=0x1\nResolution=5\n", true, 640, 480},
      {"FullScreen=2\nResolution=5\n", false, 0, 0},  // windowed: the table is not read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Options);
    Config = GameSettings{};
    WriteFile(Path, std::string("[Options]\n") + c.Options);
    ReadDisplayOptions(Path);
    EXPECT_EQ(Config.FullScreen, c.FullScreen);
    EXPECT_EQ(ReadFullScreenOption(Path), c.FullScreen);
    EXPECT_EQ(Config.DisplayWidth, c.Width);
    EXPECT_EQ(Config.DisplayHeight, c.Height);
  }

  // "Use desktop settings" clears a size chosen before; a bad resolution keeps it.
  Config.DisplayWidth = 800;
  Config.DisplayHeight = 600;
  WriteFile(Path, "[Options]\nFullScreen=1\nResolution=12\n");
  ReadDisplayOptions(Path);
  EXPECT_EQ(Config.DisplayWidth, 800);
  WriteFile(Path, "[Options]\nFullScreen=1\nUse desktop settings=1\n");
  ReadDisplayOptions(Path);
  EXPECT_EQ(Config.DisplayWidth, 0);
  EXPECT_EQ(Config.DisplayHeight, 0);
}

TEST_F(ConfigTest, RotationSpeedAndKeyDelayFallBackToTheSlowestSetting) {
  const std::pair<const char*, std::pair<float, int32_t>> cases[] = {
      {"0", {0.75f, 340}}, {"1", {1.15f, 250}},  {"2", {1.55f, 170}},
      {"3", {0.75f, 340}}, {"-1", {0.75f, 340}}, {"fast", {0.75f, 340}},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value);
    Config.RotationSpeed = 9.0f;
    Config.KeyRepeatDelay = 9;
    WriteFile(Path, std::string("[OPTIONS]\r\nRotation Speed=") + value +
                        "\r\nKeys Sensetive=" + value + "\r\n");
    ReadDisplayOptions(Path);
    EXPECT_FLOAT_EQ(Config.RotationSpeed, expected.first);
    EXPECT_EQ(Config.KeyRepeatDelay, expected.second);
  }
}

TEST_F(ConfigTest, MaxFpsKeepsZeroNAndMinusOneOnly) {
  const std::pair<const char*, int32_t> cases[] = {
      {"", 0},      {"Max FPS=0\n", 0},   {"max fps = 144\n", 144}, {"Max FPS=-1\n", -1},
      {"Max FPS=-2\n", 0}, {"Max FPS=0x1E\n", 30}, {"Max FPS=fast\n", 0},
  };
  for (const auto& [line, expected] : cases) {
    SCOPED_TRACE(line);
    Config.MaxFps = 7;
    WriteFile(Path, std::string("[Options]\n") + line);
    ReadDisplayOptions(Path);
    EXPECT_EQ(Config.MaxFps, expected);
  }
}

TEST_F(ConfigTest, VolumesAreBroughtIntoRangeWhenReadAndSavedSo) {
  const std::pair<const char*, int32_t> cases[] = {
      {"-3", 0}, {"0", 0}, {"9", 9}, {"12", 9}, {"loud", 0}, {"0x7FFFFFFF", 9},
  };
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(value);
    Config.MusicVolume = Config.SoundVolume = 5;
    WriteFile(Path, std::string("[Settings]\r\nMusic volume=") + value + "\r\nSound volume=" +
                        value + "\r\n");
    GetOptions(Path);
    EXPECT_EQ(Config.MusicVolume, expected);
    EXPECT_EQ(Config.SoundVolume, expected);
    ASSERT_TRUE(SaveOptions());
    const std::string saved = ReadFile(Path);
    const std::string line = std::to_string(expected) + "\r\n";
    EXPECT_NE(saved.find("Music volume=" + line), std::string::npos) << saved;
    EXPECT_NE(saved.find("Sound volume=" + line), std::string::npos) << saved;
  }
}

TEST_F(ConfigTest, SettingsRoundTripKeepsEveryOtherByte) {
  const std::string options =
      "[Options]\r\n"
      "FullScreen=1\r\n"
      "Use desktop settings=0\r\n"
      "Resolution=3\r\n"
      "Rotation Speed=1\r\n"
      "Keys Sensetive=2\r\n"
      "Music volume=9\r\n"  // not ours: [Options] is never written
      "\r\n";
  WriteFile(Path,
            options +
                "[Settings]\r\n"
                "music VOLUME=0x5\r\n"
                "; the player's note\r\n"
                "Sound volume = 3\r\n"
                "Rotation=2\r\n"
                "Brick Quality=0\r\n"
                "Music Number=7\r\n"
                "\r\n"
                "[Launcher]\r\n"
                "Rotation=1\r\n");
  ReadDisplayOptions(Path);
  GetOptions(Path);
  EXPECT_TRUE(Config.FullScreen);
  EXPECT_EQ(Config.DisplayWidth, 1024);
  EXPECT_EQ(Config.MusicVolume, 5);
  EXPECT_EQ(Config.SoundVolume, 3);
  EXPECT_FALSE(Config.RotateClockwise);  // only 1 means clockwise
  EXPECT_EQ(Config.BrickQuality, 1);     // 0 is no stored quality
  EXPECT_EQ(Config.MusicNumber, 7);

  CurrentMusicNumber = 11;  // what played last is what is saved
  ASSERT_TRUE(SaveOptions());
  EXPECT_EQ(ReadFile(Path), options +
                                "[Settings]\r\n"
                                "music VOLUME=5\r\n"
                                "; the player's note\r\n"
                                "Sound volume=3\r\n"
                                "Rotation=0\r\n"
                                "Brick Quality=2\r\n"
                                "Music Number=11\r\n"
                                "\r\n"
                                "[Launcher]\r\n"
                                "Rotation=1\r\n");
}

// F11's choice: the one key written in place (or added to [Options]), every other byte as
// it was, and read back by the next start.
TEST_F(ConfigTest, FullScreenChoiceWritesThatKeyAlone) {
  struct Case {
    const char* Name;
    std::string Before, After;
    bool FullScreen;
  };
  const Case cases[] = {
      {"the default file", "[Options]\r\nFullScreen=0\r\nUse desktop settings=1\r\n\r\n[Settings]\r\nRotation=1\r\n",
       "[Options]\r\nFullScreen=1\r\nUse desktop settings=1\r\n\r\n[Settings]\r\nRotation=1\r\n", true},
      {"back to the window, the key's spelling kept", "[options]\nfullscreen = 1 ; big\n[Keys]\nFullScreen=1\n",
       "[options]\nfullscreen=0\n[Keys]\nFullScreen=1\n", false},
      {"no key yet: at the end of [Options], not in the next section",
       "[Options]\r\nResolution=3\r\n\r\n[Settings]\r\nFullScreen=0\r\n",
       "[Options]\r\nResolution=3\r\nFullScreen=1\r\n\r\n[Settings]\r\nFullScreen=0\r\n", true},
      {"no [Options] at all", "[Settings]\r\nRotation=1\r\n",
       "[Settings]\r\nRotation=1\r\n[Options]\r\nFullScreen=1\r\n", true},
      {"no file", "", "[Options]\r\nFullScreen=1\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    fs::remove(Path);
    if (!c.Before.empty()) WriteFile(Path, c.Before);
    ASSERT_TRUE(WriteFullScreenOption(Path, c.FullScreen));
    EXPECT_EQ(ReadFile(Path), c.After);
    EXPECT_EQ(ReadFullScreenOption(Path), c.FullScreen);
    ReadDisplayOptions(Path);
    EXPECT_EQ(Config.FullScreen, c.FullScreen);
  }
  // A folder where the file should be: a failure, and nothing made in its place.
  fs::remove(Path);
  fs::create_directory(Path);
  EXPECT_FALSE(WriteFullScreenOption(Path, true));
  EXPECT_TRUE(fs::is_directory(Path));
}

TEST_F(ConfigTest, MusicNumberIsKeptWhenNoPieceWasPlayed) {
  for (const char* stored : {"7", "11", "-3"}) {
    WriteFile(Path, std::string("[Settings]\nMusic Number=") + stored + "\n");
    GetOptions(Path);
    ASSERT_TRUE(SaveOptions());  // a run without a sound device
    EXPECT_EQ(ReadProfileInt(Path, "Settings", "Music Number"), std::stoi(stored));
  }
}

TEST_F(ConfigTest, BrickQualityIsStoredOneHigher) {
  for (int stored = 1; stored <= 3; ++stored) {
    WriteFile(Path, "[Settings]\nBrick Quality=" + std::to_string(stored) + "\nRotation=1\n");
    GetOptions(Path);
    EXPECT_EQ(Config.BrickQuality, stored - 1);
    EXPECT_TRUE(Config.RotateClockwise);
    Config.BrickQuality = static_cast<uint8_t>((stored + 1) % 3);
    ASSERT_TRUE(SaveOptions());
    EXPECT_EQ(ReadProfileInt(Path, "Settings", "Brick Quality"), (stored + 1) % 3 + 1);
    EXPECT_EQ(ReadProfileInt(Path, "Settings", "Rotation"), 1);
  }
  // A quality outside 0..2 is not written; the stored line stays.
  WriteFile(Path, "[Settings]\nBrick Quality=3\n");
  GetOptions(Path);
  Config.BrickQuality = 7;
  ASSERT_TRUE(SaveOptions());
  EXPECT_EQ(ReadFile(Path),
            "[Settings]\nBrick Quality=3\nMusic volume=0\nSound volume=0\nRotation=0\n"
            "Music Number=0\n");
}

TEST_F(ConfigTest, SaveWritesNothingUnlessTheSettingsWereRead) {
  EXPECT_TRUE(SaveOptions());
  EXPECT_FALSE(fs::exists(Path));

  GetOptions(Path);
  ASSERT_TRUE(SaveOptions());
  // Saving closed the settings: a second save has nothing to write back.
  WriteFile(Path, "[Options]\nFullScreen=1\n");
  EXPECT_TRUE(SaveOptions());
  EXPECT_EQ(ReadFile(Path), "[Options]\nFullScreen=1\n");
}

TEST_F(ConfigTest, SaveKeepsPermissionsAndWritesThroughALink) {
  const std::string real = (Folder / "real.ini").string();
  WriteFile(real, "[Options]\nFullScreen=1\n");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  fs::create_symlink(real, Path);
  GetOptions(Path);
  ASSERT_TRUE(SaveOptions());
  EXPECT_TRUE(fs::is_symlink(Path));
  EXPECT_EQ(ReadProfileInt(real, "Settings", "Brick Quality"), 2);
  EXPECT_EQ(ReadProfileInt(real, "Options", "FullScreen"), 1);
  struct stat info {};
  ASSERT_EQ(::stat(real.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  // Nothing but the two names is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder.Path()), fs::directory_iterator()), 2);
}

TEST_F(ConfigTest, AFailedWriteLeavesTheOldFileAndSaysSo) {
  // Larger than the limit below, while the one-line report still fits under it.
  const std::string before = "[Options]\r\nFullScreen=1\r\n[Settings]\r\nMusic volume=4\r\n; " +
                             std::string(600, '-') + "\r\n";
  WriteFile(Path, before);
  GetOptions(Path);
  Config.MusicVolume = 9;
  bool saved;
  testing::internal::CaptureStderr();
  {
    FileSizeLimit full(400);
    saved = SaveOptions();
  }
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFile(Path), before);
  EXPECT_NE(message.find(Path), std::string::npos) << message;
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  EXPECT_EQ(std::distance(fs::directory_iterator(Folder.Path()), fs::directory_iterator()), 1);
}

TEST_F(ConfigTest, AnUnwritableOrUnreadablePlaceIsAFailure) {
  testing::internal::CaptureStderr();
  EXPECT_FALSE(WriteProfileString((Folder / "gone/config.ini").string(), "Settings", "Rotation", "1"));
  // A folder where the file should be cannot be read, so it must not be replaced.
  fs::create_directory(Path);
  GetOptions(Path);
  EXPECT_FALSE(SaveOptions());
  const std::string message = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(fs::is_directory(Path));
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 2) << message;
}

TEST(ConfigPathTest, IsBesideTheExecutable) {
  EXPECT_EQ(fs::path(ConfigPath()), fs::path(ProgramFolder()) / "config.ini");
}

}  // namespace
}  // namespace zolvane
