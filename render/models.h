// The model table: every solid mesh of the game (the brick in three levels of detail and
// the two frame parts), read at start-up from the text model files that data/models.dat
// lists, and appended as flat triangle lists to the two shared model vertex buffers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/data_file_error.h"
#include "platform/device.h"

namespace zolvane {

// 24 bytes, vertex format 0x12.
struct TModelVertex {
  float X, Y, Z;
  float NX, NY, NZ;
};

// 36 bytes, vertex format 0x152; also the layout of every textured quad.
struct TTexModelVertex {
  float X, Y, Z;
  float NX, NY, NZ;
  D3DCOLOR Color;
  float TU, TV;
};

static_assert(sizeof(TModelVertex) == 24);
static_assert(sizeof(TTexModelVertex) == 36);

constexpr int ModelSlotCount = 5;
constexpr const char* ModelListFile = "data/models.dat";

struct TModelData {
  int32_t TriangleCount = 0;
  int32_t FirstVertex = 0;
  bool Textured = false;  // lives in FD3DVBTexModels
  std::string TextureFileName;  // kept, never loaded
  bool SingleMaterial = false;
  D3DMATERIAL8 Material{};
  zolvane::Texture* Texture = nullptr;  // nothing loads one; released if ever set
  std::vector<D3DMATERIAL8> Materials;
  std::vector<int32_t> MaterialIndex;  // material number of each triangle
};

// Slot 0..2: brick low, medium, high; 3 and 4: the two frames.
extern TModelData ModelTable[ModelSlotCount];
// The slot the next LoadModel fills; it stops rising at 4.
extern uint8_t ModelSlotIndex;
// Next free vertex of FD3DVBModels and of FD3DVBTexModels.
extern int32_t ModelVertexFill;
extern int32_t TexModelVertexFill;

// A model list or model file that cannot be read: missing, unreadable, or holding
// something that is not a number where a number must stand. Names the file and line.
class ModelLoadError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

// Loads every file the list names, in order, one slot each.
void LoadModels(const std::string& listFile = ModelListFile);
// Loads one file into slot ModelSlotIndex. A file whose numbers point outside its own
// lists, or that would not fit its vertex buffer, is logged and leaves the slot empty.
void LoadModel(const std::string& fileName);

// Writes every loaded model's vertices into freshly created model buffers, at the
// positions they had before.
HRESULT RefillModelBuffers();

void ReleaseModelTextures();
// Empties the table and the fill positions (tests; a new start).
void ResetModels();

}  // namespace zolvane
