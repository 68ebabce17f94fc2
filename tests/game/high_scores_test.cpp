#include "game/high_scores.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/file_size_limit.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using namespace test;

class HighScoreFile : public ::testing::Test {
 protected:
  void SetUp() override { SetDefaultHighScores(); }

  // The ten entry keys as the file shows them: a table of empty names and zero scores is
  // three bytes per entry (255, '0', ' ', each scrambled).
  std::vector<uint8_t> KeysFromFile() {
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r) HighScores[t][r] = {"", 0};
    EXPECT_TRUE(SaveHighScores(File));
    const Bytes b = ReadBytes(File);
    EXPECT_EQ(b.size(), 120u);
    std::vector<uint8_t> keys(11);
    for (int r = 1; r <= 10 && b.size() == 120; ++r) keys[r] = b[(r - 1) * 3] ^ 255;
    return keys;
  }

  // Names with spaces, control and high bytes, an empty one; scores up to the largest.
  static std::string SampleName(int t, int r) {
    const char* names[] = {"Ada", "", "Bob Smith", "x", "eighteen-chars-abc",
                           "\x01\x7f\x80\xfe", "Lo", "Q", " spaced ", "Z"};
    return names[r - 1] + std::to_string(t);
  }
  static int32_t SampleScore(int t, int r) {
    const int32_t scores[] = {2147483647, 51230, 4000, 999, 100, 30, 5, 1, 0, 0};
    return scores[r - 1] / t;
  }
  void FillSample() {
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r) HighScores[t][r] = {SampleName(t, r), SampleScore(t, r)};
  }

  const TempFolder Folder;
  const fs::path Dir = Folder.Path(), File = Dir / "highscores.dat";
};

void ExpectEntry(int type, int rank, const std::string& name, int32_t score) {
  EXPECT_EQ(HighScores[type][rank].Name, name) << "type " << type << " rank " << rank;
  EXPECT_EQ(HighScores[type][rank].Score, score) << "type " << type << " rank " << rank;
}

TEST_F(HighScoreFile, NoFileGivesTheDefaultTable) {
  HighScores[3][7] = {"left over", 77};
  EXPECT_TRUE(LoadHighScores(File));
  for (int t = 1; t <= 4; ++t)
    for (int r = 1; r <= 10; ++r) ExpectEntry(t, r, "Noname", 0);
  EXPECT_FALSE(fs::exists(File));
}

TEST_F(HighScoreFile, LayoutIsNameTerminatorDigitsSpaceUnderTenDistinctRankKeys) {
  const std::vector<uint8_t> keys = KeysFromFile();
  const Bytes empty = ReadBytes(File);
  for (int t = 0; t < 4; ++t)
    for (int r = 1; r <= 10; ++r) {
      const size_t at = (t * 10 + r - 1) * 3;
      EXPECT_NE(keys[r], 0) << "rank " << r;
      EXPECT_EQ(empty[at], 255 ^ keys[r]);  // every game type uses the same ten keys
      EXPECT_EQ(empty[at + 1], '0' ^ keys[r]);
      EXPECT_EQ(empty[at + 2], ' ' ^ keys[r]);
    }
  for (int a = 1; a <= 10; ++a)
    for (int b = a + 1; b <= 10; ++b) EXPECT_NE(keys[a], keys[b]) << a << " " << b;

  // One entry written in full: name bytes, terminator, plain decimal digits, space.
  HighScores[1][2] = {"Al", 1205};
  ASSERT_TRUE(SaveHighScores(File));
  const Bytes b = ReadBytes(File);
  const uint8_t k = keys[2];
  const Bytes expected = {uint8_t('A' ^ k), uint8_t('l' ^ k), uint8_t(255 ^ k), uint8_t('1' ^ k),
                          uint8_t('2' ^ k), uint8_t('0' ^ k), uint8_t('5' ^ k), uint8_t(' ' ^ k)};
  ASSERT_EQ(b.size(), 120u + 5);
  EXPECT_EQ(Bytes(b.begin() + 3, b.begin() + 11), expected);
}

TEST_F(HighScoreFile, SaveThenLoadReproducesTheTableExactly) {
  FillSample();
  HighScores[4][10].Score = -42;  // only a damaged file gives this; it must still survive
  ASSERT_TRUE(SaveHighScores(File));
  SetDefaultHighScores();
  ASSERT_TRUE(LoadHighScores(File));
  for (int t = 1; t <= 4; ++t)
    for (int r = 1; r <= 10; ++r)
      ExpectEntry(t, r, SampleName(t, r), t == 4 && r == 10 ? -42 : SampleScore(t, r));
  // Saving what was read gives the same bytes again.
  const Bytes first = ReadBytes(File);
  ASSERT_TRUE(SaveHighScores(File));
  EXPECT_EQ(ReadBytes(File), first);
}

TEST_F(HighScoreFile, ANameWithByte255IsCutThereAndTheRestOfTheTableSurvives) {
  FillSample();
  HighScores[2][3] = {std::string("ab\xff" "cd 12"), 640};
  ASSERT_TRUE(SaveHighScores(File));
  SetDefaultHighScores();
  ASSERT_TRUE(LoadHighScores(File));
  ExpectEntry(2, 3, "ab", 640);
  ExpectEntry(2, 4, SampleName(2, 4), SampleScore(2, 4));
  ExpectEntry(4, 10, SampleName(4, 10), 0);
}

TEST_F(HighScoreFile, ScoreDigitsWrapAroundAt32BitsAndNonDigitsCountAsTheyAre) {
  const std::vector<uint8_t> keys = KeysFromFile();
  auto entry = [&](int rank, const std::string& name, const std::string& digits) {
    Bytes b;
    for (char c : name) b.push_back(uint8_t(c) ^ keys[rank]);
    b.push_back(255 ^ keys[rank]);
    for (char c : digits) b.push_back(uint8_t(c) ^ keys[rank]);
    b.push_back(' ' ^ keys[rank]);
    return b;
  };
  Bytes file;
  auto add = [&](const Bytes& b) { file.insert(file.end(), b.begin(), b.end()); };
  add(entry(1, "big", "99999999999"));               // 99999999999 mod 2^32
  add(entry(2, "max", "4294967295"));                // 2^32 - 1 reads as -1
  add(entry(3, "letter", "1a"));                     // 1 * 10 + ('a' - '0')
  add(entry(4, "minus", "-5"));                      // ('-' - '0') * 10 + 5
  add(entry(5, "long", std::string(100000, '9')));  // no overflow, no crash
  add(entry(6, "zeros", "0007"));
  WriteFile(File, file);

  ASSERT_TRUE(LoadHighScores(File));
  ExpectEntry(1, 1, "big", 1215752191);
  ExpectEntry(1, 2, "max", -1);
  ExpectEntry(1, 3, "letter", 59);
  ExpectEntry(1, 4, "minus", -25);
  ExpectEntry(1, 6, "zeros", 7);
  ExpectEntry(1, 7, "", 0);
  ExpectEntry(4, 10, "", 0);
}

TEST_F(HighScoreFile, ATruncatedFileKeepsWhatWasReadAndEmptiesTheRest) {
  FillSample();
  ASSERT_TRUE(SaveHighScores(File));
  const Bytes full = ReadBytes(File);
  HighScoreEntry saved[5][11];
  for (int t = 1; t <= 4; ++t)
    for (int r = 1; r <= 10; ++r) saved[t][r] = HighScores[t][r];

  // Every cut: complete entries before it are intact, entries after it are empty.
  for (size_t cut = 0; cut <= full.size(); ++cut) {
    WriteFile(File, Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
    ASSERT_TRUE(LoadHighScores(File)) << "cut " << cut;
    size_t offset = 0;
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r) {
        const HighScoreEntry& e = saved[t][r];
        const size_t size = e.Name.size() + 1 + std::to_string(e.Score).size() + 1;
        const HighScoreEntry& got = HighScores[t][r];
        if (offset + size <= cut) {
          ASSERT_EQ(got.Name, e.Name) << "cut " << cut << " type " << t << " rank " << r;
          ASSERT_EQ(got.Score, e.Score) << "cut " << cut << " type " << t << " rank " << r;
        } else if (offset >= cut) {
          ASSERT_EQ(got.Name, "") << "cut " << cut << " type " << t << " rank " << r;
          ASSERT_EQ(got.Score, 0) << "cut " << cut << " type " << t << " rank " << r;
        } else {  // cut inside this entry: a prefix of its name at most
          ASSERT_EQ(e.Name.compare(0, got.Name.size(), got.Name), 0) << "cut " << cut;
        }
        offset += size;
      }
  }
}

TEST_F(HighScoreFile, DamagedFilesNeverCrashAndNeverGrowWithoutBound) {
  // No terminators at all: a name that would take the whole megabyte.
  WriteFile(File, Bytes(1 << 20, 'q'));
  ASSERT_TRUE(LoadHighScores(File));
  EXPECT_LE(HighScores[1][1].Name.size(), 4096u);
  EXPECT_FALSE(HighScores[1][1].Name.empty());
  ExpectEntry(1, 2, "", 0);

  // Noise: whatever it decodes to, all 40 entries are set and the load succeeds.
  Bytes noise(20000);
  uint32_t x = 12345;
  for (uint8_t& b : noise) b = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
  WriteFile(File, noise);
  EXPECT_TRUE(LoadHighScores(File));

  // A folder in the file's place cannot be read: reported, and the table is the default.
  fs::remove(File);
  fs::create_directory(File);
  HighScores[1][1] = {"stale", 9};
  EXPECT_FALSE(LoadHighScores(File));
  ExpectEntry(1, 1, "Noname", 0);
}

TEST_F(HighScoreFile, AFailedSaveLeavesTheOldFileAndNoLeftovers) {
  FillSample();
  ASSERT_TRUE(SaveHighScores(File));
  const Bytes old = ReadBytes(File);
  HighScores[1][1] = {"New champion", 99999};

  // The disk fills up part-way through the write.
  bool full;
  {
    const FileSizeLimit limit(16);
    full = SaveHighScores(File);
  }
  EXPECT_FALSE(full);
  EXPECT_EQ(ReadBytes(File), old);

  // A folder that does not exist.
  EXPECT_FALSE(SaveHighScores((Dir / "missing" / "highscores.dat").string()));

  // A folder that cannot be written (root may write anywhere, so only for other users).
  if (geteuid() != 0) {
    fs::permissions(Dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(SaveHighScores(File));
    fs::permissions(Dir, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(File), old);
  }

  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(Dir)) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>{"highscores.dat"});

  // The next save that can succeed does.
  EXPECT_TRUE(SaveHighScores(File));
  ASSERT_TRUE(LoadHighScores(File));
  ExpectEntry(1, 1, "New champion", 99999);
}

class InsertHighScoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r)
        HighScores[t][r] = {"p" + std::to_string(t) + "-" + std::to_string(r), 1100 - 100 * r};
  }
};

TEST_F(InsertHighScoreTest, RankOneMovesAllDownAndDropsTheLast) {
  EXPECT_TRUE(InsertHighScore(2, 1, 5000));
  ExpectEntry(2, 1, "", 5000);
  for (int r = 2; r <= 10; ++r) ExpectEntry(2, r, "p2-" + std::to_string(r - 1), 1100 - 100 * (r - 1));
  for (int r = 1; r <= 10; ++r) ExpectEntry(1, r, "p1-" + std::to_string(r), 1100 - 100 * r);
}

TEST_F(InsertHighScoreTest, RankTenReplacesOnlyTheLastAndAMiddleRankShiftsBelowIt) {
  EXPECT_TRUE(InsertHighScore(4, 10, 150));
  ExpectEntry(4, 10, "", 150);
  ExpectEntry(4, 9, "p4-9", 200);

  EXPECT_TRUE(InsertHighScore(3, 5, 650));
  for (int r = 1; r <= 4; ++r) ExpectEntry(3, r, "p3-" + std::to_string(r), 1100 - 100 * r);
  ExpectEntry(3, 5, "", 650);
  for (int r = 6; r <= 10; ++r) ExpectEntry(3, r, "p3-" + std::to_string(r - 1), 1100 - 100 * (r - 1));
}

TEST_F(InsertHighScoreTest, NoRankOrABadArgumentChangesNothing) {
  for (auto [type, position] : {std::pair{1, 11}, {1, 0}, {1, -3}, {1, 12}, {0, 1}, {5, 1}})
    EXPECT_FALSE(InsertHighScore(type, position, 99999)) << type << " " << position;
  for (int t = 1; t <= 4; ++t)
    for (int r = 1; r <= 10; ++r) ExpectEntry(t, r, "p" + std::to_string(t) + "-" + std::to_string(r), 1100 - 100 * r);
}

}  // namespace
}  // namespace zolvane
