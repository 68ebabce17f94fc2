// Picture files decoded into memory, and the texture loader that stands in for
// D3DXCreateTextureFromFileExA.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/device.h"

namespace zolvane {

// 8-bit RGBA pixels, row 0 at the top of the picture.
struct Picture {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgba;
  const uint8_t* Pixel(int x, int y) const { return &Rgba[(static_cast<size_t>(y) * Width + x) * 4]; }
};

// BMP or TGA (or anything stb_image reads); false when the file is missing or undecodable.
bool LoadPicture(const std::string& path, Picture& out);

// Size from the file, full mip chain made with a triangle filter, the given format (0: one
// chosen from the file), colour key 0 for none or an opaque ARGB colour that becomes
// transparent black. Returns D3D_OK or an error code; *out is empty on failure.
HRESULT D3DXCreateTextureFromFileExA(Device* device, const std::string& file, uint32_t width,
                                     uint32_t height, uint32_t mipLevels, uint32_t usage,
                                     D3DFORMAT format, uint32_t pool, uint32_t filter,
                                     uint32_t mipFilter, D3DCOLOR colorKey, Texture** out);

}  // namespace zolvane
