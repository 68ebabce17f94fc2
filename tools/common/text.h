// Text rendered with FreeType into coverage masks.
#pragma once
#include <string>

#include "tools/common/image.h"

namespace zolvane::gen {

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

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace zolvane::gen
