// What the start-up, the device rebuild and the shutdown need from the window they run
// in. The SDL window provides it; tests provide their own.
#pragma once
#include <string>

#include "platform/device.h"

namespace zolvane {

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // The drawing library exists at all, and in a version good enough for the game.
  virtual bool GraphicsAvailable() = 0;
  virtual bool GraphicsRecentEnough() = 0;
  // The Direct3D object, or none when the graphics library cannot give one.
  virtual Direct3D* Direct3DCreate8() = 0;
  virtual void* WindowHandle() = 0;

  // "Loading..." in the given colour, centred in the window or on the screen.
  virtual void DrawLoadingText(D3DCOLOR colour, bool screenCentre) = 0;
  virtual void ScreenSize(int& width, int& height) = 0;
  virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
  virtual void HideCursor() = 0;
  virtual void Maximize() = 0;
  virtual void Minimize() = 0;
  virtual void Close() = 0;  // ends the message loop; the shutdown follows
  // Full screen at the desktop's size, or back to the window; the device and all it holds
  // stay. False when the window system refused.
  virtual bool SetFullScreen(bool fullScreen) = 0;
  virtual bool IsFullScreen() = 0;

  virtual bool CreateDirectInput() = 0;
  virtual bool CreateKeyboard() = 0;
  virtual bool AcquireKeyboard(bool acquire) = 0;
  virtual void CloseDirectInput() = 0;
  // The snapshot's code of the key of that name, for config.ini's [Keys]: 0 for a key the
  // snapshot has no code for, NoSuchKeyName (platform/keyboard.h) for no key at all.
  virtual int DikFromKeyName(const std::string& name) = 0;
  // The gamepads, beside the keyboard; a window without them has none.
  virtual void OpenGamepads() {}
  virtual void CloseGamepads() {}
};

}  // namespace zolvane
