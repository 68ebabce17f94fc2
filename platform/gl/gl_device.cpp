#include "platform/gl/gl_device.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/gl/gl_device_internal.h"
#include "platform/sdl/window.h"

namespace zolvane {

namespace gldevice {

GLEntryPoints GL;
uint64_t NextSerial = 1;

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

void ColourToFloats(D3DCOLOR c, GLfloat out[4]) {
  out[0] = ((c >> 16) & 0xFF) / 255.0f;
  out[1] = ((c >> 8) & 0xFF) / 255.0f;
  out[2] = (c & 0xFF) / 255.0f;
  out[3] = ((c >> 24) & 0xFF) / 255.0f;
}

}  // namespace gldevice

using namespace gldevice;

namespace {

constexpr uint32_t kClearStencil = 4;
constexpr uint32_t kDevTypeRef = 2;
constexpr uint32_t kUsageDepthStencil = 2;
constexpr uint32_t kRTypeSurface = 1;

struct D3DRECT {
  int32_t x1, y1, x2, y2;
};

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
  LoadLayerEntryPoints();
  GL.Loaded = true;
  return GL.Buffers();
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

// Mesa's software rasteriser bins each frame's triangles in heap memory that it gives back
// once the frame is drawn: several MB with a full well of high-quality bricks. Under
// glibc's default policy the top of the heap is then trimmed after every frame and faulted
// in again in the next, which costs more than the vertex work. The top is kept instead;
// pictures, the only large blocks, still go to their own mappings and return when freed.
void KeepHeapTop() {
#ifdef __GLIBC__
  static const bool kept =
      mallopt(M_TRIM_THRESHOLD, 64 << 20) != 0 && mallopt(M_MMAP_THRESHOLD, 1 << 20) != 0;
  (void)kept;
#endif
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

}  // namespace

GLDevice::GLDevice(SDL_Window* window, SDL_GLContext context, const D3DPRESENT_PARAMETERS& pp,
                   int depthBits)
    : Window(window),
      Context(context),
      ContextAlive(GameWindowContextAlive(window)),
      DepthBits(pp.EnableAutoDepthStencil ? depthBits : 0) {
  KeepHeapTop();

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
  GiveBackTextures();
  FreeLayer();
  if (*ContextAlive && SDL_GL_GetCurrentContext() == Context && WhiteTexture)
    glDeleteTextures(1, &WhiteTexture);
}

void GLDevice::MakeCurrent() {
  if (SDL_GL_GetCurrentContext() != Context) SDL_GL_MakeCurrent(Window, Context);
}

void GLDevice::DrawableSize(int& w, int& h) const { GameWindowDrawableSize(Window, w, h); }

PixelRect GLDevice::PictureNow() const { return GameWindowPicture(Window); }

void GLDevice::UpdateViewport() {
  // D3D would present the back buffer stretched over a window of another shape; here the
  // picture keeps the shape the window was made with, in the largest centred rectangle of
  // the drawable, drawn straight at the drawable's real pixels. The viewport is D3D's too.
  int w = 0, h = 0;
  DrawableSize(w, h);
  const PixelRect picture = PictureNow();
  if (w == DrawW && h == DrawH && picture == Picture) return;
  DrawW = w;
  DrawH = h;
  Picture = picture;
  BarsBlack = false;
  SetViewport();
}

// What was drawn before, in this back buffer or at another size, must not show beside the
// picture: the bars are cleared black in every frame.
void GLDevice::PaintBars() {
  if (BarsBlack) return;
  BarsBlack = true;
  const std::vector<PixelRect> bars = PictureBars(DrawW, DrawH, Picture);
  if (bars.empty()) return;
  glClearColor(0, 0, 0, 1);
  glEnable(GL_SCISSOR_TEST);
  for (const PixelRect& b : bars) {
    glScissor(b.X, DrawH - b.Y - b.Height, b.Width, b.Height);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glDisable(GL_SCISSOR_TEST);
}

// Puts GL into a known state and forgets what was applied, so that the next draw sets
// everything from the D3D state.
void GLDevice::Invalidate() {
  MakeCurrent();
  A = Applied{};
  DrawW = DrawH = -1;
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
    if (!L.Drawing) PaintBars();
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
  // The layer is the picture alone, with no bars around it.
  const PixelRect at = L.Drawing ? PixelRect{0, 0, Picture.Width, Picture.Height} : Picture;
  const int bufferH = L.Drawing ? Picture.Height : DrawH;
  const bool fills = L.Drawing || Picture == PixelRect{0, 0, DrawW, DrawH};
  if (count == 0 && fills) {
    glClear(mask);
    return D3D_OK;
  }
  // D3D clears the viewport, and rectangles in its coordinates, y down.
  const D3DRECT whole{0, 0, Picture.Width, Picture.Height};
  const D3DRECT* r = count ? static_cast<const D3DRECT*>(rects) : &whole;
  glEnable(GL_SCISSOR_TEST);
  for (uint32_t i = 0; i < std::max(count, 1u); ++i) {
    const int x1 = std::clamp(r[i].x1, 0, Picture.Width), x2 = std::clamp(r[i].x2, 0, Picture.Width);
    const int y1 = std::clamp(r[i].y1, 0, Picture.Height), y2 = std::clamp(r[i].y2, 0, Picture.Height);
    if (x2 <= x1 || y2 <= y1) continue;
    glScissor(at.X + x1, bufferH - at.Y - y2, x2 - x1, y2 - y1);
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
  UpdateViewport();
  PaintBars();
  SDL_GL_SwapWindow(Window);
  BarsBlack = false;  // the next back buffer holds an older frame
  return D3D_OK;
}

HRESULT GLDevice::Finish() {
  MakeCurrent();
  glFinish();
  return D3D_OK;
}

HRESULT GLDevice::ReadBackBuffer(std::vector<uint8_t>& rgb, int& width, int& height) {
  MakeCurrent();
  UpdateViewport();
  PaintBars();
  DrawableSize(width, height);
  const size_t row = static_cast<size_t>(width) * 3;
  std::vector<uint8_t> raw(row * static_cast<size_t>(height));
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, raw.data());
  const bool read = glGetError() == GL_NO_ERROR;
  Invalidate();
  if (!read) return D3DERR_NOTAVAILABLE;
  // GL's rows run bottom up.
  rgb.resize(raw.size());
  for (int y = 0; y < height; ++y)
    std::memcpy(rgb.data() + row * y, raw.data() + row * (height - 1 - y), row);
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
  // Never read past the buffer, whatever the caller asks; a range never written reads as
  // zeros, as the rest of a fresh buffer does.
  const uint64_t end = (static_cast<uint64_t>(startVertex) + vertices) * Stride;
  if (end > Stream->Length || !Stream->Reach(static_cast<uint32_t>(end))) return D3DERR_INVALIDCALL;
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

GLDirect3D::GLDirect3D() { VideoReady = InitVideo(); }

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
  const PixelRect picture = gl->PictureNow();
  width = picture.Width;
  height = picture.Height;
  return true;
}

}  // namespace zolvane
