// One idle pass: keys, one step of the menus or the game, one frame.
#pragma once
#include <functional>

#include "platform/d3d8.h"
#include "render/device_objects.h"

namespace zolvane {

void OnIdle();
// afterScene runs between the end of the scene and Present, while the back buffer still
// holds the frame (screenshots).
void RenderFrame(const std::function<void()>& afterScene = {});

}  // namespace zolvane
