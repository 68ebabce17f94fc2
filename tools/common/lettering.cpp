#include "tools/common/lettering.h"

#include <algorithm>

namespace zolvane::gen {

bool IsBackground(const Colour& c) { return ToByte(c.r) >= 253 && ToByte(c.g) >= 253 && ToByte(c.b) >= 253; }

Colour KeepOpaque(const Colour& c) {
  if (!IsBackground(c)) return c;
  Colour out = c;
  out.b = 250.0f / 255.0f;  // least visible of the three
  return out;
}

void PaintOutlined(Image& image, const Mask& fill, const Mask& grown, const Colour& outline,
                   const std::function<Colour(int x, int y)>& fillColour) {
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const float f = fill.Get(x, y);
      if (std::max(f, grown.Get(x, y)) < 0.5f) continue;
      image.At(x, y) = KeepOpaque(f > 0 ? Mix(outline, fillColour(x, y), f) : outline);
    }
}

Colour Gradient(const std::vector<Stop>& stops, float t) {
  if (t <= stops.front().At) return stops.front().C;
  for (size_t i = 1; i < stops.size(); ++i)
    if (t <= stops[i].At) return Mix(stops[i - 1].C, stops[i].C, (t - stops[i - 1].At) / (stops[i].At - stops[i - 1].At));
  return stops.back().C;
}

}  // namespace zolvane::gen
