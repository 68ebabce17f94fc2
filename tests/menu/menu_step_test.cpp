// The menus driven as the frame loop drives them: poll the keys, then one menu step.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/sound.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/keys.h"
#include "game/scene_objects.h"
#include "menu/menu_screens.h"
#include "menu/menu_state.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "platform/math3d.h"
#include "platform/settings.h"

namespace zolvane {
namespace {

using Effects = std::vector<int32_t>;

int closeRequests = 0;
void CountClose() { ++closeRequests; }

class MenuStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    savedCursor = MenuCursorBrick;
    MenuCursorBrick = nullptr;
    Loop.LastFrameTime = clock.Now;
    SetEffectRecorder(&effects);
    SetKeyboardSource(&keyboard);
    KeyboardReady = true;
    closeRequests = 0;
    SetCloseWindowHandler(CountClose);
  }
  void TearDown() override {
    SetCloseWindowHandler(nullptr);
    SetEffectRecorder(nullptr);
    SetKeyboardSource(nullptr);
    KeyboardReady = false;
    MenuCursorBrick = savedCursor;
    Reset();
  }
  static void Reset() {
    Menu = MenuStateData{};
    Keys = KeyFlags{};
    Loop = LoopState{};
    Config = GameSettings{};
    Game.ScorePosition = 0;
  }

  void Pass(uint32_t ms = 100) {
    clock.Advance(ms);
    if (!Loop.TransitionActive) PollMenuKeys();
    MenuStep();
  }
  // Holds a key for a second of 100 ms passes, then lets go.
  void Hold(int key, int passes = 10) {
    keyboard.Press(key);
    for (int i = 0; i < passes; ++i) Pass();
    keyboard.Release(key);
    Pass();
  }
  // A fresh menu on the screen and item given, for each case of a table.
  void Start(uint8_t state, int32_t item) {
    Reset();
    Loop.LastFrameTime = clock.Now;
    effects.clear();
    Menu.MenuState = state;
    Menu.MenuItem = item;
  }

  ManualClock clock{50000};
  ManualKeyboard keyboard;
  Effects effects;
  TBrick* savedCursor = nullptr;
};

TEST_F(MenuStepTest, UpAndDownWrapAroundOnlyOnScreensWithItems) {
  struct Case { uint8_t state; int32_t item; int key; int32_t expected; Effects sounds; };
  const Case cases[] = {
      {MenuMain, MainItem::NewGame, DIK_UP, MainItem::Exit, {14}},
      {MenuOptions, OptionsItem::Return, DIK_DOWN, OptionsItem::SoundVolume, {14}},
      {MenuGameType, Special, DIK_UP, Advanced, {14}},
      {MenuGameInfo, 3, DIK_DOWN, 3, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "screen " << int(c.state) << " item " << c.item);
    Start(c.state, c.item);
    keyboard.Press(c.key);
    Pass();
    keyboard.ReleaseAll();
    EXPECT_EQ(Menu.MenuItem, c.expected);
    EXPECT_EQ(effects, c.sounds);
    if (!c.sounds.empty()) {
      EXPECT_EQ(Menu.PrevMenuItem, c.item);
      EXPECT_FALSE(Menu.MenuAnimReady);
      EXPECT_EQ(Menu.ItemScale, ItemScalePlain);
    }
  }
}

TEST_F(MenuStepTest, UpWaitsForTheAnimationAndRepeatsOnceItsTimerRanOut) {
  keyboard.Press(DIK_UP);
  Pass();
  keyboard.Release(DIK_UP);
  Pass();
  keyboard.Press(DIK_UP);
  Pass();
  EXPECT_EQ(Menu.MenuItem, MainItem::Exit) << "a press within the animation is ignored";

  Menu.MenuAnimReady = true;  // the drawing's grow has finished
  int waited = 0;
  while (Menu.MenuItem == MainItem::Exit && waited < 2000) {
    Pass();
    waited += 100;
  }
  EXPECT_EQ(waited, 600);
  EXPECT_EQ(Menu.MenuItem, MainItem::Help);
  Menu.MenuAnimReady = true;
  Pass();
  EXPECT_EQ(Menu.MenuItem, MainItem::HighScores) << "then as fast as the animation allows";
}

TEST_F(MenuStepTest, VolumesStepOncePerPressWithinTheirBounds) {
  struct Case { int32_t item; int key; int32_t from, to; Effects sounds; };
  constexpr int32_t Sound = OptionsItem::SoundVolume, Music = OptionsItem::MusicVolume;
  const Case cases[] = {
      {Sound, DIK_RIGHT, 4, 5, {12}}, {Sound, DIK_LEFT, 4, 3, {12}}, {Sound, DIK_RIGHT, 9, 9, {}},
      {Sound, DIK_LEFT, 0, 0, {}},    {Music, DIK_RIGHT, 8, 9, {}},  {Music, DIK_LEFT, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "item " << c.item << " from " << c.from);
    Start(MenuOptions, c.item);
    Config.SoundVolume = Config.MusicVolume = c.from;
    Hold(c.key);
    EXPECT_EQ(c.item == Sound ? Config.SoundVolume : Config.MusicVolume, c.to);
    EXPECT_EQ(c.item == Sound ? Config.MusicVolume : Config.SoundVolume, c.from);
    EXPECT_EQ(effects, c.sounds);
  }
}

TEST_F(MenuStepTest, FireTogglesRotationAndCyclesQualityOncePerPress) {
  Start(MenuOptions, OptionsItem::Quality);
  Config.BrickQuality = 0;
  std::vector<int> qualities;
  for (int i = 0; i < 3; ++i) {
    Hold(DIK_SPACE, 3);
    qualities.push_back(Config.BrickQuality);
  }
  EXPECT_EQ(qualities, (std::vector<int>{1, 2, 0}));
  Menu.MenuItem = OptionsItem::Rotation;
  Hold(DIK_RETURN, 3);
  EXPECT_FALSE(Config.RotateClockwise);
  Menu.MenuItem = OptionsItem::SoundVolume;
  Hold(DIK_RETURN);
  EXPECT_EQ(effects, (Effects{12, 12, 12, 12})) << "the volume items ignore Fire";
}

TEST_F(MenuStepTest, FireOnTheMenuItems) {
  struct Case { uint8_t state; int32_t item; uint8_t screen; int32_t selected; };
  const Case cases[] = {
      {MenuMain, MainItem::NewGame, MenuGameType, Classic},
      {MenuMain, MainItem::Options, MenuOptions, OptionsItem::SoundVolume},
      {MenuMain, MainItem::HighScores, MenuHighScores, MainItem::HighScores},
      {MenuMain, MainItem::Help, MenuGameInfo, MainItem::Help},
      {MenuOptions, OptionsItem::Return, MenuMain, MainItem::NewGame},
      {MenuGameType, GameTypeItem::Return, MenuMain, MainItem::NewGame},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "screen " << int(c.state) << " item " << c.item);
    Start(c.state, c.item);
    Hold(DIK_SPACE);
    EXPECT_EQ(Menu.MenuState, c.screen);
    EXPECT_EQ(Menu.MenuItem, c.selected);
    EXPECT_EQ(effects, Effects{13}) << "a held key acts once";
    EXPECT_EQ(Game.ScorePosition, c.screen == MenuGameType ? 11 : 0);
  }
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(MenuStepTest, ExitAsksToCloseOncePerPressAndWithoutAHandlerDoesNothing) {
  Start(MenuMain, MainItem::Exit);
  Hold(DIK_RETURN);
  EXPECT_EQ(closeRequests, 1);
  SetCloseWindowHandler(nullptr);
  Hold(DIK_RETURN);
  EXPECT_EQ(closeRequests, 1);
  EXPECT_EQ(effects, (Effects{13, 13}));
}

TEST_F(MenuStepTest, EscapeOnEveryScreen) {
  struct Case {
    uint8_t state; int32_t item; bool naming; uint8_t screen; int32_t selected; Effects sounds;
  };
  const Case cases[] = {
      {MenuMain, MainItem::Options, false, MenuMain, MainItem::Exit, {13}},
      {MenuMain, MainItem::Exit, false, MenuMain, MainItem::Exit, {}},
      {MenuOptions, OptionsItem::Quality, false, MenuMain, MainItem::Options, {13}},
      {MenuGameType, Special, false, MenuMain, MainItem::NewGame, {13}},
      {MenuHighScores, 3, false, MenuMain, 3, {13}},
      {MenuHighScores, 3, true, MenuHighScores, 3, {}},
      {MenuGameInfo, 4, false, MenuMain, 4, {13}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "screen " << int(c.state) << " item " << c.item);
    Start(c.state, c.item);
    Menu.NameEntryActive = c.naming;
    keyboard.Press(DIK_ESCAPE);
    Pass();
    keyboard.ReleaseAll();
    EXPECT_EQ(Menu.MenuState, c.screen);
    EXPECT_EQ(Menu.MenuItem, c.selected);
    EXPECT_EQ(effects, c.sounds);
    EXPECT_TRUE(Menu.MenuAnimReady) << "Exit is selected without waiting for the animation";
  }
  EXPECT_EQ(closeRequests, 0);
}

TEST_F(MenuStepTest, HighScoreTablesSwitchOncePerPressUnlessANameIsTyped) {
  struct Case { int key; int32_t from, to; bool naming; };
  const Case cases[] = {
      {DIK_LEFT, 1, 4, false}, {DIK_DOWN, 2, 1, false}, {DIK_RIGHT, 4, 1, false},
      {DIK_UP, 3, 4, false},   {DIK_RIGHT, 2, 2, true}, {DIK_DOWN, 2, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key << " from " << c.from);
    Start(MenuHighScores, 1);
    Menu.HighScoreTableShown = c.from;
    Menu.NameEntryActive = c.naming;
    Hold(c.key, 15);  // past the Down timer's 1000 ms
    EXPECT_EQ(Menu.HighScoreTableShown, c.to);
    EXPECT_EQ(effects, c.naming ? Effects{} : Effects{12});
    EXPECT_EQ(Menu.MenuItem, 1);
  }
}

// With "Max FPS" -1 several passes can fall within one millisecond; a press still acts once.
TEST_F(MenuStepTest, EveryPressActsOnceHoweverManyPassesFallInItsFirstMillisecond) {
  struct Case {
    uint8_t state; int32_t item; int key; uint8_t screen; int32_t selected;
    int32_t sound, music; Effects sounds;
  };
  constexpr int32_t Sound = OptionsItem::SoundVolume, Music = OptionsItem::MusicVolume;
  const Case cases[] = {
      {MenuOptions, Sound, DIK_RIGHT, MenuOptions, Sound, 4, 3, {12}},
      {MenuOptions, Sound, DIK_LEFT, MenuOptions, Sound, 2, 3, {12}},
      {MenuOptions, Music, DIK_RIGHT, MenuOptions, Music, 3, 4, {}},
      {MenuOptions, Music, DIK_LEFT, MenuOptions, Music, 3, 2, {}},
      {MenuOptions, Sound, DIK_ESCAPE, MenuMain, MainItem::Options, 3, 3, {13}},
      {MenuGameType, Special, DIK_ESCAPE, MenuMain, MainItem::NewGame, 3, 3, {13}},
      {MenuMain, MainItem::Help, DIK_UP, MenuMain, MainItem::HighScores, 3, 3, {14}},
      {MenuMain, MainItem::Help, DIK_DOWN, MenuMain, MainItem::Exit, 3, 3, {14}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "screen " << int(c.state) << " key " << c.key);
    Start(c.state, c.item);
    Config.SoundVolume = Config.MusicVolume = 3;
    keyboard.Press(c.key);
    for (int i = 0; i < 5; ++i) {
      Pass(0);
      Menu.MenuAnimReady = true;  // the worst case: the drawing is quick as well
    }
    Pass(1);
    keyboard.ReleaseAll();
    Pass(100);
    EXPECT_EQ(Menu.MenuState, c.screen);
    EXPECT_EQ(Menu.MenuItem, c.selected);
    EXPECT_EQ(Config.SoundVolume, c.sound);
    EXPECT_EQ(Config.MusicVolume, c.music);
    EXPECT_EQ(effects, c.sounds);
  }
}

TEST_F(MenuStepTest, LogoTiltsStayWithinTheirBoundsAndReverse) {
  const float bounds[3] = {0.20943951f, 0.12217305f, 0.12217305f};
  float lowest[3] = {}, highest[3] = {};
  for (int pass = 0; pass < 800; ++pass) {
    Pass(pass % 3 == 0 ? 250 : 37);  // long stalls are cut to 100 ms
    const float tilts[3] = {Menu.LogoTiltX, Menu.LogoTiltY, Menu.LogoTiltZ};
    for (int i = 0; i < 3; ++i) {
      ASSERT_LE(std::fabs(tilts[i]), bounds[i]) << "axis " << i << " pass " << pass;
      lowest[i] = std::fmin(lowest[i], tilts[i]);
      highest[i] = std::fmax(highest[i], tilts[i]);
    }
    ASSERT_GE(Menu.LogoDrift, 0.0f);
    ASSERT_LT(Menu.LogoDrift, 6.2831855f);
  }
  for (int i = 0; i < 3; ++i) {
    EXPECT_FLOAT_EQ(highest[i], bounds[i]) << "axis " << i;
    EXPECT_FLOAT_EQ(lowest[i], -bounds[i]) << "axis " << i;
  }
  // 800 steps of half a degree, whatever the frame times were: a turn and 40 degrees.
  EXPECT_NEAR(Menu.LogoDrift, 0.6981317f, 1e-3f);
}

TEST_F(MenuStepTest, CursorBrickSpinsAboutItsOwnCentreWithoutShrinking) {
  TBrick brick(2, 3.0f, -2.0f, 0.0f);
  MenuCursorBrick = &brick;
  Pass(100);
  const float a = 100 * 0.0034906585f;
  const D3DVECTOR p = TransformPoint(MakeVector(1, 0, 0), brick.World);
  EXPECT_NEAR(p.x, 3.0f + std::cos(a), 1e-5f);
  EXPECT_NEAR(p.y, -2.0f, 1e-5f);
  EXPECT_NEAR(p.z, -std::sin(a), 1e-5f);

  for (int i = 0; i < 20000; ++i) Pass(16);
  const D3DVECTOR centre = TransformPoint(MakeVector(0, 0, 0), brick.World);
  EXPECT_NEAR(VectorLength(VectorSubtract(centre, MakeVector(3, -2, 0))), 0.0f, 1e-6f);
  const auto& m = brick.World.m;
  for (float len : {VectorLength(MakeVector(m[0][0], m[0][1], m[0][2])),
                    VectorLength(MakeVector(m[2][0], m[2][1], m[2][2]))})
    EXPECT_NEAR(len, 1.0f, 2e-5f) << "rounding must not pile up turn after turn";
}

}  // namespace
}  // namespace zolvane
