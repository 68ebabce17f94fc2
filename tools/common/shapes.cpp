#include "tools/common/shapes.h"

#include <algorithm>
#include <cmath>

namespace zolvane::gen {

float RoundedRectDistance(float x, float y, float left, float top, float right, float bottom,
                          float radius) {
  const float cx = (left + right) / 2, cy = (top + bottom) / 2;
  const float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
  const float qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
  const float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

Mask RoundedStroke(int w, int h, float inset, float radius, float width) {
  Mask m(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float d = RoundedRectDistance(x + 0.5f, y + 0.5f, inset, inset, w - inset, h - inset, radius);
      m.At(x, y) = std::clamp(width / 2 + 0.5f - std::fabs(d), 0.0f, 1.0f);
    }
  return m;
}

void Twinkle(Mask& m, float cx, float cy, float size) {
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x) {
      const float dx = std::fabs(x + 0.5f - cx) / size, dy = std::fabs(y + 0.5f - cy) / size;
      if (dx > 1 || dy > 1) continue;
      const float star = std::max(0.0f, 1.0f - (std::sqrt(dx) + std::sqrt(dy)));
      const float core = std::exp(-(dx * dx + dy * dy) * 18);
      m.At(x, y) = std::max(m.At(x, y), std::min(1.0f, star * 2.2f + core));
    }
}

}  // namespace zolvane::gen
