// Lettering for pictures the game cuts out by colour: white is background there, and every
// other pixel is fully opaque, so nothing may fade into the white.
#pragma once
#include <functional>

#include "tools/common/image.h"

namespace zolvane::gen {

// What the game treats as background: red, green and blue all 253 or more.
bool IsBackground(const Colour& c);
// The colour darkened just enough that the game keeps it.
Colour KeepOpaque(const Colour& c);

// Paints lettering over a white picture: where the grown shape covers half a pixel or
// more the pixel becomes opaque outline, blended towards the fill by the fill's coverage.
// Elsewhere the picture is left as it is.
void PaintOutlined(Image& image, const Mask& fill, const Mask& grown, const Colour& outline,
                   const std::function<Colour(int x, int y)>& fillColour);

// Colour stops at positions 0..1, in order; clamps outside.
struct Stop {
  float At;
  Colour C;
};
Colour Gradient(const std::vector<Stop>& stops, float t);

}  // namespace zolvane::gen
