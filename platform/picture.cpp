#include "platform/picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

// Our own private copy of the decoder: static linkage keeps it from clashing with any other
// translation unit that includes stb_image. Only the game's two picture formats: the other
// decoders of this stb_image read out of bounds on damaged files (its JPEG Huffman tables,
// found by fuzzing), and the game's JPEG backgrounds go through libjpeg.
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace zolvane {

namespace {

// RGBA pixels in floats, so a chain of levels loses no precision between levels.
struct FloatImage {
  uint32_t Width = 0, Height = 0;
  std::vector<float> Px;  // r, g, b, a in 0..255
  float* At(uint32_t x, uint32_t y) { return &Px[(static_cast<size_t>(y) * Width + x) * 4]; }
  const float* At(uint32_t x, uint32_t y) const {
    return &Px[(static_cast<size_t>(y) * Width + x) * 4];
  }
};

// Weights of the source pixels that a destination pixel covers, pixels seen as unit boxes:
// resampling box against box is a tent in continuous terms, and every source pixel
// contributes the same total amount to the result.
struct Tap {
  uint32_t Index;
  float Weight;
};

std::vector<std::vector<Tap>> CoverageTaps(uint32_t src, uint32_t dst) {
  std::vector<std::vector<Tap>> taps(dst);
  const double scale = static_cast<double>(src) / dst;
  for (uint32_t d = 0; d < dst; ++d) {
    const double begin = d * scale, end = (d + 1) * scale;
    double total = 0;
    for (uint32_t s = static_cast<uint32_t>(std::floor(begin)); s < src && s < end; ++s) {
      const double w = std::min<double>(end, s + 1.0) - std::max<double>(begin, s);
      if (w <= 0) continue;
      taps[d].push_back({s, static_cast<float>(w)});
      total += w;
    }
    for (auto& t : taps[d]) t.Weight = static_cast<float>(t.Weight / total);
  }
  return taps;
}

FloatImage Resample(const FloatImage& src, uint32_t width, uint32_t height) {
  if (src.Width == width && src.Height == height) return src;
  // Separable: rows first, then columns.
  const auto xt = CoverageTaps(src.Width, width);
  const auto yt = CoverageTaps(src.Height, height);
  FloatImage mid;
  mid.Width = width;
  mid.Height = src.Height;
  mid.Px.assign(static_cast<size_t>(width) * src.Height * 4, 0.0f);
  for (uint32_t y = 0; y < src.Height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      float* o = mid.At(x, y);
      for (const Tap& t : xt[x]) {
        const float* p = src.At(t.Index, y);
        for (int c = 0; c < 4; ++c) o[c] += p[c] * t.Weight;
      }
    }
  FloatImage out;
  out.Width = width;
  out.Height = height;
  out.Px.assign(static_cast<size_t>(width) * height * 4, 0.0f);
  for (uint32_t y = 0; y < height; ++y)
    for (const Tap& t : yt[y])
      for (uint32_t x = 0; x < width; ++x) {
        float* o = out.At(x, y);
        const float* p = mid.At(x, t.Index);
        for (int c = 0; c < 4; ++c) o[c] += p[c] * t.Weight;
      }
  return out;
}

uint32_t Quantise(float v, uint32_t maxValue) {
  const float f = std::clamp(v, 0.0f, 255.0f) * static_cast<float>(maxValue) / 255.0f;
  return static_cast<uint32_t>(f + 0.5f);
}

// Writes one level in the texture's format from pixels px(x, y) = {r, g, b, a} in 0..255;
// row 0 of the image is row 0 of the memory.
template <class Pixels>
void PackLevel(uint32_t width, uint32_t height, Pixels px, D3DFORMAT format, uint8_t* bits,
               int32_t pitch) {
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = bits + static_cast<size_t>(y) * pitch;
    for (uint32_t x = 0; x < width; ++x) {
      const std::array<float, 4> p = px(x, y);
      const float r = p[0], g = p[1], b = p[2], a = p[3];
      switch (format) {
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8: {
          const uint32_t alpha = format == D3DFMT_A8R8G8B8 ? Quantise(a, 255) : 255;
          const uint32_t v = alpha << 24 | Quantise(r, 255) << 16 | Quantise(g, 255) << 8 |
                             Quantise(b, 255);
          std::memcpy(row + x * 4, &v, 4);
          break;
        }
        case D3DFMT_A4R4G4B4: {
          const uint16_t v = static_cast<uint16_t>(Quantise(a, 15) << 12 | Quantise(r, 15) << 8 |
                                                   Quantise(g, 15) << 4 | Quantise(b, 15));
          std::memcpy(row + x * 2, &v, 2);
          break;
        }
        case D3DFMT_A1R5G5B5:
        case D3DFMT_X1R5G5B5: {
          const uint32_t alpha = format == D3DFMT_A1R5G5B5 ? (a >= 127.5f ? 1u : 0u) : 1u;
          const uint16_t v = static_cast<uint16_t>(alpha << 15 | Quantise(r, 31) << 10 |
                                                   Quantise(g, 31) << 5 | Quantise(b, 31));
          std::memcpy(row + x * 2, &v, 2);
          break;
        }
        case D3DFMT_R5G6B5: {
          const uint16_t v =
              static_cast<uint16_t>(Quantise(r, 31) << 11 | Quantise(g, 63) << 5 | Quantise(b, 31));
          std::memcpy(row + x * 2, &v, 2);
          break;
        }
        default:
          break;
      }
    }
  }
}

void PackLevel(const FloatImage& img, D3DFORMAT format, uint8_t* bits, int32_t pitch) {
  PackLevel(img.Width, img.Height,
            [&img](uint32_t x, uint32_t y) {
              const float* p = img.At(x, y);
              return std::array<float, 4>{p[0], p[1], p[2], p[3]};
            },
            format, bits, pitch);
}

bool IsLoadableFormat(D3DFORMAT f) {
  return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_A4R4G4B4 ||
         f == D3DFMT_A1R5G5B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_R5G6B5;
}

uint32_t FullChainLength(uint32_t w, uint32_t h) {
  uint32_t n = 1;
  while (w > 1 || h > 1) {
    w = std::max(1u, w / 2);
    h = std::max(1u, h / 2);
    ++n;
  }
  return n;
}

// A picture as stb_image decodes it, 8-bit RGBA, row 0 at the top; kept in stb's own
// buffer rather than copied.
struct Decoded {
  uint32_t Width = 0, Height = 0;
  std::unique_ptr<stbi_uc, void (*)(void*)> Rgba{nullptr, stbi_image_free};
  explicit operator bool() const { return Rgba != nullptr; }
  const uint8_t* Pixel(uint32_t x, uint32_t y) const {
    return Rgba.get() + (static_cast<size_t>(y) * Width + x) * 4;
  }
};

// The whole file, for stb_image to read from memory: through a FILE it refills a buffer
// of 128 bytes at a time, a quarter slower on a background.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(f) : -1;
  ok = size > 0 && size < (1L << 30) && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<size_t>(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  std::fclose(f);
  return ok;
}

uint32_t LittleEndian(const uint8_t* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

constexpr size_t HeadBytes = 30;  // the size fields of both headers below

// The least a Windows bitmap or Targa file (the game's own formats) of its header's size
// takes; 0 for the other formats. stb_image decodes what is missing as black, at whatever
// size the header claims, so a file cut short or a damaged size would load.
uint64_t LeastFileSize(const uint8_t* fileHead, size_t length) {
  // The decoder reads past the end of a short file as zeros; so does this.
  uint8_t head[HeadBytes] = {};
  std::memcpy(head, fileHead, std::min(length, HeadBytes));
  if (length >= 2 && head[0] == 'B' && head[1] == 'M') {
    const uint32_t infoBytes = LittleEndian(head + 14, 4);
    const bool core = infoBytes == 12;  // the OS/2 header: 16-bit sizes
    const int64_t w = core ? static_cast<int16_t>(LittleEndian(head + 18, 2))
                           : static_cast<int32_t>(LittleEndian(head + 18, 4));
    const int64_t h = core ? static_cast<int16_t>(LittleEndian(head + 20, 2))
                           : static_cast<int32_t>(LittleEndian(head + 22, 4));
    const uint64_t bits = LittleEndian(head + (core ? 24 : 28), 2);
    const uint64_t rowBytes = (static_cast<uint64_t>(std::abs(w)) * bits + 31) / 32 * 4;
    return 14 + uint64_t{infoBytes} + rowBytes * static_cast<uint64_t>(std::abs(h));
  }
  // A Targa file has no signature: anything else with a Targa type in its third byte is one.
  const uint8_t type = head[2];
  if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) return 0;
  const uint64_t mapBytes = head[1] ? LittleEndian(head + 5, 2) * ((head[7] + 7u) / 8) : 0;
  const uint64_t pixels = uint64_t{LittleEndian(head + 12, 2)} * LittleEndian(head + 14, 2);
  const uint64_t pixelBytes = (head[16] + 7u) / 8;
  // A run-length packet holds at most 128 pixels.
  const uint64_t data = type >= 9 ? (pixels + 127) / 128 * (1 + pixelBytes) : pixels * pixelBytes;
  return 18 + uint64_t{head[0]} + mapBytes + data;
}

bool HoldsItsPixels(const uint8_t* head, size_t length, uint64_t fileSize) {
  return fileSize >= LeastFileSize(head, length);
}

stbi_uc* DecodeFile(const std::string& path, int& w, int& h) {
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  int channels = 0;
  // The size from the header first: an unusable one is refused before anything is decoded.
  if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels) ||
      !UsablePictureSize(w, h) ||
      !HoldsItsPixels(bytes.data(), std::min(bytes.size(), HeadBytes), bytes.size()))
    return nullptr;
  stbi_uc* data =
      stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 4);
  if (data && !UsablePictureSize(w, h)) {
    stbi_image_free(data);
    data = nullptr;
  }
  return data;
}

Decoded Decode(const std::string& path) {
  Decoded out;
  int w = 0, h = 0;
  out.Rgba.reset(DecodeFile(path, w, h));
  out.Width = static_cast<uint32_t>(w);
  out.Height = static_cast<uint32_t>(h);
  return out;
}

// The key is compared against the file's own colour, before any filtering.
bool IsKeyed(const uint8_t* p, D3DCOLOR colorKey) {
  const D3DCOLOR argb = static_cast<D3DCOLOR>(p[3]) << 24 | static_cast<D3DCOLOR>(p[0]) << 16 |
                        static_cast<D3DCOLOR>(p[1]) << 8 | p[2];
  return colorKey != 0 && argb == colorKey;
}

// The picture in floats, keyed pixels made transparent black.
FloatImage KeyedImage(const Decoded& pic, D3DCOLOR colorKey) {
  FloatImage img;
  img.Width = pic.Width;
  img.Height = pic.Height;
  img.Px.resize(static_cast<size_t>(pic.Width) * pic.Height * 4);
  const uint8_t* p = pic.Rgba.get();
  for (size_t i = 0; i < img.Px.size(); i += 4) {
    const bool keyed = IsKeyed(p + i, colorKey);
    for (int c = 0; c < 4; ++c) img.Px[i + c] = keyed ? 0.0f : static_cast<float>(p[i + c]);
  }
  return img;
}

// Level 0 from the file. At the file's own size it is the file's pixels, packed straight
// from the bytes: the same values the float path gives, without its sixteen bytes a pixel.
// A file that can no longer be read leaves it black.
void MakeLevelZero(Texture& tex, const std::string& file, D3DCOLOR colorKey) {
  const Decoded pic = Decode(file);
  if (!pic) return;
  std::vector<uint8_t>& bytes = tex.LevelBytes[0];
  bytes.resize(static_cast<size_t>(tex.LevelPitch(0)) * tex.Height);
  const auto pitch = static_cast<int32_t>(tex.LevelPitch(0));
  if (tex.Width != pic.Width || tex.Height != pic.Height) {
    PackLevel(Resample(KeyedImage(pic, colorKey), tex.Width, tex.Height), tex.Format, bytes.data(),
              pitch);
    return;
  }
  if (tex.Format == D3DFMT_A8R8G8B8 || tex.Format == D3DFMT_X8R8G8B8) {
    // Quantise gives every whole value back unchanged: the bytes go over as they are.
    const uint32_t opaque = tex.Format == D3DFMT_X8R8G8B8 ? 0xFF000000u : 0;
    for (uint32_t y = 0; y < tex.Height; ++y) {
      uint8_t* row = bytes.data() + static_cast<size_t>(y) * pitch;
      for (uint32_t x = 0; x < tex.Width; ++x) {
        const uint8_t* p = pic.Pixel(x, y);
        const uint32_t alpha = opaque ? opaque : static_cast<uint32_t>(p[3]) << 24;
        const uint32_t v = IsKeyed(p, colorKey) ? opaque
                                                : alpha | static_cast<uint32_t>(p[0]) << 16 |
                                                      static_cast<uint32_t>(p[1]) << 8 | p[2];
        std::memcpy(row + x * 4, &v, 4);
      }
    }
    return;
  }
  PackLevel(tex.Width, tex.Height,
            [&pic, colorKey](uint32_t x, uint32_t y) {
              const uint8_t* p = pic.Pixel(x, y);
              if (IsKeyed(p, colorKey)) return std::array<float, 4>{0, 0, 0, 0};
              return std::array<float, 4>{float(p[0]), float(p[1]), float(p[2]), float(p[3])};
            },
            tex.Format, bytes.data(), pitch);
}

// Levels 1 and below, each filtered from the one above in floats so the chain loses no
// precision on the way; only those still deferred are written. A file that can no longer
// be read leaves them black.
void MakeSmallerLevels(Texture& tex, const std::string& file, D3DCOLOR colorKey) {
  const Decoded pic = Decode(file);
  const uint32_t wanted = tex.Deferred;
  tex.Deferred &= 1u;  // level 0 has its own maker
  if (!pic) return;
  FloatImage img = Resample(KeyedImage(pic, colorKey), tex.Width, tex.Height);
  for (uint32_t level = 1; level < tex.GetLevelCount(); ++level) {
    img = Resample(img, tex.LevelWidth(level), tex.LevelHeight(level));
    if (!(wanted >> level & 1)) continue;
    std::vector<uint8_t>& bytes = tex.LevelBytes[level];
    bytes.assign(static_cast<size_t>(tex.LevelPitch(level)) * tex.LevelHeight(level), 0);
    PackLevel(img, tex.Format, bytes.data(), static_cast<int32_t>(tex.LevelPitch(level)));
  }
}

}  // namespace

bool UsablePictureSize(int64_t width, int64_t height) {
  return width > 0 && height > 0 && width <= MaxPictureSide && height <= MaxPictureSide &&
         width * height <= MaxPicturePixels;
}

bool LoadPicture(const std::string& path, Picture& out) {
  int w = 0, h = 0;
  stbi_uc* data = DecodeFile(path, w, h);
  if (!data) return false;
  out.Width = w;
  out.Height = h;
  out.Rgba.assign(data, data + static_cast<size_t>(w) * h * 4);
  stbi_image_free(data);
  return true;
}

HRESULT D3DXCreateTextureFromFileExA(Device* device, const std::string& file, uint32_t width,
                                     uint32_t height, uint32_t mipLevels, uint32_t usage,
                                     D3DFORMAT format, uint32_t pool, uint32_t /*filter*/,
                                     uint32_t /*mipFilter*/, D3DCOLOR colorKey, Texture** out) {
  if (out) *out = nullptr;
  if (!device || !out) return D3DERR_INVALIDCALL;
  if (format == D3DFMT_UNKNOWN) format = D3DFMT_A8R8G8B8;
  if (!IsLoadableFormat(format)) return D3DERR_INVALIDCALL;

  // Only the size is read now; the pixels are decoded when the texture is first drawn or
  // locked. Pictures loaded and never shown (the other game types' backgrounds, the menu
  // during a game started from the command line) then cost nothing.
  FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return D3DERR_NOTAVAILABLE;  // no such file
  uint8_t head[HeadBytes];
  const size_t headLength = std::fread(head, 1, sizeof head, f);
  const bool sized = std::fseek(f, 0, SEEK_END) == 0;
  const long fileSize = sized ? std::ftell(f) : -1;
  std::rewind(f);
  int fileWidth = 0, fileHeight = 0, channels = 0;
  const bool readable = fileSize > 0 &&
                        stbi_info_from_file(f, &fileWidth, &fileHeight, &channels) != 0 &&
                        HoldsItsPixels(head, headLength, static_cast<uint64_t>(fileSize));
  std::fclose(f);
  if (!readable || !UsablePictureSize(fileWidth, fileHeight)) return E_FAIL;  // not a picture we read

  const auto fileW = static_cast<uint32_t>(fileWidth), fileH = static_cast<uint32_t>(fileHeight);
  const uint32_t w = (width == 0 || width == D3DX_DEFAULT) ? fileW : width;
  const uint32_t h = (height == 0 || height == D3DX_DEFAULT) ? fileH : height;
  const uint32_t full = FullChainLength(w, h);
  const uint32_t levels =
      (mipLevels == 0 || mipLevels == D3DX_DEFAULT || mipLevels > full) ? full : mipLevels;

  Texture* tex = nullptr;
  const HRESULT hr = device->CreateTexture(w, h, levels, usage, format, pool, &tex);
  if (Failed(hr)) return hr;
  if (!tex) return E_FAIL;
  tex->MipsGenerated = true;
  ++tex->Version;  // filled, as far as anyone asking can tell
  tex->Deferred = levels >= 32 ? ~0u : (1u << levels) - 1;
  tex->MakeLevel = [file, colorKey](Texture& t, uint32_t level) {
    level == 0 ? MakeLevelZero(t, file, colorKey) : MakeSmallerLevels(t, file, colorKey);
  };
  *out = tex;
  return D3D_OK;
}

}  // namespace zolvane
