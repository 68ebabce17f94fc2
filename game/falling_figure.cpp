// The falling figure: growing into view, turning, falling, sideways moves, locking.
// Positions are floats moved by FrameDelta x speed; the integer Row and Column are what
// collides with the well.
#include <cmath>

#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "game/scene_objects.h"
#include "platform/math3d.h"
#include "platform/random.h"
#include "platform/settings.h"

namespace zolvane {

namespace {
constexpr float Pi = 3.14159265358979f;
constexpr float GrowRate = 0.003f;     // scale per ms
constexpr float SpaceSpeed = 0.08f;
// The turn angle is a float sum of per-step increments, which may land a hair short of a
// quarter turn that the steps add up to exactly (12 steps of 7.5 degrees). The slack is far
// above that rounding (about 1e-6) and far below the shortest real shortfall (about 2e-3).
constexpr float QuarterTurn = Pi / 2;
constexpr float TurnSlack = 1e-4f;

bool Occupied(int row, int column) {
  return row >= 1 && row <= WellRows && column >= 1 && column <= WellColumns &&
         !WellAt(row, column).Empty;
}

// Room to go down one row from the given row.
bool RoomBelow(const TFigure& f, int rotation, int row) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (ShapeCell(f.Kind(), rotation, i, j) && !PositionFree(row - i - 1, f.Column + j))
        return false;
  return true;
}

bool Overlaps(const TFigure& f, int kind, int rotation) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (ShapeCell(kind, rotation, i, j) && Occupied(f.Row - i, f.Column + j)) return true;
  return false;
}

void Lock(TFigure& f, int rotation) {
  PlayEffect(Effect::FigureFall, true);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (ShapeCell(f.Kind(), rotation, i, j)) {
        WellCell& cell = WellAt(f.Row - i, f.Column + j);
        cell.Empty = false;
        cell.Brick->Colour = f.Kind();
      }
  TFigure& next = *Game.NextFigure;
  f.ResetFigure(next.Kind(), next.Rotation, 4, 20, 0, 0.5f);
  // Rotation first, then kind: replays depend on the order of the draws.
  const int32_t rotationDraw = RandomInt(4);
  const int32_t kindDraw = RandomInt(7);
  next.ResetFigure(kindDraw + 1, rotationDraw + 1, -6, 18, 0, 0.4f);
  Game.FallSpeed = Game.BaseFallSpeed;
  Game.Score += 5;
  Game.FiguresLanded += 1;
  Game.SlideGraceMs = 100;
  Game.SlideStep = false;
}

// dir -1 left, +1 right.
void StepSideways(TFigure& f, int dir) {
  const int o = Game.SlideStep ? 1 : 0;
  const int rotation = ShapeInUse(f);
  bool possible = true;
  for (int i = 0; i < 4 && possible; ++i)
    for (int j = 0; j < 4 && possible; ++j) {
      if (!ShapeCell(f.Kind(), rotation, i, j)) continue;
      const int column = f.Column + j + dir;
      // Falling, the cell must also clear the row it is about to enter.
      if (column < 1 || column > WellColumns || (o == 0 && f.Row - i - 1 < 1) ||
          !PositionFree(f.Row - i - 1 + o, column))
        possible = false;
    }
  if (!possible) {
    f.SideMove = SideMoveDir::None;
    return;
  }
  if (!Game.SlideStep) {
    f.X += static_cast<float>(dir) * Delta() * Game.SideSpeed;
    const float moved = dir < 0 ? static_cast<float>(f.Column) - f.X
                                : f.X - static_cast<float>(f.Column);
    if (moved > 1) {
      f.SideMove = SideMoveDir::None;
      f.Column += dir;
      f.X = static_cast<float>(f.Column);
    }
  } else {
    // The one quick step a Space-dropped figure gets before it locks.
    f.SideMove = SideMoveDir::None;
    f.X += static_cast<float>(dir);
    f.Column += dir;
    Game.FallSpeed = Game.BaseFallSpeed;
    Game.SlideStep = false;
  }
}
}  // namespace

bool PositionFree(int row, int column) {
  return row >= 1 && row <= WellRows && column >= 1 && column <= WellColumns &&
         WellAt(row, column).Empty;
}

int32_t TurnTarget(const TFigure& figure) {
  if (Config.RotateClockwise) return figure.Rotation % 4 + 1;
  return figure.Rotation == 1 ? 4 : figure.Rotation - 1;
}

int32_t ShapeInUse(const TFigure& figure) {
  return figure.Turning ? TurnTarget(figure) : figure.Rotation;
}

void TFigure::StartTurn() {
  const int32_t target = TurnTarget(*this);
  int32_t c = Column;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (!ShapeCell(Kind(), target, i, j)) continue;
      while (j + c <= 0) ++c;
      while (j + c > WellColumns) --c;
    }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (ShapeCell(Kind(), target, i, j) && !PositionFree(Row - i, c + j)) return;
  Column = c;
  X = static_cast<float>(c);
  Turning = true;
}

void GrowStep(TFigure& figure, float target) {
  if (figure.Scale >= target) return;
  figure.Scale += Delta() * GrowRate;
  if (figure.Scale >= target) figure.Scale = target;
  SetScaleMatrix(figure.ScaleMatrix, figure.Scale, figure.Scale, figure.Scale);
}

void TurnStep(TFigure& figure) {
  figure.TurnAngle += Delta() * Config.RotationSpeed * Pi / 180.0f;
  SetRotateZMatrix(Game.FigureTurnMatrix,
                   Config.RotateClockwise ? -figure.TurnAngle : figure.TurnAngle);
  if (figure.TurnAngle >= QuarterTurn - TurnSlack) {
    figure.TurnAngle = 0;
    figure.Rotation = TurnTarget(figure);
    figure.Turning = false;
  }
}

void FallStep(TFigure& f) {
  // One grid for the whole call: the end-of-game test after a lock uses the locked one.
  const int32_t kind = f.Kind();
  const int32_t rotation = ShapeInUse(f);

  if (RoomBelow(f, rotation, f.Row)) {
    const float oldY = f.Y;
    f.Y -= Delta() * Game.FallSpeed;
    if (static_cast<float>(f.Row) - f.Y > 1) {
      f.Row -= 1;
      // Check every row between Row and Y: a fast drop never skips over a brick.
      int32_t c = f.Row;
      while (static_cast<float>(c) > f.Y) {
        if (!RoomBelow(f, rotation, c)) {
          f.Y = static_cast<float>(c);
          f.Row = c;
          break;
        }
        --c;
      }
    }
    if (Game.FallSpeed >= DropSpeed) TrailSparks(f, rotation, oldY - f.Y);
    return;
  }

  // Resting: never lock in the middle of a sideways move.
  if (f.SideMove != SideMoveDir::None) return;
  if (std::fabs(Game.FallSpeed - SpaceSpeed) <= 0.001f && Game.SlideGraceMs >= 0) {
    Game.SlideGraceMs -= Delta();
    Game.SlideStep = true;
  } else {
    Lock(f, rotation);
  }
  if (Overlaps(f, kind, rotation)) {
    PlayEffect(Effect::GameOver, true);
    Game.GameOver = true;
  }
}

void StepLeft(TFigure& figure) { StepSideways(figure, -1); }
void StepRight(TFigure& figure) { StepSideways(figure, +1); }

}  // namespace zolvane
