#include "platform/picture_rect.h"

#include <algorithm>
#include <cstdint>

namespace zolvane {

PixelRect FitPicture(int width, int height, int shapeWidth, int shapeHeight) {
  if (width <= 0 || height <= 0) return {};
  if (shapeWidth <= 0 || shapeHeight <= 0) return {0, 0, width, height};
  const int64_t w = width, h = height, sw = shapeWidth, sh = shapeHeight;
  int64_t fitW = w, fitH = h;
  // Rounded to the nearest pixel: 4:3 in 1080 rows is 1440 columns exactly.
  if (w * sh > h * sw)
    fitW = std::clamp<int64_t>((2 * h * sw + sh) / (2 * sh), 1, w);
  else
    fitH = std::clamp<int64_t>((2 * w * sh + sw) / (2 * sw), 1, h);
  return {static_cast<int>((w - fitW) / 2), static_cast<int>((h - fitH) / 2),
          static_cast<int>(fitW), static_cast<int>(fitH)};
}

std::vector<PixelRect> PictureBars(int width, int height, const PixelRect& p) {
  std::vector<PixelRect> bars;
  auto add = [&](int x, int y, int w, int h) {
    if (w > 0 && h > 0) bars.push_back({x, y, w, h});
  };
  add(0, 0, width, p.Y);                                           // above
  add(0, p.Y + p.Height, width, height - p.Y - p.Height);          // below
  add(0, p.Y, p.X, p.Height);                                      // left
  add(p.X + p.Width, p.Y, width - p.X - p.Width, p.Height);        // right
  return bars;
}

}  // namespace zolvane
