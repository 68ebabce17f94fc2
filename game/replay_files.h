// Replays kept beside highscores.dat: the last game played, and one file for each row of the
// high score tables, named by the row so that finding it, and cleaning up after a crash
// between two steps, needs nothing but the table.
#pragma once
#include <cstdint>
#include <string>

#include "game/replay.h"

namespace zolvane {

constexpr const char* LastGameReplayFile = "lastgame.zrp";
constexpr const char* TableReplaysFolder = "replays";

// The folder of highscores.dat; empty (the default: tests, the simulator) keeps nothing.
void KeepReplaysIn(const std::string& folder);

// "replays/2-0001234-416e6e.zrp": type, score and the name's bytes in hex, relative to the
// folder of highscores.dat.
std::string TableReplayPath(int32_t gameType, int32_t score, const std::string& name);

// The kept game of a table row (rank 1..10), as a path from the run folder; "" when the row
// has none.
std::string TableRowReplayFile(int32_t gameType, int32_t rank);

// Each returns "" or what went wrong, naming the file; none throws.
// Replaces lastgame.zrp with the game that just ended.
std::string KeepLastGame(const Replay& game);
// The game recorded last, once its row (type, position) has its name: saved under the row's
// name when it is that row's game; then the replays no row names any more are removed.
std::string KeepRankedGame(int32_t gameType, int32_t position);
// Removes the replays of replays/ that no row of the tables names.
std::string RemoveReplaysOffTheTables();

}  // namespace zolvane
