// The OpenGL device's insides, shared by its source files: gl_device.cpp (creation, the
// frame and the draw path), gl_textures.cpp, gl_buffers.cpp and gl_lights.cpp (lights,
// material and the other states). Nothing outside platform/gl includes this.
#pragma once
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/gl/gl_device.h"
#include "platform/picture_rect.h"

namespace zolvane {

class GLDevice;

namespace gldevice {

// D3D8 values the drawing code may use that platform/d3d8.h does not name.
constexpr uint32_t kRsAlphaRef = 24, kRsAlphaFunc = 25, kRsTextureFactor = 60,
                   kRsLocalViewer = 142;
constexpr uint32_t kCmpNever = 1, kCmpLessEqual = 4, kCmpAlways = 8;
constexpr uint32_t kTopModulate2x = 5, kTopModulate4x = 6, kTopAdd = 7, kTopAddSigned = 8,
                   kTopAddSigned2x = 9, kTopSubtract = 10;
constexpr uint32_t kTaTFactor = 3, kTaSpecular = 4, kTaSelectMask = 0x0F, kTaComplement = 0x10,
                   kTaAlphaReplicate = 0x20;
constexpr uint32_t kFvfXyzRhw = 0x004, kFvfPositionMask = 0x00E, kFvfTexCountMask = 0xF00;
constexpr uint32_t kMaxRenderState = 256, kMaxStageState = 32, kStages = 8, kGLLights = 8;

// Entry points beyond OpenGL 1.1, looked up once the first context exists.
struct GLEntryPoints {
  bool Loaded = false;
  PFNGLGENBUFFERSPROC GenBuffers = nullptr;
  PFNGLDELETEBUFFERSPROC DeleteBuffers = nullptr;
  PFNGLBINDBUFFERPROC BindBuffer = nullptr;
  PFNGLBUFFERDATAPROC BufferData = nullptr;
  PFNGLGENERATEMIPMAPPROC GenerateMipmap = nullptr;
  PFNGLPROVOKINGVERTEXPROC ProvokingVertex = nullptr;
  bool Bgra = false;  // colour arrays in D3D's byte order
  // The static layer's framebuffer; null where FBOs or Mesa's flip_y are missing.
  PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
  PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
  PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
  PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
  PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
  PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;
  PFNGLFRAMEBUFFERPARAMETERIPROC FramebufferParameteri = nullptr;
  bool Layers() const {
    return GenFramebuffers && DeleteFramebuffers && BindFramebuffer && GenRenderbuffers &&
           DeleteRenderbuffers && BindRenderbuffer && RenderbufferStorage &&
           FramebufferRenderbuffer && CheckFramebufferStatus && BlitFramebuffer &&
           FramebufferParameteri;
  }
  bool Buffers() const { return GenBuffers && DeleteBuffers && BindBuffer && BufferData; }
};
extern GLEntryPoints GL;

// Looks up the static layer's entry points (gl_layers.cpp); the context is current.
void LoadLayerEntryPoints();

// Every backend object gets a serial number: GL reuses names after a delete, so "this
// texture is bound" is remembered by serial, never by GL name.
extern uint64_t NextSerial;

struct Sphere {
  float X, Y, Z, R;
};

struct GLBufferData : BackendData {
  SDL_GLContext Context = nullptr;
  std::shared_ptr<const bool> ContextAlive;
  GLuint Name = 0;
  uint32_t Version = 0;
  size_t UploadedSize = 0;
  bool Uploaded = false;
  uint64_t Serial = NextSerial++;
  // Bounds of vertex ranges drawn from this buffer, for the light range test.
  uint32_t BoundsVersion = 0;
  std::unordered_map<uint64_t, Sphere> Bounds;
  ~GLBufferData() override {
    if (!*ContextAlive || SDL_GL_GetCurrentContext() != Context) return;
    if (Name) GL.DeleteBuffers(1, &Name);
  }
};

struct GLTextureData : BackendData {
  SDL_GLContext Context = nullptr;
  std::shared_ptr<const bool> ContextAlive;
  GLuint Name = 0;
  uint32_t Version = 0;
  bool Uploaded = false;
  bool Usable = false;  // a format GL can take
  GLint MinFilter = -1, MagFilter = -1, MaxLevel = -1;
  uint64_t Serial = NextSerial++;
  uint32_t InGL = 0;  // levels GL has, one bit each
  uint32_t Held = 0;  // levels whose only copy is GL's
  GLDevice* Owner = nullptr;  // set while GL alone holds levels: gives them back
  Texture* Tex = nullptr;     // the texture this belongs to
  bool RestoreLevel(Texture& texture, uint32_t level) override;
  ~GLTextureData() override;
};

struct GLTexFormat {
  GLint Internal;
  GLenum Format, Type;
};

bool TextureFormatToGL(D3DFORMAT f, GLTexFormat& out);
uint32_t VertexSize(uint32_t fvf);
void ColourToFloats(D3DCOLOR c, GLfloat out[4]);

inline void Put(GLfloat out[4], const D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

inline constexpr D3DMATRIX kIdentity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

struct CombineSetup {
  GLint Rgb, RgbSrc0, RgbOp0, RgbSrc1, RgbOp1, RgbScale;
  GLint Alpha, AlphaSrc0, AlphaOp0, AlphaSrc1, AlphaOp1, AlphaScale;
  D3DCOLOR Factor;
  bool operator==(const CombineSetup& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

}  // namespace gldevice

class GLDevice : public Device {
 public:
  GLDevice(SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& pp,
           int depthBits);
  ~GLDevice() override;

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
  HRESULT ReadBackBuffer(std::vector<uint8_t>& rgb, int& width, int& height) override;
  HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                             VertexBuffer** out) override;
  HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                        D3DFORMAT format, uint32_t pool, Texture** out) override;

  HRESULT BeginStaticLayer() override;
  HRESULT EndStaticLayer() override;
  HRESULT DrawStaticLayer() override;

  void Invalidate();
  void DrawableSize(int& w, int& h) const;
  PixelRect PictureNow() const;

 private:
  using Sphere = gldevice::Sphere;
  using GLBufferData = gldevice::GLBufferData;
  using GLTextureData = gldevice::GLTextureData;
  static constexpr uint32_t kMaxRenderState = gldevice::kMaxRenderState,
                            kMaxStageState = gldevice::kMaxStageState,
                            kStages = gldevice::kStages, kGLLights = gldevice::kGLLights;

  void MakeCurrent();
  void UpdateViewport();
  void SetViewport();
  bool MakeLayer(int width, int height);
  void FreeLayer();
  void PaintBars();
  bool PrepareBuffer(VertexBuffer* vb, GLBufferData*& data);
  GLTextureData* PrepareTexture(Texture* tex, bool mips);
  void UploadLevel(Texture* tex, GLTextureData* data, uint32_t level,
                   const gldevice::GLTexFormat& f);
  void SetMaxLevel(GLTextureData* data, GLint level);
  bool RestoreTextureLevel(Texture& tex, GLTextureData& data, uint32_t level);
  void GiveBackTextures();
  friend struct gldevice::GLTextureData;
  void ApplyRenderStates();
  void ApplyTextureStage();
  void ApplyStageTexture();
  void ApplyMaterialAndColour(bool vertexHasDiffuse);
  void ApplyArrays(GLBufferData* data);
  void ApplyLights(uint32_t firstVertex, uint32_t vertexCount, GLBufferData* data);
  void ApplyMatrices();
  bool LightReaches(const D3DLIGHT8& light, const Sphere& world) const;
  Sphere DrawBounds(uint32_t first, uint32_t count, GLBufferData* data);

  template <class T>
  static bool Changed(T& applied, const T& wanted) {
    if (applied == wanted) return false;
    applied = wanted;
    return true;
  }
  static void Enable(GLenum cap, bool on) { on ? glEnable(cap) : glDisable(cap); }

  SDL_Window* Window;
  SDL_GLContext Context;
  std::shared_ptr<const bool> ContextAlive;
  // The drawable's size and the picture's place in it, as the viewport was last set.
  int DrawW = -1, DrawH = -1;
  PixelRect Picture;
  bool BarsBlack = false;  // the bars around the picture are black in this back buffer
  int DepthBits;
  bool InScene = false;
  GLint MaxTextureSize = 2048;

  // D3D state as set.
  uint32_t RS[kMaxRenderState];
  uint32_t TSS[kStages][kMaxStageState];
  Texture* Tex[kStages] = {};
  D3DMATRIX World = gldevice::kIdentity, View = gldevice::kIdentity,
            Projection = gldevice::kIdentity;
  uint64_t WorldSerial = 1, ViewSerial = 1, ProjectionSerial = 1;
  D3DMATERIAL8 Material{};
  std::map<uint32_t, D3DLIGHT8> Lights;
  uint64_t LightSerial[kGLLights] = {};
  bool LightOn[kGLLights] = {};
  VertexBuffer* Stream = nullptr;
  uint32_t Stride = 0, FVF = 0;

  // What GL holds now; sentinel values force the first application.
  struct Applied {
    int DepthTest = -1, DepthMask = -1, Cull = -1, Blend = -1, AlphaTest = -1, Lighting = -1,
        Normalize = -1, LocalViewer = -1, Dither = -1;
    GLenum DepthFunc = 0, FrontFace = 0, PolygonMode = 0, ShadeModel = 0, BlendSrc = 0,
           BlendDst = 0, AlphaFunc = 0;
    float AlphaRef = -1;
    int64_t Ambient = -1;
    gldevice::CombineSetup Combine{};
    bool CombineValid = false;
    uint64_t Texture = 0;
    int ColorMaterial = -2;  // -1 off, else the GL face property tracked
    bool MaterialValid = false;
    D3DMATERIAL8 Material{};
    bool SpecularOn = false;
    uint64_t ArraysSerial = 0;
    uint32_t ArraysFVF = 0, ArraysStride = 0;
    int LightEnabled[kGLLights] = {-1, -1, -1, -1, -1, -1, -1, -1};
    uint64_t LightSerial[kGLLights] = {};
    uint64_t LightView[kGLLights] = {};
    uint64_t ModelWorld = 0, ModelView = 0, Projection = 0;
  } A;

  // Textures with levels whose only copy is in this device's GL.
  std::unordered_set<GLTextureData*> Holding;
  // The static layer (gl_layers.cpp): a framebuffer at the picture's size.
  struct Layer {
    GLuint Framebuffer = 0, Colour = 0, Depth = 0;
    int Width = 0, Height = 0;
    bool Drawing = false;  // between BeginStaticLayer and EndStaticLayer
    bool Broken = false;   // GL refused it once: never tried again
  } L;
  GLuint WhiteTexture = 0;
  uint64_t WhiteSerial = gldevice::NextSerial++;
};

}  // namespace zolvane
