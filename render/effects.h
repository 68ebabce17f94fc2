// The sparks behind a fast-dropped figure: one small picture per spark on a shared quad
// whose alpha is rewritten before each spark.
#pragma once
#include <cstdint>

#include "game/game_types.h"
#include "platform/device.h"

namespace zolvane {

// Index 1..4 by game type.
extern Texture* EffectTextures[GameTypeCount + 1];
// Spark size by game type (index 1..4).
extern const float SparkSize[GameTypeCount + 1];

void MakeEffectTextures();
void ReleaseEffectTextures();

// Writes FD3DVBEffects with the colour ARGB(alpha, 255, 255, 255). An alpha outside
// 0..255 is clamped into it. Returns the lock's code; the caller reports a failure.
HRESULT FillEffectQuad(int32_t alpha);

// Draws every spark, newest first. A failed quad lock goes to ReportFatalFailure under
// "FD3DVBEffects.Lock" and ends the drawing.
void DrawSparks();

}  // namespace zolvane
