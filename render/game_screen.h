// The game screen: everything DrawGame draws in one frame of a running game, and the
// pictures and frame models only that screen uses.
#pragma once
#include <cstdint>
#include <functional>

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
// The well without the bricks the filter turns down, by position (row - 1) * WellColumns +
// column - 1: a layer drawn again in a rectangle leaves out the bricks that miss it.
void DrawWell(const std::function<bool(int position)>& wanted);
// The well's bricks round the figure drawn again after it: where a brick and the figure
// meet at equal depths the later draw wins, and in a full frame the well comes later.
void DrawWellNear(const TFigure& figure);
// A frame from the layer: the turning brick is not in it and is drawn here, after the
// figure, in the well's order with the bricks it swings into, and with the figure's
// neighbours (DrawWellNear). Figure null: none.
void DrawWellNearMovers(const TFigure* figure);
// The position of the brick that turns now; the layer leaves it out.
bool TurningBrickAt(int position);
void DrawFlyingRows();
void DrawBreakPicture(int32_t kind);
void DrawWatchStatus();

// Missing pictures leave their textures empty; they are drawn untextured.
void MakeBreakTextures();
void MakeBackgroundTextures();
void ReleaseBreakTextures();
void ReleaseBackgroundTextures();

void CreateGlassFrames();
void FreeGlassFrames();
void ResetBreakSway();

}  // namespace zolvane
