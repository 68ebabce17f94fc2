// The Direct3D 8 device drawn with OpenGL's fixed-function pipeline (compatibility
// profile), in the window of platform/sdl/window.h.
#pragma once
#include <SDL.h>

#include "platform/device.h"

namespace zolvane {

// Stands in for Direct3DCreate8: nullptr when SDL's video cannot start, or for an SDK
// version other than D3D_SDK_VERSION.
Direct3D* Direct3DCreate8(uint32_t sdkVersion);

class GLDirect3D : public Direct3D {
 public:
  GLDirect3D();
  ~GLDirect3D() override;
  bool Ready() const { return VideoReady; }

  HRESULT CheckDeviceType(uint32_t adapter, uint32_t deviceType, D3DFORMAT displayFormat,
                          D3DFORMAT backBufferFormat, bool windowed) override;
  HRESULT CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, D3DFORMAT adapterFormat,
                            uint32_t usage, uint32_t resourceType, D3DFORMAT checkFormat) override;
  HRESULT GetAdapterDisplayMode(uint32_t adapter, D3DDISPLAYMODE* mode) override;
  // focusWindow is the SDL_Window* of CreateGameWindow.
  HRESULT CreateDevice(uint32_t adapter, uint32_t deviceType, void* focusWindow,
                       uint32_t behaviourFlags, D3DPRESENT_PARAMETERS* params,
                       Device** out) override;

 private:
  bool VideoReady = false;
};

// For what draws with OpenGL beside the device (PaintSquares, the loading text) and for
// tests: after touching GL state directly, call InvalidateGLState so the device re-applies
// everything before its next draw.
class GLDevice;
void InvalidateGLState(Device* device);
// The size of the picture the device draws now: the window's drawable, or the part of it
// that keeps the window's shape (GameWindowPicture). It follows the window's size.
bool GetBackBufferSize(Device* device, int& width, int& height);

}  // namespace zolvane
