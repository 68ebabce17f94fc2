// The game screen's static layer: the backdrop, the texts beside the well, the glass frame
// and the settled bricks change only when a figure lands, rows clear or sink or a text
// changes, so they are drawn into the device's layer when they change and copied onto
// every other frame; the moving things are drawn on top.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/device.h"

namespace zolvane {

class TFigure;

// Everything the layer's pixels depend on. The device keeps the picture's size with the
// layer and refuses the copy at another size, so the size is not here; the states the
// menus leave are covered by ForgetGameLayer.
struct GameLayerKey {
  Device* Dev = nullptr;
  int32_t GameType = 0;
  uint8_t BrickQuality = 0;
  std::vector<int32_t> Texts;  // GameInfoInputs
  // Per position: colour (0 free) and the world matrix's bits.
  std::vector<uint32_t> Well;
  // Backdrop and brick textures, by identity and version.
  std::vector<uintptr_t> Pictures;
  bool operator==(const GameLayerKey&) const = default;
};

GameLayerKey CurrentGameLayerKey();

// Off: every frame is drawn in full (the exactness test compares the two).
extern bool GameLayerEnabled;

// The layer's contents belong to the frame before: a menu frame between changes states the
// layer was drawn with.
void ForgetGameLayer();

// Whether this frame may take its static part from the layer: false while a brick turns
// (it swings into its neighbours, and the later draw wins) and while the falling figure is
// under the glass frame (the additive rails go over the figure).
bool GameLayerFits();

// Draws the layer again if its key changed, copies it onto the frame and leaves the states
// the texts leave. False when the device has no layer: the caller draws in full.
bool DrawStaticPartFromLayer();

// Rebuilds so far, for the benchmarks.
extern int64_t GameLayerBuilds;

}  // namespace zolvane
