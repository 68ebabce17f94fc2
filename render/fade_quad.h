// The black quad in front of the scene whose alpha is the fade level.
#pragma once
#include <cstdint>

#include "platform/d3d8.h"

namespace zolvane {

constexpr uint32_t FadeQuadFVF = 0x42;  // D3DFVF_XYZ | D3DFVF_DIFFUSE
constexpr uint32_t FadeQuadStride = 16;

HRESULT CreateFadeQuad();
// Writes the quad's four vertices with the given alpha; nothing without a quad.
void SetFadeLevel(int32_t level);
void DrawFadeQuad();

}  // namespace zolvane
