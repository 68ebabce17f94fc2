#include "game/replay_files.h"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <system_error>

#include "game/high_scores.h"
#include "game/replay_record.h"

namespace zolvane {

namespace {

namespace fs = std::filesystem;

std::string Folder;

std::string InFolder(const std::string& relative) { return (fs::path(Folder) / relative).string(); }

}  // namespace

void KeepReplaysIn(const std::string& folder) { Folder = folder; }

std::string TableReplayPath(int32_t gameType, int32_t score, const std::string& name) {
  static const char Hex[] = "0123456789abcdef";
  std::string hex;
  for (const char c : name) {
    hex += Hex[static_cast<unsigned char>(c) >> 4];
    hex += Hex[static_cast<unsigned char>(c) & 15];
  }
  char head[32];
  std::snprintf(head, sizeof head, "%d-%07d-", gameType, score);
  return std::string(TableReplaysFolder) + "/" + head + hex + ".zrp";
}

std::string TableRowReplayFile(int32_t gameType, int32_t rank) {
  if (Folder.empty() || !IsGameType(gameType) || rank < 1 || rank > 10) return "";
  const HighScoreEntry& row = HighScores[gameType][rank];
  const std::string path = InFolder(TableReplayPath(gameType, row.Score, row.Name));
  std::error_code error;
  return fs::is_regular_file(path, error) ? path : "";
}

std::string KeepLastGame(const Replay& game) {
  if (Folder.empty()) return "";
  return SaveReplay(InFolder(LastGameReplayFile), game);
}

std::string KeepRankedGame(int32_t gameType, int32_t position) {
  if (Folder.empty() || !IsGameType(gameType) || position < 1 || position > 10) return "";
  const HighScoreEntry& row = HighScores[gameType][position];
  Replay game = RecordedGame();
  // Only the game that made the row: never another game under its name.
  if (game.Header.GameType != gameType || game.Header.Score != row.Score) return "";
  game.Header.Player = row.Name;
  const std::string lastProblem = KeepLastGame(game);  // now with its player's name
  std::error_code error;
  fs::create_directories(InFolder(TableReplaysFolder), error);
  if (error) return InFolder(TableReplaysFolder) + ": " + error.message();
  // Saved before the clean-up: a crash in between leaves a file too many, never one too few.
  const std::string path = InFolder(TableReplayPath(gameType, row.Score, row.Name));
  if (std::string problem = SaveReplay(path, game); !problem.empty()) return problem;
  const std::string cleanProblem = RemoveReplaysOffTheTables();
  return cleanProblem.empty() ? lastProblem : cleanProblem;
}

std::string RemoveReplaysOffTheTables() {
  if (Folder.empty()) return "";
  std::set<std::string> named;
  for (int32_t type = 1; type <= GameTypeCount; ++type)
    for (int rank = 1; rank <= 10; ++rank) {
      const HighScoreEntry& row = HighScores[type][rank];
      named.insert(fs::path(TableReplayPath(type, row.Score, row.Name)).filename().string());
    }
  // Only names of our own making: anything else a player put there stays.
  static const std::regex Ours("[1-4]-[0-9]{7,}-([0-9a-f][0-9a-f])*\\.zrp");
  std::error_code error;
  fs::directory_iterator it(InFolder(TableReplaysFolder), error);
  if (error == std::errc::no_such_file_or_directory) return "";  // no row has kept a game yet
  if (error) return InFolder(TableReplaysFolder) + ": " + error.message();
  std::string problem;
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!std::regex_match(name, Ours) || named.count(name)) continue;
    std::error_code removeError;
    if (!fs::remove(it->path(), removeError) && removeError)
      problem = it->path().string() + ": " + removeError.message();
  }
  if (error && problem.empty()) problem = InFolder(TableReplaysFolder) + ": " + error.message();
  return problem;
}

}  // namespace zolvane
