#include "render/game_info.h"

#include <cmath>
#include <cstdio>
#include <map>

#include "game/high_scores.h"
#include "render/font.h"
#include "render_fixture.h"

namespace zolvane::testing {
namespace {

constexpr char GlyphChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ:,!<>'-\"+/|=?@$.";

// One DrawFontText call as seen on the device; the text upper case, trailing blanks lost.
struct TextLine {
  std::string Text;
  int Font = 0, Size = 0;
  float X = 0, Y = 0, Z = 0;
  uint32_t Alpha = 0;
};

class GameInfo : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    for (int f = 1; f <= FontCount; ++f)
      for (int g = 1; g <= GlyphCount; ++g) {
        FontGlyphTextures[f][g] = Marker();
        Glyphs[FontGlyphTextures[f][g]] = {f, g};
      }
    for (int g = 1; g <= GlyphCount; ++g)
      GlyphAspect[g] = 64.0f / static_cast<float>(GlyphLeft[g + 1] - GlyphLeft[g]);
    ASSERT_EQ(CreateFontQuad(), D3D_OK);
    for (int t = 1; t <= 4; ++t)
      for (int r = 1; r <= 10; ++r) HighScores[t][r].Score = t * 1000 + (11 - r) * 10;
  }

  void TearDown() override {
    FreeFontResources();
    SetDefaultHighScores();
    RenderFixture::TearDown();
  }

  // Each line begins where the font switches blending on; spaces are read from the gaps.
  std::vector<TextLine> Lines() const {
    std::vector<TextLine> lines;
    bool open = false;
    float penX = 0;
    for (const RecordedCall& c : Dev->Calls) {
      if (c.Op == "SetRenderState" && c.Args == std::vector<uint32_t>{D3DRS_ALPHABLENDENABLE, 1})
        open = false;
      if (c.Op != "DrawPrimitive") continue;
      const DrawSnapshot& d = Dev->Draws.at(c.DrawIndex);
      const auto [font, glyph] = Glyphs.at(d.Texture0);
      if (!open) {
        TextLine line;
        line.Font = font;
        line.Size = static_cast<int>(std::lround(d.World(2, 2) * 300 / 64));
        line.X = penX = d.World(4, 1);
        line.Y = d.World(4, 2);
        line.Z = d.World(4, 3);
        D3DCOLOR colour;
        std::memcpy(&colour, &d.Vertices.at(24), 4);
        line.Alpha = colour >> 24;
        lines.push_back(line);
        open = true;
      }
      TextLine& line = lines.back();
      const long spaces = std::lround((d.World(4, 1) - penX) / (line.Size * 21 / 300.0f));
      line.Text += std::string(static_cast<size_t>(std::max(spaces, 0L)), ' ');
      line.Text += GlyphChars[glyph - 1];
      penX = d.World(4, 1) + d.World(1, 1);
    }
    return lines;
  }

  std::vector<TextLine> InfoLines() {
    Dev->ClearLog();
    DrawGameInfo();
    return Lines();
  }

  // The texts whose line starts at the given offset from the well centre.
  static std::vector<std::string> TextsAt(const std::vector<TextLine>& lines, float dx, float dy) {
    std::vector<std::string> out;
    for (const TextLine& l : lines)
      if (std::fabs(l.X - (SceneCenterX + dx)) < 1e-4f && std::fabs(l.Y - (SceneCenterY + dy)) < 1e-4f)
        out.push_back(l.Text);
    return out;
  }

  std::map<const Texture*, std::pair<int, int>> Glyphs;
};

// "TEXT | font size | x y z | alpha", the position to hundredths.
std::string Describe(const TextLine& l) {
  char place[64];
  std::snprintf(place, sizeof place, "%.2f %.2f %.2f", l.X, l.Y, l.Z);
  return l.Text + " | " + std::to_string(l.Font) + " " + std::to_string(l.Size) + " | " + place +
         " | " + std::to_string(l.Alpha);
}

std::vector<std::string> Describe(const std::vector<TextLine>& lines) {
  std::vector<std::string> out;
  for (const TextLine& l : lines) out.push_back(Describe(l));
  return out;
}

using Texts = std::vector<std::string>;

TEST_F(GameInfo, DrawsEveryLineWithItsFontSizeAndPlaceInOrder) {
  Game.GameType = 2;
  Game.ScorePosition = 5;
  Game.ShownScore = 1234;
  Game.Score = 1300;
  Game.Lines = 17;
  Game.Level = 3;
  Game.FiguresPerMinute = 42;
  Game.GameSeconds = 754;
  Game.TimeLeft = -3;
  Game.LinesAdded = 2;
  // The well centre is (5.5, 10.5).
  const std::vector<std::string> expected = {
      "NEXT: | 1 5 | -7.80 18.30 0.00 | 240",
      "SCORES: 1234 | 4 4 | -7.80 13.50 0.00 | 240",
      "LINES: 17 | 4 4 | -7.80 12.30 0.00 | 240",
      "LEVEL: 3 | 4 4 | -7.80 11.10 0.00 | 240",
      "SPEED: 42 | 1 4 | -7.80 8.70 0.00 | 240",
      "POSITION: 5 | 1 4 | -7.80 7.50 0.00 | 240",
      "GAME TIME: | 1 5 | 12.70 18.30 0.00 | 240",
      "12:34 | 4 5 | 14.00 17.10 0.00 | 240",
      "GAME TYPE: | 1 5 | 12.80 12.80 0.00 | 240",
      "ADVANCED | 4 5 | 13.00 11.60 0.00 | 240",
      "NEXT SCORE: 2070 | 1 4 | 12.20 8.70 0.00 | 240",
      "BEST SCORE: 2100 | 1 4 | 12.20 7.50 0.00 | 240",
      "TIME LEFT: -3 | 3 4 | 12.30 5.20 0.00 | 240",
      "LINES ADDED: 2 | 3 4 | 12.30 4.00 0.00 | 240",
  };
  EXPECT_EQ(Describe(InfoLines()), expected);
}

TEST_F(GameInfo, ScoreLinesFollowThePlaceInTheRunningTypesTable) {
  Game.GameType = 3;  // ranks 1..10 hold 3100, 3090, ..., 3010
  Game.Score = 5555;
  const struct {
    int32_t Position;
    std::string Left;
    Texts Praise, BestOfTable, NextToBeat;
  } cases[] = {
      {1, "POSITION: 1", {"YOU ARE THE BEST!"}, {}, {}},
      {0, "POSITION: 0", {"YOU ARE THE BEST!"}, {}, {}},
      {5, "POSITION: 5", {}, {"BEST SCORE: 3100"}, {"NEXT SCORE: 3070"}},
      {11, "POSITION: NONE", {}, {"BEST SCORE: 3100"}, {"NEXT SCORE: 3010"}},
      {12, "POSITION: NONE", {}, {"BEST SCORE: 3100"}, {"NEXT SCORE: 3010"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Position);
    Game.ScorePosition = c.Position;
    const std::vector<TextLine> lines = InfoLines();
    EXPECT_EQ(TextsAt(lines, -13.3f, -3.0f), Texts{c.Left});
    EXPECT_EQ(TextsAt(lines, 6.3f, -1.8f), c.Praise);
    // The leader's best score is the running score, not the one shown rolling up.
    EXPECT_EQ(TextsAt(lines, 6.65f, -3.0f), c.Praise.empty() ? Texts{} : Texts{"BEST SCORE: 5555"});
    EXPECT_EQ(TextsAt(lines, 6.7f, -1.8f), c.NextToBeat);
    EXPECT_EQ(TextsAt(lines, 6.7f, -3.0f), c.BestOfTable);
  }
}

// The edge of the picture at the scene's distance: 19 units away, a vertical field of one
// radian, the width 4/3 of the height.
constexpr float RightEdge = SceneCenterX + 19.0f * 0.5463025f / 0.75f;

TEST_F(GameInfo, SevenDigitScoresStayInsideThePicture) {
  Game.GameType = 1;
  Game.Score = 8888888;  // the widest seven digits
  for (int r = 1; r <= 10; ++r) HighScores[1][r].Score = 8888888;
  for (int32_t position : {1, 5}) {
    SCOPED_TRACE(position);
    Game.ScorePosition = position;
    const std::vector<TextLine> lines = InfoLines();
    int digits = 0;
    for (const DrawSnapshot& d : Dev->Draws) {
      EXPECT_LE(d.World(4, 1) + d.World(1, 1), RightEdge);
      digits += Glyphs.at(d.Texture0).second == GlyphCode('8') ? 1 : 0;
    }
    EXPECT_GE(digits, 7) << "the digits are drawn, not dropped";
  }
}

TEST_F(GameInfo, GameTypeNamesItselfAndTimedTypesShowTheAddedRows) {
  Game.TimeLeft = 12;
  Game.LinesAdded = 4;
  const struct {
    int32_t Type;
    std::string Name;
    float NameDX;
    bool Timed;
  } cases[] = {{1, "CLASSIC", 8.1f, false},
               {2, "ADVANCED", 7.5f, true},
               {3, "SPECIAL", 8.05f, false},
               {4, "CRAZY", 8.35f, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Type);
    Game.GameType = c.Type;
    const std::vector<TextLine> lines = InfoLines();
    EXPECT_EQ(TextsAt(lines, c.NameDX, 1.1f), Texts{c.Name});
    EXPECT_EQ(TextsAt(lines, 6.8f, -5.3f), c.Timed ? Texts{"TIME LEFT: 12"} : Texts{});
    EXPECT_EQ(TextsAt(lines, 6.8f, -6.5f), c.Timed ? Texts{"LINES ADDED: 4"} : Texts{});
    EXPECT_EQ(lines.size(), c.Timed ? 14u : 12u);
  }
}

TEST_F(GameInfo, GameTimeIsMinutesAndSecondsOfAtLeastTwoDigits) {
  const std::map<int32_t, std::string> cases = {
      {0, "00:00"}, {59, "00:59"}, {754, "12:34"}, {3600, "60:00"}, {6000, "100:00"}};
  for (const auto& [seconds, shown] : cases) EXPECT_EQ(GameTimeText(seconds), shown) << seconds;
}

TEST_F(GameInfo, MessageShowsAboveTenWithItsAlphaRoundedAndItsBonus) {
  Game.MessageText = "Level Up!";
  Game.MessageSize = 7;
  Game.MessageX = -3.25f;
  const std::string text = "LEVEL UP! | 4 7 | 2.25 17.10 -1.50 | ";
  const std::string bonus = " | 2 4 | 3.50 16.40 -1.50 | ";
  const struct {
    float Alpha;
    int32_t Bonus;
    std::vector<std::string> Shown;
  } cases[] = {{10.0f, 50, {}},
               {9.0f, 0, {}},
               {10.5f, 0, {text + "10"}},
               {11.5f, 0, {text + "12"}},
               {200.4f, 150, {text + "200", "BONUS 150" + bonus + "200"}},
               {60.0f, -20, {text + "60", "BONUS -20" + bonus + "60"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Alpha);
    Game.MessageAlpha = c.Alpha;
    Game.MessageBonus = c.Bonus;
    Dev->ClearLog();
    DrawMessage();
    EXPECT_EQ(Describe(Lines()), c.Shown);
  }
}

}  // namespace
}  // namespace zolvane::testing
