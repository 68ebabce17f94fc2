#include "game/figure_shapes.h"

#include <cstring>
#include <fstream>

namespace zolvane {

uint8_t FigureShapes[8][5][4][4] = {};

namespace {
// One line without its end; CR LF and LF both end a line.
bool ReadLine(std::istream& in, std::string& line) {
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}
}  // namespace

void LoadFigureShapes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ShapeFileError(path, "cannot be opened");

  uint8_t shapes[8][5][4][4] = {};
  int lineNumber = 0;
  std::string line;
  for (int kind = 1; kind <= 7; ++kind)
    for (int rotation = 1; rotation <= 4; ++rotation) {
      // The separator line: any content, even none, but it must be there.
      ++lineNumber;
      if (!ReadLine(in, line))
        throw ShapeFileError(path, lineNumber,
                             "the file ends before kind " + std::to_string(kind) + " rotation " +
                                 std::to_string(rotation));
      for (int gridLine = 0; gridLine < 4; ++gridLine) {
        ++lineNumber;
        if (!ReadLine(in, line))
          throw ShapeFileError(path, lineNumber,
                               "the file ends inside the grid of kind " + std::to_string(kind) +
                                   " rotation " + std::to_string(rotation));
        for (int column = 0; column < 4; ++column) {
          if (static_cast<size_t>(column) >= line.size())
            throw ShapeFileError(path, lineNumber,
                                 "a grid line needs four digits, found " +
                                     std::to_string(line.size()) + " characters");
          const char c = line[column];
          if (c < '0' || c > '9')
            throw ShapeFileError(path, lineNumber,
                                 "'" + std::string(1, c) + "' in column " +
                                     std::to_string(column + 1) + " is not a digit");
          shapes[kind][rotation][gridLine][column] = static_cast<uint8_t>(c - '0');
        }
      }
    }
  std::memcpy(FigureShapes, shapes, sizeof shapes);
}

}  // namespace zolvane
