// The SDL window as the start-up, the device rebuild and the shutdown see it.
#pragma once
#include <SDL.h>

#include "app/window_system.h"

namespace zolvane {

// The client area of the windowed game: 4:3.
constexpr int ClientWidth = 720;
constexpr int ClientHeight = 540;

class SdlWindowSystem : public WindowSystem {
 public:
  SDL_Window* Window = nullptr;

  bool GraphicsAvailable() override;
  bool GraphicsRecentEnough() override;
  Direct3D* Direct3DCreate8() override;
  void* WindowHandle() override { return Window; }
  void DrawLoadingText(D3DCOLOR colour, bool screenCentre) override;
  void ScreenSize(int& width, int& height) override;
  void ShowMessage(const std::string& title, const std::string& text) override;
  void HideCursor() override;
  void Maximize() override;
  void Minimize() override;
  void Close() override;
  bool SetFullScreen(bool fullScreen) override;
  bool IsFullScreen() override;
  bool CreateDirectInput() override;
  bool CreateKeyboard() override;
  bool AcquireKeyboard(bool acquire) override;
  void CloseDirectInput() override;
  int DikFromKeyName(const std::string& name) override;
  void OpenGamepads() override;
  void CloseGamepads() override;
};

}  // namespace zolvane
