// The seven figure kinds in four rotation states, each a 4 x 4 grid, read once from
// data/figimages/images.dat.
#pragma once
#include <cstdint>
#include <string>

#include "platform/data_file_error.h"

namespace zolvane {

// [kind 1..7][rotation 1..4][line 0..3][column 0..3]; index 0 of kind and rotation unused.
extern uint8_t FigureShapes[8][5][4][4];

constexpr const char* FigureShapesFile = "data/figimages/images.dat";

// A shapes file that cannot be used; the message names the file and the line.
class ShapeFileError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

// Reads the file into FigureShapes. On an error FigureShapes is left as it was.
void LoadFigureShapes(const std::string& path = FigureShapesFile);

inline bool ShapeCell(int kind, int rotation, int line, int column) {
  return FigureShapes[kind][rotation][line][column] != 0;
}

}  // namespace zolvane
