// The menus' static layer: the backdrop, and the whole screen where nothing moves (the help
// screen, a high score table), are drawn into the device's layer when they change and
// copied onto every other frame; the logo, the labels, the cursor bricks and the fade are
// drawn on top.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "menu/menu_screens.h"
#include "platform/device.h"

namespace zolvane {

// Everything the layer's pixels depend on. The device keeps the picture's size with the
// layer and refuses the copy at another size, so the size is not here.
struct MenuLayerKey {
  Device* Dev = nullptr;
  MenuStill Part = MenuStill::Backdrop;
  uint8_t Screen = 0;  // with Part Screen only
  // The high score table: its type, the line under it, and its names and scores.
  std::vector<std::string> Texts;
  // The backdrop, the glyphs when texts are in, by identity and version; the quads.
  std::vector<uintptr_t> Pictures;
  // The device has one layer: the game screen's builds replace our picture.
  int64_t GameBuilds = 0;
  // The frame before was a menu frame: a frame after a game frame inherits the game's
  // states, so the layer drawn then is drawn again once the menus' own are in place.
  bool AfterMenuFrame = false;
  bool operator==(const MenuLayerKey&) const = default;
};

MenuLayerKey CurrentMenuLayerKey(MenuStill part);

// Off: every frame is drawn in full (the exactness test compares the two).
extern bool MenuLayerEnabled;

// A game frame was drawn: the layer and the states it was drawn with are gone.
void ForgetMenuLayer();

// Whether the frame about to begin will copy the layer as it is over the whole picture, so
// that its clear can be left out. Asked before the frame's clear; should the copy fail
// after all, DrawMenuStillFromLayer clears the frame itself.
bool MenuFrameCoveredByLayer();

// Draws the layer again if its key changed, copies it onto the frame and leaves the states
// the still part leaves. False when the device has no layer: the caller draws in full.
bool DrawMenuStillFromLayer(MenuStill part);

// Rebuilds so far, for the benchmarks and the exactness test.
extern int64_t MenuLayerBuilds;

}  // namespace zolvane
