#include "platform/gl/gl_context.h"

#include <SDL_opengl.h>

#include <cstdlib>

namespace zolvane {

int GLMajorVersion() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return version ? std::atoi(version) : 0;
}

std::string GLRendererName() {
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  return std::string(renderer ? renderer : "?") + ", OpenGL " + (version ? version : "?");
}

void PaintSquares(SDL_Window* window, const std::vector<PaintedSquare>& squares, int size,
                  D3DCOLOR colour, bool blackFirst) {
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window, &w, &h);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glDisable(GL_CULL_FACE);
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, w, h, 0, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  if (blackFirst) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glColor3ub((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
  glBegin(GL_QUADS);
  for (const PaintedSquare& s : squares) {
    glVertex2i(s.X, s.Y);
    glVertex2i(s.X + size, s.Y);
    glVertex2i(s.X + size, s.Y + size);
    glVertex2i(s.X, s.Y + size);
  }
  glEnd();
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glPopAttrib();
  SDL_GL_SwapWindow(window);
}

}  // namespace zolvane
