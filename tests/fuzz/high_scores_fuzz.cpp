// highscores.dat: any bytes load without harm, and a table once loaded saves and loads back
// the same.
#include <string>

#include "fuzz_support.h"
#include "game/high_scores.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile(HighScoresFile, data, size);
  fuzz::Require(LoadHighScores(), "a readable file was reported unreadable");
  HighScoreEntry loaded[5][11];
  for (int type = 1; type <= 4; ++type)
    for (int rank = 1; rank <= 10; ++rank) loaded[type][rank] = HighScores[type][rank];
  fuzz::Require(SaveHighScores(), "the table could not be saved");
  SetDefaultHighScores();
  fuzz::Require(LoadHighScores(), "the saved table could not be loaded");
  for (int type = 1; type <= 4; ++type)
    for (int rank = 1; rank <= 10; ++rank) {
      fuzz::Require(HighScores[type][rank].Name == loaded[type][rank].Name,
                    "a name changed on its way through the file");
      fuzz::Require(HighScores[type][rank].Score == loaded[type][rank].Score,
                    "a score changed on its way through the file");
    }
  return 0;
}
