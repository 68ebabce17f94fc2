// The game step and the break step, and the pieces of the rules other code calls.
#pragma once
#include <cstdint>

namespace zolvane {

class TFigure;

// One step of a running game (no break state set).
void GameTick();
// One step while the game is paused, asks whether to abort, or is over.
void BreakTick();

void PauseGame();
void ResumeGame();

// Falling figure.
void GrowStep(TFigure& figure, float target);
void TurnStep(TFigure& figure);
void FallStep(TFigure& figure);
void StepLeft(TFigure& figure);
void StepRight(TFigure& figure);

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

// Game types and well effects.
void GarbageTimerStep();
void AddGarbageRow();
void BrickFlipUpdate();
void BrickFlipStep();
void AddSpark(int32_t drift, float x, float y);
void UpdateSparks();

}  // namespace zolvane
