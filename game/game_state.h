// Everything a running game consists of: the well, the two figures, the counters beside
// the well, the break flags, the flying message and the short-lived effects.
#pragma once
#include <cstdint>
#include <string>

#include "game/scene_objects.h"
#include "platform/d3d8.h"

namespace zolvane {

constexpr int WellRows = 20;
constexpr int WellColumns = 10;
constexpr int FlyingRowSlots = 8;

struct WellCell {
  bool Empty = true;
  TBrick* Brick = nullptr;  // exists whether the position is free or not
};

struct Spark {
  float X, Y;      // well units
  int32_t Life;    // 180..219 at birth; removed at 50 or less
  int32_t Drift;   // +1 right, -1 left
  Spark* Next;
};

struct GameState {
  WellCell Well[WellRows][WellColumns];  // row 1 first; use WellAt
  TFigure* FallingFigure = nullptr;
  TFigure* NextFigure = nullptr;

  int32_t Score = 0, ShownScore = 0, Level = 1, Lines = 0;
  int32_t FiguresLanded = 0, FiguresPerMinute = 0, GameSeconds = 0;
  uint32_t GameStartTime = 0, BreakStartTime = 0;
  int32_t ScorePosition = 0;
  int32_t GameType = 0;  // 1 Classic, 2 Advanced, 3 Special, 4 Crazy
  int32_t LinesAdded = 0, TimeLeft = 0;
  float BaseFallSpeed = 0.0019f, FallSpeed = 0.0019f, SideSpeed = 0.022f;  // per ms
  bool SlideStep = false;
  int32_t SlideGraceMs = 100;
  int32_t PraiseIndex = 0;

  bool GameOver = false, Paused = false, AbortQuery = false;

  std::string MessageText;
  float MessageX = 0;
  int32_t MessageSize = 0;
  float MessageAlpha = 0;
  int32_t MessageBonus = 0;
  int32_t MessageFadeDir = 1;

  TBrick* FlyingRows[FlyingRowSlots][WellColumns] = {};
  Spark* Sparks = nullptr;  // newest first

  bool BrickFlipActive = false;
  int32_t BrickFlipColumn = 0, BrickFlipRow = 0, BrickFlipAxis = 0;
  float BrickFlipAngle = 0;
  D3DMATRIX BrickFlipHome{};

  D3DMATRIX FigureTurnMatrix{};  // the turn of the falling figure, applied by its drawing
};

extern GameState Game;

constexpr float MessageFadeRate = 0.11f;
constexpr float StartFallSpeed = 0.0019f;

// Well position (row 1..20 from the bottom, column 1..10 from the left).
inline WellCell& WellAt(int row, int column) { return Game.Well[row - 1][column - 1]; }

// The well as text, for the simulator and the tests that compare a game with its replay: a
// free cell is '.', a taken one its brick's colour digit ('?' past 9).
char WellCellChar(const WellCell& cell);
// One row (1..20 from the bottom), ten characters from the left.
std::string WellRowText(int row);
// The 20 rows top first, parted by '/': one word, for a line of text.
std::string WellText();

void NewGame();
void FreeWellBricks();
void FreeSparks();
// Frees every brick of the flying rows and empties the slots.
void FreeFlyingRows();
// What the start-up does before the first frame: the 200 well bricks, both figures, the
// brick flip's axis and the slide grace.
void CreateGameScene();
// Frees every object and gives all state its program-start values (tests, shutdown).
void ResetGameState();

}  // namespace zolvane
