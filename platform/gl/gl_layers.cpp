// The static layer: an offscreen framebuffer with colour and depth at the picture's size,
// drawn into now and then and copied onto each frame by a blit of both.
#include <cstdio>

#include "platform/gl/gl_device_internal.h"

#ifndef GL_FRAMEBUFFER_FLIP_Y_MESA
#define GL_FRAMEBUFFER_FLIP_Y_MESA 0x8BBB
#endif

namespace zolvane {

namespace gldevice {

void LoadLayerEntryPoints() {
  int major = 0;
  if (const char* v = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
    std::sscanf(v, "%d", &major);
  // Mesa rasterizes a window's framebuffer upside down; an offscreen one drawn the other
  // way up would settle shared edges differently, and the copy would not match a frame
  // drawn in full. Without the flip there is no layer.
  if (!(major >= 3 || SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object")) ||
      !SDL_GL_ExtensionSupported("GL_MESA_framebuffer_flip_y"))
    return;
  auto get = [](const char* name) { return SDL_GL_GetProcAddress(name); };
  GL.GenFramebuffers = reinterpret_cast<PFNGLGENFRAMEBUFFERSPROC>(get("glGenFramebuffers"));
  GL.DeleteFramebuffers =
      reinterpret_cast<PFNGLDELETEFRAMEBUFFERSPROC>(get("glDeleteFramebuffers"));
  GL.BindFramebuffer = reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(get("glBindFramebuffer"));
  GL.GenRenderbuffers = reinterpret_cast<PFNGLGENRENDERBUFFERSPROC>(get("glGenRenderbuffers"));
  GL.DeleteRenderbuffers =
      reinterpret_cast<PFNGLDELETERENDERBUFFERSPROC>(get("glDeleteRenderbuffers"));
  GL.BindRenderbuffer = reinterpret_cast<PFNGLBINDRENDERBUFFERPROC>(get("glBindRenderbuffer"));
  GL.RenderbufferStorage =
      reinterpret_cast<PFNGLRENDERBUFFERSTORAGEPROC>(get("glRenderbufferStorage"));
  GL.FramebufferRenderbuffer =
      reinterpret_cast<PFNGLFRAMEBUFFERRENDERBUFFERPROC>(get("glFramebufferRenderbuffer"));
  GL.CheckFramebufferStatus =
      reinterpret_cast<PFNGLCHECKFRAMEBUFFERSTATUSPROC>(get("glCheckFramebufferStatus"));
  GL.BlitFramebuffer = reinterpret_cast<PFNGLBLITFRAMEBUFFERPROC>(get("glBlitFramebuffer"));
  GL.FramebufferParameteri =
      reinterpret_cast<PFNGLFRAMEBUFFERPARAMETERIPROC>(get("glFramebufferParameteri"));
}

}  // namespace gldevice

using namespace gldevice;

void GLDevice::SetViewport() {
  if (L.Drawing)
    glViewport(0, 0, Picture.Width, Picture.Height);
  else
    glViewport(Picture.X, DrawH - Picture.Y - Picture.Height, Picture.Width, Picture.Height);
}

void GLDevice::FreeLayer() {
  if (!L.Framebuffer && !L.Colour && !L.Depth) return;
  if (*ContextAlive && SDL_GL_GetCurrentContext() == Context) {
    GL.DeleteFramebuffers(1, &L.Framebuffer);
    GL.DeleteRenderbuffers(1, &L.Colour);
    GL.DeleteRenderbuffers(1, &L.Depth);
  }
  L.Framebuffer = L.Colour = L.Depth = 0;
  L.Width = L.Height = 0;
}

// The depth copy needs the window's own depth format; a layer GL will not complete or
// copy is given up for good.
bool GLDevice::MakeLayer(int width, int height) {
  if (L.Broken || !GL.Layers() || DepthBits == 0 || width <= 0 || height <= 0) return false;
  if (L.Framebuffer && L.Width == width && L.Height == height) return true;
  FreeLayer();
  while (glGetError() != GL_NO_ERROR) {
  }
  GL.GenFramebuffers(1, &L.Framebuffer);
  GL.GenRenderbuffers(1, &L.Colour);
  GL.GenRenderbuffers(1, &L.Depth);
  GL.BindRenderbuffer(GL_RENDERBUFFER, L.Colour);
  GL.RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  // The window's depth buffer may share its pixels with a stencil the game never uses;
  // the copy still wants the very same format.
  GLint stencilBits = 0;
  glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
  const bool stencil = stencilBits > 0 && DepthBits >= 24;
  GL.BindRenderbuffer(GL_RENDERBUFFER, L.Depth);
  GL.RenderbufferStorage(GL_RENDERBUFFER,
                         stencil            ? GL_DEPTH24_STENCIL8
                         : DepthBits >= 32  ? GL_DEPTH_COMPONENT32
                         : DepthBits >= 24  ? GL_DEPTH_COMPONENT24
                                            : GL_DEPTH_COMPONENT16,
                         width, height);
  GL.BindRenderbuffer(GL_RENDERBUFFER, 0);
  GL.BindFramebuffer(GL_FRAMEBUFFER, L.Framebuffer);
  GL.FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, L.Colour);
  GL.FramebufferRenderbuffer(GL_FRAMEBUFFER,
                             stencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                             GL_RENDERBUFFER, L.Depth);
  GL.FramebufferParameteri(GL_FRAMEBUFFER, GL_FRAMEBUFFER_FLIP_Y_MESA, GL_TRUE);
  const bool complete = GL.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE &&
                        glGetError() == GL_NO_ERROR;
  GL.BindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) {
    FreeLayer();
    L.Broken = true;
    return false;
  }
  L.Width = width;
  L.Height = height;
  return true;
}

HRESULT GLDevice::BeginStaticLayer() {
  if (L.Drawing) return D3DERR_INVALIDCALL;
  MakeCurrent();
  UpdateViewport();
  if (!MakeLayer(Picture.Width, Picture.Height)) return D3DERR_NOTAVAILABLE;
  GL.BindFramebuffer(GL_FRAMEBUFFER, L.Framebuffer);
  L.Drawing = true;
  SetViewport();
  return D3D_OK;
}

HRESULT GLDevice::EndStaticLayer() {
  if (!L.Drawing) return D3DERR_INVALIDCALL;
  MakeCurrent();
  GL.BindFramebuffer(GL_FRAMEBUFFER, 0);
  L.Drawing = false;
  SetViewport();
  return D3D_OK;
}

HRESULT GLDevice::DrawStaticLayer() {
  if (L.Drawing || L.Broken || !L.Framebuffer) return D3DERR_NOTAVAILABLE;
  MakeCurrent();
  UpdateViewport();
  // A layer of another size holds another picture.
  if (L.Width != Picture.Width || L.Height != Picture.Height) return D3DERR_NOTAVAILABLE;
  PaintBars();
  while (glGetError() != GL_NO_ERROR) {
  }
  GL.BindFramebuffer(GL_READ_FRAMEBUFFER, L.Framebuffer);
  const int y = DrawH - Picture.Y - Picture.Height;
  GL.BlitFramebuffer(0, 0, L.Width, L.Height, Picture.X, y, Picture.X + L.Width, y + L.Height,
                     GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
  GL.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  if (glGetError() != GL_NO_ERROR) {
    // Formats the copy cannot join: from now on the frames are drawn in full.
    FreeLayer();
    L.Broken = true;
    return D3DERR_NOTAVAILABLE;
  }
  return D3D_OK;
}

}  // namespace zolvane
