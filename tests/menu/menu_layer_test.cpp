// The menus' static layer on the recording device: which changes draw it again, what goes
// into it on each screen, and the states a frame copied from it leaves for what follows.
#include "menu/menu_layer.h"

#include <algorithm>
#include <functional>

#include "app/frame_loop.h"
#include "game/high_scores.h"
#include "menu/menu_state.h"
#include "render/font.h"
#include "render/game_layer.h"
#include "tests/render/render_fixture.h"

namespace zolvane::testing {
namespace {

class MenuLayer : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    Dev->LayersAvailable = true;
    Menu = MenuStateData{};
    for (Texture*& t : MenuTextures) t = Marker();
    ASSERT_EQ(CreatePanelQuad(), D3D_OK);
    ASSERT_EQ(CreateFontQuad(), D3D_OK);
    CreateMenuCursorBrick();
    for (int f = 1; f <= FontCount; ++f)
      for (int g = 1; g <= GlyphCount; ++g) FontGlyphTextures[f][g] = Marker();
    for (int g = 1; g <= GlyphCount; ++g) GlyphAspect[g] = 1;
    Loop.FrameDelta = 16;
    ForgetMenuLayer();
    Frame();  // the first menu frame, drawn in full
  }
  void TearDown() override {
    FreeFontResources();
    FreeMenuResources();
    Menu = MenuStateData{};
    SetDefaultHighScores();
    RenderFixture::TearDown();
  }

  bool Called(const char* op) const {
    for (const RecordedCall& c : Dev->Calls)
      if (c.Op == op) return true;
    return false;
  }

  // 'b' the layer drawn again and copied, 'c' copied alone, 'f' a frame drawn in full.
  char Frame() {
    Dev->ClearLog();
    DrawMenu();
    if (!Draws(Backdrop(), false).empty()) return 'f';
    if (!Draws(Backdrop(), true).empty()) return Called("DrawStaticLayer") ? 'b' : '?';
    return Called("DrawStaticLayer") ? 'c' : '?';
  }

  std::vector<const DrawSnapshot*> Draws(const Texture* t, bool inLayer) const {
    std::vector<const DrawSnapshot*> out;
    for (const DrawSnapshot& d : Dev->Draws)
      if (d.Texture0 == t && d.InLayer == inLayer) out.push_back(&d);
    return out;
  }
  static Texture* Backdrop() { return MenuTextures[MenuTextureCount - 1]; }
  static Texture* Logo() { return MenuTextures[21]; }
};

TEST_F(MenuLayer, DrawnAgainExactlyWhenWhatItShowsChanges) {
  const struct {
    const char* What;
    std::function<void()> Change;
    char Expected;
  } cases[] = {
      {"nothing", [] {}, 'c'},
      {"the logo sways", [] { Menu.LogoDrift += 0.1f; Menu.LogoTiltX += 0.05f; }, 'c'},
      {"the selection moves", [] { Menu.PrevMenuItem = 1; Menu.MenuItem = 2; }, 'c'},
      {"the options screen", [] { Menu.MenuState = MenuOptions; }, 'c'},
      {"a volume changes", [] { Config.SoundVolume = 3; }, 'c'},
      {"the brick quality", [] { Config.BrickQuality = 2; }, 'c'},
      {"a fade", [] { Loop.TransitionActive = true; Loop.FadeLevel = 90; }, 'c'},
      {"the fade ends", [] { Loop.TransitionActive = false; }, 'c'},
      {"the game type screen", [] { Menu.MenuState = MenuGameType; }, 'c'},
      {"the help screen, still as a whole", [] { Menu.MenuState = MenuGameInfo; }, 'b'},
      {"the help screen again", [] {}, 'c'},
      {"a high score table", [] { Menu.MenuState = MenuHighScores; }, 'b'},
      {"the next table", [] { Menu.HighScoreTableShown = 2; }, 'b'},
      {"a name in the table shown", [] { HighScores[2][4].Name = "Zed"; }, 'b'},
      {"a score in the table shown", [] { HighScores[2][9].Score += 1; }, 'b'},
      {"a score in another table", [] { HighScores[3][1].Score += 1; }, 'c'},
      {"a glyph made again", [] { ++FontGlyphTextures[2][12]->Version; }, 'b'},
      {"the name entry: the backdrop alone", [] { Menu.NameEntryActive = true; }, 'b'},
      {"its cursor blinks", [] { Menu.CursorBlinkTimer = -1; }, 'c'},
      {"the name entry ends", [] { Menu.NameEntryActive = false; }, 'b'},
      {"the main menu", [] { Menu.MenuState = MenuMain; }, 'b'},
      {"a glyph made again, not shown", [] { ++FontGlyphTextures[2][12]->Version; }, 'c'},
      {"the backdrop made again", [] { ++MenuTextures[MenuTextureCount - 1]->Version; }, 'b'},
      {"another backdrop", [] {
         SafeRelease(MenuTextures[MenuTextureCount - 1]);
         MenuTextures[MenuTextureCount - 1] = Marker();
       }, 'b'},
      {"the game screen draws its layer", [] { ++GameLayerBuilds; }, 'b'},
      // The first menu frame after a game frame is drawn in full: a layer drawn on the
      // states the game left would not last; the next draws it on the menus' own.
      {"a game frame", [] { ForgetMenuLayer(); }, 'f'},
      {"the menu frame after it", [] {}, 'b'},
      {"and the next", [] {}, 'c'},
      {"the menus' layer off", [] { MenuLayerEnabled = false; }, 'f'},
      {"on again", [] { MenuLayerEnabled = true; }, 'c'},
      {"a device without a layer", [&] { Dev->LayersAvailable = false; }, 'f'},
  };
  EXPECT_EQ(Frame(), 'b');  // the menus' own states now
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    c.Change();
    EXPECT_EQ(Frame(), c.Expected);
  }
}

TEST_F(MenuLayer, OnlyTheStillPartsAreInTheLayer) {
  Frame();
  // The main menu: the backdrop alone; the logo, the labels and the cursor bricks sway.
  ASSERT_EQ(Frame(), 'c');
  EXPECT_TRUE(Draws(Backdrop(), false).empty());
  EXPECT_EQ(Draws(Logo(), false).size(), 1u);
  for (int label = 0; label < 5; ++label)
    EXPECT_EQ(Draws(MenuTextures[label], false).size(), 1u) << label;
  Menu.MenuState = MenuHighScores;
  ASSERT_EQ(Frame(), 'b');
  EXPECT_EQ(Draws(Backdrop(), true).size(), 1u);
  size_t inLayer = 0;
  for (const DrawSnapshot& d : Dev->Draws) inLayer += d.InLayer;
  EXPECT_EQ(inLayer, Dev->Draws.size());  // the panel and every line of the table
  EXPECT_GT(inLayer, 20u);
  ASSERT_EQ(Frame(), 'c');
  EXPECT_TRUE(Dev->Draws.empty());
  // With the name entry the table is drawn over the copied backdrop every frame.
  Menu.NameEntryActive = true;
  Frame();
  ASSERT_EQ(Frame(), 'c');
  EXPECT_GT(Dev->Draws.size(), 20u);
  EXPECT_TRUE(Draws(Backdrop(), false).empty());
}

// What is drawn over a copied layer must meet the states a full frame would have left it.
TEST_F(MenuLayer, WhatFollowsACopySeesTheStatesOfAFullFrame) {
  for (const uint8_t screen : {MenuMain, MenuGameInfo}) {
    SCOPED_TRACE(static_cast<int>(screen));
    Menu.MenuState = screen;
    Loop.TransitionActive = true;  // the fade quad follows on either screen
    Dev->LayersAvailable = false;
    Frame();
    const DrawSnapshot full = Dev->Draws.back();
    Dev->LayersAvailable = true;
    Frame();
    Frame();
    // Whatever the frame before left.
    Dev->SetTexture(0, Logo());
    Dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    Dev->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    Dev->SetRenderState(D3DRS_LIGHTING, 0);
    ASSERT_EQ(Frame(), 'c');
    const DrawSnapshot& fade = Dev->Draws.back();
    EXPECT_EQ(fade.Stream, full.Stream);
    EXPECT_EQ(fade.Texture0, full.Texture0);
    EXPECT_EQ(fade.Stage0States, full.Stage0States);
    EXPECT_EQ(fade.RenderStates, full.RenderStates);
  }
}

// A frame copied from the layer is covered by the copy; should the copy fail after all,
// the frame is cleared as any other.
TEST_F(MenuLayer, AFrameCopiedFromTheLayerIsNotCleared) {
  auto frame = [&] {
    Dev->ClearLog();
    RenderFrame();
    return Dev->Ops();
  };
  auto count = [](const std::vector<std::string>& ops, const char* op) {
    return std::count(ops.begin(), ops.end(), op);
  };
  frame();
  std::vector<std::string> ops = frame();
  EXPECT_EQ(count(ops, "Clear"), 0);
  EXPECT_EQ(count(ops, "DrawStaticLayer"), 1);
  EXPECT_EQ(ops.front(), "BeginScene");
  // Built this frame: the layer is cleared, and so is the frame before it.
  ++HighScores[1][1].Score;
  Menu.MenuState = MenuHighScores;
  ops = frame();
  EXPECT_EQ(ops.front(), "Clear");
  EXPECT_EQ(count(ops, "Clear"), 2);
  // The layer lost between the question and the copy: the frame clears itself.
  Dev->LayersAvailable = false;
  ops = frame();
  EXPECT_EQ(count(ops, "Clear"), 1);
  EXPECT_FALSE(Dev->Draws.empty());
  EXPECT_FALSE(Dev->Draws.front().InLayer);
}

}  // namespace
}  // namespace zolvane::testing
