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

// Far beyond the game's own pictures (1024 x 768 at most) and the textures the devices of
// its time took; a damaged header of a few bytes must not ask for gigabytes and seconds.
constexpr int MaxPictureSide = 8192;
constexpr int64_t MaxPicturePixels = int64_t{4096} * 4096;
// A size the loaders decode: both sides from 1 to MaxPictureSide, MaxPicturePixels at most.
bool UsablePictureSize(int64_t width, int64_t height);

// A Windows bitmap or a Targa picture; false when the file is missing, undecodable, of an
// unusable size or shorter than the pixels its header declares.
bool LoadPicture(const std::string& path, Picture& out);

// Size from the file, full mip chain made with a triangle filter, the given format (0: one
// chosen from the file), colour key 0 for none or an opaque ARGB colour that becomes
// transparent black. Returns D3D_OK or an error code; *out is empty on failure.
HRESULT D3DXCreateTextureFromFileExA(Device* device, const std::string& file, uint32_t width,
                                     uint32_t height, uint32_t mipLevels, uint32_t usage,
                                     D3DFORMAT format, uint32_t pool, uint32_t filter,
                                     uint32_t mipFilter, D3DCOLOR colorKey, Texture** out);

}  // namespace zolvane
