#include "render/game_screen.h"

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <vector>

#include "game/figure_shapes.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/replay_watch.h"
#include "game/scene_objects.h"
#include "platform/data_files.h"
#include "platform/math3d.h"
#include "platform/picture.h"
#include "render/device_objects.h"
#include "render/effects.h"
#include "render/font.h"
#include "render/fade_quad.h"
#include "render/game_info.h"
#include "render/game_layer.h"
#include "render/scene_drawing.h"
#include "render/scene_setup.h"

namespace zolvane {

Texture* BackgroundTextures[GameTypeCount + 1] = {};
Texture* BreakTextures[4] = {};
float BreakSwingAngle = 0;
int32_t BreakSwingDir = 1;
TModel* GlassFrameOdd = nullptr;
TModel* GlassFrameEven = nullptr;

namespace {

constexpr float Pi = std::numbers::pi_v<float>;
constexpr float SwingRate = Pi / 12000;  // radians per millisecond: 15 degrees a second
constexpr float SwingLimit = Pi / 60;    // 3 degrees

void LoadPictureTexture(const char* file, Texture*& texture) {
  SafeRelease(texture);
  if (!D3D.FD3DDevice) return;
  if (Failed(D3DXCreateTextureFromFileExA(D3D.FD3DDevice, file, 0, 0, 0, 0, D3D.TextureFormat,
                                          D3DPOOL_MANAGED, D3DX_FILTER_TRIANGLE, D3DX_DEFAULT, 0,
                                          &texture)))
    texture = nullptr;
}

TModel* CreateGlassFrame(uint8_t model) {
  auto* frame = new TModel(model, SceneCenterX, SceneCenterY, 0);
  D3DMATRIX scale;
  SetScaleMatrix(scale, 1.03f, 0.98f, 1.0f);
  frame->World = MatrixProduct(frame->World, scale);  // scaled about its origin, then placed
  frame->World(4, 3) -= 0.3f;
  return frame;
}

constexpr int WellCellCount = WellRows * WellColumns;

// The occupied positions first..end-1 of the well in row order (row 1 first), colour by
// colour: brick by brick the texture would change at nearly every draw, and each change
// costs the GL driver a state validation of its own. Group 9: colours outside 1..8.
// Positions the filter turns down are left out.
template <class Filter>
void DrawWellBricks(int first, int end, Filter wanted) {
  bool drawn = false;
  for (int group = 1; group <= BrickColourCount + 1; ++group) {
    bool begun = false;
    for (int i = first; i < end; ++i) {
      const WellCell& cell = Game.Well[i / WellColumns][i % WellColumns];
      if (cell.Empty || !cell.Brick || !wanted(i)) continue;
      const int32_t colour = cell.Brick->Colour;
      const bool known = colour >= 1 && colour <= BrickColourCount;
      if (known ? colour != group : group <= BrickColourCount) continue;
      if (!begun) BeginBrickBatch(group);
      begun = drawn = true;
      DrawBrickInBatch(*cell.Brick);
    }
  }
  if (drawn) EndBrickBatch();
}

}  // namespace

void SetGameScreenStates() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  // Everything the game screen relies on is set again each frame, so the menus' and the
  // break picture's states never leak into it.
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  d->SetRenderState(D3DRS_LIGHTING, 1);
  d->SetRenderState(D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
  d->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  d->SetRenderState(D3DRS_DITHERENABLE, 1);
  d->SetRenderState(D3DRS_SPECULARENABLE, 1);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRS_NORMALIZENORMALS, 1);
  // The game's own ambient keeps the bricks' faces shaded apart; the menus' brighter grey
  // flattens them.
  d->SetRenderState(D3DRS_AMBIENT, GameAmbient);
  // Smooth filtering: pictures and glyphs are drawn larger than their textures in a big
  // window, where point sampling shows their texels as steps.
  d->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
  d->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
}

void DrawGlassFrame() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  // Additive and without the point light, so the frame reads as lit glass.
  d->LightEnable(4, false);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
  TModel* frame = HasRoundedFrame(Game.GameType) ? GlassFrameOdd : GlassFrameEven;
  if (frame) DrawModel(*frame);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  d->LightEnable(4, true);
}

void DrawGame() {
  if (!D3D.FD3DDevice) return;
  SetGameScreenStates();

  const bool uncleared = GameLayerCoversFrame();  // RenderFrame left the clear to the copy
  const bool layered = DrawStaticPartFromLayer();
  if (!layered) {
    if (uncleared)
      ClearPicture(D3D.FD3DDevice);
    DrawBackground(Game.GameType);
    DrawGameInfo();
  }

  const bool figures = !Game.GameOver;
  if (figures) {
    if (Game.FallingFigure) DrawFigure(*Game.FallingFigure);
    if (Game.NextFigure && !layered) DrawFigure(*Game.NextFigure);  // else in the layer
  }

  if (layered) {
    DrawWellNearMovers(figures ? Game.FallingFigure : nullptr);
  } else {
    DrawGlassFrame();
    DrawWell();
  }
  DrawFlyingRows();
  if (Game.Sparks) DrawSparks();
  if (Loop.TransitionActive) DrawFadeQuad();

  if (Game.GameOver)
    DrawBreakPicture(1);
  else if (Game.Paused)
    DrawBreakPicture(2);
  else if (Game.AbortQuery)
    DrawBreakPicture(3);

  DrawMessage();
  DrawWatchStatus();
}

// A replay watched faster or held says so in a corner; at its own pace the picture is the
// game's.
void DrawWatchStatus() {
  const std::string text = WatchStatusText();
  if (!text.empty())
    DrawFontText(4, 6, text, SceneCenterX - 13.6f, SceneCenterY + 9.6f, 0, 255);
}

void DrawBackground(int32_t gameType) {
  DrawBackdrop(IsGameType(gameType) ? BackgroundTextures[gameType] : nullptr);
}

namespace {
// The states the backdrop is drawn with, its place included.
void UseBackdrop(Device* d) {
  D3DMATRIX scale, place, world;
  SetScaleMatrix(scale, 36.0f, 26.25f, 1.0f);
  SetTranslateMatrix(place, SceneCenterX, SceneCenterY, 5.0f);
  MatrixMultiply(place, scale, world);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  UseMenuQuad(d);
  d->SetTransform(D3DTS_WORLD, &world);
}
}  // namespace

void DrawBackdrop(Texture* picture) {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  d->SetTexture(0, picture);
  UseBackdrop(d);
  if (D3D.MenuQuad) d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
  d->SetTexture(0, nullptr);
}

void LeaveBackdropStates() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  UseBackdrop(d);
  d->SetTexture(0, nullptr);
}

void DrawWell() {
  DrawWell([](int) { return true; });
}

void DrawWell(const std::function<bool(int position)>& wanted) {
  // The turning brick swings into its neighbours' cells with its front face in their
  // plane: where they overlap the depths are equal and the later draw wins, so it keeps
  // its place in the row order. No other two bricks of the well overlap.
  const int flipping = Game.BrickFlipActive
                           ? (Game.BrickFlipRow - 1) * WellColumns + Game.BrickFlipColumn - 1
                           : WellCellCount;
  DrawWellBricks(0, flipping, wanted);
  if (flipping < WellCellCount) {
    const WellCell& cell = WellAt(Game.BrickFlipRow, Game.BrickFlipColumn);
    if (!cell.Empty && cell.Brick && wanted(flipping)) DrawBrick(*cell.Brick);
    DrawWellBricks(flipping + 1, WellCellCount, wanted);
  }
}

namespace {

// Two cells round the figure's grid: enough for a turn's swing and a side move.
bool NearFigure(const TFigure& figure, int position) {
  const float left = figure.X - 2, right = figure.X + 3 * figure.Scale + 3;
  const float top = figure.Y + 2, bottom = figure.Y - 3 * figure.Scale - 3;
  const float column = static_cast<float>(position % WellColumns + 1);
  const float row = static_cast<float>(position / WellColumns + 1);
  return column >= left && column <= right && row >= bottom && row <= top;
}

// The turning brick and the bricks it may swing into: it turns about a point half a cell
// above its centre, so it reaches a little over one cell.
bool NearTurningBrick(int position) {
  if (!Game.BrickFlipActive) return false;
  const int column = position % WellColumns + 1, row = position / WellColumns + 1;
  return std::abs(column - Game.BrickFlipColumn) <= 2 && std::abs(row - Game.BrickFlipRow) <= 2;
}

}  // namespace

void DrawWellNear(const TFigure& figure) {
  DrawWellBricks(0, WellCellCount, [&](int i) { return NearFigure(figure, i); });
}

bool TurningBrickAt(int position) {
  return Game.BrickFlipActive &&
         position == (Game.BrickFlipRow - 1) * WellColumns + Game.BrickFlipColumn - 1;
}

void DrawWellNearMovers(const TFigure* figure) {
  // Where the picture's size is known, the bricks whose pixels may meet a mover's;
  // otherwise the cells round them.
  Device* d = D3D.FD3DDevice;
  D3DVIEWPORT8 viewport{};
  if (!d || d->GetViewport(&viewport) != D3D_OK) {
    if (!Game.BrickFlipActive) {
      if (figure) DrawWellNear(*figure);
      return;
    }
    DrawWell([&](int i) { return (figure && NearFigure(*figure, i)) || NearTurningBrick(i); });
    return;
  }
  const ScreenBounds screen(static_cast<int>(viewport.Width), static_cast<int>(viewport.Height));
  std::vector<D3DRECT> movers;
  bool unbounded = false;
  auto add = [&](const D3DMATRIX& world) {
    D3DRECT r;
    if (screen.Brick(world, r))
      movers.push_back(r);
    else
      unbounded = true;
  };
  if (figure && figure->Colour >= 1 && figure->Colour <= 7 && figure->Rotation >= 1 &&
      figure->Rotation <= 4)
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j)
        if (ShapeCell(figure->Colour, figure->Rotation, i, j)) add(FigureCellWorld(*figure, i, j));
  if (Game.BrickFlipActive) {
    const WellCell& cell = WellAt(Game.BrickFlipRow, Game.BrickFlipColumn);
    if (cell.Brick) add(cell.Brick->World);
  }
  if (movers.empty() && !unbounded) return;
  DrawWell([&](int i) {
    const WellCell& cell = Game.Well[i / WellColumns][i % WellColumns];
    D3DRECT r;
    if (unbounded || !cell.Brick || !screen.Brick(cell.Brick->World, r)) return true;
    for (const D3DRECT& m : movers)
      if (RectsMeet(r, m)) return true;
    return false;
  });
}

void DrawFlyingRows() {
  for (auto& slot : Game.FlyingRows) {
    if (!slot[0]) continue;  // a slot is in use when its first brick is set
    for (TBrick* brick : slot)
      if (brick) DrawBrick(*brick);
  }
}

void DrawBreakPicture(int32_t kind) {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  d->SetRenderState(D3DRS_LIGHTING, 0);  // stays off for the rest of the frame

  D3DMATRIX scale, sway, place, swayed, world;
  SetScaleMatrix(scale, 14.0f, 2.5925925f, 1.0f);
  SetRotateYMatrix(sway, BreakSwingAngle);
  SetTranslateMatrix(place, SceneCenterX, SceneCenterY, -1.0f);

  // This frame shows the sway from before the advance.
  BreakSwingAngle +=
      static_cast<float>(BreakSwingDir) * SwingRate * Delta();
  if (std::fabs(BreakSwingAngle) > SwingLimit) {
    BreakSwingAngle = static_cast<float>(BreakSwingDir) * SwingLimit;
    BreakSwingDir = -BreakSwingDir;
  }

  d->SetTexture(0, (kind >= 1 && kind <= 3) ? BreakTextures[kind] : nullptr);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetMaterial(&WhiteMaterial);
  UseMenuQuad(d);
  MatrixMultiply(sway, scale, swayed);
  MatrixMultiply(place, swayed, world);
  DrawMenuQuad(d, world);
  d->SetTexture(0, nullptr);
}

void MakeBreakTextures() {
  static const char* const files[4] = {nullptr, "textures/gameover.bmp", "textures/pause.bmp",
                                       "textures/abortgame.bmp"};
  for (int k = 1; k <= 3; ++k) LoadPictureTexture(files[k], BreakTextures[k]);
}

void MakeBackgroundTextures() {
  for (int t = Classic; t <= Crazy; ++t)
    LoadPictureTexture((std::string("textures/") + BackgroundNames[t] + ".bmp").c_str(),
                       BackgroundTextures[t]);
}

void ReleaseBreakTextures() {
  for (Texture*& texture : BreakTextures) SafeRelease(texture);
}

void ReleaseBackgroundTextures() {
  for (Texture*& texture : BackgroundTextures) SafeRelease(texture);
}

void CreateGlassFrames() {
  FreeGlassFrames();
  GlassFrameOdd = CreateGlassFrame(3);
  GlassFrameEven = CreateGlassFrame(4);
}

void FreeGlassFrames() {
  delete GlassFrameOdd;
  delete GlassFrameEven;
  GlassFrameOdd = GlassFrameEven = nullptr;
}

void ResetBreakSway() {
  BreakSwingAngle = 0;
  BreakSwingDir = 1;
}

}  // namespace zolvane
