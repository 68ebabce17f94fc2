// Writes the five background pictures as JPEG: the menu's and one per game type.
//
// They are drawn 36 x 26.25 units large behind the well. The well covers the middle third;
// the score and the other texts stand on the outer thirds, so those stay calm and dark.
//
// usage: zolvane_make_backgrounds <run folder>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/data_files.h"
#include "tools/common/image.h"
#include "tools/common/noise.h"

namespace zolvane::gen {
namespace {

constexpr int Width = 1024, Height = 768;
constexpr float Aspect = static_cast<float>(Width) / Height;
constexpr float Pi = 3.14159265358979f;

float Fract(float v) { return v - std::floor(v); }

// 1 on the outer thirds where the texts stand, 0 behind the well.
float Calm(float u) { return SmoothStep(0.17f, 0.37f, std::fabs(u - 0.5f)); }

// A thin line at every integer of t, width in units of t.
float GridLine(float t, float width) {
  const float d = std::fabs(Fract(t + 0.5f) - 0.5f);
  return std::exp(-(d * d) / (width * width));
}

Colour Gradient3(const Colour& top, const Colour& middle, const Colour& bottom, float v) {
  return v < 0.5f ? Mix(top, middle, v * 2) : Mix(middle, bottom, (v - 0.5f) * 2);
}

// Scattered stars, dimmer over the calm thirds.
void Stars(Image& image, uint32_t seed, int count, const Colour& tint, float brightness) {
  Rng rng(seed);
  for (int i = 0; i < count; ++i) {
    const float cx = rng.Uniform() * Width, cy = rng.Uniform() * Height;
    const float size = 0.5f + 1.4f * std::pow(rng.Uniform(), 3.0f);
    const float light = brightness * (0.25f + 0.75f * std::pow(rng.Uniform(), 2.0f)) *
                        (1.0f - 0.55f * Calm(cx / Width));
    const Colour c = Mix({1, 1, 1, 1}, tint, rng.Uniform() * 0.7f);
    const int reach = static_cast<int>(std::ceil(size * 4));
    for (int y = static_cast<int>(cy) - reach; y <= static_cast<int>(cy) + reach; ++y)
      for (int x = static_cast<int>(cx) - reach; x <= static_cast<int>(cx) + reach; ++x) {
        if (x < 0 || y < 0 || x >= Width || y >= Height) continue;
        const float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
        const float g = light * std::exp(-(dx * dx + dy * dy) / (2 * size * size));
        Colour& p = image.At(x, y);
        p = Add(p, Scale(c, g));
      }
  }
}

// Shared finish: a soft vignette and a trace of film grain against banding.
void Finish(Image& image, uint32_t seed) {
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const float u = (x + 0.5f) / Width - 0.5f, v = (y + 0.5f) / Height - 0.5f;
      const float vignette = 1.0f - 0.35f * std::pow(u * u * 1.6f + v * v * 2.2f, 1.2f);
      const float grain = (Random01(x, y, seed) - 0.5f) * (2.0f / 255.0f);
      Colour& p = image.At(x, y);
      p = Add(Scale(p, vignette), {grain, grain, grain, 0});
    }
}

// Local coordinates of the nearest hexagon centre; the edge lies at 0.5.
float HexEdgeDistance(float px, float py) {
  const float sx = 1.0f, sy = 1.7320508f;
  const float ax = (std::floor(px / sx) + 0.5f) * sx, ay = (std::floor(py / sy) + 0.5f) * sy;
  const float bx = (std::floor((px - 0.5f) / sx) + 1.0f) * sx, by = (std::floor((py - 0.866f) / sy) + 1.0f) * sy;
  float hx = px - ax, hy = py - ay;
  const float gx = px - bx, gy = py - by;
  if (gx * gx + gy * gy < hx * hx + hy * hy) {
    hx = gx;
    hy = gy;
  }
  const float d = std::max(std::fabs(hx) * 0.5f + std::fabs(hy) * 0.8660254f, std::fabs(hx));
  return 0.5f - d;
}

// Menu: a night sky with a many-coloured nebula, a glowing floor grid towards the
// horizon and a few figures drifting down.
Image MenuBackground() {
  Image image(Width, Height);
  const Colour top{0.01f, 0.01f, 0.05f, 1}, middle{0.04f, 0.03f, 0.12f, 1}, bottom{0.09f, 0.03f, 0.14f, 1};
  const float horizon = 0.70f;
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const float u = (x + 0.5f) / Width, v = (y + 0.5f) / Height;
      Colour c = Gradient3(top, middle, bottom, v);
      const float n = Fbm(u * 2.6f * Aspect, v * 2.6f, 501, 6);
      const float hue = Fbm(u * 1.2f * Aspect + 7.0f, v * 1.2f, 502, 3);
      const Colour nebula = hue < 0.5f ? Mix({0.15f, 0.30f, 0.70f, 1}, {0.55f, 0.20f, 0.60f, 1}, hue * 2)
                                       : Mix({0.55f, 0.20f, 0.60f, 1}, {0.85f, 0.35f, 0.25f, 1}, (hue - 0.5f) * 2);
      const float cloud = SmoothStep(0.42f, 0.85f, n) * 0.42f * (1.0f - 0.35f * Calm(u));
      c = Add(c, Scale(nebula, cloud * (v < horizon ? 1.0f : 0.5f)));
      // A glow along the horizon.
      const float dh = (v - horizon) / 0.05f;
      c = Add(c, Scale({0.55f, 0.25f, 0.75f, 1}, 0.22f * std::exp(-dh * dh)));
      if (v > horizon) {
        // Perspective grid on the floor, supersampled along the steep rows near the horizon.
        float grid = 0;
        for (int s = 0; s < 4; ++s) {
          const float vs = v + (s - 1.5f) / (4.0f * Height);
          const float depth = 0.06f / std::max(vs - horizon, 1e-3f);
          const float across = (u - 0.5f) * 6.0f * (0.06f / std::max(vs - horizon, 1e-3f)) / 0.5f;
          grid += std::max(GridLine(depth * 2.0f, 0.05f), GridLine(across, 0.035f));
        }
        grid /= 4;
        const float fade = SmoothStep(horizon, horizon + 0.18f, v);
        c = Add(c, Scale({0.45f, 0.25f, 0.95f, 1}, grid * 0.32f * fade));
      }
      image.At(x, y) = c;
    }
  Stars(image, 503, 700, {0.7f, 0.8f, 1.0f, 1}, 0.55f);

  // Glowing outlines of figures, drifting down the sky.
  static const int shapes[7][4][2] = {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {{0, 0}, {1, 0}, {0, 1}, {1, 1}},
                                      {{0, 0}, {1, 0}, {2, 0}, {1, 1}}, {{0, 0}, {1, 0}, {1, 1}, {2, 1}},
                                      {{1, 0}, {2, 0}, {0, 1}, {1, 1}}, {{0, 0}, {1, 0}, {2, 0}, {2, 1}},
                                      {{0, 0}, {1, 0}, {2, 0}, {0, 1}}};
  static const Colour colours[7] = {{0.2f, 0.9f, 1.0f, 1}, {1.0f, 0.9f, 0.2f, 1}, {0.8f, 0.3f, 1.0f, 1},
                                    {0.3f, 1.0f, 0.4f, 1}, {1.0f, 0.3f, 0.3f, 1}, {1.0f, 0.6f, 0.2f, 1},
                                    {0.3f, 0.5f, 1.0f, 1}};
  Rng rng(504);
  std::vector<std::array<float, 4>> taken;  // boxes of the figures placed so far
  for (int f = 0; f < 14; ++f) {
    const int kind = static_cast<int>(rng.Next() % 7);
    const bool turned = rng.Next() % 2;
    const float cell = rng.Range(18, 34);
    // Keep the middle, where the menu labels stand, clear; no figure overlaps another.
    float cx = 0, cy = 0;
    for (int attempt = 0; attempt < 50; ++attempt) {
      cx = rng.Range(0.03f, 0.27f) * Width;
      if (f % 2) cx = Width - cx - 4 * cell;
      cy = rng.Range(0.05f, 0.60f) * Height;
      bool clear = true;
      for (const auto& b : taken)
        clear = clear && (cx + 4 * cell + 12 < b[0] || cx > b[2] + 12 || cy + 4 * cell + 12 < b[1] || cy > b[3] + 12);
      if (clear) break;
    }
    taken.push_back({cx, cy, cx + 4 * cell, cy + 4 * cell});
    const float strength = rng.Range(0.35f, 0.75f);
    Mask m(Width, Height);
    for (const auto& cellPos : shapes[kind]) {
      const float gx = static_cast<float>(turned ? cellPos[1] : cellPos[0]);
      const float gy = static_cast<float>(turned ? cellPos[0] : cellPos[1]);
      const float left = cx + gx * cell, top = cy + gy * cell;
      for (int y = static_cast<int>(top) - 2; y <= static_cast<int>(top + cell) + 2; ++y)
        for (int x = static_cast<int>(left) - 2; x <= static_cast<int>(left + cell) + 2; ++x) {
          if (x < 0 || y < 0 || x >= Width || y >= Height) continue;
          const float dx = std::min(std::fabs(x + 0.5f - left), std::fabs(x + 0.5f - left - cell));
          const float dy = std::min(std::fabs(y + 0.5f - top), std::fabs(y + 0.5f - top - cell));
          const bool insideX = x + 0.5f >= left - 1 && x + 0.5f <= left + cell + 1;
          const bool insideY = y + 0.5f >= top - 1 && y + 0.5f <= top + cell + 1;
          float line = 0;
          if (insideY) line = std::max(line, std::clamp(1.5f - dx, 0.0f, 1.0f));
          if (insideX) line = std::max(line, std::clamp(1.5f - dy, 0.0f, 1.0f));
          // A faint fill so the cells read as glass.
          if (x + 0.5f > left && x + 0.5f < left + cell && y + 0.5f > top && y + 0.5f < top + cell)
            line = std::max(line, 0.12f);
          m.At(x, y) = std::max(m.At(x, y), line);
        }
    }
    AddGlow(image, Blur(m, 5.0f), colours[kind], strength * 0.9f);
    AddGlow(image, m, colours[kind], strength * 0.6f);
  }
  Finish(image, 505);
  return image;
}

// Classic: a deep blue night, a blue and violet nebula and faint rings round the well.
Image ClassicBackground() {
  Image image(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const float u = (x + 0.5f) / Width, v = (y + 0.5f) / Height;
      Colour c = Gradient3({0.01f, 0.02f, 0.07f, 1}, {0.02f, 0.04f, 0.13f, 1}, {0.05f, 0.04f, 0.15f, 1}, v);
      const float calm = Calm(u);
      const float n = Fbm(u * 3.0f * Aspect, v * 3.0f, 101, 6);
      const float hue = Fbm(u * 1.5f * Aspect, v * 1.5f, 102, 3);
      const Colour nebula = Mix({0.10f, 0.28f, 0.70f, 1}, {0.42f, 0.22f, 0.72f, 1}, SmoothStep(0.35f, 0.65f, hue));
      c = Add(c, Scale(nebula, SmoothStep(0.36f, 0.80f, n) * 0.50f * (1.0f - 0.6f * calm)));
      // Wisps of brighter gas inside the cloud.
      const float wisp = Fbm(u * 9.0f * Aspect, v * 9.0f, 103, 4);
      c = Add(c, Scale({0.35f, 0.55f, 1.0f, 1}, SmoothStep(0.62f, 0.85f, wisp) * SmoothStep(0.5f, 0.8f, n) * 0.18f));
      // Rings centred behind the well.
      const float dx = (u - 0.5f) * Aspect, dy = v - 0.5f;
      const float r = std::sqrt(dx * dx + dy * dy);
      c = Add(c, Scale({0.30f, 0.50f, 1.0f, 1}, GridLine(r * 7.0f, 0.035f) * 0.05f * std::exp(-r * 1.5f)));
      image.At(x, y) = c;
    }
  Stars(image, 104, 900, {0.6f, 0.75f, 1.0f, 1}, 0.6f);
  Finish(image, 105);
  return image;
}

// Advanced: a sea-green polar night with aurora curtains and a faint hexagon net.
Image AdvancedBackground() {
  Image image(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const float u = (x + 0.5f) / Width, v = (y + 0.5f) / Height;
      Colour c = Gradient3({0.00f, 0.03f, 0.05f, 1}, {0.01f, 0.07f, 0.09f, 1}, {0.01f, 0.10f, 0.10f, 1}, v);
      const float calm = Calm(u);
      // Curtains: noise stretched down the picture, bunched into a band.
      const float sway = Fbm(u * 2.0f, v * 1.2f, 201, 3) * 0.35f;
      const float curtain = Fbm((u + sway) * 14.0f, v * 0.8f, 202, 4);
      const float band = std::exp(-std::pow((v - 0.34f - 0.12f * std::sin(u * 5.0f)) / 0.22f, 2.0f));
      const float aurora = SmoothStep(0.40f, 0.80f, curtain) * band * (1.0f - 0.6f * calm);
      const Colour auroraColour = Mix({0.10f, 0.85f, 0.45f, 1}, {0.20f, 0.55f, 0.90f, 1}, SmoothStep(0.2f, 0.5f, 0.5f - v + 0.3f));
      c = Add(c, Scale(auroraColour, aurora * 0.45f));
      const float haze = Fbm(u * 3.0f * Aspect, v * 3.0f, 203, 5);
      c = Add(c, Scale({0.05f, 0.35f, 0.35f, 1}, SmoothStep(0.45f, 0.85f, haze) * 0.20f * (1.0f - 0.5f * calm)));
      // Hexagon net, stronger towards the bottom, gone over the text.
      const float hex = HexEdgeDistance(u * Aspect * 18.0f, v * 18.0f);
      const float line = std::exp(-(hex * hex) / (0.03f * 0.03f));
      c = Add(c, Scale({0.20f, 0.80f, 0.70f, 1}, line * 0.07f * (0.3f + 0.7f * v) * (1.0f - 0.8f * calm)));
      image.At(x, y) = c;
    }
  Stars(image, 204, 500, {0.6f, 1.0f, 0.85f, 1}, 0.5f);
  Finish(image, 205);
  return image;
}

// Special: a purple and rose nebula, soft rays from above and a diamond lattice.
Image SpecialBackground() {
  Image image(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const float u = (x + 0.5f) / Width, v = (y + 0.5f) / Height;
      Colour c = Gradient3({0.05f, 0.01f, 0.08f, 1}, {0.09f, 0.02f, 0.12f, 1}, {0.04f, 0.01f, 0.07f, 1}, v);
      const float calm = Calm(u);
      const float n = Fbm(u * 2.8f * Aspect + 3.0f, v * 2.8f, 301, 6);
      const float hue = Fbm(u * 1.3f * Aspect, v * 1.3f, 302, 3);
      const Colour nebula = Mix({0.55f, 0.12f, 0.55f, 1}, {0.85f, 0.30f, 0.45f, 1}, SmoothStep(0.35f, 0.65f, hue));
      c = Add(c, Scale(nebula, SmoothStep(0.36f, 0.82f, n) * 0.55f * (1.0f - 0.6f * calm)));
      // Rays fanning down from a light above the well.
      const float dx = (u - 0.5f) * Aspect, dy = v + 0.15f;
      const float angle = std::atan2(dx, dy);
      const float rays = std::pow(0.5f + 0.5f * std::sin(angle * 22.0f + 1.3f * std::sin(angle * 5.0f)), 6.0f);
      c = Add(c, Scale({0.95f, 0.55f, 0.90f, 1}, rays * 0.14f * std::exp(-dy * 1.6f) * (1.0f - 0.7f * calm)));
      // Diamond lattice.
      const float s = 14.0f;
      const float lattice = std::max(GridLine((u * Aspect + v) * s, 0.025f), GridLine((u * Aspect - v) * s, 0.025f));
      c = Add(c, Scale({0.90f, 0.40f, 0.85f, 1}, lattice * 0.05f * (1.0f - 0.85f * calm)));
      image.At(x, y) = c;
    }
  Stars(image, 304, 650, {1.0f, 0.7f, 0.95f, 1}, 0.55f);
  Finish(image, 305);
  return image;
}

// Crazy: swirling embers of red and orange over a triangle lattice.
Image CrazyBackground() {
  Image image(Width, Height);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const float u = (x + 0.5f) / Width, v = (y + 0.5f) / Height;
      Colour c = Gradient3({0.035f, 0.005f, 0.01f, 1}, {0.07f, 0.01f, 0.02f, 1}, {0.12f, 0.03f, 0.01f, 1}, v);
      const float calm = Calm(u);
      // Warped noise makes the swirls; its ridges are the bright veins of flame.
      const float px = u * 3.0f * Aspect, py = v * 3.0f;
      const float wx = Fbm(px, py, 401, 4), wy = Fbm(px + 5.2f, py + 1.3f, 402, 4);
      const float n = Fbm(px + 2.5f * wx, py + 2.5f * wy, 403, 6);
      const float vein = std::pow(1.0f - std::fabs(2.0f * n - 1.0f), 6.0f);
      const float heat = (SmoothStep(0.40f, 0.85f, n) * 0.55f + vein * 0.6f) * (1.0f - 0.85f * calm);
      const Colour fire = heat < 0.5f ? Mix({0.60f, 0.05f, 0.03f, 1}, {1.0f, 0.38f, 0.04f, 1}, heat * 2)
                                      : Mix({1.0f, 0.38f, 0.04f, 1}, {1.0f, 0.85f, 0.45f, 1}, std::min(1.0f, (heat - 0.5f) * 2));
      c = Add(c, Scale(fire, heat * 0.75f));
      // Triangle lattice: three families of lines.
      const float s = 16.0f;
      const float ax = u * Aspect * s, ay = v * s;
      float tri = GridLine(ay * 1.1547f, 0.03f);
      tri = std::max(tri, GridLine((ax * 0.8660254f + ay * 0.5f) * 1.1547f, 0.03f));
      tri = std::max(tri, GridLine((ax * 0.8660254f - ay * 0.5f) * 1.1547f, 0.03f));
      c = Add(c, Scale({1.0f, 0.45f, 0.15f, 1}, tri * 0.05f * (1.0f - 0.85f * calm)));
      image.At(x, y) = c;
    }
  Stars(image, 404, 450, {1.0f, 0.6f, 0.2f, 1}, 0.6f);
  Finish(image, 405);
  return image;
}

// Writes the JPEG; when its bytes changed, the bitmap the game converted from the old one
// is stale, so it goes and the next start converts again.
void WriteBackground(const std::string& run, const std::string& name, const Image& image) {
  const std::vector<uint8_t> bytes = EncodeJpeg(image, 90);
  const std::string jpg = run + "/textures/" + name + ".jpg";
  std::vector<uint8_t> old;
  if (std::ifstream f{jpg, std::ios::binary}) old.assign(std::istreambuf_iterator<char>(f), {});
  WriteFile(jpg, bytes);
  if (old != bytes) std::filesystem::remove(run + "/textures/" + name + ".bmp");
}

}  // namespace
}  // namespace zolvane::gen

int main(int argc, char** argv) {
  using namespace zolvane::gen;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <run folder>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1];
  // The menu's, then one per game type, as the manifest names them.
  using zolvane::BackgroundNames;
  WriteBackground(run, BackgroundNames[0], MenuBackground());
  WriteBackground(run, BackgroundNames[1], ClassicBackground());
  WriteBackground(run, BackgroundNames[2], AdvancedBackground());
  WriteBackground(run, BackgroundNames[3], SpecialBackground());
  WriteBackground(run, BackgroundNames[4], CrazyBackground());
  return 0;
}
