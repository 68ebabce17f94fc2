// zolvane-sim --record and --verify: games of every type saved and proven, and damaged
// files refused by status without a crash.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <regex>
#include <string>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using namespace test;

struct SimRun {
  int Status = -1;
  std::string Out, Err;
};

class SimReplayTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(fs::exists(Sim)) << "build zolvane-sim first"; }

  SimRun RunSim(const std::string& args, const std::string& script = "") {
    WriteFile(Dir / "script.txt", script);
    const std::string command = "cd '" + Dir.string() + "' && timeout 60 '" + Sim.string() +
                                "' " + args + " < script.txt 2> stderr.txt";
    SimRun r;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return r;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) r.Out.append(buffer, n);
    const int status = pclose(pipe.release());
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;  // a signal is never 0, 1 or 2
    r.Err = ReadFile(Dir / "stderr.txt");
    return r;
  }

  // Random keys with long and short frames; Escape is answered No, so only the well ends
  // the game, and Enter then leaves it.
  static std::string RandomGame(uint32_t seed) {
    std::mt19937 random(seed);
    const char* keys[] = {"Left", "Right", "Up", "Down", "Space", "Ctrl", "P", "Escape", "N", ""};
    const int frames[] = {0, 1, 8, 16, 17, 33, 100, 250};
    std::string script;
    for (int i = 0; i < 6000; ++i)
      script += std::to_string(frames[random() % 8]) + " " + keys[random() % 10] + "\n";
    return script + "repeat 100 16 Enter\n";
  }

  static int Figure(const std::string& text, const std::string& key) {
    std::smatch m;
    if (!std::regex_search(text, m, std::regex("\"" + key + "\":(-?[0-9]+)"))) return -1;
    return std::stoi(m[1]);
  }

  const TempFolder Folder;
  const fs::path Dir = Folder.Path();
  const fs::path Sim = fs::path(ZOLVANE_BINARY_DIR) / "zolvane-sim";
};

TEST_F(SimReplayTest, AGameOfEachTypeRecordsAndVerifies) {
  for (int type = 1; type <= 4; ++type) {
    for (const char* again : {"", "--again"}) {
      SCOPED_TRACE("type " + std::to_string(type) + " " + again);
      const std::string file = "game" + std::to_string(type) + ".zrp";
      const SimRun played = RunSim("--trace --seed " + std::to_string(10 + type) + " --type " +
                                  std::to_string(type) + " " + again + " --record " + file,
                              RandomGame(type));
      ASSERT_EQ(played.Status, 0) << played.Err;
      const SimRun verified = RunSim("--verify " + file);
      EXPECT_EQ(verified.Status, 0) << verified.Out << verified.Err;
      EXPECT_NE(verified.Out.find("verified: the replay gives the recorded result"),
                std::string::npos);
      // Without --again the game recorded is the one that ended, not the fresh well after it.
      if (*again) continue;
      const size_t over = played.Out.rfind("\"GameOver\":true");
      ASSERT_NE(over, std::string::npos) << "the game ended";
      const std::string ended = played.Out.substr(played.Out.rfind('\n', over) + 1);
      const int score = Figure(ended, "Score");
      EXPECT_GT(score, 0);
      EXPECT_TRUE(std::regex_search(
          verified.Out, std::regex("Score +" + std::to_string(score) + " +" +
                                   std::to_string(score) + "\n")))
          << verified.Out;
      // The well the replay ends with is the one the game ended with, row for row.
      std::smatch rows;
      ASSERT_TRUE(std::regex_search(ended, rows, std::regex("\"Well\":\\[([^\\]]*)\\]")));
      const std::string well = std::regex_replace(
          std::regex_replace(rows[1].str(), std::regex("\",\""), "/"), std::regex("\""), "");
      EXPECT_EQ(well.size(), 20u * 11 - 1);
      EXPECT_NE(well.find_first_not_of("./"), std::string::npos) << "bricks in the well";
      EXPECT_NE(verified.Out.find("\nWell     " + well + "\n"), std::string::npos)
          << verified.Out;
    }
  }
}

TEST_F(SimReplayTest, DamagedFilesExit2NamingTheFileAndWhatIsWrong) {
  ASSERT_EQ(RunSim("--seed 3 --record good.zrp", RandomGame(3)).Status, 0);
  const std::string good = ReadFile(Dir / "good.zrp");
  ASSERT_GT(good.size(), 100u);
  auto flipped = [&good](size_t at) {
    std::string b = good;
    b[at] = static_cast<char>(b[at] ^ 0x01);
    return b;
  };
  std::string newer = good;
  newer[8] = 9;
  // The step count, after the header with its 9-byte name and the start state.
  std::string huge = good;
  for (int i = 0; i < 4; ++i) huge[111 + i] = '\xff';
  const struct {
    const char* name;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"empty.zrp", "", "not a replay"},
      {"half.zrp", good.substr(0, good.size() / 2), "truncated"},
      {"short.zrp", good.substr(0, 20), "truncated"},
      {"header.zrp", flipped(14), "checksum"},
      {"steps.zrp", flipped(good.size() - 10), "checksum"},
      {"magic.zrp", "XRPL" + good.substr(4), "not a replay"},
      {"newer.zrp", newer, "newer version"},
      {"huge.zrp", huge, "damaged"},
      {"text.txt", "0 Left\n16 Right\n", "not a replay"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(Dir / c.name, c.bytes);
    const SimRun r = RunSim(std::string("--verify ") + c.name);
    EXPECT_EQ(r.Status, 2) << r.Out;
    EXPECT_NE(r.Err.find(c.name), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(c.says), std::string::npos) << r.Err;
  }
  // A file far larger than any game is refused before it is read.
  WriteFile(Dir / "vast.zrp", good);
  fs::resize_file(Dir / "vast.zrp", uint64_t{100} << 20);
  const SimRun vast = RunSim("--verify vast.zrp");
  EXPECT_EQ(vast.Status, 2);
  EXPECT_NE(vast.Err.find("vast.zrp: not a replay of this game"), std::string::npos) << vast.Err;
  fs::create_directory(Dir / "folder.zrp");
  for (const char* name : {"missing.zrp", "folder.zrp"}) {
    const SimRun r = RunSim(std::string("--verify ") + name);
    EXPECT_EQ(r.Status, 2) << name;
    EXPECT_NE(r.Err.find(name), std::string::npos) << r.Err;
  }
}

TEST_F(SimReplayTest, AGameWhoseWellTheScriptSetsIsNotRecorded) {
  const SimRun r = RunSim("--record x.zrp", "16 Left\nwell 1 11111.....\n16\n");
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("cannot be recorded"), std::string::npos) << r.Err;
  EXPECT_FALSE(fs::exists(Dir / "x.zrp"));
  EXPECT_EQ(RunSim("--verify x.zrp -").Status, 2) << "a script beside --verify is refused";
}

}  // namespace
}  // namespace zolvane
