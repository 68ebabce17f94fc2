// images.dat: a file is either taken whole, every cell a digit, or refused with the shapes
// left as they were.
#include <cstring>

#include "fuzz_support.h"
#include "game/figure_shapes.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("images.dat", data, size);
  std::memset(FigureShapes, 0xEE, sizeof FigureShapes);
  uint8_t before[sizeof FigureShapes];
  std::memcpy(before, FigureShapes, sizeof before);
  try {
    LoadFigureShapes("images.dat");
  } catch (const ShapeFileError&) {
    fuzz::Require(std::memcmp(before, FigureShapes, sizeof before) == 0,
                  "a refused file changed the shapes");
    return 0;
  }
  for (int kind = 1; kind <= 7; ++kind)
    for (int rotation = 1; rotation <= 4; ++rotation)
      for (int line = 0; line < 4; ++line)
        for (int column = 0; column < 4; ++column)
          fuzz::Require(FigureShapes[kind][rotation][line][column] <= 9,
                        "a loaded cell is not a digit");
  return 0;
}
