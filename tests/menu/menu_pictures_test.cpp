// The menu's pictures only while the menus run: a game releases them, its fade to black
// makes them ready again, and the menus draw them as before; a picture that can no longer
// be read ends the game as a damaged file ends the start-up.
#include <filesystem>
#include <string>
#include <vector>

#include "game/figure_shapes.h"
#include "game/keys.h"
#include "game/rules.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "tests/render/render_fixture.h"

namespace zolvane::testing {
namespace {

constexpr int BackgroundSlot = 22, LogoSlot = 21;

class MenuPictures : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    std::filesystem::create_directory("textures");
    for (int i = 0; i < MenuTextureCount; ++i)
      WriteBmp24(MenuTextureFile(i), 4, 2, std::vector<uint8_t>(4 * 2 * 3, uint8_t(10 * i)));
    LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
    CreateGameScene();
    SetKeyboardSource(&Keyboard);
    Menu = MenuStateData{};
    Menu.MenuState = MenuGameType;
    Menu.MenuItem = 1;
    Loop.LastFrameTime = Clock.Now;
  }
  void TearDown() override {
    SetKeyboardSource(nullptr);
    Keys = KeyFlags{};
    FreeMenuResources();
    Menu = MenuStateData{};
    RenderFixture::TearDown();
  }

  // Passes of the loop's step until Done, at most 40.
  template <class Done>
  void StepUntil(Done done) {
    for (int pass = 0; pass < 40 && !done(); ++pass) {
      Clock.Advance(16);
      StepFrame();
    }
    ASSERT_TRUE(done());
  }
  void PlayToGame(bool fade) {
    if (fade) {
      BeginNewGame(1);
      StepUntil([] { return !Loop.MenuActive; });
    } else {
      StartGameNow(1);
    }
    StepUntil([] { return !Loop.TransitionActive; });
  }
  // Abort, or the end of the game, and the fade back to the menus.
  void LeaveGame(bool gameOver) {
    (gameOver ? Game.GameOver : Game.AbortQuery) = true;
    Loop.FadeOutRunning = Loop.TransitionActive = true;  // as the key that leaves does
    StepUntil([] { return Loop.MenuActive; });
  }
  // The menu slot of each textured draw of one menu frame, -1 for another texture.
  std::vector<int> MenuFrameSlots() {
    Dev->Draws.clear();
    DrawMenu();
    std::vector<int> slots;
    for (const DrawSnapshot& draw : Dev->Draws) {
      if (!draw.Texture0) continue;
      int slot = -1;
      for (int i = 0; i < MenuTextureCount; ++i)
        if (MenuTextures[i] == draw.Texture0) slot = i;
      slots.push_back(slot);
    }
    return slots;
  }
  static int LoadedSlots() {
    int n = 0;
    for (const Texture* t : MenuTextures) n += t != nullptr;
    return n;
  }

  ManualClock Clock{50000};
  ManualKeyboard Keyboard;
};

TEST_F(MenuPictures, AGameHoldsNoneAndTheMenusGetThemBackEitherWayRound) {
  const struct {
    const char* Way;
    bool Fade, GameOver;
    uint8_t Screen;
    std::vector<int> Slots;  // of the first menu frame after the game
  } cases[] = {
      {"faded in, aborted", true, false, MenuMain, {BackgroundSlot, LogoSlot, 0, 1, 2, 3, 4}},
      {"started at once, aborted", false, false, MenuMain, {BackgroundSlot, LogoSlot, 0, 1, 2, 3, 4}},
      {"faded in, game over", true, true, MenuHighScores, {BackgroundSlot}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Way);
    Menu.MenuState = MenuGameType;
    LoadMenuPictures();
    ASSERT_EQ(LoadedSlots(), MenuTextureCount);
    PlayToGame(c.Fade);
    EXPECT_EQ(LoadedSlots(), 0);
    Dev->Draws.clear();
    DrawGame();
    ASSERT_FALSE(Dev->Draws.empty());

    LeaveGame(c.GameOver);
    EXPECT_EQ(Menu.MenuState, c.Screen);
    EXPECT_EQ(LoadedSlots(), MenuTextureCount);
    // The first frame's pictures were decoded during the fade, not by this frame.
    EXPECT_FALSE(MenuTextures[BackgroundSlot]->Deferred & 1u);
    EXPECT_EQ(MenuFrameSlots(), c.Slots);
    ResetGameState();
    CreateGameScene();
    Loop = LoopState{};
    Loop.LastFrameTime = Clock.Now;
  }
}

// Entered without a hand-over (as the screenshot harness does), the menu step loads them.
TEST_F(MenuPictures, TheMenuStepLoadsWhatIsMissing) {
  ASSERT_EQ(LoadedSlots(), 0);
  MenuStep();
  EXPECT_EQ(LoadedSlots(), MenuTextureCount);
}

// One step per pass of the fade: the slots first (only their headers read), then the
// pictures of the first screens one by one; the others wait until drawn.
TEST_F(MenuPictures, TheFadePreparesTheFirstScreensPicturesOneAPass) {
  ASSERT_TRUE(PrepareMenuPicture());
  ASSERT_EQ(LoadedSlots(), MenuTextureCount);
  for (const Texture* t : MenuTextures) EXPECT_TRUE(t->Deferred & 1u);
  const int order[] = {BackgroundSlot, LogoSlot, 0, 1, 2, 3, 4};
  for (const int slot : order) {
    ASSERT_TRUE(PrepareMenuPicture());
    EXPECT_FALSE(MenuTextures[slot]->Deferred & 1u) << "slot " << slot;
  }
  EXPECT_FALSE(PrepareMenuPicture());
  for (int slot = 5; slot < LogoSlot; ++slot)
    EXPECT_TRUE(MenuTextures[slot]->Deferred & 1u) << "slot " << slot;
  EXPECT_EQ(MenuTextures[BackgroundSlot]->LevelBytes[0][0], 10 * BackgroundSlot);
}

struct FatalReport {
  std::string Step, Message;
  int Count = 0;
};
FatalReport Reported;
void RecordReport(const char* step, const std::string& message) {
  Reported.Step = step;
  Reported.Message = message;
  ++Reported.Count;
}

TEST_F(MenuPictures, APictureGoneDuringTheGameIsReportedAsAtTheStartUp) {
  Reported = {};
  SetFatalMessageHandler(RecordReport);
  PlayToGame(true);
  std::filesystem::remove(MenuTextureFile(BackgroundSlot));
  LeaveGame(false);
  EXPECT_EQ(Reported.Step, "LoadMenuTextures");
  EXPECT_EQ(Reported.Message, "textures/background.bmp: the picture is missing or cannot be read");
  EXPECT_GE(Reported.Count, 1);
  EXPECT_EQ(MenuTextures[BackgroundSlot], nullptr);
  // The menus without it still draw, the backdrop plain.
  EXPECT_EQ(MenuFrameSlots(), (std::vector<int>{LogoSlot, 0, 1, 2, 3, 4}));
}

}  // namespace
}  // namespace zolvane::testing
