// The program's entry point and its one window: SDL events in place of the window
// messages, the first paint that runs the start-up, and the idle loop.
#include <GL/gl.h>
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/config.h"
#include "app/frame_loop.h"
#include "app/main_form.h"
#include "app/player_folder.h"
#include "app/sdl/sdl_window_system.h"
#include "app/startup.h"
#include "game/frame_time.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "platform/audio.h"
#include "platform/frame_pacer.h"
#include "platform/logs.h"
#include "platform/sdl/gl_device.h"
#include "platform/sdl/keyboard_device.h"
#include "platform/sdl/sdl_audio.h"
#include "platform/sdl/window.h"
#include "platform/settings.h"
#include "render/device_objects.h"

namespace zolvane {
namespace {

// Vsync where the driver gives it (and "Max FPS" is not -1), else frames spaced by the
// pacer. Asked again after a restore: a full-screen device may have changed the mode.
FramePacer MakePacer(SDL_Window* window) {
  const int32_t maxFps = Config.MaxFps;
  const int interval = FramePacer::SwapInterval(maxFps);
  const bool vsync = SetGameWindowSwapInterval(window, interval) && interval == 1;
  return FramePacer(maxFps, GameWindowRefreshRate(window), vsync);
}

// The menu's Exit closes the window, as the window's own close button does.
void CloseMainWindow() {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

// Characters reach the name entry only while a name is typed; SDL's text input is on just
// for that time, so the keys of the menus never raise an input method.
class NameEntryRouting {
 public:
  void Update() {
    const bool wanted = Loop.MenuActive && Menu.NameEntryActive;
    if (wanted == On) return;
    On = wanted;
    if (On)
      SDL_StartTextInput();
    else
      SDL_StopTextInput();
  }
  void OnKeyDown(const SDL_KeyboardEvent& key) {
    if (!On) return;
    // A held Enter must not end the entry that its own press just led to.
    const bool repeated = key.repeat != 0;
    switch (key.keysym.sym) {
      case SDLK_RETURN:
      case SDLK_KP_ENTER:
        if (!repeated) NameEntryKey(13);
        break;
      case SDLK_BACKSPACE: NameEntryKey(8); break;
      case SDLK_ESCAPE:
        if (!repeated) NameEntryKey(27);
        break;
      default: break;
    }
  }
  void OnText(const char* text) {
    if (On) NameEntryText(text);
  }

 private:
  bool On = false;
};

// The timing report is written however the process ends.
int EndProcess(int status) {
  try {
    WriteMeasureLog();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Zolvane: %s\n", e.what());
  }
  return status;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const CommandLine line = ParseCommandLine(args);
  if (const int status = ReportCommandLine(line); status >= 0) return status;
  const int startGame = line.StartGame;  // a developer's shortcut past the menu
  // For benchmarks: close as the window's close button would after this many frames.
  const uint64_t quitAfterFrames = line.QuitAfterFrames;

  // Unattended runs (tests, scripts) get the messages on standard error only: a box
  // nobody can click away would hang them.
  if (const char* quiet = std::getenv("ZOLVANE_UNATTENDED"); quiet && *quiet && *quiet != '0')
    QuietMessageBoxes = true;

  // Installed, the player's own folder becomes the run folder before anything is read.
  if (std::string error; !EnterPlayerFolder(&error)) {
    ShowMessageBox("Zolvane", "Cannot prepare the player's folder: " + error);
    return 1;
  }

  // Form creation: a borderless window when config.ini asks for full screen.
  const bool fullScreen = ReadFullScreenOption();
  WindowSettings settings;
  settings.Width = ClientWidth;
  settings.Height = ClientHeight;
  std::string error;
  SdlWindowSystem window;
  window.Window = CreateGameWindow(settings, &error);
  if (!window.Window) std::fprintf(stderr, "Zolvane: %s\n", error.c_str());
  else if (fullScreen) SDL_SetWindowBordered(window.Window, SDL_FALSE);

  // The sound device and the music player; without a device the game is silent.
  SdlAudioBackend audio;
  SetAudioBackend(&audio);

  // First paint: "Loading...", then the start-up.
  window.DrawLoadingText(0xFFFFFFFF, false);
  const StartUpResult started = StartUp(window);
  frmD3D.FirstPaint = false;
  if (started != StartUpResult::Ready) {
    DestroyGameWindow(window.Window);
    SDL_Quit();
    return EndProcess(1);
  }
  if (SDL_GetWindowFlags(window.Window) & SDL_WINDOW_INPUT_FOCUS) frmD3D.FActive = -1;
  SetCloseWindowHandler(CloseMainWindow);
  SDL_StopTextInput();  // SDL starts with text input on
  if (startGame) BeginNewGame(startGame);
  NameEntryRouting nameEntry;
  FramePacer pacer = MakePacer(window.Window);
  uint64_t framesDrawn = 0;

  bool minimized = false;
  for (bool running = true; running;) {
    // Events are read after the wait: what arrived meanwhile reaches this pass's step.
    if (frmD3D.FActive) {
      const int64_t now = SteadyNanoseconds();
      const int64_t start = pacer.PassStart(now);
      if (start > now) SleepUntilNanoseconds(start);
    }
    SDL_Event e;
    // While the window is inactive there is nothing to step or draw: wait for events
    // instead of spinning a core.
    bool have = frmD3D.FActive ? SDL_PollEvent(&e) : SDL_WaitEventTimeout(&e, 100);
    while (have && running) {
      if (e.type == SDL_QUIT) {
        running = false;
      } else if (e.type == SDL_KEYDOWN) {
        nameEntry.OnKeyDown(e.key);
      } else if (e.type == SDL_TEXTINPUT) {
        nameEntry.OnText(e.text.text);
      } else if (e.type == SDL_WINDOWEVENT) {
        switch (e.window.event) {
          case SDL_WINDOWEVENT_FOCUS_GAINED: frmD3D.FActive = -1; break;
          case SDL_WINDOWEVENT_FOCUS_LOST:
            frmD3D.FActive = 0;
            window.Minimize();
            break;
          case SDL_WINDOWEVENT_MINIMIZED:
            frmD3D.FActive = 0;
            minimized = true;
            break;
          case SDL_WINDOWEVENT_RESTORED:
            // A fatal report has already asked the window to close: the shutdown
            // still saves the settings and the high scores.
            if (minimized) {
              minimized = false;
              if (RestoreAfterMinimize(window) == StartUpResult::EndAtOnce) {
                DestroyGameWindow(window.Window);
                SDL_Quit();
                return EndProcess(1);
              }
              pacer = MakePacer(window.Window);
            }
            break;
          case SDL_WINDOWEVENT_CLOSE: running = false; break;
          default: break;
        }
      }
      have = running && SDL_PollEvent(&e);
    }
    if (running) {
      const bool draws = frmD3D.FActive && D3D.FD3DDevice;
      OnIdle();
      nameEntry.Update();
      if (draws && quitAfterFrames && ++framesDrawn >= quitAfterFrames) running = false;
    }
  }

  // Closing: hide the window, then the shutdown of its destruction.
  SDL_HideWindow(window.Window);
  Shutdown(window);
  DestroyGameWindow(window.Window);
  SDL_Quit();
  return EndProcess(frmD3D.FatalErrorReported ? 1 : 0);
}

}  // namespace
}  // namespace zolvane

int main(int argc, char** argv) { return zolvane::Run(argc, argv); }
