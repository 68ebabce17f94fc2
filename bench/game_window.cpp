#include "bench/game_window.h"

#include <SDL.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/config.h"
#include "app/frame_loop.h"
#include "app/main_form.h"
#include "app/sdl/sdl_window_system.h"
#include "app/startup.h"
#include "game/frame_time.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "menu/menu_state.h"
#include "platform/clock.h"
#include "platform/random.h"
#include "platform/sdl/keyboard_device.h"
#include "platform/sdl/window.h"
#include "render/device_objects.h"
#include "render/game_screen.h"

namespace zolvane {
namespace {

SdlWindowSystem Harness;  // the program's own window, start-up and all

}  // namespace

std::string DefaultRunDir() {
#ifdef ZOLVANE_RUN_DIR
  return ZOLVANE_RUN_DIR;
#else
  return "build/game";
#endif
}

bool OpenHarnessWindow(const std::string& runDir, std::string* error) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  if (chdir(runDir.c_str()) != 0)
    return fail("cannot enter the run folder " + runDir + ": " + std::strerror(errno));
  QuietMessageBoxes = true;  // nobody is there to click a box away
  // The run folder's settings, as the game reads them there: not a config.ini beside the
  // benchmark's own executable.
  SetConfigPath(runDir + "/config.ini");

  WindowSettings settings;
  settings.Width = HarnessWidth;
  settings.Height = HarnessHeight;
  settings.KeepShape = true;  // as the game's window: 4:3 at any size
  std::string why;
  Harness.Window = CreateGameWindow(settings, &why);
  if (!Harness.Window) return fail(why);
  if (StartUp(Harness) != StartUpResult::Ready) {
    DestroyGameWindow(Harness.Window);
    return fail("the start-up failed (see the message above)");
  }
  frmD3D.FirstPaint = false;
  frmD3D.FActive = true;
  return true;
}

void CloseHarnessWindow() {
  ReleaseAll();
  Harness.CloseDirectInput();
  ResetGameState();
  DestroyGameWindow(Harness.Window);
  SDL_Quit();
}

void StartHarnessGame(int32_t type) {
  Game.GameOver = false;
  RandomSeed(1);  // the same figures in every picture and every benchmark run
  Loop = LoopState{};
  StartGameNow(type);
  Game.BrickFlipActive = false;
  Game.BrickFlipAngle = 0;
  ResetBreakSway();
  Loop.LastFrameTime = timeGetTime();
  Loop.FrameDelta = 16;
}

void FillWellRows(int rows, int holeColumn) {
  for (int r = 1; r <= rows && r <= WellRows; ++r)
    for (int c = 1; c <= WellColumns; ++c) {
      WellCell& cell = WellAt(r, c);
      cell.Empty = c == holeColumn;
      cell.Brick->Colour = (r * 3 + c) % 8 + 1;
    }
}

void AddSparkCloud(int count, int32_t life) {
  for (int i = 0; i < count; ++i) {
    const float x = 1.0f + static_cast<float>((i * 7) % 10) + 0.1f * static_cast<float>(i % 5);
    const float y = 1.0f + static_cast<float>((i * 13) % 20) + 0.07f * static_cast<float>(i % 7);
    AddSpark(i % 2 ? 1 : -1, x, y);
    Game.Sparks->Life = life;
  }
}

bool RenderFrameAndRead(std::vector<uint8_t>& rgb, int& width, int& height) {
  if (!D3D.FD3DDevice || !Harness.Window) return false;
  HRESULT read = E_FAIL;
  // After Present the back buffer's contents are undefined: read it before.
  RenderFrame([&] { read = D3D.FD3DDevice->ReadBackBuffer(rgb, width, height); });
  return Succeeded(read);
}

}  // namespace zolvane
