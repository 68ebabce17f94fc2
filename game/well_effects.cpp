// What the game types add to the well, and the two effects every game runs: the garbage
// rows of "Advanced" and "Crazy", a random brick flipping over once, and the sparks behind
// a dropped figure.
#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/rules.h"
#include "game/scene_objects.h"
#include "platform/math3d.h"
#include "platform/random.h"
#include "platform/settings.h"

namespace zolvane {

namespace {
constexpr float Pi = 3.14159265358979f;
constexpr int32_t GarbageInterval = 45;  // seconds of play
constexpr int32_t GarbageBricks = 5;
constexpr int32_t GarbageColour = 8;
constexpr int FlipTries = 31;


void StartBrickFlip() {
  for (int tries = 0; tries < FlipTries; ++tries) {
    Game.BrickFlipColumn = RandomInt(WellColumns) + 1;
    Game.BrickFlipRow = RandomInt(WellRows) + 1;
    const WellCell& cell = WellAt(Game.BrickFlipRow, Game.BrickFlipColumn);
    if (!cell.Empty) {
      Game.BrickFlipActive = true;
      Game.BrickFlipAxis = RandomInt(6);
      Game.BrickFlipHome = cell.Brick->World;
      return;
    }
  }
}

void FlipRotation(D3DMATRIX& out, int32_t axis, float angle) {
  switch (axis) {
    case 0: SetRotateYMatrix(out, angle); break;
    case 1: SetRotateYMatrix(out, -angle); break;
    case 2: SetRotateXMatrix(out, angle); break;
    case 3: SetRotateXMatrix(out, -angle); break;
    case 4: SetRotateZMatrix(out, angle); break;
    default: SetRotateZMatrix(out, -angle); break;
  }
}

// One spark or none for a column; the draws differ with the frame rate so that slow or
// full-screen frames still leave a visible trail.
int32_t SparkDrift() {
  if (Loop.FrameDelta > 35 || Config.FullScreen) return RandomInt(2) == 0 ? 1 : -1;
  if (RandomInt(6) == 0) return 1;
  if (RandomInt(6) == 1) return -1;
  return 0;
}
}  // namespace

void GarbageTimerStep() {
  const bool garbage = HasGarbageRows(Game.GameType);
  const int32_t t = (Game.LinesAdded + 1) * GarbageInterval - Game.GameSeconds;
  if (t != Game.TimeLeft) {
    Game.TimeLeft = t;
    if (garbage) {
      if (Game.TimeLeft > 0 && Game.TimeLeft <= 3) PlayEffect(Effect::Warning, false);
      if (Game.TimeLeft == 3) SetMessage("Warning...", -2.8f, 6, 0);
    }
  }
  if (garbage && Game.GameSeconds / GarbageInterval > Game.LinesAdded) AddGarbageRow();
}

void AddGarbageRow() {
  PlayEffect(Effect::LineAdd, true);
  // Whatever the top row held is pushed out of the well.
  for (int r = WellRows; r >= 2; --r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellCell& cell = WellAt(r, c);
      const WellCell& below = WellAt(r - 1, c);
      cell.Empty = below.Empty;
      cell.Brick->Colour = below.Brick->Colour;
    }
  for (int c = 1; c <= WellColumns; ++c) WellAt(1, c).Empty = true;
  for (int filled = 0; filled < GarbageBricks;) {
    WellCell& cell = WellAt(1, RandomInt(WellColumns) + 1);
    if (!cell.Empty) continue;
    cell.Empty = false;
    cell.Brick->Colour = GarbageColour;
    ++filled;
  }
  Game.LinesAdded += 1;
}

void BrickFlipUpdate() {
  if (Game.BrickFlipActive)
    BrickFlipStep();
  else if (RandomInt(10) == 0)
    StartBrickFlip();
}

void BrickFlipStep() {
  Game.BrickFlipAngle += Delta() * Pi / 720.0f;
  if (Game.BrickFlipAngle > Pi / 2) Game.BrickFlipAngle = Pi / 2;

  // The brick turns about the point half a unit above its home position.
  D3DMATRIX rotation, lower;
  FlipRotation(rotation, Game.BrickFlipAxis, Game.BrickFlipAngle);
  SetTranslateMatrix(lower, 0, -0.5f, 0);
  D3DMATRIX& world = WellAt(Game.BrickFlipRow, Game.BrickFlipColumn).Brick->World;
  MatrixMultiply(rotation, lower, world);
  world(4, 1) += static_cast<float>(Game.BrickFlipColumn);
  world(4, 2) += static_cast<float>(Game.BrickFlipRow) + 0.5f;

  if (Game.BrickFlipAngle >= Pi / 2) {
    // Back to the exact rows; this also ends any sinking in the column.
    for (int r = 1; r <= WellRows; ++r)
      SetTranslateMatrix(WellAt(r, Game.BrickFlipColumn).Brick->World,
                         static_cast<float>(Game.BrickFlipColumn), static_cast<float>(r), 0);
    Game.BrickFlipAngle = 0;
    Game.BrickFlipActive = false;
  }
}

void AddSpark(int32_t drift, float x, float y) {
  Game.Sparks = new Spark{x, y, 180 + RandomInt(40), drift, Game.Sparks};
}

void RemoveSpark(Spark* previous) {
  Spark*& link = previous ? previous->Next : Game.Sparks;
  Spark* gone = link;
  if (!gone) return;
  link = gone->Next;
  delete gone;
}

void UpdateSparks() {
  const int32_t lifeLoss = RoundHalfEven(Loop.FrameDelta * 0.16);
  Spark* previous = nullptr;
  Spark* spark = Game.Sparks;
  while (spark) {
    spark->Life -= lifeLoss;
    spark->Y -= Delta() * 0.0025f;
    spark->X += static_cast<float>(spark->Drift) * 0.0009f * Delta();
    if (spark->Life <= 50) {
      spark = spark->Next;
      RemoveSpark(previous);
    } else {
      previous = spark;
      spark = spark->Next;
    }
  }
}

void TrailSparks(const TFigure& figure, int32_t rotation, float distance) {
  for (int j = 0; j < 4; ++j) {
    int top = 0;
    while (top < 4 && !ShapeCell(figure.Kind(), rotation, top, j)) ++top;
    if (top == 4) continue;
    const int32_t drift = SparkDrift();
    if (drift == 0) continue;
    const float r1 = RandomFloat();
    const float r2 = RandomFloat();
    AddSpark(drift, figure.X + static_cast<float>(j) - 0.5f + r1,
             figure.Y - static_cast<float>(top) + r2 * distance);
  }
}

}  // namespace zolvane
