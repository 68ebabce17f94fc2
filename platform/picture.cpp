#include "platform/picture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

// Our own private copy of the decoder: static linkage keeps it from clashing with any other
// translation unit that includes stb_image.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
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

// Writes one level in the texture's format; row 0 of the image is row 0 of the memory.
void PackLevel(const FloatImage& img, D3DFORMAT format, uint8_t* bits, int32_t pitch) {
  for (uint32_t y = 0; y < img.Height; ++y) {
    uint8_t* row = bits + static_cast<size_t>(y) * pitch;
    for (uint32_t x = 0; x < img.Width; ++x) {
      const float* p = img.At(x, y);
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

}  // namespace

bool LoadPicture(const std::string& path, Picture& out) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  int w = 0, h = 0, channels = 0;
  stbi_uc* data = stbi_load_from_file(f, &w, &h, &channels, 4);
  std::fclose(f);
  if (!data) return false;
  if (w <= 0 || h <= 0) {
    stbi_image_free(data);
    return false;
  }
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

  Picture pic;
  if (!LoadPicture(file, pic)) {
    FILE* probe = std::fopen(file.c_str(), "rb");
    if (!probe) return D3DERR_NOTAVAILABLE;  // no such file
    std::fclose(probe);
    return E_FAIL;  // there, but not a picture we can read
  }

  FloatImage img;
  img.Width = static_cast<uint32_t>(pic.Width);
  img.Height = static_cast<uint32_t>(pic.Height);
  img.Px.resize(pic.Rgba.size());
  for (size_t i = 0; i < pic.Rgba.size(); i += 4) {
    const uint8_t* p = &pic.Rgba[i];
    const D3DCOLOR argb = static_cast<D3DCOLOR>(p[3]) << 24 | static_cast<D3DCOLOR>(p[0]) << 16 |
                          static_cast<D3DCOLOR>(p[1]) << 8 | p[2];
    // The key is compared against the file's own colour, before any filtering.
    const bool keyed = colorKey != 0 && argb == colorKey;
    for (int c = 0; c < 4; ++c) img.Px[i + c] = keyed ? 0.0f : static_cast<float>(p[c]);
  }

  const uint32_t w = (width == 0 || width == D3DX_DEFAULT) ? img.Width : width;
  const uint32_t h = (height == 0 || height == D3DX_DEFAULT) ? img.Height : height;
  img = Resample(img, w, h);

  const uint32_t full = FullChainLength(w, h);
  const uint32_t levels =
      (mipLevels == 0 || mipLevels == D3DX_DEFAULT || mipLevels > full) ? full : mipLevels;

  Texture* tex = nullptr;
  const HRESULT hr = device->CreateTexture(w, h, levels, usage, format, pool, &tex);
  if (Failed(hr)) return hr;
  if (!tex) return E_FAIL;

  for (uint32_t level = 0; level < tex->GetLevelCount(); ++level) {
    if (level > 0) img = Resample(img, tex->LevelWidth(level), tex->LevelHeight(level));
    D3DLOCKED_RECT locked{};
    if (Failed(tex->LockRect(level, &locked, nullptr, 0))) {
      tex->Release();
      return E_FAIL;
    }
    PackLevel(img, format, static_cast<uint8_t*>(locked.pBits), locked.Pitch);
    tex->UnlockRect(level);
  }
  tex->MipsGenerated = true;
  *out = tex;
  return D3D_OK;
}

}  // namespace zolvane
