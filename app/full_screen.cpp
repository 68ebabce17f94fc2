#include "app/full_screen.h"

#include "app/config.h"
#include "game/frame_time.h"
#include "game/replay_watch.h"
#include "platform/clock.h"
#include "platform/settings.h"

namespace zolvane {

bool ToggleFullScreen(WindowSystem& window) {
  const uint32_t start = timeGetTime();
  const bool fullScreen = !window.IsFullScreen();
  if (!window.SetFullScreen(fullScreen)) return false;
  // As if started so: a restore after a minimise rebuilds a full-screen device, and leaves
  // a window's alone.
  Config.FullScreen = fullScreen;
  WriteFullScreenOption(fullScreen);
  // The window system may wait a tenth of a second for the display: no figure falls
  // further for it. A replay watched keeps the recording's clock, which waits anyway.
  if (!Watching()) SkipTime(timeGetTime() - start);
  return true;
}

}  // namespace zolvane
