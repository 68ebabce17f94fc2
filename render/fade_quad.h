// The black quad in front of the scene whose alpha is the fade level.
#pragma once
#include <cstdint>

#include "platform/device.h"

namespace zolvane {

constexpr uint32_t FadeQuadFVF = 0x42;  // D3DFVF_XYZ | D3DFVF_DIFFUSE
constexpr uint32_t FadeQuadStride = 16;

HRESULT CreateFadeQuad();
// Writes a unit square of four 16-byte vertices (position, colour) as a two-triangle strip,
// every corner in the colour; the fade quad and the menus' panel are such squares.
HRESULT FillColourQuad(VertexBuffer* quad, D3DCOLOR colour);
// Writes the quad's four vertices with the given alpha; nothing without a quad.
void SetFadeLevel(int32_t level);
// At the loop's fade level.
void DrawFadeQuad();

}  // namespace zolvane
