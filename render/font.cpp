#include "render/font.h"

#include <algorithm>
#include <cstring>

#include "platform/math3d.h"
#include "platform/picture.h"
#include "render/device_objects.h"
#include "render/models.h"
#include "render/scene_setup.h"

namespace zolvane {

const int32_t GlyphLeft[GlyphCount + 2] = {
    0,    4,    45,   62,   94,   125,  163,  191,  224,  256,  290,  323,  361,  397,
    432,  473,  505,  537,  577,  616,  633,  655,  693,  725,  770,  803,  843,  878,
    918,  957,  984,  1018, 1052, 1088, 1133, 1165, 1198, 1229, 1246, 1264, 1284, 1307,
    1330, 1349, 1372, 1395, 1428, 1468, 1476, 1500, 1526, 1569, 1598, 1613};
Texture* FontGlyphTextures[FontCount + 1][GlyphCount + 1] = {};
float GlyphAspect[GlyphCount + 1] = {};

namespace {

// The punctuation cells 37..52, in strip order.
constexpr char Punctuation[] = ":,!<>'-\"+/|=?@$.";
static_assert(sizeof Punctuation - 1 == GlyphCount - 36);

int32_t CellWidth(int32_t glyph) { return GlyphLeft[glyph + 1] - GlyphLeft[glyph]; }

uint32_t TextureWidthFor(int32_t width) {
  uint32_t p = 8;
  while (p < 1024 && p < static_cast<uint32_t>(width)) p *= 2;
  return p;
}

Picture LoadFontImage(int font) {
  const std::string file = FontImageFile(font);
  Picture picture;
  if (!LoadPicture(file, picture))
    throw FontLoadError(file, "the font image is missing or cannot be read");
  // Every cell is cut at fixed columns from the top 64 rows; a smaller image would make
  // those reads run off the picture.
  const int stripRight = GlyphLeft[GlyphCount + 1];
  if (picture.Width < stripRight || picture.Height < FontImageHeight)
    throw FontLoadError(file, "the font image is " + std::to_string(picture.Width) + " x " +
                                  std::to_string(picture.Height) + " pixels, smaller than the " +
                                  std::to_string(stripRight) + " x " +
                                  std::to_string(FontImageHeight) + " its cells need");
  return picture;
}

void WriteTexel(uint8_t* row, uint32_t x, D3DFORMAT format, const uint8_t* px) {
  const uint32_t r = px[0], g = px[1], b = px[2];
  const bool background = r >= 253 && g >= 253 && b >= 253;
  if (format == D3DFMT_A8R8G8B8) {
    const uint32_t v = ColorARGB(background ? 0 : 255, r, g, b);
    std::memcpy(row + x * 4, &v, 4);
  } else if (format == D3DFMT_A4R4G4B4) {
    const uint16_t v = static_cast<uint16_t>((background ? 0u : 15u) << 12 | (r >> 4) << 8 |
                                             (g >> 4) << 4 | (b >> 4));
    std::memcpy(row + x * 2, &v, 2);
  }
}

// Level 0 only: the device makes the smaller levels from it (MipsGenerated stays false).
// The cell is stretched to the texture's width by nearest column; a blend would mix glyph
// and background into texels that are neither.
void FillGlyphTexture(Texture* texture, const Picture& image, int32_t left, int32_t width) {
  D3DLOCKED_RECT locked;
  if (Failed(texture->LockRect(0, &locked, nullptr, 0))) return;
  const uint32_t p = texture->Width;
  auto* bits = static_cast<uint8_t*>(locked.pBits);
  for (uint32_t y = 0; y < FontImageHeight; ++y) {
    // Upside down: the quad's v runs upwards.
    uint8_t* row = bits + static_cast<size_t>(y) * locked.Pitch;
    const int imageRow = FontImageHeight - 1 - static_cast<int>(y);
    for (uint32_t x = 0; x < p; ++x) {
      const int column = static_cast<int>((2 * x + 1) * static_cast<uint32_t>(width) / (2 * p));
      WriteTexel(row, x, texture->Format, image.Pixel(left + column, imageRow));
    }
  }
  texture->UnlockRect(0);
}

void CutGlyph(int font, int32_t glyph, const Picture& image) {
  const int32_t width = CellWidth(glyph);
  GlyphAspect[glyph] = static_cast<float>(image.Height) / static_cast<float>(width);
  Texture*& slot = FontGlyphTextures[font][glyph];
  SafeRelease(slot);
  Device* d = D3D.FD3DDevice;
  if (!d || Failed(d->CreateTexture(TextureWidthFor(width), FontImageHeight, 0, 0,
                                    D3D.TextureFormat, D3DPOOL_MANAGED, &slot))) {
    slot = nullptr;  // the glyph is skipped when drawn
    return;
  }
  FillGlyphTexture(slot, image, GlyphLeft[glyph], width);
}

void FillFontQuad(int32_t alpha) {
  const D3DCOLOR colour = ColorARGB(static_cast<uint32_t>(std::clamp(alpha, 0, 255)), 255, 255, 255);
  const TTexModelVertex corners[4] = {
      {0, 0.5f, 0, -1, 0, 0, colour, 0, 1},
      {1, 0.5f, 0, -1, 0, 0, colour, 1, 1},
      {0, -0.5f, 0, -1, 0, 0, colour, 0, 0},
      {1, -0.5f, 0, -1, 0, 0, colour, 1, 0},
  };
  uint8_t* p = nullptr;
  if (Failed(D3D.FontQuad->Lock(0, 0, &p, 0))) return;
  std::memcpy(p, corners, sizeof corners);
  D3D.FontQuad->Unlock();
}

void SetTextStates(Device* d) {
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetStreamSource(0, D3D.FontQuad, TexModelStride);
  d->SetVertexShader(TexModelFVF);
  d->SetRenderState(D3DRS_LIGHTING, 0);
}

void DrawGlyph(Device* d, Texture* texture, float width, float aspect, const D3DMATRIX& pen) {
  D3DMATRIX scale, world;
  SetScaleMatrix(scale, width, width * aspect, 1);
  MatrixMultiply(pen, scale, world);
  d->SetTexture(0, texture);
  d->SetTransform(D3DTS_WORLD, &world);
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void DrawGlyphs(Device* d, int32_t font, float size, const std::string& text, float x, float y,
                float z) {
  D3DMATRIX pen;
  SetTranslateMatrix(pen, x, y, z);
  for (const char c : text) {
    if (c == ' ') {
      pen(4, 1) += size * static_cast<float>(SpaceAdvance) / 300.0f;
      continue;
    }
    const int32_t glyph = GlyphCode(c);
    if (glyph == 0) continue;
    const float width = size * static_cast<float>(CellWidth(glyph)) / 300.0f;
    // A glyph whose texture could not be made is left out; the line keeps its spacing.
    if (Texture* texture = FontGlyphTextures[font][glyph]) {
      DrawGlyph(d, texture, width, GlyphAspect[glyph], pen);
      d->SetTexture(0, nullptr);
    }
    pen(4, 1) += width;
  }
}

// Blending off and lighting on are what the rest of the scene expects; the stage-0 settings
// stay, and the sparks and the fade quad are drawn on them.
void EndText(Device* d) {
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0);
  d->SetRenderState(D3DRS_LIGHTING, 1);
}

}  // namespace

std::string FontImageFile(int font) { return "data/fonts/font" + std::to_string(font) + ".bmp"; }

int32_t GlyphCode(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= '0' && u <= '9') return u - '0' + 1;
  if (u >= 'A' && u <= 'Z') return u - 'A' + 11;
  if (u >= 'a' && u <= 'z') return u - 'a' + 11;
  if (u == 0) return 0;
  const char* at = std::strchr(Punctuation, c);
  return at ? static_cast<int32_t>(at - Punctuation) + 37 : 0;
}

bool FontDraws(char c) { return c == ' ' || GlyphCode(c) != 0; }

void BuildFontTextures() {
  for (int font = 1; font <= FontCount; ++font) {
    const Picture image = LoadFontImage(font);
    for (int32_t glyph = 1; glyph <= GlyphCount; ++glyph) CutGlyph(font, glyph, image);
  }
}

HRESULT CreateFontQuad() {
  SafeRelease(D3D.FontQuad);
  if (!D3D.FD3DDevice) return D3DERR_INVALIDCALL;
  return D3D.FD3DDevice->CreateVertexBuffer(QuadBytes, 0, TexModelFVF, D3DPOOL_DEFAULT,
                                            &D3D.FontQuad);
}

float FontTextWidth(float size, const std::string& text) {
  float width = 0;
  for (const char c : text) {
    const int32_t glyph = GlyphCode(c);
    if (c == ' ') width += size * static_cast<float>(SpaceAdvance) / 300.0f;
    if (glyph != 0) width += size * static_cast<float>(CellWidth(glyph)) / 300.0f;
  }
  return width;
}

void DrawFontText(int32_t font, float size, const std::string& text, float x, float y, float z,
                  int32_t alpha) {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  if (D3D.FontQuad) FillFontQuad(alpha);
  SetTextStates(d);
  // Without the quad or with a font number out of range the line only sets the states.
  if (D3D.FontQuad && font >= 1 && font <= FontCount) DrawGlyphs(d, font, size, text, x, y, z);
  EndText(d);
}

// A line that fits keeps its size, so only the long numbers of a big score shrink.
float FontSizeWithin(float size, const std::string& text, float room) {
  const float width = FontTextWidth(size, text);
  return width > room && room > 0 ? size * room / width : size;
}

void DrawFontTextWithin(int32_t font, int32_t size, const std::string& text, float x,
                        float right, float y, float z, int32_t alpha) {
  DrawFontText(font, FontSizeWithin(static_cast<float>(size), text, right - x), text, x, y, z,
               alpha);
}

void LeaveTextStates() {
  Device* d = D3D.FD3DDevice;
  if (!d) return;
  SetTextStates(d);
  d->SetTexture(0, nullptr);
  EndText(d);
}

void FreeFontResources() {
  for (auto& font : FontGlyphTextures)
    for (Texture*& texture : font) SafeRelease(texture);
  SafeRelease(D3D.FontQuad);
}

}  // namespace zolvane
