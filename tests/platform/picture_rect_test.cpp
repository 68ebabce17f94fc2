#include "platform/picture_rect.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

namespace zolvane {
namespace {

// The 4:3 picture in drawables of every shape: the largest rectangle, centred, never
// stretched, never empty in a drawable that is not.
TEST(FitPicture, LargestCentredFourToThreeRectangle) {
  struct Case {
    int W, H;
    PixelRect Want;
  };
  const Case cases[] = {
      {720, 540, {0, 0, 720, 540}},         // the window as it opens: no bars
      {1920, 1080, {240, 0, 1440, 1080}},   // a wide screen: bars left and right
      {1080, 1920, {0, 555, 1080, 810}},    // a tall one: bars above and below
      {1280, 720, {160, 0, 960, 720}},
      {1000, 500, {166, 0, 667, 500}},      // 666.67 rounds up; the odd pixel goes right
      {721, 540, {0, 0, 720, 540}},         // one column over: no bar of half a pixel left
      {719, 541, {0, 1, 719, 539}},         // 539.25 rows, the spare two split
      {1, 1, {0, 0, 1, 1}},                 // 0.75 rows round to one
      {2, 1, {0, 0, 1, 1}},
      {1, 1000, {0, 499, 1, 1}},
      {0, 540, {0, 0, 0, 0}},               // minimised: nothing to draw
      {720, -1, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.W) + " x " + std::to_string(c.H));
    const PixelRect got = FitPicture(c.W, c.H, 720, 540);
    EXPECT_EQ(got.X, c.Want.X);
    EXPECT_EQ(got.Y, c.Want.Y);
    EXPECT_EQ(got.Width, c.Want.Width);
    EXPECT_EQ(got.Height, c.Want.Height);
    // Same result from the shape in lowest terms.
    EXPECT_EQ(FitPicture(c.W, c.H, 4, 3), got);
  }
  // No shape: the picture fills the drawable, as the tests' square windows want.
  EXPECT_EQ(FitPicture(256, 256, 0, 0), (PixelRect{0, 0, 256, 256}));
  // Sizes whose products overflow 32 bits.
  EXPECT_EQ(FitPicture(60000, 40000, 40000, 30000), (PixelRect{3333, 0, 53333, 40000}));
}

// The bars and the picture tile the drawable: every pixel is covered exactly once.
TEST(PictureBars, TileTheDrawableWithThePicture) {
  for (const auto& [w, h] : {std::pair{1920, 1080}, {1080, 1920}, {1001, 540}, {720, 540}, {3, 7}}) {
    SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
    const PixelRect picture = FitPicture(w, h, 4, 3);
    const std::vector<PixelRect> bars = PictureBars(w, h, picture);
    std::vector<int> cover(static_cast<size_t>(w * h), 0);
    auto paint = [&](const PixelRect& r) {
      for (int y = r.Y; y < r.Y + r.Height; ++y)
        for (int x = r.X; x < r.X + r.Width; ++x) {
          ASSERT_TRUE(x >= 0 && x < w && y >= 0 && y < h) << x << ", " << y;
          ++cover[static_cast<size_t>(y * w + x)];
        }
    };
    paint(picture);
    for (const PixelRect& b : bars) paint(b);
    EXPECT_EQ(std::count(cover.begin(), cover.end(), 1), w * h);
    EXPECT_EQ(bars.empty(), picture == (PixelRect{0, 0, w, h}));
  }
}

}  // namespace
}  // namespace zolvane
