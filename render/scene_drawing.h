// How the scene objects draw themselves: the material of everything textured, and the
// eight brick textures, tinted copies of one brick picture.
#pragma once
#include <cstdint>
#include <stdexcept>

#include "platform/device.h"

namespace zolvane {

constexpr const char* BrickPictureFile = "data/models/brick.bmp";
constexpr int BrickColourCount = 8;

// Diffuse = ambient = specular white with alpha 0, power 60.
extern D3DMATERIAL8 WhiteMaterial;
// Index 1..8 by brick colour; 0 is unused.
extern Texture* BrickTextures[BrickColourCount + 1];
// Red, green, blue factors of brick colour 1..8 applied to the brick picture.
extern const float BrickColourFactors[BrickColourCount + 1][3];

void InitWhiteMaterial();

// The set-up every brick of one colour shares (colours outside 1..8 draw untextured), for
// TBrick::DrawInBatch; the end leaves no texture set, as a single brick's draw does.
void BeginBrickBatch(int32_t colour);
void EndBrickBatch();

// The brick picture is missing or cannot be decoded.
class BrickTextureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void MakeBrickTextures();
void ReleaseBrickTextures();

}  // namespace zolvane
