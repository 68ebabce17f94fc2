// Every reader of a data file fails with a DataFileError that names the damaged file, so
// the start-up can show one message for all of them.
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "audio/sound.h"
#include "game/figure_shapes.h"
#include "menu/menu_screens.h"
#include "platform/data_file_error.h"
#include "render/font.h"
#include "render/models.h"
#include "render/scene_drawing.h"
#include "tests/render/render_fixture.h"

namespace zolvane::testing {
namespace {

using DataFileErrors = RenderFixture;

void Write(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// 28 grid blocks, the first grid's second line "01x0".
std::string ShapesWithALetter() {
  std::string text;
  for (int block = 0; block < 28; ++block) text += "--\n1000\n0110\n0000\n0000\n";
  return text.replace(text.find("0110"), 4, "01x0");
}

TEST_F(DataFileErrors, EachReaderNamesTheDamagedFileAndTheLine) {
  const struct {
    const char* Kind;
    std::function<void()> Read;  // run in the fixture's empty folder
    std::string File;
    std::optional<size_t> Line;
    std::string Message;
  } cases[] = {
      {"sound", [] { LoadWaveFile(0, "missing.wav"); }, "sounds/missing.wav", std::nullopt,
       "sounds/missing.wav: cannot be opened (No such file or directory)"},
      {"shapes",
       [] {
         Write("shapes.dat", ShapesWithALetter());
         LoadFigureShapes("shapes.dat");
       },
       "shapes.dat", 3, "shapes.dat line 3: 'x' in column 3 is not a digit"},
      {"model list", [] { LoadModels("models.dat"); }, "models.dat", std::nullopt,
       "models.dat: the file cannot be opened"},
      // The model the list leads to is the damaged file; the list's line only says how.
      {"model",
       [] {
         Write("models.dat", "bad.txt\r\n");
         Write("bad.txt", "Vertices\r\n2\r\n0 0 0\r\n1,5 0 0\r\n");
         LoadModels("models.dat");
       },
       "bad.txt", 4, "bad.txt line 4: \"1,5\" is not a valid number (models.dat line 1)"},
      {"font", [] { BuildFontTextures(); }, "data/fonts/font1.bmp", std::nullopt,
       "data/fonts/font1.bmp: the font image is missing or cannot be read"},
      {"brick", [] { MakeBrickTextures(); }, "data/models/brick.bmp", std::nullopt,
       "data/models/brick.bmp: the brick picture is missing or cannot be read"},
      {"menu picture", [] { LoadLogoTexture(); }, "textures/name.bmp", std::nullopt,
       "textures/name.bmp: the picture is missing or cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Kind);
    try {
      c.Read();
      ADD_FAILURE() << "no error";
    } catch (const DataFileError& e) {
      EXPECT_EQ(e.File(), c.File);
      EXPECT_EQ(e.Line(), c.Line);
      EXPECT_EQ(e.what(), c.Message);
    }
  }
}

}  // namespace
}  // namespace zolvane::testing
