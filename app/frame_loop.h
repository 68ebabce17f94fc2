// One idle pass: keys, one step of the menus or the game, one frame.
#pragma once
#include "platform/d3d8.h"

namespace zolvane {

constexpr D3DCOLOR ClearColour = 0x000555A5;  // a deep blue

void OnIdle();
void RenderFrame();

}  // namespace zolvane
