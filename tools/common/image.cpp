#include "tools/common/image.h"

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace zolvane::gen {

Colour Mix(const Colour& a, const Colour& b, float t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
          a.a + (b.a - a.a) * t};
}

Colour Scale(const Colour& c, float s) { return {c.r * s, c.g * s, c.b * s, c.a}; }

Colour Add(const Colour& a, const Colour& b) { return {a.r + b.r, a.g + b.g, a.b + b.b, a.a}; }

Image::Image(int width, int height, Colour fill)
    : Width(width), Height(height), Pixels(static_cast<size_t>(width) * height, fill) {}

Mask::Mask(int width, int height)
    : Width(width), Height(height), Values(static_cast<size_t>(width) * height, 0.0f) {}

float Mask::Get(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width || y >= Height) return 0.0f;
  return At(x, y);
}

Mask Blur(const Mask& in, float sigma) {
  if (sigma <= 0.0f) return in;
  const int radius = static_cast<int>(std::ceil(sigma * 3.0f));
  std::vector<float> kernel(2 * radius + 1);
  float sum = 0;
  for (int i = -radius; i <= radius; ++i) {
    kernel[i + radius] = std::exp(-(i * i) / (2.0f * sigma * sigma));
    sum += kernel[i + radius];
  }
  for (float& k : kernel) k /= sum;

  Mask tmp(in.Width, in.Height), out(in.Width, in.Height);
  for (int y = 0; y < in.Height; ++y)
    for (int x = 0; x < in.Width; ++x) {
      float acc = 0;
      for (int i = -radius; i <= radius; ++i)
        acc += kernel[i + radius] * in.At(std::clamp(x + i, 0, in.Width - 1), y);
      tmp.At(x, y) = acc;
    }
  for (int y = 0; y < in.Height; ++y)
    for (int x = 0; x < in.Width; ++x) {
      float acc = 0;
      for (int i = -radius; i <= radius; ++i)
        acc += kernel[i + radius] * tmp.At(x, std::clamp(y + i, 0, in.Height - 1));
      out.At(x, y) = acc;
    }
  return out;
}

Mask Shifted(const Mask& in, int dx, int dy) {
  Mask out(in.Width, in.Height);
  for (int y = 0; y < in.Height; ++y)
    for (int x = 0; x < in.Width; ++x) out.At(x, y) = in.Get(x - dx, y - dy);
  return out;
}

void Paint(Image& image, const Mask& mask, const Colour& colour, float opacity) {
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const float t = std::clamp(mask.Get(x, y) * opacity, 0.0f, 1.0f);
      if (t > 0) image.At(x, y) = Mix(image.At(x, y), colour, t);
    }
}

void AddGlow(Image& image, const Mask& mask, const Colour& colour, float strength) {
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const float t = mask.Get(x, y) * strength;
      if (t > 0) {
        Colour& p = image.At(x, y);
        p.r += colour.r * t;
        p.g += colour.g * t;
        p.b += colour.b * t;
      }
    }
}

uint8_t ToByte(float v) {
  const float c = std::clamp(v, 0.0f, 1.0f) * 255.0f;
  return static_cast<uint8_t>(std::lround(c));
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(v & 0xFF);
  out.push_back((v >> 8) & 0xFF);
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<uint8_t> EncodeBmp24(const Image& image) {
  const uint32_t rowBytes = (static_cast<uint32_t>(image.Width) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * image.Height;
  std::vector<uint8_t> out;
  out.reserve(54 + dataBytes);
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + dataBytes);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);  // BITMAPINFOHEADER
  Put32(out, image.Width);
  Put32(out, image.Height);  // positive: bottom-up
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // BI_RGB
  Put32(out, dataBytes);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = image.Height - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width; ++x) {
      const Colour& c = image.At(x, y);
      out.push_back(ToByte(c.b));
      out.push_back(ToByte(c.g));
      out.push_back(ToByte(c.r));
    }
    for (uint32_t pad = image.Width * 3; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

std::vector<uint8_t> EncodeTga32(const Image& image) {
  std::vector<uint8_t> out;
  out.reserve(18 + static_cast<size_t>(image.Width) * image.Height * 4);
  out.push_back(0);  // no id
  out.push_back(0);  // no colour map
  out.push_back(2);  // uncompressed true colour
  for (int i = 0; i < 5; ++i) out.push_back(0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, image.Width);
  Put16(out, image.Height);
  out.push_back(32);
  out.push_back(0x28);  // 8 alpha bits, rows from the top
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x) {
      const Colour& c = image.At(x, y);
      out.push_back(ToByte(c.b));
      out.push_back(ToByte(c.g));
      out.push_back(ToByte(c.r));
      out.push_back(ToByte(c.a));
    }
  return out;
}

namespace {

[[noreturn]] void JpegFail(j_common_ptr info) {
  char message[JMSG_LENGTH_MAX];
  info->err->format_message(info, message);
  std::fprintf(stderr, "jpeg: %s\n", message);
  std::exit(1);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const Image& image, int quality) {
  jpeg_compress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  err.error_exit = JpegFail;
  jpeg_create_compress(&info);

  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = image.Width;
  info.image_height = image.Height;
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  info.optimize_coding = TRUE;
  jpeg_start_compress(&info, TRUE);

  std::vector<uint8_t> row(static_cast<size_t>(image.Width) * 3);
  while (info.next_scanline < info.image_height) {
    const int y = static_cast<int>(info.next_scanline);
    for (int x = 0; x < image.Width; ++x) {
      const Colour& c = image.At(x, y);
      row[x * 3 + 0] = ToByte(c.r);
      row[x * 3 + 1] = ToByte(c.g);
      row[x * 3 + 2] = ToByte(c.b);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  const std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

void WriteFile(const std::string& path, const std::string& text) {
  WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace zolvane::gen
