#include "game/scene_objects.h"

#include "platform/math3d.h"

namespace zolvane {

TModel::TModel(uint8_t modelNumber, float x, float y, float z) : ModelNumber(modelNumber) {
  SetTranslateMatrix(World, x, y, z);
}

TBrick::TBrick(int32_t colour, float x, float y, float z) : TModel(0, x, y, z), Colour(colour) {}

TFigure::TFigure(int32_t kind, int32_t rotation, int32_t column, int32_t row, float z,
                 float scale)
    : TBrick(kind, static_cast<float>(column), static_cast<float>(row), z),
      X(static_cast<float>(column)),
      Y(static_cast<float>(row)),
      Column(column),
      Row(row),
      Rotation(rotation),
      ScaleMatrix(IdentityMatrix),
      Scale(scale) {}

void TFigure::ResetFigure(int32_t kind, int32_t rotation, int32_t column, int32_t row,
                          float depth, float scale) {
  Colour = kind;
  Rotation = rotation;
  Column = column;
  X = static_cast<float>(column);
  Row = row;
  Y = static_cast<float>(row);
  SetTranslateMatrix(World, X, Y, depth);
  Scale = scale;
  ScaleMatrix = IdentityMatrix;
  Turning = false;
  TurnAngle = 0;
}

}  // namespace zolvane
