// The recording device installed as the game's device, with the buffers the start-up makes,
// for the readers that fill textures and vertex buffers.
#pragma once
#include "platform/recording_device.h"
#include "render/device_objects.h"
#include "render/scene_setup.h"

namespace zolvane::fuzz {

inline void InstallRecordingDevice() {
  if (D3D.FD3DDevice) return;
  D3D.FD3DDevice = new RecordingDevice;
  D3D.TextureFormat = D3DFMT_A8R8G8B8;
}

}  // namespace zolvane::fuzz
