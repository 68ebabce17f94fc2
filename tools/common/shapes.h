// Shapes the pictures share: rounded panel borders and the twinkles at their ends.
#pragma once
#include "tools/common/image.h"

namespace zolvane::gen {

// Signed distance to a rounded rectangle (negative inside).
float RoundedRectDistance(float x, float y, float left, float top, float right, float bottom,
                          float radius);
// A line of the given width along a rounded rectangle inset from the picture's edges.
Mask RoundedStroke(int w, int h, float inset, float radius, float width);
// A four-pointed twinkle of the given half-size, added to the mask (maximum).
void Twinkle(Mask& m, float cx, float cy, float size);

}  // namespace zolvane::gen
