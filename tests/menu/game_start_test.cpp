// Starting a game from the menu: the fade to black, the new game, the fade back in.
#include <gtest/gtest.h>

#include <vector>

#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "menu/menu_state.h"
#include "platform/clock.h"

namespace zolvane {
namespace {

TEST(GameStart, FadesOutStartsTheGameOfTheTypeAndFadesIn) {
  ManualClock clock{10000};
  LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
  CreateGameScene();
  Loop = LoopState{};
  Loop.LastFrameTime = clock.Now;
  std::vector<int32_t> effects;
  SetEffectRecorder(&effects);

  BeginNewGame(2);
  BeginNewGame(3);  // a second choice while the fade runs changes nothing
  EXPECT_EQ(Game.GameType, 2);
  EXPECT_EQ(Game.ScorePosition, 11);
  int passes = 0;
  while (Loop.MenuActive) {
    clock.Advance(100);
    MenuStep();
    ASSERT_LT(++passes, 10);
  }
  EXPECT_EQ(passes, 4);
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
  ResetGameState();
  Loop = LoopState{};
  Menu = MenuStateData{};
}

}  // namespace
}  // namespace zolvane
