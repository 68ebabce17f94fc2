#include "menu/menu_layer.h"

#include "game/game_types.h"
#include "game/high_scores.h"
#include "menu/menu_state.h"
#include "render/device_objects.h"
#include "render/font.h"
#include "render/game_layer.h"

namespace zolvane {

bool MenuLayerEnabled = true;
int64_t MenuLayerBuilds = 0;

namespace {

bool Built = false;
MenuLayerKey BuiltKey;
bool MenuFrameBefore = false;
bool FrameUncleared = false;

void PutPicture(std::vector<uintptr_t>& out, const Texture* t) {
  out.push_back(reinterpret_cast<uintptr_t>(t));
  out.push_back(t ? t->Version : 0);
}

void BuildLayer(Device* d, MenuStill part) {
  ClearPicture(d);
  DrawMenuStill(part);
  ++MenuLayerBuilds;
  ForgetGameLayer();  // one layer: the game screen's picture is gone
}

bool CopyLayer(Device* d, MenuStill part, MenuLayerKey key) {
  if (Built && key == BuiltKey && d->DrawStaticLayer() == D3D_OK) return true;
  // Not built, changed, or lost with the device's picture size: draw it again.
  Built = false;
  if (d->BeginStaticLayer() != D3D_OK) return false;
  BuildLayer(d, part);
  if (d->EndStaticLayer() != D3D_OK || d->DrawStaticLayer() != D3D_OK) return false;
  Built = true;
  BuiltKey = std::move(key);
  return true;
}

}  // namespace

MenuLayerKey CurrentMenuLayerKey(MenuStill part) {
  MenuLayerKey key;
  key.Dev = D3D.FD3DDevice;
  key.Part = part;
  key.GameBuilds = GameLayerBuilds;
  key.AfterMenuFrame = MenuFrameBefore;
  PutPicture(key.Pictures, MenuTextures[MenuTextureCount - 1]);
  key.Pictures.push_back(reinterpret_cast<uintptr_t>(D3D.MenuQuad));
  if (part == MenuStill::Backdrop) return key;
  key.Screen = Menu.MenuState;
  if (Menu.MenuState == MenuHighScores) {
    const int32_t type = Menu.HighScoreTableShown;
    key.Texts.push_back(std::to_string(type));
    key.Texts.push_back(Menu.NameEntryActive ? "entry" : "");
    if (IsGameType(type))
      for (int rank = 1; rank <= 10; ++rank) {
        key.Texts.push_back(HighScores[type][rank].Name);
        key.Texts.push_back(std::to_string(HighScores[type][rank].Score));
      }
  }
  key.Pictures.push_back(reinterpret_cast<uintptr_t>(D3D.PanelQuad));
  key.Pictures.push_back(reinterpret_cast<uintptr_t>(D3D.FontQuad));
  for (int font = 1; font <= FontCount; ++font)
    for (int glyph = 1; glyph <= GlyphCount; ++glyph)
      PutPicture(key.Pictures, FontGlyphTextures[font][glyph]);
  return key;
}

void ForgetMenuLayer() {
  Built = false;
  MenuFrameBefore = false;
}

bool MenuFrameCoveredByLayer() {
  FrameUncleared = D3D.FD3DDevice && MenuLayerEnabled && Built &&
                   CurrentMenuLayerKey(MenuStillPart()) == BuiltKey;
  return FrameUncleared;
}

bool DrawMenuStillFromLayer(MenuStill part) {
  Device* d = D3D.FD3DDevice;
  // The first menu frame after a game frame or the start-up is drawn in full: a layer
  // drawn on the states those leave would be drawn again on the next frame anyway, and at
  // the start-up the copy's first use would hold back the first picture.
  const bool copied = d && MenuLayerEnabled && MenuFrameBefore &&
                      CopyLayer(d, part, CurrentMenuLayerKey(part));
  MenuFrameBefore = true;
  // The layer was lost after all (the picture's size changed): the frame starts as others do.
  if (!copied && FrameUncleared && d) ClearPicture(d);
  FrameUncleared = false;
  if (copied) LeaveMenuStillStates(part);
  return copied;
}

}  // namespace zolvane
