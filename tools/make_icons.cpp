// Writes the desktop icons: four of the game's bricks, in four of its brick colours, as
// a 2 x 2 block with a soft shadow, at the sizes the icon theme asks for.
//
// usage: zolvane_make_icons <brick.bmp> <icon theme folder>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/common/image.h"

namespace zolvane::gen {
namespace {

uint32_t ReadLittle(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

// The generated brick picture: an uncompressed 24-bit bitmap, rows bottom-up.
bool ReadBmp24(const std::string& path, Image& image) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t offset = ReadLittle(b, 10, 4);
  const int width = static_cast<int32_t>(ReadLittle(b, 18, 4));
  const int height = static_cast<int32_t>(ReadLittle(b, 22, 4));
  if (ReadLittle(b, 28, 2) != 24 || ReadLittle(b, 30, 4) != 0 || width <= 0 || height <= 0) return false;
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  if (offset + stride * height > b.size()) return false;
  image = Image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &b[offset + stride * (height - 1 - y) + x * 3];
      image.At(x, y) = {p[2] / 255.0f, p[1] / 255.0f, p[0] / 255.0f, 1};
    }
  return true;
}

Colour Bilinear(const Image& in, float u, float v) {
  const float x = std::clamp(u * in.Width - 0.5f, 0.0f, in.Width - 1.0f);
  const float y = std::clamp(v * in.Height - 0.5f, 0.0f, in.Height - 1.0f);
  const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
  const int x1 = std::min(x0 + 1, in.Width - 1), y1 = std::min(y0 + 1, in.Height - 1);
  const float fx = x - x0, fy = y - y0;
  return Mix(Mix(in.At(x0, y0), in.At(x1, y0), fx), Mix(in.At(x0, y1), in.At(x1, y1), fx), fy);
}

struct Brick {
  float x, y;       // top left corner, in parts of the icon
  Colour factor;    // the game tints its grey brick picture by these
};

// Supersampled, so the small sizes stay crisp without aliasing at the brick edges.
Image Icon(const Image& brick, int size) {
  const float cell = 0.44f, margin = 0.05f, gap = 0.02f;
  const Brick bricks[4] = {{margin, margin, {1, 0, 0, 1}},
                           {margin + cell + gap, margin, {1, 1, 0, 1}},
                           {margin, margin + cell + gap, {0, 0, 1, 1}},
                           {margin + cell + gap, margin + cell + gap, {0, 1, 0, 1}}};
  const float shadow = 0.025f;  // offset of the shadow, down and to the right
  const int ss = 4;
  Image icon(size, size, {0, 0, 0, 0});
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      Colour sum{0, 0, 0, 0};
      for (int sy = 0; sy < ss; ++sy)
        for (int sx = 0; sx < ss; ++sx) {
          const float u = (x + (sx + 0.5f) / ss) / size, v = (y + (sy + 0.5f) / ss) / size;
          Colour c{0, 0, 0, 0};
          for (const Brick& b : bricks) {
            const float bu = (u - b.x) / cell, bv = (v - b.y) / cell;
            if (bu >= 0 && bu < 1 && bv >= 0 && bv < 1) {
              const Colour grey = Bilinear(brick, bu, bv);
              c = {grey.r * b.factor.r, grey.g * b.factor.g, grey.b * b.factor.b, 1};
            }
          }
          if (c.a == 0) {
            const float block = 2 * cell + gap;
            const float du = u - margin - shadow, dv = v - margin - shadow;
            if (du >= 0 && du < block && dv >= 0 && dv < block) c = {0, 0, 0, 0.35f};
          }
          // Premultiplied while summing, so transparent samples add no colour.
          sum = {sum.r + c.r * c.a, sum.g + c.g * c.a, sum.b + c.b * c.a, sum.a + c.a};
        }
      const float n = ss * ss;
      icon.At(x, y) = sum.a > 0 ? Colour{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / n}
                                : Colour{0, 0, 0, 0};
    }
  return icon;
}

void PutBig(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  PutBig(out, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  PutBig(out, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

// 8-bit RGBA PNG, each row with filter type 0; no time or text chunks, so the bytes only
// depend on the picture.
std::vector<uint8_t> EncodePng(const Image& image) {
  std::vector<uint8_t> raw;
  for (int y = 0; y < image.Height; ++y) {
    raw.push_back(0);
    for (int x = 0; x < image.Width; ++x) {
      const Colour& c = image.At(x, y);
      raw.insert(raw.end(), {ToByte(c.r), ToByte(c.g), ToByte(c.b), ToByte(c.a)});
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK) {
    std::fputs("zolvane_make_icons: compression failed\n", stderr);
    std::exit(1);
  }
  packed.resize(packedSize);

  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  PutBig(header, static_cast<uint32_t>(image.Width));
  PutBig(header, static_cast<uint32_t>(image.Height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace
}  // namespace zolvane::gen

int main(int argc, char** argv) {
  using namespace zolvane::gen;
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <brick.bmp> <icon theme folder>\n", argv[0]);
    return 2;
  }
  Image brick;
  if (!ReadBmp24(argv[1], brick)) {
    std::fprintf(stderr, "%s: %s is not a 24-bit bitmap\n", argv[0], argv[1]);
    return 1;
  }
  const std::string theme = argv[2];
  for (int size : {48, 128, 256}) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    WriteFile(theme + "/" + name + "/apps/zolvane.png", EncodePng(Icon(brick, size)));
  }
  return 0;
}
