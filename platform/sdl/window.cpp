#include "platform/sdl/window.h"

#include <cstdio>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>
#include <link.h>
#endif

namespace zolvane {

bool QuietMessageBoxes = false;

namespace {
const char* const kContextKey = "zolvane.gl";

struct WindowContext {
  SDL_GLContext Context;
  int ShapeWidth = 0, ShapeHeight = 0;  // 0: the picture fills the window
  // The window's size and place before it went full screen.
  int WindowedWidth = 0, WindowedHeight = 0;
  int WindowedX = SDL_WINDOWPOS_CENTERED, WindowedY = SDL_WINDOWPOS_CENTERED;
  bool WasMaximized = false;
  std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
};

WindowContext* ContextOf(SDL_Window* window) {
  return window ? static_cast<WindowContext*>(SDL_GetWindowData(window, kContextKey)) : nullptr;
}

// The GL driver is unloaded at exit before the leak check, and what it keeps for the
// process's lifetime then has no module to be suppressed by; pinned, it keeps its name.
// Only the sanitizer build needs it.
void KeepGLDriverLoaded() {
#if defined(__SANITIZE_ADDRESS__)
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void*) {
        const char* name = info->dlpi_name;
        const size_t n = name ? std::strlen(name) : 0;
        if (n > 7 && std::strcmp(name + n - 7, "_dri.so") == 0)
          dlopen(name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
#endif
}

// SDL's own order, without the drivers that show nothing.
std::string VisibleVideoDrivers() {
  std::string list;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* name = SDL_GetVideoDriver(i);
    if (!name || !std::strcmp(name, "offscreen") || !std::strcmp(name, "dummy") ||
        !std::strcmp(name, "evdev"))
      continue;
    if (!list.empty()) list += ',';
    list += name;
  }
  return list;
}
}  // namespace

bool InitVideo() {
  // Without a display that answers, SDL falls back to its offscreen driver: a game in a
  // window nobody sees. Unless the player names a driver, only visible ones are tried.
  if (!SDL_WasInit(SDL_INIT_VIDEO) && !SDL_GetHint(SDL_HINT_VIDEODRIVER))
    SDL_SetHint(SDL_HINT_VIDEODRIVER, VisibleVideoDrivers().c_str());
  // An X server may refuse a connection for a moment (Xvfb does, to clients that
  // reconnect in quick succession): a few tries before giving up.
  for (int attempt = 1;; ++attempt) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    if (attempt == 5) return false;
    SDL_Delay(20);
  }
}

SDL_Window* CreateGameWindow(const WindowSettings& s, std::string* error) {
  auto fail = [&](const std::string& what) -> SDL_Window* {
    if (error) *error = what + ": " + SDL_GetError();
    return nullptr;
  };
  if (!InitVideo()) return fail("SDL video");

  Uint32 flags = SDL_WINDOW_OPENGL | (s.Hidden ? SDL_WINDOW_HIDDEN : SDL_WINDOW_SHOWN);
  if (s.Resizable) flags |= SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
  int w = s.Width, h = s.Height;
  if (s.FullScreen) {
    if (s.FullScreenWidth > 0 && s.FullScreenHeight > 0) {
      flags |= SDL_WINDOW_FULLSCREEN;
      w = s.FullScreenWidth;
      h = s.FullScreenHeight;
    } else {
      flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
      GetDesktopSize(w, h);
    }
  }
  if (w <= 0 || h <= 0) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    if (error) *error = "window size must be positive";
    return nullptr;
  }

  // A D16 depth buffer is the least we ask for; 24 bits where the visual has them.
  const int depthWanted[] = {24, 16};
  const int tries = s.DepthFormat == D3DFMT_UNKNOWN ? 1 : 2;
  std::string lastError;
  for (int i = 0; i < tries; ++i) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, s.DepthFormat == D3DFMT_UNKNOWN ? 0 : depthWanted[i]);
    SDL_Window* window = SDL_CreateWindow(s.Title.c_str(), SDL_WINDOWPOS_CENTERED,
                                          SDL_WINDOWPOS_CENTERED, w, h, flags);
    if (!window) {
      lastError = std::string("window: ") + SDL_GetError();
      continue;
    }
    SDL_GLContext ctx = SDL_GL_CreateContext(window);
    if (!ctx) {
      lastError = std::string("OpenGL context: ") + SDL_GetError();
      SDL_DestroyWindow(window);
      continue;
    }
    SDL_GL_MakeCurrent(window, ctx);
    KeepGLDriverLoaded();
    auto* wc = new WindowContext{ctx};
    if (s.KeepShape) wc->ShapeWidth = s.Width, wc->ShapeHeight = s.Height;
    wc->WindowedWidth = s.Width;
    wc->WindowedHeight = s.Height;
    SDL_SetWindowData(window, kContextKey, wc);
    // Present waits for the refresh where the display has one; failing that, it does not.
    SDL_GL_SetSwapInterval(1);
    if (!s.Hidden) {
      // Take the keyboard: where no window manager hands out the focus (a virtual
      // display) the game would otherwise never see a key.
      SDL_RaiseWindow(window);
      SDL_SetWindowInputFocus(window);
    }
    return window;
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (error) *error = lastError;
  return nullptr;
}

void DestroyGameWindow(SDL_Window*& window) {
  if (!window) return;
  if (WindowContext* wc = ContextOf(window)) {
    SDL_SetWindowData(window, kContextKey, nullptr);
    *wc->Alive = false;
    if (SDL_GL_GetCurrentContext() == wc->Context) SDL_GL_MakeCurrent(window, nullptr);
    SDL_GL_DeleteContext(wc->Context);
    delete wc;
  }
  SDL_DestroyWindow(window);
  window = nullptr;
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

SDL_GLContext GameWindowContext(SDL_Window* window) {
  WindowContext* wc = ContextOf(window);
  return wc ? wc->Context : nullptr;
}

std::shared_ptr<const bool> GameWindowContextAlive(SDL_Window* window) {
  WindowContext* wc = ContextOf(window);
  return wc ? wc->Alive : std::make_shared<const bool>(false);
}

int GameWindowDepthBits(SDL_Window* window) {
  SDL_GLContext ctx = GameWindowContext(window);
  if (!ctx) return 0;
  if (SDL_GL_GetCurrentContext() != ctx) SDL_GL_MakeCurrent(window, ctx);
  int bits = 0;
  if (SDL_GL_GetAttribute(SDL_GL_DEPTH_SIZE, &bits) != 0) return 0;
  return bits;
}

bool SetGameWindowSwapInterval(SDL_Window* window, int interval) {
  SDL_GLContext ctx = GameWindowContext(window);
  if (!ctx) return false;
  if (SDL_GL_GetCurrentContext() != ctx) SDL_GL_MakeCurrent(window, ctx);
  return SDL_GL_SetSwapInterval(interval) == 0;
}

int GameWindowRefreshRate(SDL_Window* window) {
  if (!window) return 0;
  const int display = SDL_GetWindowDisplayIndex(window);
  SDL_DisplayMode mode{};
  // The current mode, not SDL_GetWindowDisplayMode's: that is the one kept for full
  // screen, which a windowed game does not use.
  if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
  return mode.refresh_rate;
}

void GameWindowDrawableSize(SDL_Window* window, int& width, int& height) {
  width = height = 0;
  if (window) SDL_GL_GetDrawableSize(window, &width, &height);
}

PixelRect GameWindowPicture(SDL_Window* window) {
  int w = 0, h = 0;
  GameWindowDrawableSize(window, w, h);
  const WindowContext* wc = ContextOf(window);
  return FitPicture(w, h, wc ? wc->ShapeWidth : 0, wc ? wc->ShapeHeight : 0);
}

bool GameWindowFullScreen(SDL_Window* window) {
  return window && (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0;
}

bool SetGameWindowFullScreen(SDL_Window* window, bool fullScreen) {
  WindowContext* wc = ContextOf(window);
  if (!wc) return false;
  if (fullScreen == GameWindowFullScreen(window)) return true;
  if (fullScreen) {
    wc->WasMaximized = (SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED) != 0;
    SDL_Rect screen{};
    if (!wc->WasMaximized) {
      SDL_GetWindowSize(window, &wc->WindowedWidth, &wc->WindowedHeight);
      SDL_GetWindowPosition(window, &wc->WindowedX, &wc->WindowedY);
      // Without a window manager (a virtual display) nobody else would give the window
      // the screen, and SDL would only believe it had.
      if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window), &screen) == 0) {
        SDL_SetWindowPosition(window, screen.x, screen.y);
        SDL_SetWindowSize(window, screen.w, screen.h);
      }
    }
    return SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) == 0;
  }
  if (SDL_SetWindowFullscreen(window, 0) != 0) return false;
  // A game started full screen has a borderless window.
  SDL_SetWindowBordered(window, SDL_TRUE);
  // The window manager brings back a maximised window; without one (a virtual display)
  // the window would keep the screen's size.
  if (!wc->WasMaximized) {
    SDL_SetWindowSize(window, wc->WindowedWidth, wc->WindowedHeight);
    SDL_SetWindowPosition(window, wc->WindowedX, wc->WindowedY);
  }
  return true;
}

bool GetDesktopSize(int& width, int& height) {
  if (!InitVideo()) return false;
  SDL_DisplayMode mode;
  const bool ok = SDL_GetDesktopDisplayMode(0, &mode) == 0;
  if (ok) {
    width = mode.w;
    height = mode.h;
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return ok;
}

void ShowMessageBox(const std::string& title, const std::string& text, SDL_Window* parent) {
  std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
  std::fflush(stderr);
  if (QuietMessageBoxes) return;
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), parent);
}

}  // namespace zolvane
