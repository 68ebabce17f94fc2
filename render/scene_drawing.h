// How the scene objects are drawn: the material of everything textured, and the eight
// brick textures, tinted copies of one brick picture.
#pragma once
#include <cstdint>

#include "game/scene_objects.h"
#include "platform/data_file_error.h"
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

// A model by its slot of the model table, placed by its world matrix.
void DrawModel(const TModel& model);
// A brick in the model slot of the brick quality set now, so a change shows on the next
// frame.
void DrawBrick(TBrick& brick);
// Only its world matrix and the draw, between BeginBrickBatch(colour) and EndBrickBatch.
void DrawBrickInBatch(TBrick& brick);
// Where DrawFigure puts the brick of grid line i, column j.
D3DMATRIX FigureCellWorld(const TFigure& figure, int i, int j);
// Brick by brick from its shape grid, each cell turned with the figure while it turns.
void DrawFigure(const TFigure& figure);

// The set-up every brick of one colour shares (colours outside 1..8 draw untextured), for
// DrawBrickInBatch; the end leaves no texture set, as a single brick's draw does.
void BeginBrickBatch(int32_t colour);
void EndBrickBatch();

// The brick picture is missing or cannot be decoded.
class BrickTextureError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

void MakeBrickTextures();
void ReleaseBrickTextures();

}  // namespace zolvane
