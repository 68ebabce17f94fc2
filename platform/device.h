// The device layer: the Direct3D 8 operations the drawing code calls, as an interface with
// two implementations: the OpenGL device that draws, and the recording device that tests
// read. Vertex buffers and textures keep their bytes in memory in the game's own layouts;
// a backend attaches what it needs to them (GL names) and learns of changes by Version.
// A backend may take over a texture level's only copy; a lock gets it back.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/d3d8.h"

namespace zolvane {

class Texture;

// What a backend keeps beside a resource; destroyed with the resource.
struct BackendData {
  virtual ~BackendData() = default;
  // Puts back into LevelBytes[level] a texture level whose only copy the backend holds
  // (it let the CPU copy go after uploading it); false when it holds nothing of it.
  virtual bool RestoreLevel(Texture& /*texture*/, uint32_t /*level*/) { return false; }
};

class VertexBuffer {
 public:
  VertexBuffer(uint32_t length, uint32_t fvf) : Length(length), FVF(fvf) {}
  // Size 0 locks to the end of the buffer.
  HRESULT Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags);
  HRESULT Unlock();
  // Makes Bytes at least `end` long (never past Length); false when that would move the
  // bytes under a lock.
  bool Reach(uint32_t end);
  void Release() { delete this; }

  const uint32_t Length;  // the size the buffer was created with
  const uint32_t FVF;
  // As far as the locks have reached; what lies beyond has never been written and reads
  // as zeros. A big buffer that is only partly filled costs only what was filled.
  std::vector<uint8_t> Bytes;
  uint32_t Version = 0;  // raised by every Unlock
  bool Locked = false;
  std::unique_ptr<BackendData> Backend;
};

class Texture {
 public:
  // Levels 0 means the full chain down to 1 x 1. No level has bytes yet: each gets them
  // when first locked or asked for (Level).
  Texture(uint32_t width, uint32_t height, uint32_t levels, D3DFORMAT format);
  HRESULT LockRect(uint32_t level, D3DLOCKED_RECT* locked, const void* rect, uint32_t flags);
  HRESULT UnlockRect(uint32_t level);
  // The bytes of a level, made first if it has none: given back by the backend that holds
  // them, made by whoever deferred them (MakeLevel), or zeros.
  std::vector<uint8_t>& Level(uint32_t level);
  uint32_t GetLevelCount() const { return static_cast<uint32_t>(LevelBytes.size()); }
  uint32_t LevelWidth(uint32_t level) const;
  uint32_t LevelHeight(uint32_t level) const;
  uint32_t LevelPitch(uint32_t level) const { return LevelWidth(level) * FormatBytesPerPixel(Format); }
  void Release() { delete this; }

  const uint32_t Width, Height;
  const D3DFORMAT Format;
  // Empty for a level not made yet or held by the backend alone.
  std::vector<std::vector<uint8_t>> LevelBytes;
  uint32_t Version = 0;        // raised by every UnlockRect
  bool MipsGenerated = false;  // the loader fills every level itself
  // Levels whose making is put off, one bit each, and what makes them: called for one of
  // them, it fills that level's bytes (it may fill others too, clearing their bits).
  uint32_t Deferred = 0;
  std::function<void(Texture&, uint32_t level)> MakeLevel;
  std::unique_ptr<BackendData> Backend;
};

// Releases a resource and empties the reference, as every release in the game does.
template <class T>
void SafeRelease(T*& p) {
  if (p) {
    p->Release();
    p = nullptr;
  }
}

class Device {
 public:
  virtual ~Device() = default;
  void Release() { delete this; }

  virtual HRESULT Clear(uint32_t count, const void* rects, uint32_t flags, D3DCOLOR color,
                        float z, uint32_t stencil) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Present(const void* src, const void* dst, void* window, const void* dirty) = 0;

  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) = 0;
  virtual HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                       uint32_t value) = 0;
  virtual HRESULT SetTexture(uint32_t stage, Texture* texture) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL8* material) = 0;
  virtual HRESULT SetLight(uint32_t index, const D3DLIGHT8* light) = 0;
  virtual HRESULT LightEnable(uint32_t index, bool enable) = 0;
  virtual HRESULT SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) = 0;
  virtual HRESULT SetVertexShader(uint32_t fvf) = 0;
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex,
                                uint32_t primitiveCount) = 0;

  // Beyond Direct3D 8, for the benchmarks and the screenshot harness. Finish returns once
  // everything drawn so far is in the back buffer. ReadBackBuffer gives it as width x
  // height RGB pixels, top row first; call it before Present, after which the back
  // buffer's contents are undefined.
  virtual HRESULT Finish() = 0;
  virtual HRESULT ReadBackBuffer(std::vector<uint8_t>& rgb, int& width, int& height) = 0;

  // A static layer: a picture-sized colour and depth buffer that keeps what does not move
  // between frames. Between BeginStaticLayer and EndStaticLayer every draw and clear goes
  // into the layer; DrawStaticLayer copies its colour and depth onto the frame. A backend
  // without one answers D3DERR_NOTAVAILABLE, and the caller draws in full.
  virtual HRESULT BeginStaticLayer() { return D3DERR_NOTAVAILABLE; }
  virtual HRESULT EndStaticLayer() { return D3DERR_NOTAVAILABLE; }
  virtual HRESULT DrawStaticLayer() { return D3DERR_NOTAVAILABLE; }

  // Resources are plain memory; a backend may refuse a size or format it cannot serve.
  virtual HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                     VertexBuffer** out);
  virtual HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                D3DFORMAT format, uint32_t pool, Texture** out);
};

// The IDirect3D8 object: format queries and device creation.
class Direct3D {
 public:
  virtual ~Direct3D() = default;
  void Release() { delete this; }

  virtual HRESULT CheckDeviceType(uint32_t adapter, uint32_t deviceType, D3DFORMAT displayFormat,
                                  D3DFORMAT backBufferFormat, bool windowed) = 0;
  virtual HRESULT CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, D3DFORMAT adapterFormat,
                                    uint32_t usage, uint32_t resourceType,
                                    D3DFORMAT checkFormat) = 0;
  virtual HRESULT GetAdapterDisplayMode(uint32_t adapter, D3DDISPLAYMODE* mode) = 0;
  virtual HRESULT CreateDevice(uint32_t adapter, uint32_t deviceType, void* focusWindow,
                               uint32_t behaviourFlags, D3DPRESENT_PARAMETERS* params,
                               Device** out) = 0;
};

}  // namespace zolvane
