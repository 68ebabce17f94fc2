#include "app/sdl/sdl_window_system.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gl/gl_context.h"
#include "platform/gl/gl_device.h"
#include "platform/sdl/gamepad.h"
#include "platform/sdl/keyboard_device.h"
#include "platform/sdl/window.h"
#include "render/device_objects.h"

namespace zolvane {

namespace {
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

}  // namespace

bool SdlWindowSystem::GraphicsAvailable() { return Window && GameWindowContext(Window); }

bool SdlWindowSystem::GraphicsRecentEnough() {
  return GLMajorVersion() >= 2;  // combiners, BGRA arrays, buffer objects
}

Direct3D* SdlWindowSystem::Direct3DCreate8() { return zolvane::Direct3DCreate8(D3D_SDK_VERSION); }

void SdlWindowSystem::DrawLoadingText(D3DCOLOR colour, bool screenCentre) {
  if (!Window) return;
  // In full screen the window is the screen, so the picture's centre serves for both.
  (void)screenCentre;
  // The text grows with the picture: its 3-pixel squares are the 720 x 540 window's.
  const PixelRect picture = GameWindowPicture(Window);
  const int scale = std::max(1, (picture.Height * LoadingScale + ClientHeight / 2) / ClientHeight);
  const char* text = "Loading...";
  const int textWidth = static_cast<int>(std::strlen(text)) * 6 * scale;
  const int textHeight = 7 * scale;
  const int x0 = picture.X + (picture.Width - textWidth) / 2;
  const int y0 = picture.Y + (picture.Height - textHeight) / 2;

  std::vector<PaintedSquare> squares;
  for (int i = 0; text[i]; ++i)
    for (const LoadingGlyph& g : LoadingGlyphs)
      if (g.Ch == text[i])
        for (int row = 0; row < 7; ++row)
          for (int col = 0; col < 5; ++col)
            if (g.Rows[row] & (0x10 >> col))
              squares.push_back({x0 + (i * 6 + col) * scale, y0 + row * scale});
  // White text goes on the form's black background.
  PaintSquares(Window, squares, scale, colour, colour == 0xFFFFFFFF);
  if (D3D.FD3DDevice) InvalidateGLState(D3D.FD3DDevice);
}

void SdlWindowSystem::ScreenSize(int& width, int& height) {
  if (!GetDesktopSize(width, height)) width = ClientWidth, height = ClientHeight;
}

void SdlWindowSystem::ShowMessage(const std::string& title, const std::string& text) {
  ShowMessageBox(title, text, Window);
}

void SdlWindowSystem::HideCursor() { SDL_ShowCursor(SDL_DISABLE); }

void SdlWindowSystem::Maximize() {
  if (Window) SDL_MaximizeWindow(Window);
}

void SdlWindowSystem::Minimize() {
  if (Window) SDL_MinimizeWindow(Window);
}

void SdlWindowSystem::Close() {
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

bool SdlWindowSystem::SetFullScreen(bool fullScreen) {
  return SetGameWindowFullScreen(Window, fullScreen);
}

bool SdlWindowSystem::IsFullScreen() { return GameWindowFullScreen(Window); }

bool SdlWindowSystem::CreateDirectInput() { return zolvane::CreateDirectInput(); }
bool SdlWindowSystem::CreateKeyboard() { return zolvane::CreateKeyboard(Window); }
bool SdlWindowSystem::AcquireKeyboard(bool acquire) { return zolvane::AcquireKeyboard(acquire); }
void SdlWindowSystem::CloseDirectInput() { zolvane::CloseDirectInput(); }
int SdlWindowSystem::DikFromKeyName(const std::string& name) {
  return zolvane::DikFromKeyName(name.c_str());
}
void SdlWindowSystem::OpenGamepads() { zolvane::OpenGamepads(); }
void SdlWindowSystem::CloseGamepads() { zolvane::CloseGamepads(); }

}  // namespace zolvane
