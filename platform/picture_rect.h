// Where a picture of fixed shape goes in a drawable of any size: the largest rectangle of
// that shape, centred, and black bars for the rest, so that nothing is stretched.
#pragma once
#include <vector>

namespace zolvane {

// Pixels, from the drawable's top left corner.
struct PixelRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const PixelRect& o) const {
    return X == o.X && Y == o.Y && Width == o.Width && Height == o.Height;
  }
};

// The picture's place in a drawable of width x height. A shape with a side of 0 or less
// fills the whole drawable; an empty drawable gives an empty rectangle. The shape's sides
// are rounded to whole pixels, never below one.
PixelRect FitPicture(int width, int height, int shapeWidth, int shapeHeight);

// The parts of the drawable outside the picture, none when it fills the drawable.
std::vector<PixelRect> PictureBars(int width, int height, const PixelRect& picture);

}  // namespace zolvane
