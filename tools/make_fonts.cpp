// Writes the four font strips: 52 glyphs side by side in fixed cells, 64 rows high, on
// white. The game cuts the cells at fixed columns, keys out near-white and draws every
// other pixel opaque, so each glyph has a dark outline with a hard outer edge and its fill
// fades into the outline, never into the white.
//
// usage: zolvane_make_fonts <run folder> <condensed bold font file>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/image.h"
#include "tools/common/lettering.h"
#include "tools/common/text.h"

namespace zolvane::gen {
namespace {

constexpr int Height = 64, StripWidth = 1616;
constexpr std::array<int, 53> GlyphLeft = {
    4,    45,   62,   94,   125,  163,  191,  224,  256,  290,  323,  361,  397,  432,  473,  505,  537,  577,
    616,  633,  655,  693,  725,  770,  803,  843,  878,  918,  957,  984,  1018, 1052, 1088, 1133, 1165, 1198,
    1229, 1246, 1264, 1284, 1307, 1330, 1349, 1372, 1395, 1428, 1468, 1476, 1500, 1526, 1569, 1598, 1613};
const std::string Glyphs = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ:,!<>'-\"+/|=?@$.";

// The cells are narrower than the face's letters: wide letters are condensed to fit, and a
// few shapes are drawn by hand where condensing would spoil them.
constexpr float PixelSize = 56.0f;
constexpr float Outline = 2.25f;

struct Cell {
  int Left = 0, Width = 0;
  float Margin = 2;     // clear columns on each side; the spacing between letters
  float MaxScaleX = 1;  // how far a narrow glyph may widen to fill its cell
  float Grow = Outline;
};

Cell CellOf(size_t index) {
  Cell cell;
  cell.Left = GlyphLeft[index];
  cell.Width = GlyphLeft[index + 1] - cell.Left;
  if (cell.Width < 20) cell.Margin = 1;
  switch (Glyphs[index]) {
    case '/': cell.MaxScaleX = 1.35f; break;
    case '|': cell.Grow = 1.5f; break;
    case '@': cell.Grow = 1.75f; break;  // keeps its small counters open
    default: break;
  }
  return cell;
}

// Fill and grown coverage of one glyph in a mask the size of its cell.
struct Shape {
  Mask Fill, Grown;
};

struct Metrics {
  float Baseline;  // capitals centred on the middle row, where the game puts the line
  float CapTop;
};

Metrics MetricsOf(const Font& font) {
  const InkBox h = font.TextBox("H", PixelSize);
  const float baseline = Height / 2.0f + h.Height() / 2;
  return {baseline, baseline + h.Top};
}

Shape FaceGlyph(const Font& font, const Metrics& m, const Cell& cell, char c) {
  const std::string text(1, c);
  GlyphStyle style;
  const InkBox natural = font.TextBox(text, PixelSize, style);
  const float room = cell.Width - 2 * cell.Margin - 2 * cell.Grow;
  style.ScaleX = std::min(cell.MaxScaleX, room / natural.Width());

  // Tall shapes (the bar, the dollar) shrink about the middle row to keep clear rows.
  float baseline = m.Baseline;
  const float top = m.Baseline + natural.Top - cell.Grow, bottom = m.Baseline + natural.Bottom + cell.Grow;
  const float half = std::max(Height / 2.0f - top, bottom - Height / 2.0f), allowed = Height / 2.0f - 1.5f;
  if (half > allowed) {
    style.ScaleY = (allowed - cell.Grow) / (half - cell.Grow);
    baseline = Height / 2.0f + (m.Baseline - Height / 2.0f) * style.ScaleY;
  }

  const InkBox box = font.TextBox(text, PixelSize, style);
  const float pen = cell.Width / 2.0f - (box.Left + box.Right) / 2;
  Shape s{Mask(cell.Width, Height), Mask(cell.Width, Height)};
  font.DrawOutline(s.Fill, text, PixelSize, style, pen, baseline);
  style.Grow = cell.Grow;
  font.DrawOutline(s.Grown, text, PixelSize, style, pen, baseline);
  return s;
}

Shape PolygonGlyph(const Cell& cell, const std::vector<std::vector<Point>>& parts) {
  Shape s{Mask(cell.Width, Height), Mask(cell.Width, Height)};
  for (const auto& p : parts) {
    FillPolygon(s.Fill, p);
    FillPolygon(s.Grown, p, cell.Grow);
  }
  return s;
}

// A one without the foot: the face's foot would not leave a readable stem in 17 columns.
Shape One(const Metrics& m, const Cell& cell) {
  const float right = cell.Width - cell.Margin - cell.Grow, stem = 6.5f, left = cell.Margin + cell.Grow;
  const float top = m.CapTop, base = m.Baseline, stemLeft = right - stem;
  return PolygonGlyph(cell, {{{stemLeft, top},
                              {right, top},
                              {right, base},
                              {stemLeft, base},
                              {stemLeft, top + 12.5f},
                              {left, top + 14.5f},
                              {left, top + 8.0f}}});
}

// The hyphen doubles as a horizontal rule, so it runs almost from edge to edge and its ends
// have no outline: a row of them reads as one line.
Shape Hyphen(const Metrics& m, const Cell& cell) {
  const float left = 1, right = cell.Width - 1.0f, top = m.Baseline - 20.0f, bottom = m.Baseline - 12.5f;
  Shape s = PolygonGlyph(cell, {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}});
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < cell.Width; ++x)
      if (x < left || x >= right) s.Grown.At(x, y) = 0;
  return s;
}

struct FontStyle {
  Colour Outline;
  std::vector<Stop> Fill;  // from the capitals' top (0) to the baseline (1)
  float Bevel = 0.6f;
};

Image Strip(const Font& font, const FontStyle& style) {
  const Metrics m = MetricsOf(font);
  Image image(StripWidth, Height, {1, 1, 1, 1});
  for (size_t i = 0; i < Glyphs.size(); ++i) {
    const Cell cell = CellOf(i);
    const char c = Glyphs[i];
    const Shape s = c == '1' ? One(m, cell) : c == '-' ? Hyphen(m, cell) : FaceGlyph(font, m, cell, c);
    // A soft bevel, lit from the upper left, so the big sizes look moulded.
    const Mask soft = Blur(s.Fill, 1.3f);
    Image glyph(cell.Width, Height, {1, 1, 1, 1});
    PaintOutlined(glyph, s.Fill, s.Grown, style.Outline, [&](int x, int y) {
      const Colour base = Gradient(style.Fill, (y + 0.5f - m.CapTop) / (m.Baseline - m.CapTop));
      const float light = soft.Get(x - 1, y - 1) - soft.Get(x + 1, y + 1);
      return light > 0 ? Mix(base, {1, 1, 1, 1}, std::min(1.0f, light * style.Bevel))
                       : Scale(base, 1 + std::max(-0.5f, light * style.Bevel));
    });
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < cell.Width; ++x) image.At(cell.Left + x, y) = glyph.At(x, y);
  }
  return image;
}

}  // namespace
}  // namespace zolvane::gen

int main(int argc, char** argv) {
  using namespace zolvane::gen;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <run folder> <condensed bold font file>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1];
  const Font font(argv[2]);

  const std::vector<FontStyle> styles = {
      // White, cooling to a grey-blue at the foot.
      {{0.06f, 0.07f, 0.13f, 1}, {{0.0f, {0.98f, 0.98f, 0.97f, 1}}, {0.55f, {0.93f, 0.95f, 0.98f, 1}},
                                   {1.0f, {0.70f, 0.78f, 0.90f, 1}}}},
      // Gold: yellow to orange, dark brown outline.
      {{0.20f, 0.09f, 0.02f, 1}, {{0.0f, {1.0f, 0.97f, 0.62f, 1}}, {0.45f, {1.0f, 0.82f, 0.22f, 1}},
                                   {1.0f, {0.93f, 0.48f, 0.06f, 1}}}},
      // Ice: white-cyan to a deeper cyan, navy outline.
      {{0.02f, 0.07f, 0.20f, 1}, {{0.0f, {0.88f, 0.99f, 1.0f, 1}}, {0.5f, {0.55f, 0.90f, 1.0f, 1}},
                                   {1.0f, {0.20f, 0.62f, 0.95f, 1}}}},
      // Warm: cream to orange to red.
      {{0.16f, 0.03f, 0.03f, 1}, {{0.0f, {1.0f, 0.96f, 0.82f, 1}}, {0.45f, {1.0f, 0.70f, 0.30f, 1}},
                                   {1.0f, {0.90f, 0.26f, 0.14f, 1}}}},
  };
  for (size_t n = 0; n < styles.size(); ++n)
    WriteFile(run + "/data/fonts/font" + std::to_string(n + 1) + ".bmp", EncodeBmp24(Strip(font, styles[n])));
  return 0;
}
