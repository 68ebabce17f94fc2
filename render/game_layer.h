// The game screen's static layer: the backdrop, the texts beside the well, the next figure,
// the glass frame and the settled bricks change only when a figure lands, rows clear or sink or a text
// changes, so they are drawn into the device's layer when they change and copied onto
// every other frame; the moving things are drawn on top. A change that touches a small
// part of the picture draws the layer again inside that part alone.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/device.h"
#include "render/game_info.h"

namespace zolvane {

class TFigure;

// A well position: colour (0 free, and so is the turning brick's) and the world matrix's
// bits (zeros when free).
struct GameLayerCell {
  uint32_t Colour = 0;
  uint32_t World[16] = {};
  bool operator==(const GameLayerCell&) const = default;
};

// Everything the layer's pixels depend on. The device keeps the picture's size with the
// layer and refuses the copy at another size, so the size is not here; the states the
// menus leave are covered by ForgetGameLayer.
struct GameLayerKey {
  Device* Dev = nullptr;
  int32_t GameType = 0;
  uint8_t BrickQuality = 0;
  std::vector<GameInfoLine> Texts;
  std::vector<GameLayerCell> Well;  // row by row, row 1 first
  // The next figure's 4 x 4 grid as drawn (it stands still once grown); free in game over.
  std::vector<GameLayerCell> Next;
  // Backdrop and brick textures, by identity and version.
  std::vector<uintptr_t> Pictures;
  bool operator==(const GameLayerKey&) const = default;
};

GameLayerKey CurrentGameLayerKey();

// What turns the layer drawn for one key into the layer of another: nothing (no rectangle),
// the layer drawn again inside rectangles of the picture (pixels, y down), or in whole.
struct GameLayerChange {
  bool Whole = false;
  std::vector<D3DRECT> Rects;
};
// Width x height: the picture's size in pixels.
GameLayerChange GameLayerChanges(const GameLayerKey& built, const GameLayerKey& now, int width,
                                 int height);

// Off: every frame is drawn in full (the exactness test compares the two).
extern bool GameLayerEnabled;
// Off: every change draws the layer whole (the benchmarks compare the two).
extern bool GameLayerInPart;

// The layer's contents belong to the frame before: a menu frame between changes states the
// layer was drawn with.
void ForgetGameLayer();

// Whether this frame may take its static part from the layer: false while the falling
// figure is under the glass frame (the additive rails go over the figure). A turning brick
// is left out of the layer and drawn on the frame with the bricks it swings into.
bool GameLayerFits();

// Whether this game frame will start with the layer's copy over the whole picture, colour
// and depth, so that its clear can be left out. DrawGame clears a frame that was left
// uncleared and then cannot have the copy.
bool GameLayerCoversFrame();

// Draws the layer again, in whole or in part, if its key changed, copies it onto the frame
// and leaves the states the texts leave. False when the device has no layer: the caller
// draws in full.
bool DrawStaticPartFromLayer();

// For the benchmarks: the layer drawn whole, and drawn again in part, so far.
extern int64_t GameLayerBuilds;
extern int64_t GameLayerUpdates;

}  // namespace zolvane
