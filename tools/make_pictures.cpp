// Writes the brick picture, the three break pictures and the four spark pictures.
//
// usage: zolvane_make_pictures <run folder> <bold font file>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/image.h"
#include "tools/common/noise.h"
#include "tools/common/shapes.h"
#include "tools/common/text.h"

namespace zolvane::gen {
namespace {

constexpr float Pi = 3.14159265358979f;

// ---------------------------------------------------------------------------------------
// The brick picture. The game multiplies its red, green and blue by a factor per brick
// colour, so it stays near white: the shading lives in small differences of lightness.

Image BrickPicture() {
  const int size = 128;
  Image image(size, size);
  const float bevel = 7.0f / size, seam = 1.6f / size;
  // Light from the upper left, in picture coordinates (y grows downwards).
  const float lx = -0.5f, ly = -0.6f, lz = 0.62f;
  const int ss = 4;  // supersampling of the bevel's sharp facet borders

  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      float shade = 0;
      for (int sy = 0; sy < ss; ++sy)
        for (int sx = 0; sx < ss; ++sx) {
          const float u = (x + (sx + 0.5f) / ss) / size, v = (y + (sy + 0.5f) / ss) / size;
          const float dl = u, dr = 1 - u, dt = v, db = 1 - v;
          const float e = std::min(std::min(dl, dr), std::min(dt, db));
          float s = 1.0f;
          if (e < seam) {
            s = 0.70f;
          } else if (e < bevel) {
            // The facet of the nearest edge tilts towards that edge.
            const float tilt = 0.55f;
            float nx = 0, ny = 0;
            if (e == dl) nx = -tilt;
            else if (e == dr) nx = tilt;
            else if (e == dt) ny = -tilt;
            else ny = tilt;
            const float len = std::sqrt(nx * nx + ny * ny + 1);
            const float lit = (nx * lx + ny * ly + lz) / len / lz;
            s = 1.0f + (lit - 1.0f) * 0.30f;
          }
          shade += s;
        }
      shade /= ss * ss;

      const float u = (x + 0.5f) / size, v = (y + 0.5f) / size;
      float value = 0.90f * shade;
      // A soft highlight towards the upper left and a gentle fall of light downwards.
      const float hx = u - 0.33f, hy = v - 0.30f;
      value += 0.075f * std::exp(-(hx * hx + hy * hy) / (2 * 0.16f * 0.16f));
      value += 0.03f * (0.5f - v);
      // A faint engraved line inside the bevel frames the face.
      const float e = std::min(std::min(u, 1 - u), std::min(v, 1 - v)) * size;
      value -= 0.035f * std::exp(-std::pow((e - 15.0f) / 0.9f, 2.0f));
      value += 0.02f * std::exp(-std::pow((e - 16.3f) / 0.9f, 2.0f));
      // Fine grain, a little cloudy, so the faces are not flat plastic.
      value += 0.05f * (Fbm(u * 9.0f, v * 9.0f, 11, 4) - 0.5f);
      value += 0.018f * (Random01(x, y, 12) - 0.5f);
      value = std::clamp(value, 0.0f, 1.0f);
      image.At(x, y) = {value, value, value, 1};
    }
  return image;
}

// ---------------------------------------------------------------------------------------
// Break pictures: a dark glass panel with a bright border and big lettering.

struct TextPart {
  std::string text;
  Colour top, bottom;
};

Image Banner(const Font& font, const std::vector<TextPart>& parts, Colour accent, uint32_t seed) {
  const int w = 1024, h = 190;
  Image image(w, h);

  const Colour top = Mix({0.11f, 0.12f, 0.21f, 1}, Scale(accent, 0.35f), 0.25f);
  const Colour bottom = Mix({0.015f, 0.015f, 0.045f, 1}, Scale(accent, 0.12f), 0.3f);
  const float inset = 9, radius = 30;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float v = (y + 0.5f) / h, u = (x + 0.5f) / w;
      Colour c = Mix(top, bottom, std::pow(v, 0.8f));
      // Glass: a sheen over the upper part that fades before the middle.
      const float sheen = v < 0.46f ? std::pow(1 - v / 0.46f, 2.0f) * 0.085f : 0.0f;
      c = Add(c, {sheen, sheen, sheen * 1.1f, 0});
      // A faint light from the centre and a few long diagonal streaks.
      const float du = (u - 0.5f) * 2.2f, dv = (v - 0.55f) * 1.2f;
      c = Add(c, Scale(accent, 0.07f * std::exp(-(du * du + dv * dv) * 2.0f)));
      const float streak = std::pow(0.5f + 0.5f * std::sin((x * 0.9f + y * 2.4f) * 0.021f), 12.0f);
      c = Add(c, Scale({1, 1, 1, 0}, 0.012f * streak));
      const float grain = 0.012f * (Random01(x, y, seed) - 0.5f);
      c = Add(c, {grain, grain, grain, 0});
      // Outside the rounded border the panel is darker still.
      const float d = RoundedRectDistance(x + 0.5f, y + 0.5f, inset, inset, w - inset, h - inset, radius);
      if (d > 0) c = Scale(c, 0.45f);
      image.At(x, y) = c;
    }

  const Mask border = RoundedStroke(w, h, inset, radius, 3.5f);
  const Mask innerLine = RoundedStroke(w, h, inset + 7, radius - 7, 1.2f);
  AddGlow(image, Blur(border, 7.0f), accent, 0.9f);
  Paint(image, innerLine, Mix(accent, {1, 1, 1, 1}, 0.2f), 0.35f);
  Paint(image, border, Mix(accent, {1, 1, 1, 1}, 0.45f));

  Mask twinkles(w, h);
  Twinkle(twinkles, 46, h / 2.0f, 20);
  Twinkle(twinkles, w - 46, h / 2.0f, 20);
  AddGlow(image, Blur(twinkles, 4.0f), accent, 0.8f);
  Paint(image, twinkles, Mix(accent, {1, 1, 1, 1}, 0.6f));

  // The largest size at which the line fits between the twinkles.
  int pixelSize = 124;
  auto lineWidth = [&](int size) {
    int total = 0;
    for (const TextPart& p : parts) total += font.Measure(p.text, size);
    return total;
  };
  while (pixelSize > 20 && lineWidth(pixelSize) > w - 170) --pixelSize;
  const int baseline = h / 2 + font.CapHeight(pixelSize) / 2;

  std::vector<Mask> partMasks;
  Mask all(w, h);
  int x = (w - lineWidth(pixelSize)) / 2;
  for (const TextPart& p : parts) {
    Mask m(w, h);
    font.Draw(m, p.text, pixelSize, x, baseline);
    x += font.Measure(p.text, pixelSize);
    for (size_t i = 0; i < m.Values.size(); ++i) all.Values[i] = std::max(all.Values[i], m.Values[i]);
    partMasks.push_back(std::move(m));
  }

  Paint(image, Shifted(Blur(all, 4.0f), 5, 6), {0, 0, 0, 1}, 0.85f);
  AddGlow(image, Blur(all, 13.0f), accent, 0.75f);
  Mask outline = Blur(all, 1.6f);
  for (float& v : outline.Values) v = std::min(1.0f, v * 2.5f);
  Paint(image, outline, Scale(accent, 0.18f), 0.9f);

  // Letters lit from above: a vertical gradient per part.
  const int capTop = baseline - font.CapHeight(pixelSize);
  for (size_t i = 0; i < parts.size(); ++i)
    for (int y = 0; y < h; ++y) {
      const float t = std::clamp(static_cast<float>(y - capTop) / (baseline - capTop), 0.0f, 1.0f);
      const Colour c = Mix(parts[i].top, parts[i].bottom, t);
      for (int px = 0; px < w; ++px) {
        const float a = partMasks[i].At(px, y);
        if (a > 0) image.At(px, y) = Mix(image.At(px, y), c, a);
      }
    }
  return image;
}

// ---------------------------------------------------------------------------------------
// Spark pictures: the alpha channel is the shape; the colour stays the glow's colour where
// the picture is transparent so filtering never darkens the edge.

struct SparkStyle {
  Colour edge, core;
  int rays;          // 0: a round glow
  float raySharp;    // higher: thinner rays
  float rayLength;   // in half-widths of the picture
  float ring;        // radius of a faint ring, 0 for none
  uint32_t seed;     // flicker along the rays
};

Image Spark(const SparkStyle& s) {
  const int size = 64;
  Image image(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const float dx = (x + 0.5f - size / 2.0f) / (size / 2.0f), dy = (y + 0.5f - size / 2.0f) / (size / 2.0f);
      const float r = std::sqrt(dx * dx + dy * dy);
      const float theta = std::atan2(dy, dx);
      float a = 0.95f * std::exp(-(r * r) / (0.17f * 0.17f)) + 0.45f * std::exp(-(r * r) / (0.42f * 0.42f));
      if (s.rays > 0) {
        const float spoke = std::pow(std::fabs(std::cos(s.rays * 0.5f * theta)), s.raySharp);
        float flicker = 1.0f;
        if (s.seed) flicker = 0.65f + 0.7f * ValueNoise((theta + Pi) * 3.0f, 0.5f, s.seed);
        a += 0.9f * spoke * flicker * std::max(0.0f, 1 - r / s.rayLength);
      }
      if (s.ring > 0) a += 0.22f * std::exp(-std::pow((r - s.ring) / 0.04f, 2.0f));
      // Nothing at the border, so the quad's edge never shows.
      a *= 1 - SmoothStep(0.78f, 0.96f, r);
      const float hot = std::exp(-(r * r) / (0.22f * 0.22f));
      Colour c = Mix(s.edge, s.core, hot);
      c.a = std::clamp(a, 0.0f, 1.0f);
      image.At(x, y) = c;
    }
  return image;
}

}  // namespace
}  // namespace zolvane::gen

int main(int argc, char** argv) {
  using namespace zolvane::gen;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <run folder> <bold font file>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1];
  const Font font(argv[2]);

  WriteFile(run + "/data/models/brick.bmp", EncodeBmp24(BrickPicture()));

  const Colour white{1, 1, 1, 1};
  const Colour red{1.0f, 0.28f, 0.20f, 1}, blue{0.30f, 0.72f, 1.0f, 1}, amber{1.0f, 0.72f, 0.18f, 1};
  WriteFile(run + "/textures/gameover.bmp",
            EncodeBmp24(Banner(font, {{"GAME OVER", white, {1.0f, 0.62f, 0.50f, 1}}}, red, 21)));
  WriteFile(run + "/textures/pause.bmp",
            EncodeBmp24(Banner(font, {{"PAUSE", white, {0.62f, 0.86f, 1.0f, 1}}}, blue, 22)));
  WriteFile(run + "/textures/abortgame.bmp",
            EncodeBmp24(Banner(font,
                               {{"Abort the game?  ", white, {0.85f, 0.86f, 0.92f, 1}},
                                {"Y / N", {1.0f, 0.93f, 0.55f, 1}, amber}},
                               amber, 23)));

  // Each spark's colour stands against its game type's background: gold on blue, green on
  // the aurora, pink on violet, ice on the fire of "Crazy".
  WriteFile(run + "/textures/effect.tga",
            EncodeTga32(Spark({{1.0f, 0.78f, 0.25f, 1}, {1.0f, 1.0f, 0.85f, 1}, 4, 60, 0.90f, 0.35f, 0})));
  WriteFile(run + "/textures/effect2.tga",
            EncodeTga32(Spark({{0.40f, 1.0f, 0.30f, 1}, {0.95f, 1.0f, 0.85f, 1}, 4, 40, 0.95f, 0, 0})));
  WriteFile(run + "/textures/effect3.tga",
            EncodeTga32(Spark({{1.0f, 0.35f, 0.85f, 1}, {1.0f, 0.90f, 0.98f, 1}, 6, 30, 0.80f, 0.46f, 0})));
  WriteFile(run + "/textures/effect4.tga",
            EncodeTga32(Spark({{0.35f, 0.90f, 1.0f, 1}, {0.92f, 1.0f, 1.0f, 1}, 8, 10, 0.85f, 0, 41})));
  return 0;
}
