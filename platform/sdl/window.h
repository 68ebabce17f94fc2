// The one game window with its OpenGL context, the desktop size and message boxes.
#pragma once
#include <memory>
#include <string>

#include <SDL.h>

#include "platform/d3d8.h"
#include "platform/picture_rect.h"

namespace zolvane {

struct WindowSettings {
  std::string Title = "Zolvane";
  int Width = 800, Height = 600;  // the client size when windowed
  bool FullScreen = false;
  // Full-screen resolution; 0 x 0 keeps the desktop's (SDL_WINDOW_FULLSCREEN_DESKTOP).
  int FullScreenWidth = 0, FullScreenHeight = 0;
  D3DFORMAT DepthFormat = D3DFMT_D16;  // D3DFMT_UNKNOWN: no depth buffer
  bool Hidden = false;                 // for tests that only read pixels back
  // The player may resize and maximise the window; on high-DPI displays its drawable has
  // the display's real pixels.
  bool Resizable = false;
  // The picture keeps the shape of Width x Height at any size the window takes (bars
  // around it, see GameWindowPicture); otherwise it fills the window.
  bool KeepShape = false;
};

// SDL_InitSubSystem(SDL_INIT_VIDEO), counted the same way (SDL_QuitSubSystem ends it), but
// never on a driver that shows nothing unless SDL_VIDEODRIVER asks for one, and tried again
// when the display refuses the connection for a moment.
bool InitVideo();

// Initialises SDL's video, creates the window and a compatibility-profile OpenGL context,
// makes it current and asks for vertical sync. Returns nullptr (with the reason in *error)
// when any of it fails.
SDL_Window* CreateGameWindow(const WindowSettings& settings, std::string* error = nullptr);
// Deletes the context and the window, and empties the reference.
void DestroyGameWindow(SDL_Window*& window);
// The OpenGL context of a window made by CreateGameWindow; nullptr for any other window.
SDL_GLContext GameWindowContext(SDL_Window* window);
// True while the window's context lives. GL names outliving their context must not be
// deleted later: a new context may sit at the same address and own the same names.
std::shared_ptr<const bool> GameWindowContextAlive(SDL_Window* window);
// Bits of the depth buffer the window got (0 when none).
int GameWindowDepthBits(SDL_Window* window);
// Asks the driver to wait for the vertical refresh on every swap (interval 1) or never (0).
// False when it refuses; it may also accept and not wait, which only timing can tell.
bool SetGameWindowSwapInterval(SDL_Window* window, int interval);
// The refresh rate of the display the window is on; 0 when SDL cannot tell.
int GameWindowRefreshRate(SDL_Window* window);

// The drawable's size in pixels, and where in it the picture goes now.
void GameWindowDrawableSize(SDL_Window* window, int& width, int& height);
PixelRect GameWindowPicture(SDL_Window* window);

// Full screen at the desktop's size, or back to the window at the size and place it had
// before (the created size when it was never a window). The context and everything made
// in it stay. False when SDL refused.
bool SetGameWindowFullScreen(SDL_Window* window, bool fullScreen);
bool GameWindowFullScreen(SDL_Window* window);

// The desktop's size in pixels (display 0); false when SDL cannot tell.
bool GetDesktopSize(int& width, int& height);

// Prints the message to stderr and, unless QuietMessageBoxes is set (unattended runs,
// where nobody could click the box away), shows a modal box.
void ShowMessageBox(const std::string& title, const std::string& text,
                    SDL_Window* parent = nullptr);
extern bool QuietMessageBoxes;

}  // namespace zolvane
