// The game's one window: SDL events in place of the window messages, the first paint that
// runs the start-up, and the idle loop.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/config.h"
#include "app/frame_loop.h"
#include "app/full_screen.h"
#include "app/main_form.h"
#include "app/player_folder.h"
#include "app/run_game.h"
#include "app/sdl/sdl_window_system.h"
#include "app/startup.h"
#include "game/frame_time.h"
#include "game/replay.h"
#include "menu/menu_state.h"
#include "menu/name_entry.h"
#include "menu/watch_replays.h"
#include "platform/audio.h"
#include "platform/frame_pacer.h"
#include "platform/logs.h"
#include "platform/sdl/gamepad.h"
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
    // Nor may any key held since the entry opened type, until it has come up.
    if (!NameEntryKeyDown(DikFromScancode(key.keysym.scancode), repeated)) return;
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
  void OnKeyUp(const SDL_KeyboardEvent& key) {
    NameEntryKeyUp(DikFromScancode(key.keysym.scancode));
  }
  void OnText(const char* text) {
    if (On) NameEntryText(text);
  }

 private:
  bool On = false;
};

// What the event loop keeps from one pass to the next.
struct EventLoop {
  SdlWindowSystem& Window;
  SdlAudioBackend& Audio;
  const uint64_t QuitAfterFrames;  // for benchmarks: close after this many frames drawn
  FramePacer Pacer;
  NameEntryRouting NameEntry;
  uint64_t FramesDrawn = 0;
  bool Minimized = false;
  bool Running = true;
  uint64_t SoundLostAt = 0;  // SDL_GetTicks64
};

// Unattended runs (tests, scripts) get the messages on standard error only: a box nobody
// can click away would hang them.
void QuietWhenUnattended() {
  const char* quiet = std::getenv("ZOLVANE_UNATTENDED");
  if (quiet && *quiet && *quiet != '0') QuietMessageBoxes = true;
}

// Installed, the player's own folder becomes the run folder before anything is read.
bool EnterRunFolder() {
  std::string error;
  if (EnterPlayerFolder(&error)) return true;
  ShowMessageBox("Zolvane", "Cannot prepare the player's folder: " + error);
  return false;
}

// Form creation: a borderless window when config.ini asks for full screen. Without a
// window the start-up reports that there is nothing to draw on. At any size the player
// gives it, the picture stays 4:3.
SDL_Window* CreateMainWindow() {
  const bool fullScreen = ReadFullScreenOption();
  WindowSettings settings;
  settings.Width = ClientWidth;
  settings.Height = ClientHeight;
  settings.Resizable = settings.KeepShape = true;
  std::string error;
  SDL_Window* window = CreateGameWindow(settings, &error);
  if (!window) std::fprintf(stderr, "Zolvane: %s\n", error.c_str());
  else if (fullScreen) SDL_SetWindowBordered(window, SDL_FALSE);
  return window;
}

// First paint: "Loading...", then the start-up.
bool FirstPaint(SdlWindowSystem& window) {
  window.DrawLoadingText(0xFFFFFFFF, false);
  const StartUpResult started = StartUp(window);
  frmD3D.FirstPaint = false;
  return started == StartUpResult::Ready;
}

void BeforeTheEvents(SdlWindowSystem& window, int startGame, Replay* replay) {
  if (SDL_GetWindowFlags(window.Window) & SDL_WINDOW_INPUT_FOCUS) frmD3D.FActive = true;
  SetCloseWindowHandler(CloseMainWindow);
  SDL_StopTextInput();  // SDL starts with text input on
  if (startGame) BeginNewGame(startGame);  // a developer's shortcut past the menu
  if (replay) WatchNow(std::move(*replay));
}

// Read before the run folder is entered, where a relative name would find nothing; a file
// that cannot be watched ends the program before any window opens.
bool ReadReplayToWatch(const std::string& file, Replay& replay) {
  if (const std::string problem = LoadReplay(file, replay); !problem.empty()) {
    std::fprintf(stderr, "zolvane: %s\n", problem.c_str());
    return false;
  }
  return true;
}

// Events are read after the wait: what arrived meanwhile reaches this pass's step.
void WaitForThePass(FramePacer& pacer) {
  if (!frmD3D.FActive) return;
  const int64_t now = SteadyNanoseconds();
  const int64_t start = pacer.PassStart(now);
  if (start > now) SleepUntilNanoseconds(start);
}

// False when the restore ends the program at once. After a fatal report it goes on: the
// report has already asked the window to close, and the shutdown still saves the settings
// and the high scores.
bool Restore(EventLoop& loop) {
  if (!loop.Minimized) return true;
  loop.Minimized = false;
  if (RestoreAfterMinimize(loop.Window) == StartUpResult::EndAtOnce) return false;
  loop.Pacer = MakePacer(loop.Window.Window);
  return true;
}

bool OnWindowEvent(EventLoop& loop, uint8_t event) {
  switch (event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED: frmD3D.FActive = true; break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      // Already back (its gain still queued): a window manager may take the focus for a
      // moment while the window goes full screen.
      if (SDL_GetWindowFlags(loop.Window.Window) & SDL_WINDOW_INPUT_FOCUS) break;
      frmD3D.FActive = false;
      loop.Window.Minimize();
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      frmD3D.FActive = false;
      loop.Minimized = true;
      break;
    case SDL_WINDOWEVENT_RESTORED: return Restore(loop);
    case SDL_WINDOWEVENT_CLOSE: loop.Running = false; break;
    default: break;
  }
  return true;
}

// A sound device may go (headphones pulled, a speaker switched off, the sound server gone)
// and another come; the game plays on meanwhile, and standard error tells.
void ReportSoundDevice(EventLoop& loop, SoundDeviceChange change, uint64_t now, uint64_t took) {
  if (change == SoundDeviceChange::Lost) {
    loop.SoundLostAt = now;
    std::fprintf(stderr, "Zolvane: the sound device is gone; the game goes on silently\n");
  } else if (change == SoundDeviceChange::Back) {
    const char* driver = SDL_GetCurrentAudioDriver();
    std::fprintf(stderr, "Zolvane: sound is back (%s) after %.1f s; opening took %llu ms\n",
                 driver ? driver : "?", double(now - loop.SoundLostAt) / 1000.0,
                 static_cast<unsigned long long>(took));
  }
}

void OnAudioDeviceEvent(EventLoop& loop, const SDL_AudioDeviceEvent& event) {
  const uint64_t now = SDL_GetTicks64();
  ReportSoundDevice(loop, loop.Audio.OnDeviceEvent(event, now), now, 0);
}

// Every pass, also while the window is inactive; an attempt to open a device is made a few
// times a second at most.
void KeepSoundDevice(EventLoop& loop) {
  const uint64_t now = SDL_GetTicks64();
  const SoundDeviceChange change = loop.Audio.KeepDeviceOpen(now);
  ReportSoundDevice(loop, change, now, SDL_GetTicks64() - now);
}

// F11 and Alt+Enter belong to the window: they neither type a name nor act in the game.
void OnFullScreenKey(EventLoop& loop, const SDL_KeyboardEvent& key) {
  if (key.repeat) return;
  if (ToggleFullScreen(loop.Window)) loop.Pacer = MakePacer(loop.Window.Window);
}

bool OnEvent(EventLoop& loop, const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT: loop.Running = false; break;
    case SDL_KEYDOWN:
      if (IsFullScreenKey(e.key.keysym.scancode, e.key.keysym.mod))
        OnFullScreenKey(loop, e.key);
      else
        loop.NameEntry.OnKeyDown(e.key);
      break;
    case SDL_KEYUP: loop.NameEntry.OnKeyUp(e.key); break;
    case SDL_TEXTINPUT: loop.NameEntry.OnText(e.text.text); break;
    case SDL_WINDOWEVENT: return OnWindowEvent(loop, e.window.event);
    case SDL_CONTROLLERDEVICEADDED:
    case SDL_CONTROLLERDEVICEREMOVED: OnGamepadEvent(e); break;
    case SDL_AUDIODEVICEREMOVED: OnAudioDeviceEvent(loop, e.adevice); break;
    default: break;
  }
  return true;
}

// While the window is inactive there is nothing to step or draw: wait for events instead
// of spinning a core.
bool HandleEvents(EventLoop& loop) {
  SDL_Event e;
  bool have = frmD3D.FActive ? SDL_PollEvent(&e) : SDL_WaitEventTimeout(&e, 100);
  while (have && loop.Running) {
    if (!OnEvent(loop, e)) return false;
    have = loop.Running && SDL_PollEvent(&e);
  }
  return true;
}

// The wall clock, comparable with the launching script's `date +%s.%N`: the start-up is
// measured up to the first frame, not through the shutdown.
void ReportFirstFrame() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::printf("first frame drawn at %lld.%09ld\n", static_cast<long long>(now.tv_sec),
              now.tv_nsec);
  std::fflush(stdout);
}

void StepAndDraw(EventLoop& loop) {
  const bool draws = frmD3D.FActive && D3D.FD3DDevice;
  OnIdle();
  loop.NameEntry.Update();
  if (!draws || !loop.QuitAfterFrames) return;
  if (++loop.FramesDrawn == 1) ReportFirstFrame();
  if (loop.FramesDrawn >= loop.QuitAfterFrames) loop.Running = false;
}

// False when the program must end at once.
bool RunEventLoop(SdlWindowSystem& window, SdlAudioBackend& audio, uint64_t quitAfterFrames) {
  EventLoop loop{window, audio, quitAfterFrames, MakePacer(window.Window), {}};
  while (loop.Running) {
    WaitForThePass(loop.Pacer);
    if (!HandleEvents(loop)) return false;
    KeepSoundDevice(loop);
    if (loop.Running) StepAndDraw(loop);
  }
  return true;
}

// The timing report is written however the process ends.
int EndProcess(int status) {
  try {
    WriteMeasureLog();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Zolvane: %s\n", e.what());
  }
  return status;
}

int EndAtOnce(SdlWindowSystem& window) {
  DestroyGameWindow(window.Window);
  SDL_Quit();
  return EndProcess(1);
}

// Closing: hide the window, then the shutdown of its destruction.
int CloseMainWindowAndShutDown(SdlWindowSystem& window) {
  SDL_HideWindow(window.Window);
  Shutdown(window);
  DestroyGameWindow(window.Window);
  SDL_Quit();
  return EndProcess(frmD3D.FatalErrorReported ? 1 : 0);
}

}  // namespace

int RunGame(int argc, char** argv) {
  const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (const int status = ReportCommandLine(line); status >= 0) return status;
  QuietWhenUnattended();
  Replay replay;
  const bool watch = !line.ReplayFile.empty();
  if (watch && !ReadReplayToWatch(line.ReplayFile, replay)) return 2;
  if (!EnterRunFolder()) return 1;

  SdlWindowSystem window;
  window.Window = CreateMainWindow();
  SdlAudioBackend audio;  // without a sound device the game is silent
  SetAudioBackend(&audio);
  if (!FirstPaint(window)) return EndAtOnce(window);

  BeforeTheEvents(window, line.StartGame, watch ? &replay : nullptr);
  if (!RunEventLoop(window, audio, line.QuitAfterFrames)) return EndAtOnce(window);
  return CloseMainWindowAndShutDown(window);
}

}  // namespace zolvane
