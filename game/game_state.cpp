#include "game/game_state.h"

#include "game/keys.h"
#include "platform/clock.h"
#include "platform/math3d.h"
#include "platform/random.h"

namespace zolvane {

GameState Game;

namespace {
void CreateWellBricks() {
  for (int r = 1; r <= WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellCell& cell = WellAt(r, c);
      cell.Empty = true;
      cell.Brick = new TBrick(1, static_cast<float>(c), static_cast<float>(r), 0);
    }
}

// Rotation first, then kind: the order of the draws is part of replaying a game.
void DrawRandomFigure(TFigure* figure, int32_t column, int32_t row, float scale) {
  const int32_t rotation = RandomInt(4);
  const int32_t kind = RandomInt(7);
  figure->ResetFigure(kind + 1, rotation + 1, column, row, 0, scale);
}
}  // namespace

char WellCellChar(const WellCell& cell) {
  if (cell.Empty) return '.';
  const int32_t colour = cell.Brick ? cell.Brick->Colour : 0;
  return colour >= 0 && colour <= 9 ? static_cast<char>('0' + colour) : '?';
}

std::string WellRowText(int row) {
  std::string text(WellColumns, '.');
  for (int c = 1; c <= WellColumns; ++c)
    text[static_cast<size_t>(c - 1)] = WellCellChar(WellAt(row, c));
  return text;
}

std::string WellText() {
  std::string text;
  for (int r = WellRows; r >= 1; --r) {
    if (r < WellRows) text += '/';
    text += WellRowText(r);
  }
  return text;
}

void FreeWellBricks() {
  for (int r = 1; r <= WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellCell& cell = WellAt(r, c);
      cell.Empty = true;
      delete cell.Brick;
      cell.Brick = nullptr;
    }
}

void FreeSparks() {
  while (Game.Sparks) {
    Spark* next = Game.Sparks->Next;
    delete Game.Sparks;
    Game.Sparks = next;
  }
}

void FreeFlyingRows() {
  for (auto& slot : Game.FlyingRows)
    for (TBrick*& brick : slot) {
      delete brick;
      brick = nullptr;
    }
}

void NewGame() {
  FreeWellBricks();
  CreateWellBricks();
  DrawRandomFigure(Game.FallingFigure, 4, 20, 0.5f);
  DrawRandomFigure(Game.NextFigure, -6, 18, 0.4f);

  Game.BaseFallSpeed = Game.FallSpeed = StartFallSpeed;
  Game.Score = Game.ShownScore = 0;
  Game.Level = 1;
  Game.Lines = 0;
  Game.FiguresPerMinute = 0;
  Game.FiguresLanded = 0;
  Game.GameSeconds = 0;
  Game.GameStartTime = timeGetTime();
  Game.LinesAdded = 0;
  Game.AbortQuery = false;
  Game.Paused = false;

  Game.MessageAlpha = 0;
  Game.MessageBonus = 0;
  Game.MessageText.clear();
  Game.PraiseIndex = RandomInt(7);

  // A key still held counts as a new press at the next poll; the timers keep their values.
  Keys.KeyCtrl = Keys.KeySpace = Keys.KeyDown = Keys.KeyLeft = Keys.KeyRight = false;
  Keys.KeyUp = Keys.KeyEscape = Keys.KeyPause = Keys.KeyEnter = false;
  Keys.KeyYesDown = Keys.KeyNoDown = false;

  FreeFlyingRows();
  FreeSparks();
}

void CreateGameScene() {
  FreeWellBricks();
  delete Game.FallingFigure;
  delete Game.NextFigure;
  Game.FallingFigure = new TFigure(2, 1, 4, 20, 0, 0.5f);
  Game.FallingFigure->SideMove = SideMoveDir::None;
  Game.NextFigure = new TFigure(1, 1, -6, 18, 0, 0.4f);
  CreateWellBricks();
  SetRotateYMatrix(Game.FigureTurnMatrix, 0.0034906585f);
  Game.BrickFlipActive = false;
  Game.BrickFlipAxis = RandomInt(6);
  Game.SlideGraceMs = 100;
}

void ResetGameState() {
  FreeWellBricks();
  FreeFlyingRows();
  FreeSparks();
  delete Game.FallingFigure;
  delete Game.NextFigure;
  Game = GameState{};
}

}  // namespace zolvane
