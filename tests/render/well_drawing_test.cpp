#include <map>
#include <string>
#include <utility>

#include "render_fixture.h"

namespace zolvane::testing {
namespace {

class RenderWell : public RenderFixture {
 protected:
  void SetUp() override {
    RenderFixture::SetUp();
    ModelTable[1].Textured = true;
    ModelTable[1].TriangleCount = 2;
    for (int k = 1; k <= 8; ++k) BrickTextures[k] = Marker();
    CreateGameScene();
    Game.GameType = 1;
  }

  // (column, row) -> colour of rows 1..3: every colour next to every other, a hole in
  // each row, and one brick of no colour at all.
  std::map<std::pair<int, int>, int> Fill() {
    std::map<std::pair<int, int>, int> occupied;
    for (int r = 1; r <= 3; ++r)
      for (int c = 1; c <= WellColumns; ++c)
        if (c != r + 4) occupied[{c, r}] = (r * 3 + c) % 8 + 1;
    occupied[{1, 2}] = 0;
    for (auto [at, colour] : occupied) Occupy(at.second, at.first, colour);
    return occupied;
  }

  void Occupy(int row, int column, int colour) {
    WellAt(row, column).Empty = false;
    WellAt(row, column).Brick->Colour = colour;
  }
};

TEST_F(RenderWell, SetsEachColoursTextureOnce) {
  Fill();
  DrawWell();
  std::map<const void*, int> sets;
  for (const RecordedCall& c : Dev->Calls)
    if (c.Op == "SetTexture" && c.Object) ++sets[c.Object];
  EXPECT_EQ(sets.size(), 8u);
  for (auto [texture, count] : sets) EXPECT_EQ(count, 1);
  EXPECT_EQ(Dev->Textures[0], nullptr);
}

TEST_F(RenderWell, DrawsEachOccupiedPositionOnceWithItsOwnMatrixAndColour) {
  auto expected = Fill();
  DrawWell();
  for (const DrawSnapshot& d : Dev->Draws) {
    auto it = expected.find({static_cast<int>(d.World(4, 1)), static_cast<int>(d.World(4, 2))});
    ASSERT_NE(it, expected.end()) << "a position drawn twice, or one left empty";
    EXPECT_EQ(d.Texture0, it->second ? BrickTextures[it->second] : nullptr);
    EXPECT_EQ(d.Stream, D3D.FD3DVBTexModels);
    EXPECT_EQ(d.Stage0(D3DTSS_COLOROP), D3DTOP_MODULATE);
    expected.erase(it);
  }
  EXPECT_TRUE(expected.empty());
}

TEST_F(RenderWell, TurningBrickKeepsItsPlaceInTheRowOrder) {
  Occupy(1, 1, 4);
  Occupy(1, 2, 3);
  Occupy(1, 3, 4);
  Game.BrickFlipActive = true;
  Game.BrickFlipRow = 1;
  Game.BrickFlipColumn = 2;
  DrawWell();
  ASSERT_EQ(Dev->Draws.size(), 3u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(Dev->Draws[k].World(4, 1), k + 1.0f);
}

TEST_F(RenderWell, FiguresComeBeforeAndFlyingRowsAfterTheWellWhateverTheirColour) {
  Occupy(1, 1, 2);  // the falling figure's colour
  Occupy(1, 2, 1);  // the next figure's
  for (int c = 0; c < 3; ++c) Game.FlyingRows[0][c] = new TBrick(2, c + 1.0f, 5, -1);
  FigureShapes[2][1][0][0] = FigureShapes[1][1][0][0] = 1;
  DrawGame();
  std::string order;  // F a figure's bricks, W a well brick, R a flying one, with its column
  for (const DrawSnapshot& d : Dev->Draws) {
    if (d.Stream != D3D.FD3DVBTexModels) continue;
    const char part = d.World(4, 2) > 10 ? 'F' : d.World(4, 3) < 0 ? 'R' : 'W';
    if (part == 'F') {
      if (order.empty() || order.back() != 'F') order += part;
    } else {
      order += part + std::to_string(static_cast<int>(d.World(4, 1)));
    }
  }
  EXPECT_EQ(order, "FW2W1R1R2R3");
}

}  // namespace
}  // namespace zolvane::testing
