// Passes of 0 ms: with "Max FPS" -1 several steps can fall within the first millisecond of
// a press, and the press must still act once.
#include "tests/game/rules_fixture.h"

namespace zolvane {
namespace {

class QuickPassesTest : public RulesTest {};

TEST_F(QuickPassesTest, EveryGameKeyActsOnceHoweverManyPassesFallInItsFirstMillisecond) {
  struct Case { int key; int32_t column, rotation; bool paused, asking; };
  const Case cases[] = {
      {DIK_UP, 4, 2, false, false},   {DIK_LEFT, 3, 1, false, false},
      {DIK_RIGHT, 5, 1, false, false}, {DIK_P, 4, 1, true, false},
      {DIK_ESCAPE, 4, 1, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key);
    ResetShared();
    CreateGameScene();
    StartGameNow(1);
    Loop.LastFrameTime = clock.Now;
    Place(KindT, 1, 4, 15);
    FreezeFall();
    keyboard.Press(c.key);
    Passes(5, 0);
    Pass(1);
    keyboard.ReleaseAll();
    Passes(10, 100);  // a started turn or move runs to its end
    EXPECT_EQ(Falling().Column, c.column);
    EXPECT_EQ(Falling().Rotation, c.rotation);
    EXPECT_FALSE(Falling().Turning);
    EXPECT_EQ(Falling().SideMove, SideMoveDir::None);
    EXPECT_EQ(Game.Paused, c.paused);
    EXPECT_EQ(Game.AbortQuery, c.asking);
  }
}

}  // namespace
}  // namespace zolvane
