// The program's entry point and its one window: SDL events in place of the window
// messages, the first paint that runs the start-up, and the idle loop.
#include <GL/gl.h>
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/config.h"
#include "app/frame_loop.h"
#include "app/logs.h"
#include "app/main_form.h"
#include "app/startup.h"
#include "app/window_system.h"
#include "game/settings.h"
#include "menu/menu_state.h"
#include "platform/sdl/gl_device.h"
#include "platform/sdl/keyboard_device.h"
#include "platform/sdl/window.h"
#include "render/device_objects.h"

namespace zolvane {
namespace {

// The client area of the windowed game: 4:3.
constexpr int ClientWidth = 720;
constexpr int ClientHeight = 540;

// "Loading..." needs a few letters before any texture exists: 5 x 7 cells, one row a byte.
struct LoadingGlyph {
  char Ch;
  uint8_t Rows[7];
};
constexpr LoadingGlyph LoadingGlyphs[] = {
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'o', {0x00, 0x00, 0x0E, 0x11, 0x11, 0x11, 0x0E}},
    {'a', {0x00, 0x00, 0x0E, 0x01, 0x0F, 0x11, 0x0F}},
    {'d', {0x01, 0x01, 0x0D, 0x13, 0x11, 0x11, 0x0F}},
    {'i', {0x04, 0x00, 0x0C, 0x04, 0x04, 0x04, 0x0E}},
    {'n', {0x00, 0x00, 0x16, 0x19, 0x11, 0x11, 0x11}},
    {'g', {0x00, 0x0F, 0x11, 0x11, 0x0F, 0x01, 0x0E}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
};
constexpr int LoadingScale = 3;  // about the 24-pixel font of the original form

class SdlWindowSystem : public WindowSystem {
 public:
  SDL_Window* Window = nullptr;

  bool GraphicsAvailable() override { return Window && GameWindowContext(Window); }
  bool GraphicsRecentEnough() override {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return version && std::atoi(version) >= 2;  // combiners, BGRA arrays, buffer objects
  }
  Direct3D* Direct3DCreate8() override { return zolvane::Direct3DCreate8(D3D_SDK_VERSION); }
  void* WindowHandle() override { return Window; }

  void DrawLoadingText(D3DCOLOR colour, bool screenCentre) override {
    if (!Window) return;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(Window, &w, &h);
    if (screenCentre) GetDesktopSize(w, h);
    const char* text = "Loading...";
    const int textWidth = static_cast<int>(std::strlen(text)) * 6 * LoadingScale;
    const int textHeight = 7 * LoadingScale;
    const int x0 = (w - textWidth) / 2, y0 = (h - textHeight) / 2;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    if (colour == 0xFFFFFFFF) {  // the form's black background under the white text
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
    }
    glColor3ub((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
    glBegin(GL_QUADS);
    for (int i = 0; text[i]; ++i)
      for (const LoadingGlyph& g : LoadingGlyphs)
        if (g.Ch == text[i])
          for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
              if (g.Rows[row] & (0x10 >> col)) {
                const int x = x0 + (i * 6 + col) * LoadingScale, y = y0 + row * LoadingScale;
                glVertex2i(x, y);
                glVertex2i(x + LoadingScale, y);
                glVertex2i(x + LoadingScale, y + LoadingScale);
                glVertex2i(x, y + LoadingScale);
              }
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    SDL_GL_SwapWindow(Window);
    if (D3D.FD3DDevice) InvalidateGLState(D3D.FD3DDevice);
  }

  void ScreenSize(int& width, int& height) override {
    if (!GetDesktopSize(width, height)) width = ClientWidth, height = ClientHeight;
  }
  void ShowMessage(const std::string& title, const std::string& text) override {
    ShowMessageBox(title, text, Window);
  }
  void HideCursor() override { SDL_ShowCursor(SDL_DISABLE); }
  void Maximize() override {
    if (Window) SDL_MaximizeWindow(Window);
  }
  void Minimize() override {
    if (Window) SDL_MinimizeWindow(Window);
  }
  void Close() override {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
  }
  bool CreateDirectInput() override { return zolvane::CreateDirectInput(); }
  bool CreateKeyboard() override { return zolvane::CreateKeyboard(Window); }
  bool AcquireKeyboard(bool acquire) override { return zolvane::AcquireKeyboard(acquire); }
  void CloseDirectInput() override { zolvane::CloseDirectInput(); }
};

void Usage() {
  std::fputs("usage: zolvane [--game T]   (T = 1 Classic, 2 Advanced, 3 Special, 4 Crazy)\n",
             stderr);
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

int Run(int argc, char** argv) {
  int startGame = 0;  // a developer's shortcut past the menu
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--game" && i + 1 < argc) {
      const std::string value = argv[++i];
      if (value.size() != 1 || value[0] < '1' || value[0] > '4') return Usage(), 2;
      startGame = value[0] - '0';
    } else {
      return Usage(), 2;
    }
  }

  // Unattended runs (tests, scripts) get the messages on standard error only: a box
  // nobody can click away would hang them.
  if (const char* quiet = std::getenv("ZOLVANE_UNATTENDED"); quiet && *quiet && *quiet != '0')
    QuietMessageBoxes = true;

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
  if (startGame) BeginNewGame(startGame);

  bool minimized = false;
  for (bool running = true; running;) {
    SDL_Event e;
    // While the window is inactive there is nothing to step or draw: wait for events
    // instead of spinning a core.
    bool have = frmD3D.FActive ? SDL_PollEvent(&e) : SDL_WaitEventTimeout(&e, 100);
    while (have && running) {
      if (e.type == SDL_QUIT) {
        running = false;
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
            if (minimized) {
              minimized = false;
              if (RestoreAfterMinimize(window) != StartUpResult::Ready) {
                DestroyGameWindow(window.Window);
                SDL_Quit();
                return EndProcess(1);
              }
            }
            break;
          case SDL_WINDOWEVENT_CLOSE: running = false; break;
          default: break;
        }
      }
      have = running && SDL_PollEvent(&e);
    }
    if (running) OnIdle();
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
