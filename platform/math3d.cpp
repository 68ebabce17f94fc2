#include "platform/math3d.h"

#include <cmath>
#include <cstring>

namespace zolvane {

const D3DMATRIX IdentityMatrix = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
const D3DMATRIX ZeroMatrix = {};

D3DVECTOR MakeVector(float x, float y, float z) { return {x, y, z}; }
D3DVECTOR VectorSubtract(const D3DVECTOR& a, const D3DVECTOR& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
D3DVECTOR VectorScale(const D3DVECTOR& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
D3DVECTOR VectorDivide(const D3DVECTOR& v, float s) { return {v.x / s, v.y / s, v.z / s}; }
float VectorLength(const D3DVECTOR& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
D3DVECTOR VectorNormalize(const D3DVECTOR& v) { return VectorDivide(v, VectorLength(v)); }
float VectorDot(const D3DVECTOR& a, const D3DVECTOR& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
D3DVECTOR VectorCross(const D3DVECTOR& a, const D3DVECTOR& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

void SetIdentityMatrix(D3DMATRIX& out) { out = IdentityMatrix; }

void SetTranslateMatrix(D3DMATRIX& out, float x, float y, float z) {
  out = IdentityMatrix;
  out(4, 1) = x;
  out(4, 2) = y;
  out(4, 3) = z;
}

void SetScaleMatrix(D3DMATRIX& out, float x, float y, float z) {
  out = IdentityMatrix;
  out(1, 1) = x;
  out(2, 2) = y;
  out(3, 3) = z;
}

void SetRotateXMatrix(D3DMATRIX& out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  out = IdentityMatrix;
  out(2, 2) = c;
  out(2, 3) = s;
  out(3, 2) = -s;
  out(3, 3) = c;
}

void SetRotateYMatrix(D3DMATRIX& out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  out = IdentityMatrix;
  out(1, 1) = c;
  out(1, 3) = -s;
  out(3, 1) = s;
  out(3, 3) = c;
}

void SetRotateZMatrix(D3DMATRIX& out, float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  out = IdentityMatrix;
  out(1, 1) = c;
  out(1, 2) = s;
  out(2, 1) = -s;
  out(2, 2) = c;
}

void MatrixMultiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX& out) {
  out = ZeroMatrix;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) out.m[i][j] += b.m[i][k] * a.m[k][j];
}

D3DMATRIX MatrixProduct(const D3DMATRIX& a, const D3DMATRIX& b) {
  D3DMATRIX out;
  MatrixMultiply(a, b, out);
  return out;
}

HRESULT SetViewMatrix(D3DMATRIX& out, const D3DVECTOR& eye, const D3DVECTOR& at,
                      const D3DVECTOR& worldUp) {
  D3DVECTOR view = VectorSubtract(at, eye);
  float len = VectorLength(view);
  if (len < 1e-6f) return E_INVALIDARG;
  view = VectorDivide(view, len);

  D3DVECTOR up = VectorSubtract(worldUp, VectorScale(view, VectorDot(worldUp, view)));
  len = VectorLength(up);
  if (len < 1e-6f) {
    up = VectorSubtract(MakeVector(0, 1, 0), VectorScale(view, view.y));
    len = VectorLength(up);
    if (len < 1e-6f) {
      up = VectorSubtract(MakeVector(0, 0, 1), VectorScale(view, view.z));
      len = VectorLength(up);
      if (len < 1e-6f) return E_INVALIDARG;
    }
  }
  up = VectorDivide(up, len);
  const D3DVECTOR right = VectorCross(up, view);

  out = {{{right.x, up.x, view.x, 0},
          {right.y, up.y, view.y, 0},
          {right.z, up.z, view.z, 0},
          {-VectorDot(eye, right), -VectorDot(eye, up), -VectorDot(eye, view), 1}}};
  return D3D_OK;
}

HRESULT SetProjectionMatrix(D3DMATRIX& out, float fov, float aspect, float nearPlane,
                            float farPlane) {
  if (std::fabs(farPlane - nearPlane) < 0.01f || std::fabs(std::sin(fov / 2)) < 0.01f)
    return E_INVALIDARG;
  const float c = std::cos(fov / 2) / std::sin(fov / 2);
  const float q = farPlane / (farPlane - nearPlane);
  out = ZeroMatrix;
  out(1, 1) = aspect * c;
  out(2, 2) = c;
  out(3, 3) = q;
  out(3, 4) = 1;
  out(4, 3) = -q * nearPlane;
  return D3D_OK;
}

D3DVECTOR TransformPoint(const D3DVECTOR& p, const D3DMATRIX& m) {
  return {p.x * m(1, 1) + p.y * m(2, 1) + p.z * m(3, 1) + m(4, 1),
          p.x * m(1, 2) + p.y * m(2, 2) + p.z * m(3, 2) + m(4, 2),
          p.x * m(1, 3) + p.y * m(2, 3) + p.z * m(3, 3) + m(4, 3)};
}

D3DCOLOR ColorARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a * 0x1000000u + r * 0x10000u + g * 0x100u + b;
}
D3DCOLOR ColorRGB(uint32_t r, uint32_t g, uint32_t b) { return ColorARGB(255, r, g, b); }

void InitMaterial(D3DMATERIAL8& out, float r, float g, float b, float a) {
  std::memset(&out, 0, sizeof out);
  out.Diffuse = {r, g, b, a};
  out.Ambient = out.Diffuse;
}

void InitLight(const D3DVECTOR& direction, D3DLIGHT8& out, float r, float g, float b, float range) {
  std::memset(&out, 0, sizeof out);
  out.Type = D3DLIGHT_DIRECTIONAL;
  out.Diffuse = {r, g, b, 0};
  out.Direction = VectorNormalize(direction);
  out.Range = range;
}

}  // namespace zolvane
