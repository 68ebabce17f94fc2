#include "render/game_info.h"

#include "render/device_objects.h"

namespace zolvane {

// The texts need the bitmap font; until it exists a game frame shows no text. What the
// text drawing leaves behind is here already: stage 0 modulating texture by vertex colour,
// in colour and in alpha. The frame, the sparks and the fade quad are drawn on that state.
void DrawGameInfo() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

void DrawMessage() {}

}  // namespace zolvane
