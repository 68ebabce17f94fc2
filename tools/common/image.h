// Float RGBA pictures for the generators, and the file formats the game reads.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane::gen {

struct Colour {
  float r = 0, g = 0, b = 0, a = 1;
};

Colour Mix(const Colour& a, const Colour& b, float t);
Colour Scale(const Colour& c, float s);
Colour Add(const Colour& a, const Colour& b);

// Row 0 is the top of the picture; channels nominally 0..1 and clamped on writing.
struct Image {
  int Width = 0, Height = 0;
  std::vector<Colour> Pixels;

  Image() = default;
  Image(int width, int height, Colour fill = {});
  Colour& At(int x, int y) { return Pixels[static_cast<size_t>(y) * Width + x]; }
  const Colour& At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// One channel of coverage, 0..1, row 0 at the top.
struct Mask {
  int Width = 0, Height = 0;
  std::vector<float> Values;

  Mask() = default;
  Mask(int width, int height);
  float& At(int x, int y) { return Values[static_cast<size_t>(y) * Width + x]; }
  float At(int x, int y) const { return Values[static_cast<size_t>(y) * Width + x]; }
  // 0 outside the mask, so shifted reads need no bounds checks at the call site.
  float Get(int x, int y) const;
};

// Separable Gaussian; sigma in pixels, edges clamp.
Mask Blur(const Mask& in, float sigma);
Mask Shifted(const Mask& in, int dx, int dy);

// Paints colour over the picture where the mask covers it, scaled by opacity.
void Paint(Image& image, const Mask& mask, const Colour& colour, float opacity = 1.0f);
// Adds colour times mask (light, glow).
void AddGlow(Image& image, const Mask& mask, const Colour& colour, float strength);

uint8_t ToByte(float v);

// 24-bit uncompressed Windows bitmap, rows bottom-up and padded to four bytes.
std::vector<uint8_t> EncodeBmp24(const Image& image);
// 32-bit uncompressed Targa with alpha, top-left origin.
std::vector<uint8_t> EncodeTga32(const Image& image);
// Baseline JPEG through libjpeg.
std::vector<uint8_t> EncodeJpeg(const Image& image, int quality);

// Writes the bytes, creating missing folders; exits with a message on failure.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteFile(const std::string& path, const std::string& text);

}  // namespace zolvane::gen
