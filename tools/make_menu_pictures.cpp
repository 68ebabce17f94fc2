// Writes the menu pictures: fifteen labels, five option values, the volume stripe and the
// logo.
//
// The game draws them in different ways, which decides how each is made:
// - labels are opaque rectangles, dimmed by the scene's light when not selected: glass
//   plaques that fill the picture edge to edge;
// - option values have white keyed out and are drawn without blending, so their white shows
//   black: lettering with a hard dark outline, framed like a small display;
// - the stripe has white keyed out and is blended, so white is see-through and everything
//   else opaque: bars with hard dark outlines;
// - the logo is added to the screen: black adds nothing, so it is drawn on black, and the
//   black then becomes the keyed white.
//
// usage: zolvane_make_menu_pictures <run folder> <bold font file>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/data_files.h"
#include "tools/common/image.h"
#include "tools/common/lettering.h"
#include "tools/common/noise.h"
#include "tools/common/shapes.h"
#include "tools/common/text.h"

namespace zolvane::gen {
namespace {

constexpr float Pi = 3.14159265358979f;
const Colour White{1, 1, 1, 1};

// Light from the upper left on a blurred shape: positive on its lit edges.
float Bevel(const Mask& soft, int x, int y) { return soft.Get(x - 1, y - 1) - soft.Get(x + 1, y + 1); }

Colour Lit(const Colour& base, float light, float strength) {
  return light > 0 ? Mix(base, White, std::min(1.0f, light * strength))
                   : Scale(base, 1 + std::max(-0.5f, light * strength));
}

// ---------------------------------------------------------------------------------------
// Labels: glass plaques with a glowing border and lit lettering, one accent per group.

constexpr int LabelWidth = 648, LabelHeight = 120;  // the quad's 5.4 : 1

struct LabelStyle {
  Colour Accent;
  Colour TextTop, TextBottom;
};

// One size for every label, so a menu's lines match: the largest at which the longest fits.
float LabelTextSize(const Font& font, const std::vector<std::string>& texts) {
  float size = 70;
  auto fits = [&](float s) {
    if (font.TextBox("H", s).Height() > LabelHeight * 0.42f) return false;
    for (const std::string& t : texts)
      if (font.TextBox(t, s).Width() > LabelWidth - 2 * 92) return false;
    return true;
  };
  while (size > 20 && !fits(size)) size -= 0.5f;
  return size;
}

void LabelPanel(Image& image, const Colour& accent, uint32_t seed) {
  const int w = image.Width, h = image.Height;
  const Colour top = Mix({0.12f, 0.13f, 0.22f, 1}, Scale(accent, 0.40f), 0.28f);
  const Colour bottom = Mix({0.015f, 0.015f, 0.045f, 1}, Scale(accent, 0.12f), 0.3f);
  const float inset = 5, radius = 24;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float v = (y + 0.5f) / h, u = (x + 0.5f) / w;
      Colour c = Mix(top, bottom, std::pow(v, 0.8f));
      // Glass: a sheen over the upper part ending in a soft edge above the middle.
      const float sheen = v < 0.47f ? 0.02f + std::pow(1 - v / 0.47f, 1.6f) * 0.09f : 0.0f;
      c = Add(c, {sheen, sheen, sheen * 1.1f, 0});
      const float du = (u - 0.5f) * 2.0f, dv = (v - 0.6f) * 1.3f;
      c = Add(c, Scale(accent, 0.09f * std::exp(-(du * du + dv * dv) * 2.2f)));
      const float streak = std::pow(0.5f + 0.5f * std::sin((x * 0.9f + y * 2.4f) * 0.03f), 14.0f);
      c = Add(c, Scale(White, 0.014f * streak));
      const float grain = 0.012f * (Random01(x, y, seed) - 0.5f);
      c = Add(c, {grain, grain, grain, 0});
      const float d = RoundedRectDistance(x + 0.5f, y + 0.5f, inset, inset, w - inset, h - inset, radius);
      if (d > 0) c = Scale(c, 0.45f);
      c.a = 1;
      image.At(x, y) = c;
    }

  const Mask border = RoundedStroke(w, h, inset, radius, 3.0f);
  const Mask innerLine = RoundedStroke(w, h, inset + 6, radius - 6, 1.2f);
  AddGlow(image, Blur(border, 5.0f), accent, 0.8f);
  Paint(image, innerLine, Mix(accent, White, 0.2f), 0.3f);
  Paint(image, border, Mix(accent, White, 0.45f));

  Mask twinkles(w, h);
  Twinkle(twinkles, 38, h / 2.0f, 15);
  Twinkle(twinkles, w - 38, h / 2.0f, 15);
  AddGlow(image, Blur(twinkles, 3.0f), accent, 0.8f);
  Paint(image, twinkles, Mix(accent, White, 0.6f));
}

Image Label(const Font& font, float size, const std::string& text, const LabelStyle& style, uint32_t seed) {
  Image image(LabelWidth, LabelHeight);
  LabelPanel(image, style.Accent, seed);

  const InkBox cap = font.TextBox("H", size), box = font.TextBox(text, size);
  const float baseline = LabelHeight / 2.0f + cap.Height() / 2, x = LabelWidth / 2.0f - (box.Left + box.Right) / 2;
  Mask fill(LabelWidth, LabelHeight), grown(LabelWidth, LabelHeight);
  font.DrawOutline(fill, text, size, {}, x, baseline);
  font.DrawOutline(grown, text, size, {1, 1, 2.2f}, x, baseline);

  Paint(image, Shifted(Blur(grown, 3.0f), 3, 4), {0, 0, 0, 1}, 0.8f);
  AddGlow(image, Blur(fill, 11.0f), style.Accent, 0.7f);
  Paint(image, grown, Scale(style.Accent, 0.12f), 0.95f);
  const Mask soft = Blur(fill, 1.5f);
  const float capTop = baseline + cap.Top;
  for (int y = 0; y < LabelHeight; ++y) {
    const float t = std::clamp((y + 0.5f - capTop) / (baseline - capTop), 0.0f, 1.0f);
    const Colour c = Mix(style.TextTop, style.TextBottom, t);
    for (int px = 0; px < LabelWidth; ++px) {
      const float a = fill.At(px, y);
      if (a > 0) image.At(px, y) = Mix(image.At(px, y), Lit(c, Bevel(soft, px, y), 0.7f), a);
    }
  }
  return image;
}

// ---------------------------------------------------------------------------------------
// Option values: keyed white shows black on screen, so they read as small displays: a thin
// frame, lettering and a sign, all with hard dark outlines on the white.

constexpr int ValueWidth = 270, ValueHeight = 130;  // the quad's 2.08 : 1
const Colour ValueAccent{0.35f, 0.95f, 0.45f, 1};
const Colour ValueOutline{0.02f, 0.09f, 0.04f, 1};

constexpr float ValueGrow = 2.5f;

// Fill and grown coverage of lettering and signs.
struct Ink {
  Mask Fill, Grown;
  Ink(int w, int h) : Fill(w, h), Grown(w, h) {}
  void Polygon(const std::vector<Point>& p) {
    FillPolygon(Fill, p);
    FillPolygon(Grown, p, ValueGrow);
  }
};

void PaintValueInk(Image& image, const Ink& ink, float top, float bottom, const Colour& hi, const Colour& lo) {
  const Mask soft = Blur(ink.Fill, 1.3f);
  PaintOutlined(image, ink.Fill, ink.Grown, ValueOutline, [&](int x, int y) {
    const float t = std::clamp((y + 0.5f - top) / (bottom - top), 0.0f, 1.0f);
    return Lit(Mix(hi, lo, t), Bevel(soft, x, y), 0.6f);
  });
}

// Rotation signs: a round arrow turning the way the value says.
void RoundArrow(Ink& ink, float cx, float cy, float radius, float thickness, bool clockwise) {
  // The ring from the top, round the far side, stopping short of the top; the head points on.
  const float gap = 0.95f;  // radians left open at the top
  std::vector<Point> ring;
  const int steps = 48;
  const float start = -Pi / 2 + gap / 2, end = -Pi / 2 + 2 * Pi - gap / 2;
  for (int i = 0; i <= steps; ++i) {
    const float a = start + (end - start) * i / steps;
    ring.push_back({cx + (radius + thickness / 2) * std::cos(a), cy + (radius + thickness / 2) * std::sin(a)});
  }
  for (int i = steps; i >= 0; --i) {
    const float a = start + (end - start) * i / steps;
    ring.push_back({cx + (radius - thickness / 2) * std::cos(a), cy + (radius - thickness / 2) * std::sin(a)});
  }
  // The head sits on the end the arrow travels to; with y downwards, growing angles turn
  // clockwise on screen.
  const float tip = clockwise ? end : start;
  const float dir = clockwise ? 1.0f : -1.0f;
  const float bx = cx + radius * std::cos(tip), by = cy + radius * std::sin(tip);
  const float tx = -std::sin(tip) * dir, ty = std::cos(tip) * dir;  // along the travel
  const float nx = std::cos(tip), ny = std::sin(tip);
  const float headLength = thickness * 1.7f, headHalf = thickness * 1.45f, back = thickness * 0.4f;
  const std::vector<Point> head = {{bx + nx * headHalf - tx * back, by + ny * headHalf - ty * back},
                                   {bx + tx * headLength, by + ty * headLength},
                                   {bx - nx * headHalf - tx * back, by - ny * headHalf - ty * back}};
  ink.Polygon(ring);
  ink.Polygon(head);
}

enum class Sign { Clockwise, AntiClockwise, Level1, Level2, Level3 };

constexpr float RotationSignWidth = 58, RotationSignGap = 14;

bool IsRotation(Sign sign) { return sign == Sign::Clockwise || sign == Sign::AntiClockwise; }

// One size for all values: the largest at which each fits inside the frame.
float ValueTextSize(const Font& font, const std::vector<std::pair<std::string, Sign>>& values) {
  auto fits = [&](float s) {
    if (font.TextBox("H", s).Height() > ValueHeight * 0.40f) return false;
    for (const auto& [text, sign] : values) {
      const float signWidth = IsRotation(sign) ? RotationSignWidth + RotationSignGap : 0;
      if (font.TextBox(text, s).Width() + signWidth > ValueWidth - 2 * 24) return false;
    }
    return true;
  };
  float size = 80;
  while (size > 16 && !fits(size)) size -= 0.5f;
  return size;
}

Image OptionValue(const Font& font, float size, const std::string& text, Sign sign) {
  const int w = ValueWidth, h = ValueHeight;
  Image image(w, h, White);

  Ink frame(w, h);
  frame.Fill = RoundedStroke(w, h, 9, 20, 3.0f);
  frame.Grown = RoundedStroke(w, h, 9, 20, 3.0f + 2 * ValueGrow);
  PaintValueInk(image, frame, 0, static_cast<float>(h), Mix(ValueAccent, White, 0.3f), Scale(ValueAccent, 0.6f));

  const bool rotation = IsRotation(sign);
  const InkBox cap = font.TextBox("H", size), box = font.TextBox(text, size);
  const float signWidth = rotation ? RotationSignWidth : 0, gap = rotation ? RotationSignGap : 0;
  const float total = signWidth + gap + box.Width();
  float baseline = h / 2.0f + cap.Height() / 2;
  if (!rotation) baseline -= 12;  // room for the level pips below
  const float left = (w - total) / 2;
  Ink letters(w, h);
  const float pen = left + signWidth + gap - box.Left;
  font.DrawOutline(letters.Fill, text, size, {}, pen, baseline);
  font.DrawOutline(letters.Grown, text, size, {1, 1, ValueGrow}, pen, baseline);
  if (rotation) RoundArrow(letters, left + signWidth / 2, h / 2.0f, 21, 8.5f, sign == Sign::Clockwise);
  const float capTop = baseline + cap.Top;
  PaintValueInk(image, letters, capTop, baseline, {0.93f, 1.0f, 0.90f, 1}, Scale(ValueAccent, 0.85f));

  const int level = sign == Sign::Level1 ? 1 : sign == Sign::Level2 ? 2 : sign == Sign::Level3 ? 3 : 0;
  if (level) {
    Ink on(w, h), off(w, h);
    const float cy = baseline + 22, r = 8.0f;
    for (int i = 0; i < 3; ++i) {
      const float cx = w / 2.0f + (i - 1) * 34.0f;
      (i < level ? on : off).Polygon({{cx, cy - r}, {cx + r, cy}, {cx, cy + r}, {cx - r, cy}});
    }
    PaintValueInk(image, on, cy - r, cy + r, {1.0f, 1.0f, 0.80f, 1}, {1.0f, 0.75f, 0.2f, 1});
    PaintValueInk(image, off, cy - r, cy + r, {0.30f, 0.36f, 0.32f, 1}, {0.18f, 0.22f, 0.2f, 1});
  }
  return image;
}

// ---------------------------------------------------------------------------------------
// The volume stripe: ten bars rising left to right, green through yellow to red, centred
// where the game puts the volume mark.

Image Stripe() {
  const int w = 512, h = 104;
  Image image(w, h, White);
  const float grow = 2.5f, bottom = h - 6.0f, lowest = 22, highest = h - 12.0f;
  for (int v = 0; v < 10; ++v) {
    const float cx = (0.084f + 0.0936f * v) * w, half = 15.5f;
    const float height = lowest + (highest - lowest) * v / 9.0f, top = bottom - height;
    Mask fill(w, h), grown(w, h);
    const std::vector<Point> bar = {{cx - half, top}, {cx + half, top}, {cx + half, bottom}, {cx - half, bottom}};
    FillPolygon(fill, bar);
    FillPolygon(grown, bar, grow);
    const float t = v / 9.0f;
    const Colour hue = Gradient({{0.0f, {0.20f, 0.90f, 0.25f, 1}},
                                 {0.5f, {1.0f, 0.88f, 0.15f, 1}},
                                 {1.0f, {1.0f, 0.22f, 0.12f, 1}}},
                                t);
    const Mask soft = Blur(fill, 1.5f);
    PaintOutlined(image, fill, grown, Scale(hue, 0.14f), [&](int x, int y) {
      // Lit glass: bright at the top, the hue's own colour below, a little darker at the foot.
      const float s = (y + 0.5f - top) / (bottom - top);
      const Colour c = Gradient({{0.0f, Mix(hue, White, 0.55f)}, {0.35f, hue}, {1.0f, Scale(hue, 0.62f)}}, s);
      return Lit(c, Bevel(soft, x, y), 0.8f);
    });
  }
  return image;
}

// ---------------------------------------------------------------------------------------
// The logo: drawn on black, glowing, then black turned into the keyed white.

Image Logo(const Font& font) {
  const int w = 1024, h = 133;
  Image image(w, h);
  const std::string text = "ZOLVANE";
  const float size = 114;
  const GlyphStyle wide{1.06f, 1, 0};
  const InkBox cap = font.TextBox("H", size, wide);
  // Letters spaced apart a little: a logo, not a line of text.
  const float spacing = 10;
  std::vector<float> pens;
  float pen = 0;
  for (char c : text) {
    pens.push_back(pen);
    pen += font.Advance(std::string(1, c), size, wide) + spacing;
  }
  const InkBox last = font.TextBox(text.substr(text.size() - 1), size, wide);
  const float inkWidth = pens.back() + last.Right - font.TextBox(text.substr(0, 1), size, wide).Left;
  const float x0 = (w - inkWidth) / 2 - font.TextBox(text.substr(0, 1), size, wide).Left;
  const float baseline = h / 2.0f + cap.Height() / 2;
  Mask fill(w, h), rim(w, h);
  for (size_t i = 0; i < text.size(); ++i) {
    font.DrawOutline(fill, text.substr(i, 1), size, wide, x0 + pens[i], baseline);
    GlyphStyle grown = wide;
    grown.Grow = 3.0f;
    font.DrawOutline(rim, text.substr(i, 1), size, grown, x0 + pens[i], baseline);
  }
  const float capTop = baseline + cap.Top;
  const float left = x0, right = x0 + inkWidth;

  // Colour across the word: ice cyan, violet, gold.
  auto across = [&](float x) {
    return Gradient({{0.0f, {0.20f, 0.85f, 1.0f, 1}},
                     {0.5f, {0.70f, 0.35f, 1.0f, 1}},
                     {1.0f, {1.0f, 0.70f, 0.10f, 1}}},
                    (x - left) / (right - left));
  };

  // The soft glow around, in the letters' own colour.
  const Mask glow = Blur(fill, 9.0f), haze = Blur(fill, 22.0f);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Colour c = across(x + 0.5f);
      image.At(x, y) = Add(Scale(c, 0.75f * glow.At(x, y)), Scale(c, 0.45f * haze.At(x, y)));
    }
  // A thin line of light through the word, brightest in the middle.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float u = (x + 0.5f - w / 2.0f) / (w / 2.0f), dy = y + 0.5f - (baseline + 7);
      const float beam = std::exp(-dy * dy / 3.0f) * std::max(0.0f, 1 - u * u) * 0.55f;
      image.At(x, y) = Add(image.At(x, y), Scale(Mix(across(x + 0.5f), White, 0.5f), beam));
    }

  // A darker rim holds the letters apart from the glow; the face is lit from above with a
  // bright band across the upper half.
  Paint(image, rim, {0.03f, 0.02f, 0.08f, 1}, 0.8f);
  const Mask soft = Blur(fill, 1.8f);
  for (int y = 0; y < h; ++y) {
    const float t = std::clamp((y + 0.5f - capTop) / (baseline - capTop), 0.0f, 1.0f);
    const float band = 0.55f * std::exp(-std::pow((t - 0.30f) / 0.16f, 2.0f));
    for (int x = 0; x < w; ++x) {
      const float a = fill.At(x, y);
      if (a <= 0) continue;
      Colour c = across(x + 0.5f);
      c = Mix(Mix(c, White, 0.25f), Scale(c, 0.72f), t);
      c = Mix(c, White, band);
      image.At(x, y) = Mix(image.At(x, y), Lit(c, Bevel(soft, x, y), 0.9f), a);
    }
  }

  Mask twinkles(w, h);
  Twinkle(twinkles, right - 6, capTop + 4, 22);
  Twinkle(twinkles, left + 30, baseline - 4, 14);
  AddGlow(image, Blur(twinkles, 2.0f), {0.9f, 0.9f, 1.0f, 1}, 0.9f);
  Paint(image, twinkles, {0.97f, 0.97f, 1.0f, 1}, 0.85f);

  // Nothing may glow at the picture's edge, or its rectangle shows; near-black adds nothing
  // visible, so it becomes the keyed white; the logo's own white stays just off it.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float edge = std::min({x + 0.5f, w - x - 0.5f, y + 0.5f, h - y - 0.5f});
      Colour& c = image.At(x, y);
      c = Scale(c, SmoothStep(0.0f, 10.0f, edge));
      if (ToByte(c.r) <= 4 && ToByte(c.g) <= 4 && ToByte(c.b) <= 4)
        c = White;
      else if (ToByte(c.r) == 255 && ToByte(c.g) == 255 && ToByte(c.b) == 255)
        c.b = 254.0f / 255.0f;
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
  // The pictures are made in the order of their names in the manifest.
  int next = 0;
  auto write = [&](const Image& image) {
    WriteFile(run + "/textures/" + zolvane::MenuPictureNames[next++] + ".bmp", EncodeBmp24(image));
  };

  struct LabelSpec {
    const char* text;
    LabelStyle style;
  };
  const LabelStyle menu{{0.25f, 0.65f, 1.0f, 1}, {0.97f, 0.99f, 1.0f, 1}, {0.62f, 0.84f, 1.0f, 1}};
  const LabelStyle options{{0.30f, 0.95f, 0.45f, 1}, {0.96f, 1.0f, 0.94f, 1}, {0.62f, 1.0f, 0.66f, 1}};
  const LabelStyle silver{{0.68f, 0.72f, 0.80f, 1}, {1.0f, 1.0f, 1.0f, 1}, {0.70f, 0.74f, 0.82f, 1}};
  const LabelStyle classic{{1.0f, 0.74f, 0.18f, 1}, {1.0f, 0.98f, 0.80f, 1}, {1.0f, 0.78f, 0.30f, 1}};
  const LabelStyle advanced{{0.35f, 1.0f, 0.40f, 1}, {0.94f, 1.0f, 0.88f, 1}, {0.55f, 1.0f, 0.50f, 1}};
  const LabelStyle special{{1.0f, 0.35f, 0.90f, 1}, {1.0f, 0.94f, 1.0f, 1}, {1.0f, 0.62f, 0.95f, 1}};
  const LabelStyle crazy{{1.0f, 0.40f, 0.15f, 1}, {1.0f, 0.95f, 0.82f, 1}, {1.0f, 0.55f, 0.30f, 1}};
  const std::vector<LabelSpec> labels = {
      {"New Game", menu},  {"Options", menu},     {"High Scores", menu}, {"Help", menu},
      {"Exit", menu},      {"Sound", options},    {"Music", options},    {"Rotation", options},
      {"Quality", options}, {"Return", silver},   {"Classic", classic},  {"Advanced", advanced},
      {"Special", special}, {"Crazy", crazy},     {"Return", silver},
  };
  std::vector<std::string> texts;
  for (const LabelSpec& l : labels) texts.push_back(l.text);
  const float size = LabelTextSize(font, texts);
  uint32_t seed = 31;
  for (const LabelSpec& l : labels) write(Label(font, size, l.text, l.style, seed++));

  // The values that take turns in one place share a size.
  const std::vector<std::pair<std::string, Sign>> rotations = {{"CW", Sign::Clockwise},
                                                               {"CCW", Sign::AntiClockwise}};
  const std::vector<std::pair<std::string, Sign>> qualities = {
      {"Low", Sign::Level1}, {"Medium", Sign::Level2}, {"High", Sign::Level3}};
  const float rotationSize = ValueTextSize(font, rotations), qualitySize = ValueTextSize(font, qualities);
  write(OptionValue(font, rotationSize, "CW", Sign::Clockwise));
  write(OptionValue(font, rotationSize, "CCW", Sign::AntiClockwise));
  write(OptionValue(font, qualitySize, "Low", Sign::Level1));
  write(OptionValue(font, qualitySize, "Medium", Sign::Level2));
  write(OptionValue(font, qualitySize, "High", Sign::Level3));
  write(Stripe());
  write(Logo(font));
  return next == zolvane::MenuPictureCount ? 0 : 1;
}
