// The game screen: everything DrawGame draws in one frame of a running game, and the
// pictures and frame models only that screen uses.
#pragma once
#include <cstdint>

#include "game/game_types.h"
#include "platform/device.h"

namespace zolvane {

class TModel;
class TFigure;

// Index 1..4 by game type.
extern Texture* BackgroundTextures[GameTypeCount + 1];
// Index 1 game over, 2 pause, 3 abort question.
extern Texture* BreakTextures[4];
// The sway of the break picture, kept across frames and breaks.
extern float BreakSwingAngle;
extern int32_t BreakSwingDir;

// The frame around the well: model 3 for Classic and Special, model 4 for the others.
extern TModel* GlassFrameOdd;
extern TModel* GlassFrameEven;

void DrawGame();
// Steps of DrawGame: the render states of every game frame, and the glass frame.
void SetGameScreenStates();
void DrawGlassFrame();
void DrawBackground(int32_t gameType);
// The picture on the plane behind the well, filling the view; the menus' background too.
void DrawBackdrop(Texture* picture);
// The states DrawBackdrop leaves, for a frame that copies the backdrop from a layer.
void LeaveBackdropStates();
void DrawWell();
// The well's bricks round the figure drawn again after it: where a brick and the figure
// meet at equal depths the later draw wins, and in a full frame the well comes later.
void DrawWellNear(const TFigure& figure);
void DrawFlyingRows();
void DrawBreakPicture(int32_t kind);

// Missing pictures leave their textures empty; they are drawn untextured.
void MakeBreakTextures();
void MakeBackgroundTextures();
void ReleaseBreakTextures();
void ReleaseBackgroundTextures();

void CreateGlassFrames();
void FreeGlassFrames();
void ResetBreakSway();

}  // namespace zolvane
