// data/models/brick.bmp: the picture every brick colour is tinted from, in both texture
// formats the game uses.
#include "device_support.h"
#include "fuzz_support.h"
#include "render/scene_drawing.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallRecordingDevice();
  fuzz::WriteFile(BrickPictureFile, data, size);
  for (const D3DFORMAT format : {D3DFMT_A8R8G8B8, D3DFMT_A4R4G4B4}) {
    D3D.TextureFormat = format;
    try {
      MakeBrickTextures();
    } catch (const BrickTextureError&) {
      return 0;
    }
  }
  ReleaseBrickTextures();
  return 0;
}
