// A model file: read into a slot of the model table, or refused with the slot left empty;
// whatever it says, what it writes stays inside its vertex buffer.
#include <string>

#include "device_support.h"
#include "fuzz_support.h"
#include "platform/logs.h"
#include "render/models.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    fuzz::InstallRecordingDevice();
    return CreateModelBuffers() == D3D_OK;
  }();
  fuzz::Require(ready, "the model buffers could not be made");
  fuzz::WriteFile("model.txt", data, size);
  ResetModels();
  ResetLog();  // the loader logs every section; one input's lines at a time
  try {
    LoadModel("model.txt");
  } catch (const ModelLoadError&) {
    return 0;
  }
  const TModelData& slot = ModelTable[0];
  const VertexBuffer* buffer = slot.Textured ? D3D.FD3DVBTexModels : D3D.FD3DVBModels;
  const uint32_t stride = slot.Textured ? TexModelStride : ModelStride;
  fuzz::Require(slot.TriangleCount >= 0 && slot.FirstVertex >= 0, "a negative count or start");
  fuzz::Require((static_cast<uint64_t>(slot.FirstVertex) + 3ull * slot.TriangleCount) * stride <=
                    buffer->Length,
                "a model reaches past its vertex buffer");
  if (!slot.SingleMaterial && !slot.Textured && slot.TriangleCount > 0)
    for (int32_t t = 0; t < slot.TriangleCount; ++t)
      fuzz::Require(slot.MaterialIndex[static_cast<size_t>(t)] >= 0 &&
                        static_cast<size_t>(slot.MaterialIndex[static_cast<size_t>(t)]) <
                            slot.Materials.size(),
                    "a triangle names a material the model lacks");
  fuzz::Require(RefillModelBuffers() == D3D_OK, "the loaded model cannot be written again");
  return 0;
}
