#include "platform/sdl/gl_device.h"

#include <SDL_opengl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/sdl/window.h"

namespace zolvane {

namespace {

// D3D8 values the drawing code may use that platform/d3d8.h does not name.
constexpr uint32_t kRsAlphaRef = 24, kRsAlphaFunc = 25, kRsTextureFactor = 60,
                   kRsLocalViewer = 142;
constexpr uint32_t kCmpNever = 1, kCmpLessEqual = 4, kCmpAlways = 8;
constexpr uint32_t kTopModulate2x = 5, kTopModulate4x = 6, kTopAdd = 7, kTopAddSigned = 8,
                   kTopAddSigned2x = 9, kTopSubtract = 10;
constexpr uint32_t kTaTFactor = 3, kTaSpecular = 4, kTaSelectMask = 0x0F, kTaComplement = 0x10,
                   kTaAlphaReplicate = 0x20;
constexpr uint32_t kFvfXyzRhw = 0x004, kFvfPositionMask = 0x00E, kFvfTexCountMask = 0xF00;
constexpr uint32_t kClearStencil = 4;
constexpr uint32_t kDevTypeRef = 2;
constexpr uint32_t kUsageDepthStencil = 2;
constexpr uint32_t kRTypeSurface = 1;
constexpr uint32_t kMaxRenderState = 256, kMaxStageState = 32, kStages = 8, kGLLights = 8;

struct D3DRECT {
  int32_t x1, y1, x2, y2;
};

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
  bool Buffers() const { return GenBuffers && DeleteBuffers && BindBuffer && BufferData; }
};
GLEntryPoints GL;

bool LoadEntryPoints() {
  if (GL.Loaded) return GL.Buffers();
  auto get = [](const char* name) { return SDL_GL_GetProcAddress(name); };
  GL.GenBuffers = reinterpret_cast<PFNGLGENBUFFERSPROC>(get("glGenBuffers"));
  GL.DeleteBuffers = reinterpret_cast<PFNGLDELETEBUFFERSPROC>(get("glDeleteBuffers"));
  GL.BindBuffer = reinterpret_cast<PFNGLBINDBUFFERPROC>(get("glBindBuffer"));
  GL.BufferData = reinterpret_cast<PFNGLBUFFERDATAPROC>(get("glBufferData"));
  int major = 0, minor = 0;
  if (const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
    std::sscanf(v, "%d.%d", &major, &minor);
  const bool gl30 = major >= 3, gl32 = major > 3 || (major == 3 && minor >= 2);
  if (gl30 || SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object"))
    GL.GenerateMipmap = reinterpret_cast<PFNGLGENERATEMIPMAPPROC>(get("glGenerateMipmap"));
  if (gl32 || SDL_GL_ExtensionSupported("GL_ARB_provoking_vertex"))
    GL.ProvokingVertex = reinterpret_cast<PFNGLPROVOKINGVERTEXPROC>(get("glProvokingVertex"));
  GL.Bgra = gl32 || SDL_GL_ExtensionSupported("GL_ARB_vertex_array_bgra") ||
            SDL_GL_ExtensionSupported("GL_EXT_vertex_array_bgra");
  GL.Loaded = true;
  return GL.Buffers();
}

// Every backend object gets a serial number: GL reuses names after a delete, so "this
// texture is bound" is remembered by serial, never by GL name.
uint64_t NextSerial = 1;

struct Sphere {
  float X, Y, Z, R;
};

struct GLBufferData : BackendData {
  SDL_GLContext Context = nullptr;
  std::shared_ptr<const bool> ContextAlive;
  GLuint Name = 0;
  uint32_t Version = 0;
  bool Uploaded = false;
  uint64_t Serial = NextSerial++;
  // Bounds of vertex ranges drawn from this buffer, for the light range test.
  uint32_t BoundsVersion = 0;
  std::unordered_map<uint64_t, Sphere> Bounds;
  ~GLBufferData() override {
    if (Name && *ContextAlive && SDL_GL_GetCurrentContext() == Context) GL.DeleteBuffers(1, &Name);
  }
};

struct GLTextureData : BackendData {
  SDL_GLContext Context = nullptr;
  std::shared_ptr<const bool> ContextAlive;
  GLuint Name = 0;
  uint32_t Version = 0;
  bool Uploaded = false;
  bool Usable = false;  // a format GL can take
  GLint MinFilter = -1, MagFilter = -1;
  uint64_t Serial = NextSerial++;
  ~GLTextureData() override {
    if (Name && *ContextAlive && SDL_GL_GetCurrentContext() == Context) glDeleteTextures(1, &Name);
  }
};

struct GLTexFormat {
  GLint Internal;
  GLenum Format, Type;
};

bool TextureFormatToGL(D3DFORMAT f, GLTexFormat& out) {
  switch (f) {
    case D3DFMT_A8R8G8B8: out = {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV}; return true;
    case D3DFMT_X8R8G8B8: out = {GL_RGB8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV}; return true;
    case D3DFMT_R5G6B5: out = {GL_RGB5, GL_RGB, GL_UNSIGNED_SHORT_5_6_5}; return true;
    case D3DFMT_X1R5G5B5: out = {GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}; return true;
    case D3DFMT_A1R5G5B5: out = {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV}; return true;
    case D3DFMT_A4R4G4B4: out = {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV}; return true;
    default: return false;
  }
}

bool IsDepthFormat(D3DFORMAT f) { return f >= 70 && f <= 80; }  // D16_LOCKABLE .. D16

D3DFORMAT DisplayFormatOf(Uint32 sdlFormat) {
  switch (sdlFormat) {
    case SDL_PIXELFORMAT_RGB565: return D3DFMT_R5G6B5;
    case SDL_PIXELFORMAT_RGB555: return D3DFMT_X1R5G5B5;
    case SDL_PIXELFORMAT_ARGB1555: return D3DFMT_A1R5G5B5;
    default: return SDL_BITSPERPIXEL(sdlFormat) >= 24 ? D3DFMT_X8R8G8B8 : D3DFMT_UNKNOWN;
  }
}

// The formats a back buffer may have over a display format: itself or its alpha twin.
bool BackBufferFits(D3DFORMAT display, D3DFORMAT back) {
  if (back == display) return true;
  return (display == D3DFMT_X8R8G8B8 && back == D3DFMT_A8R8G8B8) ||
         (display == D3DFMT_X1R5G5B5 && back == D3DFMT_A1R5G5B5);
}

GLenum CompareToGL(uint32_t f) {
  static const GLenum table[] = {GL_NEVER,   GL_NEVER,    GL_LESS,   GL_EQUAL, GL_LEQUAL,
                                 GL_GREATER, GL_NOTEQUAL, GL_GEQUAL, GL_ALWAYS};
  return f >= kCmpNever && f <= kCmpAlways ? table[f] : GL_ALWAYS;
}

GLenum BlendToGL(uint32_t b) {
  switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case 7: return GL_DST_ALPHA;
    case 8: return GL_ONE_MINUS_DST_ALPHA;
    case 9: return GL_DST_COLOR;
    case 10: return GL_ONE_MINUS_DST_COLOR;
    case 11: return GL_SRC_ALPHA_SATURATE;
    default: return GL_ONE;
  }
}

void ColourToFloats(D3DCOLOR c, GLfloat out[4]) {
  out[0] = ((c >> 16) & 0xFF) / 255.0f;
  out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f;
  out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

void Put(GLfloat out[4], const D3DCOLORVALUE& c) {
  out[0] = c.r;
  out[1] = c.g;
  out[2] = c.b;
  out[3] = c.a;
}

// Row-vector product a * b (a applied first).
D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX out{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      float s = 0;
      for (int k = 0; k < 4; ++k) s += a.m[i][k] * b.m[k][j];
      out.m[i][j] = s;
    }
  return out;
}

const D3DMATRIX kIdentity = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};

uint32_t VertexSize(uint32_t fvf) {
  uint32_t size = 0;
  if ((fvf & kFvfPositionMask) == D3DFVF_XYZ) size += 12;
  if ((fvf & kFvfPositionMask) == kFvfXyzRhw) size += 16;
  if (fvf & D3DFVF_NORMAL) size += 12;
  if (fvf & D3DFVF_DIFFUSE) size += 4;
  if (fvf & D3DFVF_SPECULAR) size += 4;
  size += 8 * ((fvf & kFvfTexCountMask) >> 8);
  return size;
}

struct CombineSetup {
  GLint Rgb, RgbSrc0, RgbOp0, RgbSrc1, RgbOp1, RgbScale;
  GLint Alpha, AlphaSrc0, AlphaOp0, AlphaSrc1, AlphaOp1, AlphaScale;
  D3DCOLOR Factor;
  bool operator==(const CombineSetup& o) const { return std::memcmp(this, &o, sizeof o) == 0; }
};

// Stage 0's D3D argument as a GL_COMBINE source and operand. At stage 0 "current" is the
// diffuse colour; the vertex's specular colour is not a separate input here and stands
// in as diffuse.
void ArgToGL(uint32_t arg, bool alpha, GLint& src, GLint& op) {
  switch (arg & kTaSelectMask) {
    case D3DTA_TEXTURE: src = GL_TEXTURE; break;
    case kTaTFactor: src = GL_CONSTANT; break;
    case D3DTA_DIFFUSE:
    case D3DTA_CURRENT:
    case kTaSpecular:
    default: src = GL_PRIMARY_COLOR; break;
  }
  const bool complement = (arg & kTaComplement) != 0;
  if (alpha || (arg & kTaAlphaReplicate))
    op = complement ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
  else
    op = complement ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

void OpToGL(uint32_t op, uint32_t arg1, uint32_t arg2, bool alpha, GLint& mode, GLint& src0,
            GLint& op0, GLint& src1, GLint& op1, GLint& scale) {
  scale = 1;
  uint32_t a0 = arg1, a1 = arg2;
  switch (op) {
    case D3DTOP_DISABLE: mode = GL_REPLACE; a0 = a1 = D3DTA_DIFFUSE; break;
    case D3DTOP_SELECTARG1: mode = GL_REPLACE; break;
    case D3DTOP_SELECTARG2: mode = GL_REPLACE; a0 = arg2; break;
    case kTopModulate2x: mode = GL_MODULATE; scale = 2; break;
    case kTopModulate4x: mode = GL_MODULATE; scale = 4; break;
    case kTopAdd: mode = GL_ADD; break;
    case kTopAddSigned: mode = GL_ADD_SIGNED; break;
    case kTopAddSigned2x: mode = GL_ADD_SIGNED; scale = 2; break;
    case kTopSubtract: mode = GL_SUBTRACT; break;
    case D3DTOP_MODULATE:
    default: mode = GL_MODULATE; break;  // the blends the game never asks for
  }
  ArgToGL(a0, alpha, src0, op0);
  ArgToGL(a1, alpha, src1, op1);
}

}  // namespace

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
  HRESULT CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                             VertexBuffer** out) override;
  HRESULT CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                        D3DFORMAT format, uint32_t pool, Texture** out) override;

  void Invalidate();
  void DrawableSize(int& w, int& h) const;
  int BackWidth() const { return BackBufferWidth; }
  int BackHeight() const { return BackBufferHeight; }

 private:
  void MakeCurrent();
  void UpdateViewport();
  bool PrepareBuffer(VertexBuffer* vb, GLBufferData*& data);
  GLTextureData* PrepareTexture(Texture* tex);
  void ApplyRenderStates();
  void ApplyTextureStage();
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
  int BackBufferWidth, BackBufferHeight;
  int ViewportW = 0, ViewportH = 0;
  int DepthBits;
  bool InScene = false;
  GLint MaxTextureSize = 2048;

  // D3D state as set.
  uint32_t RS[kMaxRenderState];
  uint32_t TSS[kStages][kMaxStageState];
  Texture* Tex[kStages] = {};
  D3DMATRIX World = kIdentity, View = kIdentity, Projection = kIdentity;
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
    CombineSetup Combine{};
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

  GLuint WhiteTexture = 0;
  uint64_t WhiteSerial = NextSerial++;
};

GLDevice::GLDevice(SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& pp,
                   int depthBits)
    : Window(window),
      Context(context),
      ContextAlive(GameWindowContextAlive(window)),
      BackBufferWidth(static_cast<int>(pp.BackBufferWidth)),
      BackBufferHeight(static_cast<int>(pp.BackBufferHeight)),
      DepthBits(pp.EnableAutoDepthStencil ? depthBits : 0) {
  if (BackBufferWidth <= 0 || BackBufferHeight <= 0) DrawableSize(BackBufferWidth, BackBufferHeight);

  // Direct3D 8's device defaults, not OpenGL's.
  std::fill(std::begin(RS), std::end(RS), 0u);
  RS[D3DRS_ZENABLE] = pp.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  RS[D3DRS_FILLMODE] = D3DFILL_SOLID;
  RS[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  RS[D3DRS_ZWRITEENABLE] = 1;
  RS[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  RS[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  RS[D3DRS_CULLMODE] = D3DCULL_CCW;
  RS[D3DRS_ZFUNC] = kCmpLessEqual;
  RS[kRsAlphaFunc] = kCmpAlways;
  RS[kRsTextureFactor] = 0xFFFFFFFFu;
  RS[D3DRS_LIGHTING] = 1;
  RS[D3DRS_COLORVERTEX] = 1;
  RS[kRsLocalViewer] = 1;
  RS[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  RS[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  RS[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  RS[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  for (uint32_t s = 0; s < kStages; ++s) {
    std::fill(std::begin(TSS[s]), std::end(TSS[s]), 0u);
    TSS[s][D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    TSS[s][D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    TSS[s][D3DTSS_COLORARG2] = D3DTA_CURRENT;
    TSS[s][D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    TSS[s][D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    TSS[s][D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    TSS[s][D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    TSS[s][D3DTSS_MINFILTER] = D3DTEXF_POINT;
    TSS[s][D3DTSS_MIPFILTER] = D3DTEXF_NONE;
  }

  MakeCurrent();
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &MaxTextureSize);

  // With no texture set, a stage's texture argument is opaque white.
  const uint32_t white = 0xFFFFFFFFu;
  glGenTextures(1, &WhiteTexture);
  glBindTexture(GL_TEXTURE_2D, WhiteTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_BYTE, &white);
  Invalidate();
}

GLDevice::~GLDevice() {
  if (*ContextAlive && SDL_GL_GetCurrentContext() == Context && WhiteTexture)
    glDeleteTextures(1, &WhiteTexture);
}

void GLDevice::MakeCurrent() {
  if (SDL_GL_GetCurrentContext() != Context) SDL_GL_MakeCurrent(Window, Context);
}

void GLDevice::DrawableSize(int& w, int& h) const { SDL_GL_GetDrawableSize(Window, &w, &h); }

void GLDevice::UpdateViewport() {
  // The back buffer is presented stretched over the window, as D3D does when the sizes
  // differ; drawing straight into the whole drawable gives the same picture.
  int w = 0, h = 0;
  DrawableSize(w, h);
  if (w != ViewportW || h != ViewportH) {
    ViewportW = w;
    ViewportH = h;
    glViewport(0, 0, w, h);
  }
}

// Puts GL into a known state and forgets what was applied, so that the next draw sets
// everything from the D3D state.
void GLDevice::Invalidate() {
  MakeCurrent();
  A = Applied{};
  ViewportW = ViewportH = -1;
  UpdateViewport();
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_FOG);
  glDisable(GL_STENCIL_TEST);
  glDisable(GL_COLOR_LOGIC_OP);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthRange(0.0, 1.0);
  glCullFace(GL_BACK);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
  // D3D adds the specular colour after the texture stages.
  glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, GL_SEPARATE_SPECULAR_COLOR);
  if (GL.ProvokingVertex) GL.ProvokingVertex(GL_FIRST_VERTEX_CONVENTION);  // D3D flat shading
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glEnableClientState(GL_VERTEX_ARRAY);
  if (GL.BindBuffer) GL.BindBuffer(GL_ARRAY_BUFFER, 0);
}

HRESULT GLDevice::Clear(uint32_t count, const void* rects, uint32_t flags, D3DCOLOR color,
                        float z, uint32_t /*stencil*/) {
  if (flags == 0 || (flags & ~(D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | kClearStencil)))
    return D3DERR_INVALIDCALL;
  if ((flags & D3DCLEAR_ZBUFFER) && DepthBits == 0) return D3DERR_INVALIDCALL;
  if (flags & kClearStencil) return D3DERR_INVALIDCALL;  // never a stencil buffer here
  if (count > 0 && !rects) return D3DERR_INVALIDCALL;
  MakeCurrent();
  UpdateViewport();

  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    GLfloat c[4];
    ColourToFloats(color, c);
    glClearColor(c[0], c[1], c[2], c[3]);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
    // D3D clears depth whatever ZWRITEENABLE says; GL's clear obeys the depth mask.
    if (A.DepthMask != 1) {
      glDepthMask(GL_TRUE);
      A.DepthMask = 1;
    }
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  if (count == 0) {
    glClear(mask);
    return D3D_OK;
  }
  // Rectangles are in D3D's screen coordinates, y down.
  glEnable(GL_SCISSOR_TEST);
  const D3DRECT* r = static_cast<const D3DRECT*>(rects);
  for (uint32_t i = 0; i < count; ++i) {
    const int x1 = std::clamp(r[i].x1, 0, ViewportW), x2 = std::clamp(r[i].x2, 0, ViewportW);
    const int y1 = std::clamp(r[i].y1, 0, ViewportH), y2 = std::clamp(r[i].y2, 0, ViewportH);
    if (x2 <= x1 || y2 <= y1) continue;
    glScissor(x1, ViewportH - y2, x2 - x1, y2 - y1);
    glClear(mask);
  }
  glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT GLDevice::BeginScene() {
  if (InScene) return D3DERR_INVALIDCALL;
  InScene = true;
  MakeCurrent();
  UpdateViewport();
  return D3D_OK;
}

HRESULT GLDevice::EndScene() {
  if (!InScene) return D3DERR_INVALIDCALL;
  InScene = false;
  return D3D_OK;
}

HRESULT GLDevice::Present(const void*, const void*, void*, const void*) {
  MakeCurrent();
  SDL_GL_SwapWindow(Window);
  return D3D_OK;
}

HRESULT GLDevice::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
  if (state >= kMaxRenderState) return D3DERR_INVALIDCALL;
  RS[state] = value;
  return D3D_OK;
}

HRESULT GLDevice::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type,
                                       uint32_t value) {
  if (stage >= kStages || type >= kMaxStageState) return D3DERR_INVALIDCALL;
  TSS[stage][type] = value;
  return D3D_OK;
}

HRESULT GLDevice::SetTexture(uint32_t stage, Texture* texture) {
  if (stage >= kStages) return D3DERR_INVALIDCALL;
  Tex[stage] = texture;
  return D3D_OK;
}

HRESULT GLDevice::SetMaterial(const D3DMATERIAL8* material) {
  if (!material) return D3DERR_INVALIDCALL;
  Material = *material;
  return D3D_OK;
}

HRESULT GLDevice::SetLight(uint32_t index, const D3DLIGHT8* light) {
  if (!light) return D3DERR_INVALIDCALL;
  if (light->Type < D3DLIGHT_POINT || light->Type > D3DLIGHT_DIRECTIONAL) return D3DERR_INVALIDCALL;
  if (light->Range < 0) return D3DERR_INVALIDCALL;
  const D3DVECTOR& d = light->Direction;
  if (light->Type != D3DLIGHT_POINT && d.x == 0 && d.y == 0 && d.z == 0) return D3DERR_INVALIDCALL;
  Lights[index] = *light;
  if (index < kGLLights) LightSerial[index] = NextSerial++;
  return D3D_OK;
}

HRESULT GLDevice::LightEnable(uint32_t index, bool enable) {
  if (index >= kGLLights) return D3DERR_INVALIDCALL;
  if (enable && !Lights.count(index)) {
    // Enabling a light never set gives D3D's default: white, directional, along +z.
    D3DLIGHT8 l{};
    l.Type = D3DLIGHT_DIRECTIONAL;
    l.Diffuse = {1, 1, 1, 0};
    l.Direction = {0, 0, 1};
    Lights[index] = l;
    LightSerial[index] = NextSerial++;
  }
  LightOn[index] = enable;
  return D3D_OK;
}

HRESULT GLDevice::SetStreamSource(uint32_t stream, VertexBuffer* buffer, uint32_t stride) {
  if (stream >= 16) return D3DERR_INVALIDCALL;
  if (stream == 0) {
    Stream = buffer;
    Stride = stride;
  }
  return D3D_OK;
}

HRESULT GLDevice::SetVertexShader(uint32_t fvf) {
  FVF = fvf;
  return D3D_OK;
}

HRESULT GLDevice::SetTransform(D3DTRANSFORMSTATETYPE type, const D3DMATRIX* matrix) {
  if (!matrix) return D3DERR_INVALIDCALL;
  switch (static_cast<uint32_t>(type)) {
    case D3DTS_WORLD: World = *matrix; WorldSerial = NextSerial++; return D3D_OK;
    case D3DTS_VIEW: View = *matrix; ViewSerial = NextSerial++; return D3D_OK;
    case D3DTS_PROJECTION: Projection = *matrix; ProjectionSerial = NextSerial++; return D3D_OK;
    default:
      // Texture matrices and the extra world matrices exist but are never used here.
      if ((type >= 16 && type <= 23) || (type > 256 && type < 512)) return D3D_OK;
      return D3DERR_INVALIDCALL;
  }
}

HRESULT GLDevice::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t fvf, uint32_t pool,
                                     VertexBuffer** out) {
  if (out) *out = nullptr;
  if (fvf != 0 && length < VertexSize(fvf)) return D3DERR_INVALIDCALL;
  return Device::CreateVertexBuffer(length, usage, fvf, pool, out);
}

HRESULT GLDevice::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage,
                                D3DFORMAT format, uint32_t pool, Texture** out) {
  if (out) *out = nullptr;
  GLTexFormat f;
  if (!TextureFormatToGL(format, f)) return D3DERR_INVALIDCALL;
  if (width > static_cast<uint32_t>(MaxTextureSize) || height > static_cast<uint32_t>(MaxTextureSize))
    return D3DERR_INVALIDCALL;
  return Device::CreateTexture(width, height, levels, usage, format, pool, out);
}

bool GLDevice::PrepareBuffer(VertexBuffer* vb, GLBufferData*& data) {
  data = dynamic_cast<GLBufferData*>(vb->Backend.get());
  if (!data || data->Context != Context || !*data->ContextAlive) {
    auto fresh = std::make_unique<GLBufferData>();
    fresh->Context = Context;
    fresh->ContextAlive = ContextAlive;
    GL.GenBuffers(1, &fresh->Name);
    data = fresh.get();
    vb->Backend = std::move(fresh);
  }
  if (data->Uploaded && data->Version == vb->Version) return true;
  GL.BindBuffer(GL_ARRAY_BUFFER, data->Name);
  if (!GL.Bgra && (vb->FVF & D3DFVF_DIFFUSE) && (vb->FVF & kFvfPositionMask) == D3DFVF_XYZ) {
    // No BGRA colour arrays: upload a copy with the colours' red and blue swapped.
    std::vector<uint8_t> copy = vb->Bytes;
    const uint32_t size = VertexSize(vb->FVF);
    const uint32_t off = 12 + ((vb->FVF & D3DFVF_NORMAL) ? 12 : 0);
    for (size_t v = 0; v + size <= copy.size(); v += size) std::swap(copy[v + off], copy[v + off + 2]);
    GL.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(copy.size()), copy.data(), GL_STATIC_DRAW);
  } else {
    GL.BufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vb->Bytes.size()), vb->Bytes.data(),
                  GL_STATIC_DRAW);
  }
  data->Version = vb->Version;
  data->Uploaded = true;
  A.ArraysSerial = 0;  // the binding changed under the array setup
  return true;
}

GLTextureData* GLDevice::PrepareTexture(Texture* tex) {
  auto* data = dynamic_cast<GLTextureData*>(tex->Backend.get());
  if (!data || data->Context != Context || !*data->ContextAlive) {
    auto fresh = std::make_unique<GLTextureData>();
    fresh->Context = Context;
    fresh->ContextAlive = ContextAlive;
    glGenTextures(1, &fresh->Name);
    data = fresh.get();
    tex->Backend = std::move(fresh);
  }
  if (data->Uploaded && data->Version == tex->Version) return data;
  GLTexFormat f;
  data->Usable = TextureFormatToGL(tex->Format, f) && tex->GetLevelCount() > 0;
  data->Version = tex->Version;
  data->Uploaded = true;
  if (!data->Usable) return data;

  glBindTexture(GL_TEXTURE_2D, data->Name);
  A.Texture = data->Serial;
  const uint32_t levels = tex->GetLevelCount();
  // Levels below 0 that nobody wrote are made from level 0 rather than shown as garbage.
  const bool generate = !tex->MipsGenerated && levels > 1;
  const uint32_t upload = generate ? 1 : levels;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
  if (generate && !GL.GenerateMipmap) glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, GL_TRUE);
  for (uint32_t l = 0; l < upload; ++l)
    glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(l), f.Internal,
                 static_cast<GLsizei>(tex->LevelWidth(l)), static_cast<GLsizei>(tex->LevelHeight(l)),
                 0, f.Format, f.Type, tex->LevelBytes[l].data());
  if (generate && GL.GenerateMipmap) GL.GenerateMipmap(GL_TEXTURE_2D);
  return data;
}

void GLDevice::ApplyRenderStates() {
  const int depthTest = RS[D3DRS_ZENABLE] != D3DZB_FALSE && DepthBits > 0;
  if (Changed(A.DepthTest, depthTest)) Enable(GL_DEPTH_TEST, depthTest);
  if (Changed(A.DepthMask, RS[D3DRS_ZWRITEENABLE] ? 1 : 0))
    glDepthMask(A.DepthMask ? GL_TRUE : GL_FALSE);
  if (Changed(A.DepthFunc, CompareToGL(RS[D3DRS_ZFUNC]))) glDepthFunc(A.DepthFunc);

  // D3D's winding is the one seen on screen, as GL's is: culling CCW keeps the clockwise.
  const uint32_t cull = RS[D3DRS_CULLMODE];
  const int cullOn = cull == D3DCULL_CW || cull == D3DCULL_CCW;
  if (Changed(A.Cull, cullOn)) Enable(GL_CULL_FACE, cullOn);
  if (cullOn && Changed(A.FrontFace, static_cast<GLenum>(cull == D3DCULL_CCW ? GL_CW : GL_CCW)))
    glFrontFace(A.FrontFace);

  const uint32_t fill = RS[D3DRS_FILLMODE];
  const GLenum mode = fill == D3DFILL_POINT ? GL_POINT : fill == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL;
  if (Changed(A.PolygonMode, mode)) glPolygonMode(GL_FRONT_AND_BACK, mode);
  if (Changed(A.ShadeModel, static_cast<GLenum>(RS[D3DRS_SHADEMODE] == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH)))
    glShadeModel(A.ShadeModel);

  if (Changed(A.Blend, RS[D3DRS_ALPHABLENDENABLE] ? 1 : 0)) Enable(GL_BLEND, A.Blend);
  if (A.Blend) {
    const GLenum src = BlendToGL(RS[D3DRS_SRCBLEND]), dst = BlendToGL(RS[D3DRS_DESTBLEND]);
    if (src != A.BlendSrc || dst != A.BlendDst) {
      A.BlendSrc = src;
      A.BlendDst = dst;
      glBlendFunc(src, dst);
    }
  }
  if (Changed(A.AlphaTest, RS[D3DRS_ALPHATESTENABLE] ? 1 : 0)) Enable(GL_ALPHA_TEST, A.AlphaTest);
  if (A.AlphaTest) {
    const GLenum func = CompareToGL(RS[kRsAlphaFunc]);
    const float ref = static_cast<float>(RS[kRsAlphaRef] & 0xFF) / 255.0f;
    if (func != A.AlphaFunc || ref != A.AlphaRef) {
      A.AlphaFunc = func;
      A.AlphaRef = ref;
      glAlphaFunc(func, ref);
    }
  }
  if (Changed(A.Dither, RS[D3DRS_DITHERENABLE] ? 1 : 0)) Enable(GL_DITHER, A.Dither);

  if (Changed(A.Lighting, RS[D3DRS_LIGHTING] ? 1 : 0)) Enable(GL_LIGHTING, A.Lighting);
  if (A.Lighting) {
    if (Changed(A.Normalize, RS[D3DRS_NORMALIZENORMALS] ? 1 : 0)) Enable(GL_NORMALIZE, A.Normalize);
    if (Changed(A.LocalViewer, RS[kRsLocalViewer] ? 1 : 0))
      glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, A.LocalViewer);
    if (Changed(A.Ambient, static_cast<int64_t>(RS[D3DRS_AMBIENT]))) {
      GLfloat c[4];
      ColourToFloats(RS[D3DRS_AMBIENT], c);
      glLightModelfv(GL_LIGHT_MODEL_AMBIENT, c);
    }
  }
}

void GLDevice::ApplyTextureStage() {
  const uint32_t* s = TSS[0];
  CombineSetup c{};
  uint32_t colourOp = s[D3DTSS_COLOROP], alphaOp = s[D3DTSS_ALPHAOP];
  if (colourOp == D3DTOP_DISABLE) alphaOp = D3DTOP_DISABLE;  // the whole stage is off
  OpToGL(colourOp, s[D3DTSS_COLORARG1], s[D3DTSS_COLORARG2], false, c.Rgb, c.RgbSrc0, c.RgbOp0,
         c.RgbSrc1, c.RgbOp1, c.RgbScale);
  OpToGL(alphaOp, s[D3DTSS_ALPHAARG1], s[D3DTSS_ALPHAARG2], true, c.Alpha, c.AlphaSrc0,
         c.AlphaOp0, c.AlphaSrc1, c.AlphaOp1, c.AlphaScale);
  c.Factor = RS[kRsTextureFactor];
  if (!A.CombineValid || !(A.Combine == c)) {
    A.Combine = c;
    A.CombineValid = true;
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, c.Rgb);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_RGB, c.RgbSrc0);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, c.RgbOp0);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_RGB, c.RgbSrc1);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, c.RgbOp1);
    glTexEnvi(GL_TEXTURE_ENV, GL_RGB_SCALE, c.RgbScale);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, c.Alpha);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC0_ALPHA, c.AlphaSrc0);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, c.AlphaOp0);
    glTexEnvi(GL_TEXTURE_ENV, GL_SRC1_ALPHA, c.AlphaSrc1);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_ALPHA, c.AlphaOp1);
    glTexEnvi(GL_TEXTURE_ENV, GL_ALPHA_SCALE, c.AlphaScale);
    GLfloat factor[4];
    ColourToFloats(c.Factor, factor);
    glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, factor);
  }

  // The texture, uploaded when its bytes changed, with the stage's filters.
  GLTextureData* data = Tex[0] ? PrepareTexture(Tex[0]) : nullptr;
  if (data && data->Usable) {
    if (Changed(A.Texture, data->Serial)) glBindTexture(GL_TEXTURE_2D, data->Name);
    const uint32_t minF = s[D3DTSS_MINFILTER], mip = s[D3DTSS_MIPFILTER];
    const GLint mag = s[D3DTSS_MAGFILTER] <= D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR;
    GLint min;
    if (mip == D3DTEXF_NONE)
      min = minF <= D3DTEXF_POINT ? GL_NEAREST : GL_LINEAR;
    else if (mip == D3DTEXF_POINT)
      min = minF <= D3DTEXF_POINT ? GL_NEAREST_MIPMAP_NEAREST : GL_LINEAR_MIPMAP_NEAREST;
    else
      min = minF <= D3DTEXF_POINT ? GL_NEAREST_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_LINEAR;
    // Filters are stage state in D3D but texture state in GL.
    if (Changed(data->MinFilter, min)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    if (Changed(data->MagFilter, mag)) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
  } else if (Changed(A.Texture, WhiteSerial)) {
    glBindTexture(GL_TEXTURE_2D, WhiteTexture);
  }
}

void GLDevice::ApplyMaterialAndColour(bool vertexHasDiffuse) {
  // Vertex colours feed lighting as D3D's COLORVERTEX does: the diffuse (and so the lit
  // alpha) from the vertex when it has a colour, the rest from the material.
  int track = -1;
  if (A.Lighting && RS[D3DRS_COLORVERTEX] && vertexHasDiffuse) {
    const bool diffuse = RS[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool ambient = RS[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1;
    const bool emissive = RS[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1;
    // GL tracks one property (or ambient and diffuse together); diffuse wins.
    if (diffuse && ambient) track = GL_AMBIENT_AND_DIFFUSE;
    else if (diffuse) track = GL_DIFFUSE;
    else if (ambient) track = GL_AMBIENT;
    else if (emissive) track = GL_EMISSION;
  }
  if (Changed(A.ColorMaterial, track)) {
    if (track < 0) {
      glDisable(GL_COLOR_MATERIAL);
      A.MaterialValid = false;  // tracking overwrote the material's colours
    } else {
      glColorMaterial(GL_FRONT_AND_BACK, static_cast<GLenum>(track));
      glEnable(GL_COLOR_MATERIAL);
    }
  }
  if (!A.Lighting) return;
  const bool specular = RS[D3DRS_SPECULARENABLE] != 0;
  if (A.MaterialValid && A.SpecularOn == specular &&
      std::memcmp(&A.Material, &Material, sizeof Material) == 0)
    return;
  A.Material = Material;
  A.SpecularOn = specular;
  A.MaterialValid = true;
  GLfloat c[4];
  Put(c, Material.Diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, c);
  Put(c, Material.Ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, c);
  Put(c, Material.Emissive);
  glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, c);
  // Without SPECULARENABLE D3D adds no specular light at all.
  const D3DCOLORVALUE none{0, 0, 0, 0};
  Put(c, specular ? Material.Specular : none);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, c);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(Material.Power, 0.0f, 128.0f));
}

void GLDevice::ApplyArrays(GLBufferData* data) {
  if (A.ArraysSerial == data->Serial && A.ArraysFVF == FVF && A.ArraysStride == Stride) return;
  A.ArraysSerial = data->Serial;
  A.ArraysFVF = FVF;
  A.ArraysStride = Stride;
  GL.BindBuffer(GL_ARRAY_BUFFER, data->Name);
  const GLsizei stride = static_cast<GLsizei>(Stride);
  auto at = [](size_t offset) { return reinterpret_cast<const void*>(offset); };
  size_t offset = 0;
  glVertexPointer(3, GL_FLOAT, stride, at(offset));
  offset += 12;
  if (FVF & D3DFVF_NORMAL) {
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, stride, at(offset));
    offset += 12;
  } else {
    glDisableClientState(GL_NORMAL_ARRAY);
    glNormal3f(0, 0, 0);  // D3D lights a vertex without a normal with ambient light only
  }
  if (FVF & D3DFVF_DIFFUSE) {
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(GL.Bgra ? GL_BGRA : 4, GL_UNSIGNED_BYTE, stride, at(offset));
    offset += 4;
  } else {
    glDisableClientState(GL_COLOR_ARRAY);
    glColor4f(1, 1, 1, 1);  // D3D's default diffuse for vertices without one
  }
  if (FVF & D3DFVF_SPECULAR) offset += 4;  // not used by the fixed pipeline here
  if (FVF & kFvfTexCountMask) {
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, at(offset));
  } else {
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoord2f(0, 0);
  }
}

Sphere GLDevice::DrawBounds(uint32_t first, uint32_t count, GLBufferData* data) {
  if (data->BoundsVersion != Stream->Version) {
    data->Bounds.clear();
    data->BoundsVersion = Stream->Version;
  }
  const uint64_t key = static_cast<uint64_t>(first) << 32 | count;
  auto it = data->Bounds.find(key);
  if (it != data->Bounds.end()) return it->second;
  float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
  const uint8_t* base = Stream->Bytes.data() + static_cast<size_t>(first) * Stride;
  for (uint32_t v = 0; v < count; ++v) {
    float p[3];
    std::memcpy(p, base + static_cast<size_t>(v) * Stride, 12);
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], p[k]);
      hi[k] = std::max(hi[k], p[k]);
    }
  }
  Sphere s{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2, 0};
  float r2 = 0;
  for (uint32_t v = 0; v < count; ++v) {
    float p[3];
    std::memcpy(p, base + static_cast<size_t>(v) * Stride, 12);
    const float dx = p[0] - s.X, dy = p[1] - s.Y, dz = p[2] - s.Z;
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  }
  s.R = std::sqrt(r2);
  if (data->Bounds.size() > 4096) data->Bounds.clear();
  data->Bounds[key] = s;
  return s;
}

// GL lights have no range. A light is switched off for a draw whose vertices all lie
// beyond its range, and left on for one that reaches into it: the cut-off D3D makes per
// vertex is made per draw, which for the unit-sized bricks is nearly the same picture.
bool GLDevice::LightReaches(const D3DLIGHT8& light, const Sphere& s) const {
  if (light.Type == D3DLIGHT_DIRECTIONAL) return true;
  const float dx = s.X - light.Position.x, dy = s.Y - light.Position.y, dz = s.Z - light.Position.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz) - s.R <= light.Range;
}

void GLDevice::ApplyLights(uint32_t firstVertex, uint32_t vertexCount, GLBufferData* data) {
  if (!A.Lighting) return;
  bool haveWorldSphere = false;
  Sphere world{};
  bool needUpdate[kGLLights] = {};
  bool anyUpdate = false;
  for (uint32_t i = 0; i < kGLLights; ++i) {
    int on = LightOn[i] ? 1 : 0;
    if (on) {
      const D3DLIGHT8& l = Lights[i];
      if (l.Type != D3DLIGHT_DIRECTIONAL) {
        if (!haveWorldSphere) {
          const Sphere local = DrawBounds(firstVertex, vertexCount, data);
          const float wx = local.X * World.m[0][0] + local.Y * World.m[1][0] + local.Z * World.m[2][0] + World.m[3][0];
          const float wy = local.X * World.m[0][1] + local.Y * World.m[1][1] + local.Z * World.m[2][1] + World.m[3][1];
          const float wz = local.X * World.m[0][2] + local.Y * World.m[1][2] + local.Z * World.m[2][2] + World.m[3][2];
          float scale = 0;
          for (int r = 0; r < 3; ++r)
            scale = std::max(scale, std::sqrt(World.m[r][0] * World.m[r][0] + World.m[r][1] * World.m[r][1] +
                                              World.m[r][2] * World.m[r][2]));
          world = {wx, wy, wz, local.R * scale};
          haveWorldSphere = true;
        }
        if (!LightReaches(l, world)) on = 0;
      }
    }
    if (on && (A.LightSerial[i] != LightSerial[i] || A.LightView[i] != ViewSerial)) {
      needUpdate[i] = true;
      anyUpdate = true;
    }
    if (Changed(A.LightEnabled[i], on)) Enable(GL_LIGHT0 + i, on);
  }
  if (!anyUpdate) return;
  // Positions and directions are given in world space: GL takes them through the
  // modelview at the time of the call, so the view alone must be loaded then.
  glLoadMatrixf(&View.m[0][0]);
  A.ModelWorld = A.ModelView = 0;
  for (uint32_t i = 0; i < kGLLights; ++i) {
    if (!needUpdate[i]) continue;
    const D3DLIGHT8& l = Lights[i];
    const GLenum id = GL_LIGHT0 + i;
    GLfloat c[4];
    Put(c, l.Ambient);
    glLightfv(id, GL_AMBIENT, c);
    Put(c, l.Diffuse);
    glLightfv(id, GL_DIFFUSE, c);
    Put(c, l.Specular);
    glLightfv(id, GL_SPECULAR, c);
    if (l.Type == D3DLIGHT_DIRECTIONAL) {
      const GLfloat towards[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0};
      glLightfv(id, GL_POSITION, towards);
      glLightf(id, GL_SPOT_CUTOFF, 180);
      glLightf(id, GL_CONSTANT_ATTENUATION, 1);
      glLightf(id, GL_LINEAR_ATTENUATION, 0);
      glLightf(id, GL_QUADRATIC_ATTENUATION, 0);
    } else {
      const GLfloat pos[4] = {l.Position.x, l.Position.y, l.Position.z, 1};
      glLightfv(id, GL_POSITION, pos);
      float a0 = l.Attenuation0, a1 = l.Attenuation1, a2 = l.Attenuation2;
      if (a0 == 0 && a1 == 0 && a2 == 0) a0 = 1;
      glLightf(id, GL_CONSTANT_ATTENUATION, a0);
      glLightf(id, GL_LINEAR_ATTENUATION, a1);
      glLightf(id, GL_QUADRATIC_ATTENUATION, a2);
      if (l.Type == D3DLIGHT_SPOT) {
        // D3D's cone has an inner and an outer angle; GL has one cut-off and an exponent.
        const GLfloat dir[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
        glLightfv(id, GL_SPOT_DIRECTION, dir);
        glLightf(id, GL_SPOT_CUTOFF, std::clamp(l.Phi * 0.5f * 57.29578f, 0.0f, 90.0f));
        glLightf(id, GL_SPOT_EXPONENT, std::clamp(l.Falloff, 0.0f, 128.0f));
      } else {
        glLightf(id, GL_SPOT_CUTOFF, 180);
      }
    }
    A.LightSerial[i] = LightSerial[i];
    A.LightView[i] = ViewSerial;
  }
}

void GLDevice::ApplyMatrices() {
  if (A.Projection != ProjectionSerial) {
    // D3D's clip depth runs 0..w, GL's -w..w: z' = 2z - w.
    D3DMATRIX p = Projection;
    for (int r = 0; r < 4; ++r) p.m[r][2] = 2 * Projection.m[r][2] - Projection.m[r][3];
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(&p.m[0][0]);
    glMatrixMode(GL_MODELVIEW);
    A.Projection = ProjectionSerial;
  }
  if (A.ModelWorld != WorldSerial || A.ModelView != ViewSerial) {
    // Row vectors: a D3D matrix stored row by row is GL's column-major array.
    const D3DMATRIX mv = Multiply(World, View);
    glLoadMatrixf(&mv.m[0][0]);
    A.ModelWorld = WorldSerial;
    A.ModelView = ViewSerial;
  }
}

HRESULT GLDevice::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex,
                                uint32_t primitiveCount) {
  GLenum mode;
  uint64_t vertices;
  switch (type) {
    case D3DPT_POINTLIST: mode = GL_POINTS; vertices = primitiveCount; break;
    case D3DPT_LINELIST: mode = GL_LINES; vertices = 2ull * primitiveCount; break;
    case D3DPT_LINESTRIP: mode = GL_LINE_STRIP; vertices = primitiveCount + 1ull; break;
    case D3DPT_TRIANGLELIST: mode = GL_TRIANGLES; vertices = 3ull * primitiveCount; break;
    case D3DPT_TRIANGLESTRIP: mode = GL_TRIANGLE_STRIP; vertices = primitiveCount + 2ull; break;
    case D3DPT_TRIANGLEFAN: mode = GL_TRIANGLE_FAN; vertices = primitiveCount + 2ull; break;
    default: return D3DERR_INVALIDCALL;
  }
  if (!Stream || Stride == 0) return D3DERR_INVALIDCALL;
  if ((FVF & kFvfPositionMask) != D3DFVF_XYZ || VertexSize(FVF) > Stride) return D3DERR_INVALIDCALL;
  // Never read past the buffer, whatever the caller asks.
  if ((static_cast<uint64_t>(startVertex) + vertices) * Stride > Stream->Bytes.size())
    return D3DERR_INVALIDCALL;
  if (primitiveCount == 0) return D3D_OK;

  GLBufferData* data = nullptr;
  PrepareBuffer(Stream, data);
  ApplyRenderStates();
  ApplyTextureStage();
  ApplyMaterialAndColour((FVF & D3DFVF_DIFFUSE) != 0);
  ApplyArrays(data);
  ApplyLights(startVertex, static_cast<uint32_t>(vertices), data);
  ApplyMatrices();
  glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
  return D3D_OK;
}

// --- the Direct3D object -------------------------------------------------------------

Direct3D* Direct3DCreate8(uint32_t sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  auto* d3d = new GLDirect3D();
  if (!d3d->Ready()) {
    delete d3d;
    return nullptr;
  }
  return d3d;
}

GLDirect3D::GLDirect3D() { VideoReady = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0; }

GLDirect3D::~GLDirect3D() {
  if (VideoReady) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

namespace {
D3DFORMAT DesktopFormat() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return D3DFMT_X8R8G8B8;
  const D3DFORMAT f = DisplayFormatOf(mode.format);
  return f == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : f;
}

// The display formats among the display's modes.
std::set<D3DFORMAT> DisplayFormats() {
  std::set<D3DFORMAT> formats;
  const int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) == 0) {
      const D3DFORMAT f = DisplayFormatOf(mode.format);
      if (f != D3DFMT_UNKNOWN) formats.insert(f);
    }
  }
  if (formats.empty()) formats.insert(DesktopFormat());
  return formats;
}
}  // namespace

HRESULT GLDirect3D::CheckDeviceType(uint32_t adapter, uint32_t deviceType, D3DFORMAT displayFormat,
                                    D3DFORMAT backBufferFormat, bool windowed) {
  if (adapter != 0) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  const bool offered =
      windowed ? displayFormat == DesktopFormat() : DisplayFormats().count(displayFormat) > 0;
  if (!offered || !BackBufferFits(displayFormat, backBufferFormat)) return D3DERR_NOTAVAILABLE;
  return D3D_OK;
}

HRESULT GLDirect3D::CheckDeviceFormat(uint32_t adapter, uint32_t deviceType,
                                      D3DFORMAT adapterFormat, uint32_t usage,
                                      uint32_t resourceType, D3DFORMAT checkFormat) {
  if (adapter != 0) return D3DERR_INVALIDCALL;
  if (deviceType != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
  const bool displayFormat = adapterFormat == D3DFMT_X8R8G8B8 || adapterFormat == D3DFMT_R5G6B5 ||
                             adapterFormat == D3DFMT_X1R5G5B5 || adapterFormat == D3DFMT_A1R5G5B5;
  if (!displayFormat) return D3DERR_NOTAVAILABLE;
  GLTexFormat f;
  if (resourceType == D3DRTYPE_TEXTURE && (usage & kUsageDepthStencil) == 0 &&
      TextureFormatToGL(checkFormat, f))
    return D3D_OK;  // every one of these uploads, converted by GL where need be
  if (resourceType == kRTypeSurface && (usage & kUsageDepthStencil) && checkFormat == D3DFMT_D16)
    return D3D_OK;
  return D3DERR_NOTAVAILABLE;
}

HRESULT GLDirect3D::GetAdapterDisplayMode(uint32_t adapter, D3DDISPLAYMODE* mode) {
  if (adapter != 0 || !mode) return D3DERR_INVALIDCALL;
  SDL_DisplayMode m;
  if (SDL_GetDesktopDisplayMode(0, &m) != 0) return D3DERR_NOTAVAILABLE;
  mode->Width = static_cast<uint32_t>(m.w);
  mode->Height = static_cast<uint32_t>(m.h);
  mode->RefreshRate = static_cast<uint32_t>(m.refresh_rate);
  mode->Format = D3DFMT_X8R8G8B8;
  return D3D_OK;
}

HRESULT GLDirect3D::CreateDevice(uint32_t adapter, uint32_t deviceType, void* focusWindow,
                                 uint32_t /*behaviourFlags*/, D3DPRESENT_PARAMETERS* params,
                                 Device** out) {
  if (!out) return D3DERR_INVALIDCALL;
  *out = nullptr;
  if (adapter != 0 || !params || !focusWindow) return D3DERR_INVALIDCALL;
  if (deviceType == kDevTypeRef) return D3DERR_NOTAVAILABLE;
  if (deviceType != D3DDEVTYPE_HAL) return D3DERR_INVALIDCALL;
  SDL_Window* window = static_cast<SDL_Window*>(focusWindow);
  SDL_GLContext ctx = GameWindowContext(window);
  if (!ctx) return D3DERR_INVALIDCALL;
  if (!params->Windowed) {
    if (params->BackBufferWidth == 0 || params->BackBufferHeight == 0) return D3DERR_INVALIDCALL;
    if (CheckDeviceType(0, D3DDEVTYPE_HAL, params->BackBufferFormat, params->BackBufferFormat,
                        false) != D3D_OK)
      return D3DERR_INVALIDCALL;  // e.g. D3DFMT_UNKNOWN when no full-screen format fitted
  }
  if (params->EnableAutoDepthStencil && !IsDepthFormat(params->AutoDepthStencilFormat))
    return D3DERR_INVALIDCALL;

  if (SDL_GL_MakeCurrent(window, ctx) != 0) return D3DERR_NOTAVAILABLE;
  if (!LoadEntryPoints()) return D3DERR_NOTAVAILABLE;  // OpenGL older than 1.5
  const int depthBits = GameWindowDepthBits(window);
  if (params->EnableAutoDepthStencil && depthBits < 15) return D3DERR_NOTAVAILABLE;

  if (!params->Windowed && !(SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN)) {
    // A full-screen device takes the display at the back buffer's size. The window is
    // first given that size at the origin itself: without a window manager (a virtual
    // display) nobody else would, and SDL would only believe it had.
    const int w = static_cast<int>(params->BackBufferWidth), h = static_cast<int>(params->BackBufferHeight);
    SDL_SetWindowSize(window, w, h);
    SDL_SetWindowPosition(window, 0, 0);
    SDL_DisplayMode desktop{};
    if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w == w && desktop.h == h) {
      SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
      SDL_DisplayMode want{}, closest{};
      want.w = w;
      want.h = h;
      if (SDL_GetClosestDisplayMode(0, &want, &closest)) SDL_SetWindowDisplayMode(window, &closest);
      SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    }
  }
  *out = new GLDevice(window, ctx, *params, depthBits);
  return D3D_OK;
}

void InvalidateGLState(Device* device) {
  if (auto* gl = dynamic_cast<GLDevice*>(device)) gl->Invalidate();
}

bool GetBackBufferSize(Device* device, int& width, int& height) {
  auto* gl = dynamic_cast<GLDevice*>(device);
  if (!gl) return false;
  width = gl->BackWidth();
  height = gl->BackHeight();
  return true;
}

}  // namespace zolvane
