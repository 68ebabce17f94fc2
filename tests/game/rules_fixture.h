// A game started as the menu starts one, on a clock and keyboard the test moves by hand.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/high_scores.h"
#include "game/keys.h"
#include "game/rules.h"
#include "menu/menu_state.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "platform/keyboard.h"
#include "platform/random.h"
#include "platform/settings.h"

namespace zolvane {

class RulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetShared();
    std::copy(&HighScores[0][0], &HighScores[0][0] + 5 * 11, &savedScores[0][0]);
    for (auto& table : HighScores)
      for (auto& entry : table) entry = HighScoreEntry{};
    RandomSeed(20240611);
    LoadFigureShapes(ZOLVANE_SOURCE_DIR "/data/figimages/images.dat");
    CreateGameScene();
    StartGameNow(1);
    Loop.LastFrameTime = clock.Now;
    SetEffectRecorder(&effects);
    SetKeyboardSource(&keyboard);
    KeyboardReady = true;
  }

  void TearDown() override {
    SetEffectRecorder(nullptr);
    SetKeyboardSource(nullptr);
    KeyboardReady = false;
    ResetShared();
    std::copy(&savedScores[0][0], &savedScores[0][0] + 5 * 11, &HighScores[0][0]);
  }

  static void ResetShared() {
    ResetGameState();
    Keys = KeyFlags{};
    Loop = LoopState{};
    Config = GameSettings{};
    Menu = MenuStateData{};
  }

  // One pass of the frame loop, without the frame.
  void Pass(uint32_t ms) {
    clock.Advance(ms);
    StepFrame();
  }
  void Passes(int count, uint32_t ms) {
    for (int i = 0; i < count; ++i) Pass(ms);
  }

  TFigure& Falling() { return *Game.FallingFigure; }

  // Puts the falling figure somewhere by hand, already grown.
  void Place(int32_t kind, int32_t rotation, int32_t column, int32_t row) {
    Falling().ResetFigure(kind, rotation, column, row, 0, 1.0f);
    Falling().Scale = 1.0f;
    Falling().SideMove = SideMoveDir::None;
  }

  // Keeps the figure where it is while a test runs full game steps.
  void FreezeFall() { Game.BaseFallSpeed = Game.FallSpeed = 0; }

  static void Occupy(int row, int column, int32_t colour = 3) {
    WellAt(row, column).Empty = false;
    WellAt(row, column).Brick->Colour = colour;
  }
  static void FillRow(int row, std::initializer_list<int> holes = {}, int32_t colour = 3) {
    for (int c = 1; c <= WellColumns; ++c)
      if (std::find(holes.begin(), holes.end(), c) == holes.end()) Occupy(row, c, colour);
  }
  static int OccupiedIn(int row) {
    int n = 0;
    for (int c = 1; c <= WellColumns; ++c) n += WellAt(row, c).Empty ? 0 : 1;
    return n;
  }
  static int OccupiedTotal() {
    int n = 0;
    for (int r = 1; r <= WellRows; ++r) n += OccupiedIn(r);
    return n;
  }
  // Whether any filled cell of the figure's grid stands on an occupied position.
  static bool FigureOverlapsWell(const TFigure& f) {
    const int32_t rotation = ShapeInUse(f);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        if (ShapeCell(f.Kind(), rotation, i, j) && !PositionFree(f.Row - i, f.Column + j))
          return true;
    return false;
  }
  // The well's colours and the two figures: what a game that plays back alike must match.
  static std::vector<int> WellBits() {
    std::vector<int> bits;
    for (int r = 1; r <= WellRows; ++r)
      for (int c = 1; c <= WellColumns; ++c)
        bits.push_back(WellAt(r, c).Empty ? 0 : WellAt(r, c).Brick->Colour);
    bits.push_back(Game.FallingFigure->Kind());
    bits.push_back(Game.FallingFigure->Row);
    bits.push_back(Game.FallingFigure->Column);
    bits.push_back(Game.NextFigure->Kind());
    return bits;
  }
  int CountEffect(int32_t index) const {
    return static_cast<int>(std::count(effects.begin(), effects.end(), index));
  }
  static int FlyingSlotsInUse() {
    int n = 0;
    for (auto& slot : Game.FlyingRows) n += slot[0] ? 1 : 0;
    return n;
  }
  static int SparkCount() {
    int n = 0;
    for (Spark* s = Game.Sparks; s; s = s->Next) ++n;
    return n;
  }

  ManualClock clock{100000};
  ManualKeyboard keyboard;
  std::vector<int32_t> effects;
  HighScoreEntry savedScores[5][11];
};

// Figure kinds of the shapes file used by the tests.
constexpr int32_t KindI = 1;  // rotation 1: line 1 across; 2: grid column 2 down
constexpr int32_t KindO = 5;  // grid columns 1-2, lines 0-1, in every rotation
constexpr int32_t KindT = 6;

}  // namespace zolvane
