#include "render/game_layer.h"

#include <cstring>

#include "game/figure_shapes.h"
#include "game/game_state.h"
#include "game/game_types.h"
#include "game/scene_objects.h"
#include "platform/settings.h"
#include "render/device_objects.h"
#include "render/font.h"
#include "render/game_info.h"
#include "render/game_screen.h"
#include "render/scene_drawing.h"

namespace zolvane {

bool GameLayerEnabled = true;
int64_t GameLayerBuilds = 0;

namespace {

bool Built = false;
GameLayerKey BuiltKey;

void PutBits(std::vector<uint32_t>& out, const D3DMATRIX& m) {
  uint32_t bits[16];
  std::memcpy(bits, &m, sizeof bits);
  out.insert(out.end(), bits, bits + 16);
}

void PutPicture(std::vector<uintptr_t>& out, const Texture* t) {
  out.push_back(reinterpret_cast<uintptr_t>(t));
  out.push_back(t ? t->Version : 0);
}

// The static part in DrawGame's order, the figures left out.
void BuildLayer(Device* d) {
  d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColour, 1.0f, 0);
  DrawBackground(Game.GameType);
  DrawGameInfo();
  DrawGlassFrame();
  DrawWell();
  ++GameLayerBuilds;
}

}  // namespace

GameLayerKey CurrentGameLayerKey() {
  GameLayerKey key;
  key.Dev = D3D.FD3DDevice;
  key.GameType = Game.GameType;
  key.BrickQuality = Config.BrickQuality;
  key.Texts = GameInfoInputs();
  key.Well.reserve(WellRows * WellColumns * 17);
  for (const auto& row : Game.Well)
    for (const WellCell& cell : row) {
      if (cell.Empty || !cell.Brick) {
        key.Well.push_back(0);
        continue;
      }
      key.Well.push_back(static_cast<uint32_t>(cell.Brick->Colour) | 0x80000000u);
      PutBits(key.Well, cell.Brick->World);
    }
  PutPicture(key.Pictures, IsGameType(Game.GameType) ? BackgroundTextures[Game.GameType] : nullptr);
  for (int colour = 1; colour <= BrickColourCount; ++colour)
    PutPicture(key.Pictures, BrickTextures[colour]);
  return key;
}

void ForgetGameLayer() { Built = false; }

bool GameLayerFits() {
  if (Game.BrickFlipActive) return false;
  const TFigure* f = Game.FallingFigure;
  if (Game.GameOver || !f) return true;
  // The rails lie above row 20 and beside columns 1 and 10: a brick reaches half its
  // side past its centre, half its diagonal while it turns.
  const float reach = f->Turning ? 0.71f : 0.5f;
  if (f->Colour < 1 || f->Colour > 7 || f->Rotation < 1 || f->Rotation > 4) return true;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      if (!ShapeCell(f->Colour, f->Rotation, i, j)) continue;
      const D3DMATRIX world = FigureCellWorld(*f, i, j);
      const float x = world(4, 1), y = world(4, 2);
      if (x < 1 || x > WellColumns || y > WellRows + 0.5f - reach) return false;
    }
  return true;
}

bool DrawStaticPartFromLayer() {
  Device* d = D3D.FD3DDevice;
  if (!d || !GameLayerEnabled || !GameLayerFits()) return false;
  GameLayerKey key = CurrentGameLayerKey();
  bool copied = false;
  if (Built && key == BuiltKey) copied = d->DrawStaticLayer() == D3D_OK;
  if (!copied) {
    // Not built, changed, or lost with the device's picture size: draw it again.
    Built = false;
    if (d->BeginStaticLayer() != D3D_OK) return false;
    BuildLayer(d);
    if (d->EndStaticLayer() != D3D_OK || d->DrawStaticLayer() != D3D_OK) return false;
    Built = true;
    BuiltKey = std::move(key);
  }
  LeaveTextStates();
  return true;
}

}  // namespace zolvane
