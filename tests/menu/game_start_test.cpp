// Starting a game from the menu: the fade to black, the new game, the fade back in.
#include <gtest/gtest.h>

#include <vector>

#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/keys.h"
#include "game/rules.h"
#include "menu/menu_state.h"
#include "platform/clock.h"
#include "platform/keyboard.h"

namespace zolvane {
namespace {

TEST(GameStart, FireOnAGameTypeFadesOutStartsTheGameAndFadesIn) {
  ManualClock clock{10000};
  ManualKeyboard keyboard;
  SetKeyboardSource(&keyboard);
  KeyboardReady = true;
  LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
  CreateGameScene();
  Loop = LoopState{};
  Loop.LastFrameTime = clock.Now;
  std::vector<int32_t> effects;
  SetEffectRecorder(&effects);

  Keys = KeyFlags{};
  Game.ScorePosition = 0;
  Menu.MenuState = MenuGameType;
  Menu.MenuItem = Advanced;
  keyboard.Press(DIK_SPACE);
  int passes = 0;
  while (Loop.MenuActive) {
    clock.Advance(100);
    if (!Loop.TransitionActive) PollMenuKeys();
    MenuStep();
    // The fade stops the polling, so the press still stands: it must not choose again.
    Menu.MenuItem = Special;
    ASSERT_LT(++passes, 10);
  }
  EXPECT_EQ(passes, 4);
  EXPECT_EQ(Game.GameType, Advanced);
  EXPECT_EQ(Game.ScorePosition, 11);
  EXPECT_EQ(Game.GameStartTime, clock.Now);
  EXPECT_TRUE(Loop.FadeInRunning);
  EXPECT_TRUE(Loop.TransitionActive);
  EXPECT_EQ(effects, (std::vector<int32_t>{13, 17}));
  // The game step finishes the fade.
  while (Loop.TransitionActive) {
    clock.Advance(100);
    GameTick();
    ASSERT_LT(++passes, 20);
  }
  EXPECT_EQ(Loop.FadeLevel, 0);

  SetEffectRecorder(nullptr);
  SetKeyboardSource(nullptr);
  KeyboardReady = false;
  Keys = KeyFlags{};
  ResetGameState();
  Loop = LoopState{};
  Menu = MenuStateData{};
}

}  // namespace
}  // namespace zolvane
