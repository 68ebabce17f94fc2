#include "app/frame_loop.h"

#include "app/main_form.h"
#include "app/screen_trace.h"
#include "game/frame_time.h"
#include "menu/menu_layer.h"
#include "menu/menu_screens.h"
#include "menu/step_frame.h"
#include "platform/clock.h"
#include "render/device_objects.h"
#include "render/game_layer.h"
#include "render/game_screen.h"

namespace zolvane {

MainForm frmD3D;

void OnIdle() {
  if (!frmD3D.FActive) return;
  StepFrame();
  RenderFrame();
  TraceScreen(timeGetTime());
}

// A frame that fails is simply lost: the results are not examined.
void RenderFrame(const std::function<void()>& afterScene) {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  // A frame copied from a static layer, the menus' or the game's, is covered by the copy.
  if (Loop.MenuActive ? !MenuFrameCoveredByLayer() : !GameLayerCoversFrame()) ClearPicture(d);
  d->BeginScene();
  if (Loop.MenuActive) {
    ForgetGameLayer();
    DrawMenu();
  }
  else {
    ForgetMenuLayer();
    DrawGame();
  }
  // A fatal failure while drawing releases the device.
  if (D3D.FD3DDevice != d) return;
  d->EndScene();
  if (afterScene) afterScene();
  d->Present(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace zolvane
