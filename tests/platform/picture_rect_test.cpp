#include "platform/picture_rect.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace zolvane
