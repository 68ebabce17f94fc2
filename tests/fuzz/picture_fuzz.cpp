// Picture files (BMP and TGA, the formats the loader reads) through the texture loader with the
// colour key, at the file's own size and stretched to another, every mip level made; and
// through LoadPicture.
#include "device_support.h"
#include "fuzz_support.h"
#include "platform/picture.h"

using namespace zolvane;

namespace {

constexpr D3DCOLOR MagentaKey = 0xFFFF00FF;

void LoadEveryLevel(uint32_t width, uint32_t height, D3DFORMAT format, D3DCOLOR key) {
  Texture* texture = nullptr;
  const HRESULT hr = D3DXCreateTextureFromFileExA(D3D.FD3DDevice, "picture", width, height, 0, 0,
                                                  format, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, key, &texture);
  if (Failed(hr)) {
    fuzz::Require(texture == nullptr, "a failed load handed out a texture");
    return;
  }
  for (uint32_t level = 0; level < texture->GetLevelCount(); ++level)
    fuzz::Require(texture->Level(level).size() ==
                      static_cast<size_t>(texture->LevelPitch(level)) * texture->LevelHeight(level),
                  "a texture level of the wrong size");
  texture->Release();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallRecordingDevice();
  fuzz::WriteFile("picture", data, size);
  Picture picture;
  if (LoadPicture("picture", picture))
    fuzz::Require(picture.Width > 0 && picture.Height > 0 &&
                      picture.Rgba.size() == static_cast<size_t>(picture.Width) * picture.Height * 4,
                  "a decoded picture of the wrong size");
  LoadEveryLevel(D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8, MagentaKey);
  LoadEveryLevel(16, 8, D3DFMT_A4R4G4B4, 0xFF000000);
  return 0;
}
