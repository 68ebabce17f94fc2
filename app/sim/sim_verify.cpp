#include "app/sim/sim_verify.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "audio/sound.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "game/replay.h"
#include "game/replay_record.h"

namespace zolvane::sim {

namespace {

std::string DateText(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm utc{};
  if (!gmtime_r(&t, &utc)) return "?";
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M UTC", &utc);
  return text;
}

void Row(const char* name, int32_t recorded, int32_t replayed) {
  std::printf("%-8s %10d %10d%s\n", name, recorded, replayed,
              recorded == replayed ? "" : "   differs");
}

}  // namespace

int VerifyReplayFile(const std::string& path) {
  Replay replay;
  if (const std::string problem = LoadReplay(path, replay); !problem.empty()) {
    std::fprintf(stderr, "zolvane-sim: %s\n", problem.c_str());
    return VerifyUnreadable;
  }
  const ReplayHeader& h = replay.Header;
  std::printf("%s: %s, %s, player \"%s\", %zu steps\n", path.c_str(), GameTypeName(h.GameType),
              DateText(h.Date).c_str(), h.Player.c_str(), replay.Steps.size());

  // Sounds go nowhere; the rank beside the well reads a table, any table.
  std::vector<int32_t> effects;
  SetEffectRecorder(&effects);
  SetDefaultHighScores();
  CreateGameScene();
  const ReplayOutcome replayed = PlayReplay(replay);
  const std::string well = WellText();
  SetEffectRecorder(nullptr);
  ResetGameState();

  const ReplayOutcome recorded = RecordedOutcome(h);
  std::printf("%-8s %10s %10s\n", "", "recorded", "replayed");
  Row("Score", recorded.Score, replayed.Score);
  Row("Lines", recorded.Lines, replayed.Lines);
  Row("Level", recorded.Level, replayed.Level);
  Row("Seconds", recorded.GameSeconds, replayed.GameSeconds);
  const bool same = recorded == replayed;
  std::printf("%s\n", same ? "verified: the replay gives the recorded result"
                           : "NOT verified: the replay gives another result");
  // The file keeps no well: one who watched the game played compares this with what they saw.
  std::printf("%-8s %s\n", "Well", well.c_str());
  return same ? VerifyEqual : VerifyDiffers;
}

}  // namespace zolvane::sim
