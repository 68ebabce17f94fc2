// Ten best results per game type, kept in memory and in highscores.dat.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "game/game_types.h"

namespace zolvane {

struct HighScoreEntry {
  std::string Name;
  int32_t Score = 0;
};

// [game type 1..4][rank 1..10]; index 0 unused.
extern HighScoreEntry HighScores[GameTypeCount + 1][11];

constexpr const char* HighScoresFile = "highscores.dat";

// Every entry "Noname" with 0.
void SetDefaultHighScores();
// Reads the file, or sets the default table when there is none. Never throws on a
// damaged file; returns false only when an existing file could not be read.
bool LoadHighScores(const std::string& path = HighScoresFile);
// Writes all 40 entries; the old file is replaced only once the new one is complete.
// Through a symbolic link the file it names is replaced, and the link stays.
bool SaveHighScores(const std::string& path = HighScoresFile);
// Places score at position (1..10) of the game type's table with an empty name, for the
// name entry to fill; false, changing nothing, for position 11 or a bad argument.
bool InsertHighScore(int32_t gameType, int32_t position, int32_t score);

// The score at rank 1..10 that a running game is measured against (its rank, the score to
// beat beside the well): the game type's table, or the scores standing in for it while a
// replay is watched. Out-of-range types and ranks read as 0.
int32_t TableScore(int32_t gameType, int32_t rank);
// Ranks 1..10 of gameType that TableScore gives in place of the table's, until
// MeasureAgainstTable. The table itself, which is saved, is never touched.
void MeasureAgainst(int32_t gameType, const std::array<int32_t, 10>& scores);
void MeasureAgainstTable();

}  // namespace zolvane
