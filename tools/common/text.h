// Text rendered with FreeType into coverage masks.
#pragma once
#include <string>
#include <vector>

#include "tools/common/image.h"

namespace zolvane::gen {

// Outline drawing with fractional sizes and positions: the glyph is scaled about its pen
// position, then grown outwards by Grow pixels with round joins (0: the plain shape).
struct GlyphStyle {
  float ScaleX = 1, ScaleY = 1;
  float Grow = 0;
};

// Ink extent in pixels, y downwards; Empty when nothing is drawn.
struct InkBox {
  float Left = 0, Top = 0, Right = 0, Bottom = 0;
  bool Empty = true;
  float Width() const { return Right - Left; }
  float Height() const { return Bottom - Top; }
};

struct Point {
  float X = 0, Y = 0;  // pixels, y downwards
};

// Fills a closed polygon, grown like a glyph; anti-aliased, maximum with what is there.
void FillPolygon(Mask& mask, const std::vector<Point>& polygon, float grow = 0);

class Font {
 public:
  explicit Font(const std::string& path);  // exits with a message when the file won't load
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  // Advance width of the text at the pixel size, kerning included.
  int Measure(const std::string& text, int pixelSize) const;
  // Height of capital letters above the baseline.
  int CapHeight(int pixelSize) const;
  // Draws the text's coverage into mask (maximum with what is there), baseline at y.
  void Draw(Mask& mask, const std::string& text, int pixelSize, int x, int baseline) const;

  // The same for outlines at fractional sizes and positions (unhinted), with a style.
  // The box is relative to the pen start on the baseline.
  InkBox TextBox(const std::string& text, float pixelSize, const GlyphStyle& style = {}) const;
  float Advance(const std::string& text, float pixelSize, const GlyphStyle& style = {}) const;
  void DrawOutline(Mask& mask, const std::string& text, float pixelSize, const GlyphStyle& style, float x,
                   float baseline) const;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace zolvane::gen
