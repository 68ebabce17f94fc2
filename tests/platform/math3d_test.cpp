#include "platform/math3d.h"

#include <gtest/gtest.h>

namespace zolvane {
namespace {

TEST(Math3D, PlacementAfterScalingMapsTheFadeQuadCorner) {
  D3DMATRIX t, s, out;
  SetTranslateMatrix(t, 5.5f, 10.5f, -3.0f);
  SetScaleMatrix(s, 26.0f, 20.0f, 1.0f);
  MatrixMultiply(t, s, out);
  const D3DVECTOR p = TransformPoint(MakeVector(0.5f, 0.5f, 0), out);
  EXPECT_FLOAT_EQ(p.x, 18.5f);
  EXPECT_FLOAT_EQ(p.y, 20.5f);
  EXPECT_FLOAT_EQ(p.z, -3.0f);
}

}  // namespace
}  // namespace zolvane
