// A device that draws nothing: it keeps the D3D state as the real device would and records
// every call, so that drawing code can be checked without a display.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/device.h"

namespace zolvane {

// The state a draw call was made with.
struct DrawSnapshot {
  D3DPRIMITIVETYPE Type;
  uint32_t StartVertex, PrimitiveCount;
  VertexBuffer* Stream;
  uint32_t Stride, FVF;
  Texture* Texture0;
  D3DMATRIX World;
  D3DMATERIAL8 Material;
  std::map<uint32_t, uint32_t> RenderStates;
  std::map<uint32_t, uint32_t> Stage0States;
  bool LightEnabled[8];
  // The vertex bytes drawn (copied, since quads are rewritten between draws).
  std::vector<uint8_t> Vertices;
  bool InLayer = false;  // drawn into the static layer

  uint32_t RenderState(uint32_t s) const { return RenderStates.at(s); }
  uint32_t Stage0(uint32_t s) const { return Stage0States.at(s); }
};

struct RecordedCall {
  std::string Op;               // "Clear", "SetRenderState", "DrawPrimitive", ...
  std::vector<uint32_t> Args;   // integral arguments in call order
  const void* Object = nullptr; // texture, buffer or matrix owner where one is passed
  D3DMATRIX Matrix{};           // SetTransform
  int DrawIndex = -1;           // index into Draws for DrawPrimitive
};

class RecordingDevice : public Device {
 public:
  RecordingDevice();

  HRESULT Clear(uint32_t count, const void* rects, uint32_t flags, D3DCOLOR color, float z,
                uint32_t stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const void*, const void*, void*, const void*) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) override;
  HRESULT SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                               uint32_t value) override;
  HRESULT SetTexture(uint32_t stage, Texture* texture) override;
  HRESULT SetMaterial(const D3DMATERIAL8* material) override;
  HRESULT SetLight(uint32_t index, const D3DLIGHT8* light) override;
  HRESULT LightEnable(uint32_t index, bool enable) override;
  HRESULT SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) override;
  HRESULT SetVertexShader(uint32_t fvf) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex,
                        uint32_t primitiveCount) override;
  HRESULT Finish() override;
  // Nothing is drawn, so there is nothing to read: D3DERR_NOTAVAILABLE and no pixels.
  HRESULT ReadBackBuffer(std::vector<uint8_t>& rgb, int& width, int& height) override;
  // Recorded like the rest. Until a test sets LayersAvailable they answer as a backend
  // without a layer, so drawing code draws in full. Draws between the begin and the end
  // are flagged InLayer.
  HRESULT BeginStaticLayer() override;
  HRESULT EndStaticLayer() override;
  HRESULT DrawStaticLayer() override;

  // Forget the calls, keep the state (state persists across frames, as on the real device).
  void ClearLog() {
    Calls.clear();
    Draws.clear();
  }
  // Names of the calls in order, e.g. for checking a sequence.
  std::vector<std::string> Ops() const;

  std::vector<RecordedCall> Calls;
  std::vector<DrawSnapshot> Draws;

  // Current state.
  std::map<uint32_t, uint32_t> RenderStates;
  std::map<uint32_t, uint32_t> Stage0States;
  std::map<uint32_t, D3DMATRIX> Transforms;
  std::map<uint32_t, D3DLIGHT8> Lights;
  bool LightEnabled[8] = {};
  D3DMATERIAL8 Material{};
  Texture* Textures[8] = {};
  VertexBuffer* Stream = nullptr;
  uint32_t Stride = 0;
  uint32_t FVF = 0;
  int ScenesBegun = 0, ScenesEnded = 0, Presents = 0;
  bool LayersAvailable = false;
  bool InLayer = false;
};

}  // namespace zolvane

namespace zolvane {

// A Direct3D object that makes recording devices; formats and failures are set by tests.
class RecordingDirect3D : public Direct3D {
 public:
  HRESULT CheckDeviceType(uint32_t adapter, uint32_t deviceType, D3DFORMAT displayFormat,
                          D3DFORMAT backBufferFormat, bool windowed) override;
  HRESULT CheckDeviceFormat(uint32_t adapter, uint32_t deviceType, D3DFORMAT adapterFormat,
                            uint32_t usage, uint32_t resourceType, D3DFORMAT checkFormat) override;
  HRESULT GetAdapterDisplayMode(uint32_t adapter, D3DDISPLAYMODE* mode) override;
  HRESULT CreateDevice(uint32_t adapter, uint32_t deviceType, void* focusWindow,
                       uint32_t behaviourFlags, D3DPRESENT_PARAMETERS* params,
                       Device** out) override;

  std::vector<D3DFORMAT> DisplayFormats{D3DFMT_R5G6B5, D3DFMT_X8R8G8B8};
  std::vector<D3DFORMAT> TextureFormats{D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A4R4G4B4};
  D3DDISPLAYMODE DesktopMode{1024, 768, 60, D3DFMT_X8R8G8B8};
  HRESULT CreateDeviceResult = D3D_OK;
  D3DPRESENT_PARAMETERS LastParams{};
  int DevicesCreated = 0;
};

}  // namespace zolvane
