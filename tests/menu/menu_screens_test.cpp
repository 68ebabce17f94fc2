// The menu screens drawn on the recording device: the labels' size and light by their
// relation to the selection, the animation steps, the volume marks, the panel, and the
// high score table's fonts with the name entry's cursor.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "game/high_scores.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "platform/actions.h"
#include "render/font.h"
#include "tests/render/render_fixture.h"

namespace zolvane::testing {
namespace {

constexpr float Cx = SceneCenterX, Cy = SceneCenterY;

class MenuScreens : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    Menu = MenuStateData{};
    for (Texture*& t : MenuTextures) t = Marker();
    ASSERT_EQ(CreatePanelQuad(), D3D_OK);
    ASSERT_EQ(CreateFontQuad(), D3D_OK);
    CreateMenuCursorBrick();
    // A brick model, so the cursor brick's draws are recorded.
    ModelTable[1] = TModelData{};
    ModelTable[1].Textured = true;
    ModelTable[1].TriangleCount = 2;
    Config.BrickQuality = 1;
    // Every glyph of every font its own texture, so a draw tells its font.
    for (int f = 1; f <= FontCount; ++f)
      for (int g = 1; g <= GlyphCount; ++g) FontGlyphTextures[f][g] = Marker();
    for (int g = 1; g <= GlyphCount; ++g) GlyphAspect[g] = 1;
  }
  void TearDown() override {
    FreeFontResources();
    FreeMenuResources();
    Menu = MenuStateData{};
    SetDefaultHighScores();
    RenderFixture::TearDown();
  }

  const DrawSnapshot* DrawWith(Texture* texture) const {
    for (const DrawSnapshot& d : Dev->Draws)
      if (d.Texture0 == texture) return &d;
    return nullptr;
  }
  std::vector<const DrawSnapshot*> BrickDraws() const {
    std::vector<const DrawSnapshot*> out;
    for (const DrawSnapshot& d : Dev->Draws)
      if (d.Stream == D3D.FD3DVBTexModels) out.push_back(&d);
    return out;
  }
  // The font a glyph texture belongs to, 0 for none.
  static int FontOf(const Texture* t) {
    for (int f = 1; f <= FontCount; ++f)
      for (int g = 1; g <= GlyphCount; ++g)
        if (FontGlyphTextures[f][g] == t) return f;
    return 0;
  }
  static uint32_t Grey(const DrawSnapshot& d) { return d.RenderState(D3DRS_AMBIENT) & 0xFF; }
};

TEST_F(MenuScreens, LabelsGrowAndBrightenBySelection) {
  Menu.MenuItem = 3;
  Menu.PrevMenuItem = 2;
  Menu.ItemScale = 11.0f;
  Menu.PrevItemScale = 11.2f;
  Menu.ItemBrightness = 150;
  Menu.PrevItemBrightness = 160;
  Loop.FrameDelta = 0;
  DrawMenu();
  struct Expect {
    int Item;
    float Height;
    uint32_t Grey;
  };
  for (const Expect& e : {Expect{3, 11.0f / 5.4f, 150}, Expect{2, 11.2f / 5.4f, 160},
                          Expect{1, 10.5f / 5.4f, 101}, Expect{5, 10.5f / 5.4f, 101}}) {
    SCOPED_TRACE(e.Item);
    const DrawSnapshot* label = DrawWith(MenuTextures[e.Item - 1]);
    ASSERT_NE(label, nullptr);
    EXPECT_NEAR(label->World(2, 2), e.Height, 1e-5f);
    EXPECT_NEAR(label->World(4, 2), Cy + 2.8f - 2.5f * (e.Item - 1), 1e-5f);
    EXPECT_EQ(Grey(*label), e.Grey);
    EXPECT_EQ(label->Stage0(D3DTSS_COLOROP), static_cast<uint32_t>(D3DTOP_MODULATE));
  }
  EXPECT_EQ(Dev->RenderStates.at(D3DRS_AMBIENT) & 0xFF, 101u) << "plain light after the list";
  // The selected label is framed by two spinning bricks.
  const auto bricks = BrickDraws();
  ASSERT_EQ(bricks.size(), 2u);
  EXPECT_FLOAT_EQ(bricks[0]->World(4, 1), Cx - 8);
  EXPECT_FLOAT_EQ(bricks[1]->World(4, 1), Cx + 8);
  EXPECT_FLOAT_EQ(bricks[1]->World(4, 2), Cy + 2.8f - 5.0f - 0.5f);
}

TEST_F(MenuScreens, SelectionAnimationSettlesAndFreesTheNextMove) {
  Menu.MenuItem = 2;
  Menu.PrevMenuItem = 1;
  Menu.ItemScale = 10.5f;
  Menu.PrevItemScale = 11.55f;
  Menu.ItemBrightness = 101;
  Menu.PrevItemBrightness = 202;
  Menu.MenuAnimReady = false;
  Loop.FrameDelta = 50;
  DrawMenu();
  EXPECT_NEAR(Menu.ItemScale, 11.2f, 1e-4f);
  EXPECT_NEAR(Menu.PrevItemScale, 10.85f, 1e-4f);
  EXPECT_EQ(Menu.ItemBrightness, 121);
  EXPECT_EQ(Menu.PrevItemBrightness, 182);
  EXPECT_FALSE(Menu.MenuAnimReady);
  Loop.FrameDelta = 100;
  DrawMenu();
  EXPECT_FLOAT_EQ(Menu.ItemScale, 11.55f);
  EXPECT_TRUE(Menu.MenuAnimReady);
  EXPECT_FLOAT_EQ(Menu.PrevItemScale, 10.5f);
  for (int i = 0; i < 5; ++i) DrawMenu();
  EXPECT_EQ(Menu.ItemBrightness, 202);
  EXPECT_EQ(Menu.PrevItemBrightness, 101);
}

TEST_F(MenuScreens, WobbleStaysWithinTwoDegreesAndNeighboursSwingApart) {
  Loop.FrameDelta = 100;
  DrawMenu();
  EXPECT_LT(Menu.ItemWobble[1], 0);
  EXPECT_GT(Menu.ItemWobble[2], 0);
  for (int i = 0; i < 100; ++i) {
    DrawMenu();
    for (int item = 1; item <= 5; ++item) EXPECT_LE(std::fabs(Menu.ItemWobble[item]), 0.0349066f);
  }
}

TEST_F(MenuScreens, VolumeMarksStandOnTheStripeAtTheVolume) {
  Menu.MenuState = MenuOptions;
  Menu.MenuItem = OptionsItem::SoundVolume;  // music not selected
  Menu.PrevMenuItem = 100;
  Loop.FrameDelta = 0;
  struct Case {
    int32_t Sound, Music;
    float SoundX, MusicX;
  };
  for (const Case& c : {Case{0, 9, Cx + 3.27f, Cx + 10.492f}, Case{9, 0, Cx + 10.74f, Cx + 3.67f}}) {
    Config.SoundVolume = c.Sound;
    Config.MusicVolume = c.Music;
    Dev->ClearLog();
    DrawMenu();
    // The cursor beside the selected label, then the two marks.
    const auto bricks = BrickDraws();
    ASSERT_EQ(bricks.size(), 3u);
    EXPECT_FLOAT_EQ(bricks[0]->World(4, 1), Cx - 12);
    EXPECT_NEAR(bricks[1]->World(4, 1), c.SoundX, 1e-4f);
    EXPECT_NEAR(bricks[2]->World(4, 1), c.MusicX, 1e-4f);
    EXPECT_NEAR(bricks[2]->World(4, 2), Cy + 2.8f - 2.5f - 0.45f, 1e-5f);
    EXPECT_FLOAT_EQ(bricks[2]->World(4, 3), 0.25f);
    const DrawSnapshot* stripe = DrawWith(MenuTextures[20]);
    ASSERT_NE(stripe, nullptr);
    EXPECT_EQ(stripe->RenderState(D3DRS_ALPHABLENDENABLE), 1u);
    EXPECT_EQ(stripe->RenderState(D3DRS_SRCBLEND), static_cast<uint32_t>(D3DBLEND_SRCALPHA));
  }
  EXPECT_FLOAT_EQ(MenuCursorBrick->World(4, 3), 0) << "put back beside the labels";
}

TEST_F(MenuScreens, OptionValuesShowTheSettings) {
  Menu.MenuState = MenuOptions;
  Loop.FrameDelta = 0;
  Config.RotateClockwise = false;
  Config.BrickQuality = 2;
  DrawMenu();
  EXPECT_NE(DrawWith(MenuTextures[16]), nullptr) << "counter-clockwise";
  EXPECT_EQ(DrawWith(MenuTextures[15]), nullptr);
  ASSERT_NE(DrawWith(MenuTextures[19]), nullptr) << "high";
  EXPECT_EQ(DrawWith(MenuTextures[19])->RenderState(D3DRS_ALPHABLENDENABLE), 0u);
}

TEST_F(MenuScreens, HighScoreTableUsesThePodiumFontAndShowsTheTypingCursor) {
  Menu.MenuState = MenuHighScores;
  Menu.HighScoreTableShown = 3;
  Game.GameType = 3;
  Game.ScorePosition = 4;
  Menu.NameEntryActive = true;
  for (int rank = 1; rank <= 10; ++rank) HighScores[3][rank] = {"N", 1000 - rank};
  HighScores[3][4].Name = "AB";
  Loop.FrameDelta = 0;
  DrawMenu();
  // One draw per glyph: find the rows by their height on the screen.
  auto fontsAt = [&](float y) {
    std::vector<std::pair<float, int>> xs;  // (x, font)
    for (const DrawSnapshot& d : Dev->Draws)
      if (FontOf(d.Texture0) && std::fabs(d.World(4, 2) - y) < 1e-4f)
        xs.push_back({d.World(4, 1), FontOf(d.Texture0)});
    return xs;
  };
  for (int rank : {1, 3, 4, 10}) {
    SCOPED_TRACE(rank);
    const auto row = fontsAt(Cy + 5.5f - 1.2f * rank);
    const bool podium = rank <= 3;
    int nameFont = 0, scoreFont = 0, glyphs = 0;
    for (auto [x, font] : row) {
      (x < Cx ? nameFont : scoreFont) = font;
      ++glyphs;
    }
    EXPECT_EQ(nameFont, podium ? 2 : 1);
    EXPECT_EQ(scoreFont, podium ? 2 : 4);
    // "N" + 3 digits; rank 4 is typed into: "AB" and the cursor.
    EXPECT_EQ(glyphs, rank == 4 ? 3 + 3 : 1 + 3);
  }
  auto drawn = [&](const Texture* glyph) {
    bool found = false;
    for (const DrawSnapshot& d : Dev->Draws) found |= d.Texture0 == glyph;
    return found;
  };
  const Texture* bar = FontGlyphTextures[1][GlyphCode('|')];
  EXPECT_TRUE(drawn(bar));
  // Without a pad the cursor is a bar that blinks: gone after 300 ms, back after 300 more.
  for (auto [delta, shown] : {std::pair{301u, true}, {1u, false}, {300u, false}, {1u, true}}) {
    Loop.FrameDelta = delta;
    Dev->ClearLog();
    DrawMenu();
    EXPECT_EQ(drawn(bar), shown) << delta;
  }
}

// With a pad plugged in the cursor is the picker's letter, in the row's other font, after the
// name; it blinks between bright and dim and is always there.
TEST_F(MenuScreens, WithAPadTheNameEntryCursorIsThePickersLetter) {
  ManualPad pad;
  SetPadSource(&pad);
  Menu.MenuState = MenuHighScores;
  Menu.HighScoreTableShown = 3;
  Game.GameType = 3;
  Game.ScorePosition = 4;
  Menu.NameEntryActive = true;
  Menu.NameEntryPick = 'Q';
  for (int rank = 1; rank <= 10; ++rank) HighScores[3][rank] = {"N", 1000 - rank};
  HighScores[3][4].Name = "AB";
  Loop.FrameDelta = 0;
  DrawMenu();
  const Texture* cursorGlyph = FontGlyphTextures[2][GlyphCode('Q')];
  const DrawSnapshot* cursor = nullptr;
  float nameEnd = -1e9f;
  const float y = Cy + 5.5f - 1.2f * 4;
  for (const DrawSnapshot& d : Dev->Draws) {
    if (!FontOf(d.Texture0) || std::fabs(d.World(4, 2) - y) > 1e-4f) continue;
    if (d.Texture0 == cursorGlyph) cursor = &d;
    else if (d.World(4, 1) < Cx) nameEnd = std::max(nameEnd, d.World(4, 1));
  }
  ASSERT_NE(cursor, nullptr);
  EXPECT_GT(cursor->World(4, 1), nameEnd) << "after the name";
  auto cursorAlpha = [&](const Texture* glyph) {
    for (const DrawSnapshot& d : Dev->Draws)
      if (d.Texture0 == glyph) return static_cast<int>(d.Vertices.at(27));  // A of ARGB
    return -1;
  };
  for (auto [delta, bright] : {std::pair{301u, true}, {1u, false}, {300u, false}, {1u, true}}) {
    Loop.FrameDelta = delta;
    Dev->ClearLog();
    DrawMenu();
    EXPECT_EQ(cursorAlpha(cursorGlyph), bright ? 240 : 90) << delta;
  }
  // A space under the cursor shows as a bar; a full name has no cursor.
  Menu.NameEntryPick = ' ';
  Loop.FrameDelta = 0;
  Dev->ClearLog();
  DrawMenu();
  EXPECT_NE(cursorAlpha(FontGlyphTextures[2][GlyphCode('|')]), -1);
  HighScores[3][4].Name = std::string(MaxNameLength, 'Z');
  Dev->ClearLog();
  DrawMenu();
  EXPECT_EQ(cursorAlpha(FontGlyphTextures[2][GlyphCode('|')]), -1);
  SetPadSource(nullptr);
}

TEST_F(MenuScreens, SevenDigitScoresStayInsideThePanel) {
  Menu.MenuState = MenuHighScores;
  Menu.HighScoreTableShown = 2;
  for (int rank = 1; rank <= 10; ++rank) HighScores[2][rank] = {"N", 9999999 - (rank - 1) * 1111111};
  HighScores[2][1].Score = 8888888;  // the widest seven digits
  DrawMenu();
  int glyphs = 0;
  for (const DrawSnapshot& d : Dev->Draws) {
    if (!FontOf(d.Texture0) || d.World(4, 1) < Cx) continue;
    const float y = d.World(4, 2);
    if (y > Cy + 5.0f || y < Cy - 7.0f) continue;  // the table's rows only
    ++glyphs;
    EXPECT_LE(d.World(4, 1) + d.World(1, 1), Cx + 10.5f) << "row at " << y;
  }
  EXPECT_EQ(glyphs, 9 * 7 + 1) << "every digit drawn";  // rank 10 holds 0
}

TEST_F(MenuScreens, TheScoresOfATableShareOneSize) {
  Menu.MenuState = MenuHighScores;
  Menu.HighScoreTableShown = 2;
  for (int rank = 1; rank <= 10; ++rank) HighScores[2][rank] = {"N", 100};
  HighScores[2][4].Score = 8888888;  // shrinks to fit
  HighScores[2][5].Score = 18;       // would fit at full size
  DrawMenu();
  std::vector<float> eights;
  for (const DrawSnapshot& d : Dev->Draws)
    if (d.Texture0 == FontGlyphTextures[4][GlyphCode('8')]) eights.push_back(d.World(1, 1));
  ASSERT_EQ(eights.size(), 8u);
  for (const float width : eights) EXPECT_FLOAT_EQ(width, eights.front());
}

// The help screen's rows of glyphs, read back as text: every glyph inside the panel, none
// over the next in its row, and the keys and pad buttons listed.
TEST_F(MenuScreens, HelpListsTheKeysAndThePadButtonsInsideThePanel) {
  Menu.MenuState = MenuGameInfo;
  DrawMenu();
  auto charOf = [](const Texture* t) {
    for (int f = 1; f <= FontCount; ++f)
      for (char c = 32; c < 127; ++c)
        if (GlyphCode(c) && FontGlyphTextures[f][GlyphCode(c)] == t) return c;
    return '\0';
  };
  struct Glyph {
    float X, Width;
    char C;
  };
  std::map<int, std::vector<Glyph>> rows;  // by height, in 1/1000 of a unit
  for (const DrawSnapshot& d : Dev->Draws)
    if (const char c = charOf(d.Texture0))
      rows[static_cast<int>(std::lround(d.World(4, 2) * 1000))].push_back(
          {d.World(4, 1), d.World(1, 1), c});
  std::string all;
  for (auto& [y, glyphs] : rows) {
    std::sort(glyphs.begin(), glyphs.end(), [](const Glyph& a, const Glyph& b) { return a.X < b.X; });
    std::string text;
    for (size_t i = 0; i < glyphs.size(); ++i) {
      const Glyph& g = glyphs[i];
      EXPECT_GE(g.X, Cx - 10.5f) << g.C << " at height " << y;
      EXPECT_LE(g.X + g.Width, Cx + 10.5f) << g.C << " at height " << y;
      if (i > 0) {
        EXPECT_GE(g.X, glyphs[i - 1].X + glyphs[i - 1].Width - 1e-3f) << g.C << " overlaps";
      }
      // A gap wider than a space parts the columns.
      if (i > 0 && g.X - (glyphs[i - 1].X + glyphs[i - 1].Width) > 0.5f) text += " | ";
      text += g.C;
    }
    all += text + "\n";
  }
  for (const char* row : {"ROTATE | UP | UP,A", "DROPFASTER | SPACE | B", "TURBODROP | CTRL | Y",
                          "PAUSE | P | START", "ABORT:YES/NO | ESC:Y/N | BACK:A/B",
                          "FULLSCREEN | F11,ALT+ENTER"})
    EXPECT_NE(all.find(std::string(row) + "\n"), std::string::npos) << row << " in\n" << all;
}

TEST_F(MenuScreens, PanelIsHalfTransparentGreenAndUnlit) {
  Menu.MenuState = MenuGameInfo;
  DrawMenu();
  const DrawSnapshot* panel = nullptr;
  for (const DrawSnapshot& d : Dev->Draws)
    if (d.Stream == D3D.PanelQuad) panel = &d;
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->FVF, 0x42u);
  EXPECT_EQ(panel->Stride, 16u);
  EXPECT_EQ(panel->RenderState(D3DRS_LIGHTING), 0u);
  EXPECT_EQ(panel->RenderState(D3DRS_DESTBLEND), static_cast<uint32_t>(D3DBLEND_INVSRCALPHA));
  EXPECT_FLOAT_EQ(panel->World(1, 1), 21);
  D3DCOLOR colour;
  std::memcpy(&colour, panel->Vertices.data() + 12, 4);
  EXPECT_EQ(colour, 0x7F469B46u);
  EXPECT_EQ(Dev->RenderStates.at(D3DRS_LIGHTING), 1u);
  EXPECT_EQ(Dev->RenderStates.at(D3DRS_ALPHABLENDENABLE), 0u);
}

TEST_F(MenuScreens, FadeQuadIsDrawnLastDuringATransition) {
  Loop.TransitionActive = true;
  Loop.FadeLevel = 100;
  DrawMenu();
  ASSERT_FALSE(Dev->Draws.empty());
  EXPECT_EQ(Dev->Draws.back().Stream, D3D.FD3DVBFade);
}

TEST_F(MenuScreens, MissingPictureThrowsNamingTheFile) {
  try {
    LoadLogoTexture();
    FAIL() << "no picture in the test's folder";
  } catch (const MenuPictureError& e) {
    EXPECT_NE(std::string(e.what()).find("textures/name.bmp"), std::string::npos) << e.what();
  }
  EXPECT_EQ(MenuTextures[21], nullptr);
}

}  // namespace
}  // namespace zolvane::testing
