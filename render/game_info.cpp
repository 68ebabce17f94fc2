#include "render/game_info.h"

#include <algorithm>
#include <string>

#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/high_scores.h"
#include "render/device_objects.h"
#include "render/font.h"

namespace zolvane {

namespace {

constexpr int32_t InfoAlpha = 240;
constexpr float MessageZ = -1.5f;

using Lines = std::vector<GameInfoLine>;

// A line beside the well, at its offset from the well centre.
void InfoLine(Lines& out, int32_t font, int32_t size, const std::string& text, float dx,
              float dy) {
  out.push_back({font, static_cast<float>(size), text, SceneCenterX + dx, SceneCenterY + dy});
}

// A score line on the right, kept inside the picture's edge (13.84 from the centre at the
// scene's distance) however many digits the score has.
void ScoreLine(Lines& out, int32_t font, const std::string& text, float dx, float dy) {
  constexpr float RightEdge = SceneCenterX + 13.7f;
  const float x = SceneCenterX + dx;
  out.push_back({font, FontSizeWithin(4.0f, text, RightEdge - x), text, x, SceneCenterY + dy});
}

std::string TwoDigits(int32_t n) {
  std::string s = std::to_string(n);
  return s.size() == 1 ? "0" + s : s;
}

void Counters(Lines& out) {
  InfoLine(out, 1, 5, "Next:", -13.3f, 7.8f);
  InfoLine(out, 4, 4, "Scores: " + std::to_string(Game.ShownScore), -13.3f, 3.0f);
  InfoLine(out, 4, 4, "Lines: " + std::to_string(Game.Lines), -13.3f, 1.8f);
  InfoLine(out, 4, 4, "Level: " + std::to_string(Game.Level), -13.3f, 0.6f);
  InfoLine(out, 1, 4, "Speed: " + std::to_string(Game.FiguresPerMinute), -13.3f, -1.8f);
  InfoLine(out, 1, 4,
           Game.ScorePosition < 11 ? "Position: " + std::to_string(Game.ScorePosition)
                                   : std::string("Position: None"),
           -13.3f, -3.0f);
}

void GameTime(Lines& out) {
  InfoLine(out, 1, 5, "Game Time:", 7.2f, 7.8f);
  InfoLine(out, 4, 5, GameTimeText(Game.GameSeconds), 8.5f, 6.6f);
}

void GameTypeLines(Lines& out) {
  static constexpr float NameX[GameTypeCount + 1] = {0, 8.1f, 7.5f, 8.05f, 8.35f};
  InfoLine(out, 1, 5, "Game Type:", 7.3f, 2.3f);
  const int32_t type = Game.GameType;
  if (IsGameType(type)) InfoLine(out, 4, 5, GameTypeName(type), NameX[type], 1.1f);
}

// While the score is not in the table (position 11) the one to beat is the tenth.
void ScoreToBeat(Lines& out) {
  if (Game.ScorePosition <= 1) {
    InfoLine(out, 2, 4, "You are the best! ", 6.3f, -1.8f);
    ScoreLine(out, 2, "Best Score: " + std::to_string(Game.Score), 6.65f, -3.0f);
    return;
  }
  const int32_t next = TableScore(Game.GameType, std::min(Game.ScorePosition - 1, 10));
  ScoreLine(out, 1, "Next Score: " + std::to_string(next), 6.7f, -1.8f);
  ScoreLine(out, 1, "Best Score: " + std::to_string(TableScore(Game.GameType, 1)), 6.7f, -3.0f);
}

void AddedRows(Lines& out) {
  if (!HasGarbageRows(Game.GameType)) return;
  InfoLine(out, 3, 4, "Time left: " + std::to_string(Game.TimeLeft), 6.8f, -5.3f);
  InfoLine(out, 3, 4, "Lines Added: " + std::to_string(Game.LinesAdded), 6.8f, -6.5f);
}

}  // namespace

std::string GameTimeText(int32_t seconds) {
  return TwoDigits(seconds / 60) + ":" + TwoDigits(seconds % 60);
}

std::vector<GameInfoLine> GameInfoLines() {
  Lines out;
  out.reserve(16);
  Counters(out);
  GameTime(out);
  GameTypeLines(out);
  ScoreToBeat(out);
  AddedRows(out);
  return out;
}

// DrawFontText leaves stage 0 modulating texture by vertex colour, in colour and in alpha;
// the frame, the sparks and the fade quad drawn later in the frame rely on it.
void DrawGameInfo() {
  if (!D3D.FD3DDevice) return;
  DrawGameInfo(GameInfoLines(), nullptr);
}

void DrawGameInfo(const std::vector<GameInfoLine>& lines, const std::vector<bool>* wanted) {
  if (!D3D.FD3DDevice) return;
  bool drawn = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (wanted && !(i < wanted->size() && (*wanted)[i])) continue;
    const GameInfoLine& l = lines[i];
    DrawFontText(l.Font, l.Size, l.Text, l.X, l.Y, 0, InfoAlpha);
    drawn = true;
  }
  if (!drawn) LeaveTextStates();
}

void DrawMessage() {
  if (!(Game.MessageAlpha > 10)) return;
  const int32_t alpha = RoundHalfEven(Game.MessageAlpha);
  DrawFontText(4, Game.MessageSize, Game.MessageText, SceneCenterX + Game.MessageX,
               SceneCenterY + 6.6f, MessageZ, alpha);
  if (Game.MessageBonus != 0)
    DrawFontText(2, 4, "Bonus " + std::to_string(Game.MessageBonus), SceneCenterX - 2.0f,
                 SceneCenterY + 5.9f, MessageZ, alpha);
}

}  // namespace zolvane
