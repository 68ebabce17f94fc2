// Vectors, matrices, colours, materials and lights in Direct3D's conventions: left-handed,
// row vectors (p' = p * M), translation in the fourth row, 32-bit floats.
#pragma once
#include <cstdint>

#include "platform/d3d8.h"

namespace zolvane {

extern const D3DMATRIX IdentityMatrix;
extern const D3DMATRIX ZeroMatrix;

D3DVECTOR MakeVector(float x, float y, float z);
D3DVECTOR VectorSubtract(const D3DVECTOR& a, const D3DVECTOR& b);
D3DVECTOR VectorScale(const D3DVECTOR& v, float s);
D3DVECTOR VectorDivide(const D3DVECTOR& v, float s);
float VectorLength(const D3DVECTOR& v);
D3DVECTOR VectorNormalize(const D3DVECTOR& v);  // v must not be zero
float VectorDot(const D3DVECTOR& a, const D3DVECTOR& b);
D3DVECTOR VectorCross(const D3DVECTOR& a, const D3DVECTOR& b);

void SetIdentityMatrix(D3DMATRIX& out);
void SetTranslateMatrix(D3DMATRIX& out, float x, float y, float z);
void SetScaleMatrix(D3DMATRIX& out, float x, float y, float z);
void SetRotateXMatrix(D3DMATRIX& out, float angle);
void SetRotateYMatrix(D3DMATRIX& out, float angle);
void SetRotateZMatrix(D3DMATRIX& out, float angle);
// out = b * a: applies b first, then a. out must be a third matrix.
void MatrixMultiply(const D3DMATRIX& a, const D3DMATRIX& b, D3DMATRIX& out);
// Convenience for callers that compose in place: returns b * a.
D3DMATRIX MatrixProduct(const D3DMATRIX& a, const D3DMATRIX& b);
HRESULT SetViewMatrix(D3DMATRIX& out, const D3DVECTOR& eye, const D3DVECTOR& at,
                      const D3DVECTOR& worldUp);
HRESULT SetProjectionMatrix(D3DMATRIX& out, float fov, float aspect, float nearPlane,
                            float farPlane);
// p * m for a point (w = 1).
D3DVECTOR TransformPoint(const D3DVECTOR& p, const D3DMATRIX& m);

D3DCOLOR ColorARGB(uint32_t a, uint32_t r, uint32_t g, uint32_t b);
D3DCOLOR ColorRGB(uint32_t r, uint32_t g, uint32_t b);
void InitMaterial(D3DMATERIAL8& out, float r, float g, float b, float a);
void InitLight(const D3DVECTOR& direction, D3DLIGHT8& out, float r, float g, float b, float range);

}  // namespace zolvane
