// The game step and the break step, and the pieces of the rules other code calls.
#pragma once
#include <cstdint>
#include <string>

namespace zolvane {

class TFigure;
struct Spark;

// One step of a running game (no break state set).
void GameTick();
// The "Speed:" figure: figures per minute, rounded half to even. seconds > 0.
int32_t FiguresPerMinute(int32_t figures, int32_t seconds);
// One step while the game is paused, asks whether to abort, or is over.
void BreakTick();

void PauseGame();
void ResumeGame();

// Falling figure.
// At or above this fall speed a drop key (Space or Ctrl) is at work.
constexpr float DropSpeed = 0.079f;
void GrowStep(TFigure& figure, float target);
void TurnStep(TFigure& figure);
void FallStep(TFigure& figure);
void StepLeft(TFigure& figure);
void StepRight(TFigure& figure);
// The rotation state a turn under way ends in (the next state for a figure at rest).
int32_t TurnTarget(const TFigure& figure);
// The rotation whose grid collides with the well: the target while the figure turns.
int32_t ShapeInUse(const TFigure& figure);
// Inside the well and not occupied.
bool PositionFree(int row, int column);

// Rows, scoring, levels.
void ClearFullRows();
void LaunchRow(int row);
void RemoveRow(int row);
void MoveFlyingRows();
void SettleBricks();
void CheckLevelUp();
void PlayLevelSound();
void UpdateScorePosition();
void UpdateMessageBrightness();
void CountUpShownScore();
// Replaces the flying message at once, starting at brightness 150.
void SetMessage(const std::string& text, float x, int32_t size, int32_t bonus);

// Game types and well effects.
void GarbageTimerStep();
void AddGarbageRow();
void BrickFlipUpdate();
void BrickFlipStep();
void AddSpark(int32_t drift, float x, float y);
void UpdateSparks();
// Unlinks and frees the spark after previous, or the first one when previous is null.
void RemoveSpark(Spark* previous);
// Sparks out of the top edge of each column of a fast-dropped figure, spread over the
// distance it fell in this step.
void TrailSparks(const TFigure& figure, int32_t rotation, float distance);

}  // namespace zolvane
