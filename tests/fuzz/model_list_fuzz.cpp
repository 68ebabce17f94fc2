// data/models.dat: a list of model file names, one slot each. The scratch folder holds small
// models under the game's five names and as a.txt and b.txt for a list to name; names that
// leave the folder are not followed, as a device file there would only measure the disk.
#include <string>
#include <string_view>

#include "device_support.h"
#include "fuzz_support.h"
#include "platform/logs.h"
#include "render/models.h"

using namespace zolvane;

namespace {

constexpr const char* PlainModel =
    "Vertices\r\n4\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\n1 1 0\r\nTriangles\r\n2\r\n0 1 2\r\n1 3 2\r\n"
    "MaterialList\r\n2\r\n2\r\n0;\r\n1;\r\nMaterial\r\n1 0 0 1;;\r\n0;\r\n0;0;0;;\r\n0;0;0;;\r\n"
    "Material\r\n0 1 0 1;;\r\n0;\r\n0;0;0;;\r\n0;0;0;;\r\n";
constexpr const char* TexturedModel =
    "Vertices\r\n3\r\n0 0 0\r\n1 0 0\r\n0 1 0\r\nTriangles\r\n1\r\n0 1 2\r\n"
    "Texture\r\n3\r\n0 0\r\n1 0\r\n0 1\r\nTrianglesTex\r\n1\r\n0 1 2\r\n"
    "TextureFileName\r\nbrick.bmp\r\n";

bool LeavesTheFolder(std::string_view list) {
  size_t begin = 0;
  while (begin <= list.size()) {
    size_t end = list.find('\n', begin);
    if (end == std::string_view::npos) end = list.size();
    const std::string_view line = list.substr(begin, end - begin);
    if (!line.empty() && line.front() == '/') return true;
    begin = end + 1;
  }
  return list.find("..") != std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    fuzz::InstallRecordingDevice();
    fuzz::WriteFile("a.txt", PlainModel);
    fuzz::WriteFile("b.txt", TexturedModel);
    // The game's own list names these.
    for (const char* brick : {"brick_low", "brick_medium", "brick_high"})
      fuzz::WriteFile(std::string("data/models/") + brick + ".txt", TexturedModel);
    for (const char* frame : {"frame_odd", "frame_even"})
      fuzz::WriteFile(std::string("data/models/") + frame + ".txt", PlainModel);
    return CreateModelBuffers() == D3D_OK;
  }();
  fuzz::Require(ready, "the model buffers could not be made");
  const std::string_view list(reinterpret_cast<const char*>(data), size);
  if (LeavesTheFolder(list)) return -1;  // not kept in the corpus
  fuzz::WriteFile("models.dat", data, size);
  ResetModels();
  ResetLog();  // the loader logs every section; one input's lines at a time
  try {
    LoadModels("models.dat");
  } catch (const ModelLoadError&) {
    return 0;
  }
  fuzz::Require(ModelSlotIndex < ModelSlotCount, "the slot index left the table");
  fuzz::Require(RefillModelBuffers() == D3D_OK, "the loaded models cannot be written again");
  return 0;
}
