// The window's OpenGL context itself, beside the device: what it is, and what is painted
// into it before any device exists (the loading text).
#pragma once
#include <SDL.h>

#include <string>
#include <vector>

#include "platform/d3d8.h"

namespace zolvane {

// The major version of the current context's OpenGL; 0 when there is none.
int GLMajorVersion();
// GL_RENDERER and GL_VERSION of the current context, for the benchmarks' reports.
std::string GLRendererName();

// The top left corner of a painted square, in pixels from the window's top left.
struct PaintedSquare {
  int X, Y;
};
// Paints the squares, size pixels wide, in the colour (alpha ignored) over the window's
// drawable, on black when blackFirst, and shows the result. The GL state comes back as it
// was; a device drawing in the window must still be told (InvalidateGLState).
void PaintSquares(SDL_Window* window, const std::vector<PaintedSquare>& squares, int size,
                  D3DCOLOR colour, bool blackFirst);

}  // namespace zolvane
