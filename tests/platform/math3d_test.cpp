#include "platform/math3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

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

void ExpectVector(const D3DVECTOR& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

// The right, up and view axes are the view matrix's first three columns.
void ExpectAxes(const D3DMATRIX& m, const D3DVECTOR& right, const D3DVECTOR& up,
                const D3DVECTOR& view) {
  ExpectVector(MakeVector(m(1, 1), m(2, 1), m(3, 1)), right.x, right.y, right.z);
  ExpectVector(MakeVector(m(1, 2), m(2, 2), m(3, 2)), up.x, up.y, up.z);
  ExpectVector(MakeVector(m(1, 3), m(2, 3), m(3, 3)), view.x, view.y, view.z);
  EXPECT_EQ(m(1, 4), 0.0f);
  EXPECT_EQ(m(4, 4), 1.0f);
}

D3DMATRIX Filled(float value) {
  D3DMATRIX m;
  for (auto& row : m.m)
    for (float& f : row) f = value;
  return m;
}

bool SameMatrix(const D3DMATRIX& a, const D3DMATRIX& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Math3D, RotationsTurnTheAxesLeftHanded) {
  const float quarter = std::numbers::pi_v<float> / 2;
  D3DMATRIX m;
  SetRotateXMatrix(m, quarter);
  ExpectVector(TransformPoint(MakeVector(0, 1, 0), m), 0, 0, 1);
  SetRotateYMatrix(m, quarter);
  ExpectVector(TransformPoint(MakeVector(1, 0, 0), m), 0, 0, -1);
  SetRotateZMatrix(m, quarter);
  ExpectVector(TransformPoint(MakeVector(1, 0, 0), m), 0, 1, 0);
}

TEST(Math3D, ViewMatrixRejectsAnEyeOnTheTarget) {
  D3DMATRIX out = Filled(7.0f);
  const D3DMATRIX before = out;
  EXPECT_EQ(SetViewMatrix(out, MakeVector(1, 2, 3), MakeVector(1, 2, 3), MakeVector(0, 1, 0)),
            E_INVALIDARG);
  EXPECT_TRUE(SameMatrix(out, before));
}

TEST(Math3D, ViewMatrixFallsBackToOtherUpVectors) {
  D3DMATRIX out;
  // Looking along +z with up along +z: up falls back to (0, 1, 0).
  ASSERT_EQ(SetViewMatrix(out, MakeVector(0, 0, 0), MakeVector(0, 0, 4), MakeVector(0, 0, 2)),
            D3D_OK);
  ExpectAxes(out, MakeVector(1, 0, 0), MakeVector(0, 1, 0), MakeVector(0, 0, 1));
  // A zero up vector takes the same road.
  ASSERT_EQ(SetViewMatrix(out, MakeVector(0, 0, 0), MakeVector(0, 0, 4), MakeVector(0, 0, 0)),
            D3D_OK);
  ExpectAxes(out, MakeVector(1, 0, 0), MakeVector(0, 1, 0), MakeVector(0, 0, 1));
  // Looking straight up with up along +y: (0, 1, 0) fails too, (0, 0, 1) is taken.
  ASSERT_EQ(SetViewMatrix(out, MakeVector(1, 2, 3), MakeVector(1, 7, 3), MakeVector(0, 3, 0)),
            D3D_OK);
  ExpectAxes(out, MakeVector(-1, 0, 0), MakeVector(0, 0, 1), MakeVector(0, 1, 0));
  // The fourth row moves the eye to the origin.
  ExpectVector(TransformPoint(MakeVector(1, 2, 3), out), 0, 0, 0);
}

TEST(Math3D, ProjectionRejectsDegenerateVolumes) {
  D3DMATRIX out = Filled(-3.0f);
  const D3DMATRIX before = out;
  EXPECT_EQ(SetProjectionMatrix(out, 1.0f, 0.75f, 5.0f, 5.0f), E_INVALIDARG);
  EXPECT_EQ(SetProjectionMatrix(out, 1.0f, 0.75f, 5.0f, 5.005f), E_INVALIDARG);
  EXPECT_EQ(SetProjectionMatrix(out, 0.0f, 0.75f, 1.0f, 25.0f), E_INVALIDARG);
  EXPECT_TRUE(SameMatrix(out, before));
}

TEST(Math3D, ColoursPackAlphaRedGreenBlue) {
  EXPECT_EQ(ColorARGB(0, 69, 69, 69), 0x00454545u);
  EXPECT_EQ(ColorRGB(255, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(ColorARGB(0x80, 1, 2, 3), 0x80010203u);
  EXPECT_EQ(ColorRGB(0, 0, 255), 0xFF0000FFu);
}

TEST(Math3D, MaterialsAndLightsStartFromZero) {
  D3DMATERIAL8 material;
  std::memset(&material, 0x5A, sizeof material);
  InitMaterial(material, 0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(material.Diffuse.g, 0.2f);
  EXPECT_EQ(material.Ambient.a, 0.4f);
  EXPECT_EQ(material.Specular.r, 0.0f);
  EXPECT_EQ(material.Emissive.b, 0.0f);
  EXPECT_EQ(material.Power, 0.0f);

  D3DLIGHT8 light;
  std::memset(&light, 0x5A, sizeof light);
  InitLight(MakeVector(0, -1, 1), light, 1.0f, 0.5f, 0.25f, 100.0f);
  EXPECT_EQ(light.Type, static_cast<uint32_t>(D3DLIGHT_DIRECTIONAL));
  EXPECT_FLOAT_EQ(light.Direction.x, 0.0f);
  EXPECT_FLOAT_EQ(light.Direction.y, -0.70710677f);
  EXPECT_FLOAT_EQ(light.Direction.z, 0.70710677f);
  EXPECT_EQ(light.Diffuse.g, 0.5f);
  EXPECT_EQ(light.Diffuse.a, 0.0f);
  EXPECT_EQ(light.Range, 100.0f);
  EXPECT_EQ(light.Specular.r, 0.0f);
  EXPECT_EQ(light.Ambient.g, 0.0f);
  EXPECT_EQ(light.Position.x, 0.0f);
}

// Screen position (x, y in -1..1, depth in 0..1) of a world point through view and projection.
D3DVECTOR ToScreen(const D3DVECTOR& p, const D3DMATRIX& view, const D3DMATRIX& projection) {
  const D3DVECTOR v = TransformPoint(p, view);
  const float row[4] = {v.x, v.y, v.z, 1.0f};
  float clip[4] = {};
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) clip[c] += row[r] * projection.m[r][c];
  return MakeVector(clip[0] / clip[3], clip[1] / clip[3], clip[2] / clip[3]);
}

TEST(Math3D, TheGameCameraCentresTheWell) {
  D3DMATRIX view, projection;
  ASSERT_EQ(SetViewMatrix(view, MakeVector(5.5f, 10.5f, -19.0f), MakeVector(5.5f, 10.5f, 0),
                          MakeVector(0, 1, 0)),
            D3D_OK);
  ASSERT_EQ(SetProjectionMatrix(projection, 1.0f, 0.75f, 1.0f, 25.0f), D3D_OK);
  const float c = std::cos(0.5f) / std::sin(0.5f);
  EXPECT_FLOAT_EQ(projection(1, 1), 0.75f * c);
  EXPECT_FLOAT_EQ(projection(2, 2), c);
  EXPECT_FLOAT_EQ(projection(3, 3), 25.0f / 24.0f);
  EXPECT_FLOAT_EQ(projection(4, 3), -25.0f / 24.0f);
  EXPECT_EQ(projection(3, 4), 1.0f);
  EXPECT_EQ(projection(4, 4), 0.0f);

  const D3DVECTOR centre = ToScreen(MakeVector(5.5f, 10.5f, 0), view, projection);
  EXPECT_NEAR(centre.x, 0.0f, 1e-6f);
  EXPECT_NEAR(centre.y, 0.0f, 1e-6f);
  EXPECT_GT(centre.z, 0.0f);
  EXPECT_LT(centre.z, 1.0f);

  // Row 1 and row 20 both show, symmetric about the centre; left is left and up is up.
  const D3DVECTOR bottomLeft = ToScreen(MakeVector(0.5f, 0.5f, 0), view, projection);
  const D3DVECTOR topRight = ToScreen(MakeVector(10.5f, 20.5f, 0), view, projection);
  EXPECT_NEAR(bottomLeft.x, -topRight.x, 1e-5f);
  EXPECT_NEAR(bottomLeft.y, -topRight.y, 1e-5f);
  EXPECT_LT(bottomLeft.x, 0.0f);
  EXPECT_LT(bottomLeft.y, 0.0f);
  EXPECT_GT(bottomLeft.y, -1.0f);
  EXPECT_NEAR(topRight.y, 10.0f * c / 19.0f, 1e-5f);

  // Nearer the camera is smaller depth.
  EXPECT_LT(ToScreen(MakeVector(5.5f, 10.5f, -3.0f), view, projection).z, centre.z);
}

}  // namespace
}  // namespace zolvane
