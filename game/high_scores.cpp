#include "game/high_scores.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/game_types.h"
#include "platform/atomic_file.h"

namespace zolvane {

HighScoreEntry HighScores[GameTypeCount + 1][11];

namespace {

constexpr int Ranks = 10;
constexpr uint8_t NameEnd = 255;
constexpr uint8_t ScoreEnd = 32;

// The game never types more than 18 characters; a damaged file without name terminators
// must not grow a name without bound.
constexpr size_t MaxStoredNameLength = 4096;

// The scrambling byte of rank 1..10: an odd step through the byte values, so the ten keys
// are distinct, and an offset that keeps all of them away from 0.
uint8_t EntryKey(int rank) { return static_cast<uint8_t>(rank * 37 + 90); }

// Reads a file through a small buffer, one byte at a time.
class ByteReader {
 public:
  explicit ByteReader(std::FILE* f) : File(f) {}
  // False at the end of the file or on a read error (see Failed).
  bool Next(uint8_t& byte) {
    if (Pos == Len) {
      Len = std::fread(Buffer, 1, sizeof Buffer, File);
      Pos = 0;
      if (Len == 0) return false;
    }
    byte = Buffer[Pos++];
    return true;
  }
  bool Failed() const { return std::ferror(File) != 0; }

 private:
  std::FILE* File;
  uint8_t Buffer[4096];
  size_t Len = 0, Pos = 0;
};

// The decimal digits of the score taken as an unsigned 32-bit number, so that a negative
// score (possible only from a damaged file) is written without a sign and reads back as
// the same value.
std::string ScoreDigits(int32_t score) { return std::to_string(static_cast<uint32_t>(score)); }

// The player hears of the table's file, not of the temporary that failed.
const char* SaveFailure(ReplaceStep step) {
  switch (step) {
    case ReplaceStep::FollowLink: return "cannot be followed";
    case ReplaceStep::ReadOnly: return "is read-only, the old table is kept";
    case ReplaceStep::CreateTemp: return "cannot be saved: no new file can be made beside it";
    case ReplaceStep::Rename: return "cannot be replaced, the old table is kept";
    default: return "cannot be saved, the old table is kept";
  }
}

void Report(const std::string& path, const char* what, int error = errno) {
  std::fprintf(stderr, "%s: %s: %s\n", path.c_str(), what, std::strerror(error));
}

}  // namespace

void SetDefaultHighScores() {
  for (int type = 1; type <= GameTypeCount; ++type)
    for (int rank = 1; rank <= Ranks; ++rank) HighScores[type][rank] = {"Noname", 0};
}

bool LoadHighScores(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    const bool missing = errno == ENOENT;
    if (!missing) Report(path, "cannot be opened");
    SetDefaultHighScores();
    return missing;
  }

  HighScoreEntry table[GameTypeCount + 1][Ranks + 1];
  ByteReader in(f);
  bool atEnd = false;
  for (int type = 1; type <= GameTypeCount && !atEnd; ++type)
    for (int rank = 1; rank <= Ranks && !atEnd; ++rank) {
      const uint8_t key = EntryKey(rank);
      HighScoreEntry& entry = table[type][rank];
      uint8_t byte;
      for (;;) {
        if (!in.Next(byte)) {
          atEnd = true;
          break;
        }
        const uint8_t c = byte ^ key;
        if (c == NameEnd) break;
        if (entry.Name.size() < MaxStoredNameLength) entry.Name.push_back(static_cast<char>(c));
      }
      // Any byte counts as a digit, as the game always read it; the arithmetic is unsigned
      // so that a long run of digits wraps around at 32 bits instead of overflowing.
      uint32_t score = 0;
      while (!atEnd) {
        if (!in.Next(byte)) {
          atEnd = true;
          break;
        }
        const uint8_t c = byte ^ key;
        if (c == ScoreEnd) break;
        score = score * 10u + static_cast<uint32_t>(static_cast<int32_t>(c) - 48);
      }
      entry.Score = static_cast<int32_t>(score);
    }

  const bool failed = in.Failed();
  std::fclose(f);
  if (failed) {
    Report(path, "cannot be read");
    SetDefaultHighScores();
    return false;
  }
  for (int type = 1; type <= GameTypeCount; ++type)
    for (int rank = 1; rank <= Ranks; ++rank) HighScores[type][rank] = std::move(table[type][rank]);
  return true;
}

bool SaveHighScores(const std::string& path) {
  std::string bytes;
  for (int type = 1; type <= GameTypeCount; ++type)
    for (int rank = 1; rank <= Ranks; ++rank) {
      const uint8_t key = EntryKey(rank);
      const HighScoreEntry& entry = HighScores[type][rank];
      // A name byte 255 would end the name early and push the rest of it into the score;
      // the name is stored up to it, which is what reading would keep anyway.
      for (const char ch : entry.Name) {
        if (static_cast<uint8_t>(ch) == NameEnd) break;
        bytes.push_back(static_cast<char>(static_cast<uint8_t>(ch) ^ key));
      }
      bytes.push_back(static_cast<char>(NameEnd ^ key));
      for (const char digit : ScoreDigits(entry.Score))
        bytes.push_back(static_cast<char>(static_cast<uint8_t>(digit) ^ key));
      bytes.push_back(static_cast<char>(ScoreEnd ^ key));
    }

  const ReplaceResult saved = ReplaceFileAtomically(path, bytes);
  if (!saved) Report(path, SaveFailure(saved.Step), saved.Error);
  return static_cast<bool>(saved);
}

bool InsertHighScore(int32_t gameType, int32_t position, int32_t score) {
  if (!IsGameType(gameType) || position < 1 || position > Ranks) return false;
  HighScoreEntry* table = HighScores[gameType];
  for (int rank = Ranks; rank > position; --rank) table[rank] = table[rank - 1];
  table[position] = {"", score};
  return true;
}

namespace {
int32_t StandInType = 0;  // none
std::array<int32_t, 10> StandIn{};
}  // namespace

int32_t TableScore(int32_t gameType, int32_t rank) {
  if (!IsGameType(gameType) || rank < 1 || rank > Ranks) return 0;
  if (gameType == StandInType) return StandIn[static_cast<size_t>(rank - 1)];
  return HighScores[gameType][rank].Score;
}

void MeasureAgainst(int32_t gameType, const std::array<int32_t, 10>& scores) {
  StandInType = gameType;
  StandIn = scores;
}

void MeasureAgainstTable() { StandInType = 0; }

}  // namespace zolvane
