// The solid things of the scene: a model placed by its world matrix, a brick (the brick
// mesh in one of eight colours), and a figure made of bricks by its shape grid. Their data
// only: render/scene_drawing.h draws them.
#pragma once
#include <cstdint>

#include "platform/d3d8.h"

namespace zolvane {

class TModel {
 public:
  TModel(uint8_t modelNumber, float x, float y, float z);

  uint8_t ModelNumber;  // slot of the model table
  D3DMATRIX World;
};

class TBrick : public TModel {
 public:
  TBrick(int32_t colour, float x, float y, float z);

  int32_t Colour;  // 1..7 figure kinds, 8 grey garbage
};

// A sideways step under way; a new one starts only once it is done.
enum class SideMoveDir : uint8_t { None = 0, Left = 1, Right = 2 };

class TFigure : public TBrick {
 public:
  TFigure(int32_t kind, int32_t rotation, int32_t column, int32_t row, float z, float scale);
  void StartTurn();
  void ResetFigure(int32_t kind, int32_t rotation, int32_t column, int32_t row, float depth,
                   float scale);

  // A figure's kind is the colour of its bricks.
  int32_t Kind() const { return Colour; }

  float X, Y;           // drawing position of the grid's top-left cell, in well units
  int32_t Column, Row;  // the grid's position in the well
  int32_t Rotation;     // 1..4
  SideMoveDir SideMove = SideMoveDir::None;
  D3DMATRIX ScaleMatrix;
  float Scale;
  bool Turning = false;
  float TurnAngle = 0;
};

}  // namespace zolvane
