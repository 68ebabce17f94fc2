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

// A cell's rows in its atlas, with the repeated edge row above and below.
constexpr uint32_t CellRows = FontImageHeight + 2;

// Where each glyph lies: the glyphs of one texture width are stacked in the order of the
// strip, so every font has the same layout.
struct AtlasLayout {
  uint32_t Row[GlyphCount + 1] = {};     // the glyph's first row
  uint32_t Height[GlyphCount + 1] = {};  // the height of the glyph's atlas
};

const AtlasLayout& Layout() {
  static const AtlasLayout layout = [] {
    AtlasLayout l;
    for (int32_t g = 1; g <= GlyphCount; ++g) {
      uint32_t before = 0, all = 0;
      for (int32_t o = 1; o <= GlyphCount; ++o)
        if (TextureWidthFor(CellWidth(o)) == TextureWidthFor(CellWidth(g))) {
          before += o < g;
          ++all;
        }
      l.Row[g] = before * CellRows + 1;
      l.Height[g] = all * CellRows;
    }
    return l;
  }();
  return layout;
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

// The cell is stretched to the texture's width by nearest column; a blend would mix glyph
// and background into texels that are neither.
void FillGlyphCell(uint8_t* bits, int32_t pitch, uint32_t p, D3DFORMAT format,
                   const Picture& image, int32_t glyph) {
  const int32_t left = GlyphLeft[glyph], width = CellWidth(glyph);
  const uint32_t first = Layout().Row[glyph];
  // Upside down, the quad's v running upwards; the rows outside repeat the far edge.
  for (int32_t y = -1; y <= FontImageHeight; ++y) {
    uint8_t* row = bits + static_cast<ptrdiff_t>(static_cast<int32_t>(first) + y) * pitch;
    const int32_t wrapped = (y + FontImageHeight) % FontImageHeight;
    const int imageRow = FontImageHeight - 1 - wrapped;
    for (uint32_t x = 0; x < p; ++x) {
      const int column = static_cast<int>((2 * x + 1) * static_cast<uint32_t>(width) / (2 * p));
      WriteTexel(row, x, format, image.Pixel(left + column, imageRow));
    }
  }
}

// Level 0 only, and no other: a smaller level would blend neighbouring cells.
void CutGlyphs(int font, const Picture& image) {
  for (Texture*& slot : FontGlyphTextures[font]) slot = nullptr;
  Device* d = D3D.FD3DDevice;
  for (int32_t glyph = 1; glyph <= GlyphCount; ++glyph) {
    const int32_t width = CellWidth(glyph);
    GlyphAspect[glyph] = static_cast<float>(image.Height) / static_cast<float>(width);
    const uint32_t p = TextureWidthFor(width);
    Texture* atlas = nullptr;
    for (int32_t o = 1; o < glyph && !atlas; ++o)
      if (TextureWidthFor(CellWidth(o)) == p) atlas = FontGlyphTextures[font][o];
    if (!atlas && (!d || Failed(d->CreateTexture(p, Layout().Height[glyph], 1, 0,
                                                 D3D.TextureFormat, D3DPOOL_MANAGED, &atlas))))
      atlas = nullptr;  // its glyphs are skipped when drawn
    FontGlyphTextures[font][glyph] = atlas;
  }
  // Each atlas written under one lock.
  for (int32_t glyph = 1; glyph <= GlyphCount; ++glyph) {
    Texture* atlas = FontGlyphTextures[font][glyph];
    bool first = true;
    for (int32_t o = 1; o < glyph && first; ++o) first = FontGlyphTextures[font][o] != atlas;
    if (!atlas || !first) continue;
    D3DLOCKED_RECT locked;
    if (Failed(atlas->LockRect(0, &locked, nullptr, 0))) continue;
    for (int32_t g = glyph; g <= GlyphCount; ++g)
      if (FontGlyphTextures[font][g] == atlas)
        FillGlyphCell(static_cast<uint8_t*>(locked.pBits), locked.Pitch, atlas->Width,
                      atlas->Format, image, g);
    atlas->UnlockRect(0);
  }
}

// The distinct textures of a font, each once.
void ReleaseFont(int font) {
  Texture** glyphs = FontGlyphTextures[font];
  for (int32_t g = 0; g <= GlyphCount; ++g) {
    Texture* t = glyphs[g];
    if (!t) continue;
    for (int32_t o = g; o <= GlyphCount; ++o)
      if (glyphs[o] == t) glyphs[o] = nullptr;
    t->Release();
  }
}

constexpr uint32_t FontQuadBytes = GlyphCount * QuadBytes;

// Only when the alpha changes: the strips' texture coordinates never do.
void FillFontQuad(int32_t alpha) {
  const D3DCOLOR colour = ColorARGB(static_cast<uint32_t>(std::clamp(alpha, 0, 255)), 255, 255, 255);
  static const VertexBuffer* filled = nullptr;
  static uint32_t filledVersion = 0;
  static D3DCOLOR filledColour = 0;
  if (filled == D3D.FontQuad && filledVersion == D3D.FontQuad->Version && filledColour == colour)
    return;
  TTexModelVertex corners[GlyphCount * 4];
  for (int32_t g = 1; g <= GlyphCount; ++g) {
    const float height = static_cast<float>(Layout().Height[g]);
    const float bottom = static_cast<float>(Layout().Row[g]) / height;
    const float top = static_cast<float>(Layout().Row[g] + FontImageHeight) / height;
    TTexModelVertex* q = &corners[(g - 1) * 4];
    q[0] = {0, 0.5f, 0, -1, 0, 0, colour, 0, top};
    q[1] = {1, 0.5f, 0, -1, 0, 0, colour, 1, top};
    q[2] = {0, -0.5f, 0, -1, 0, 0, colour, 0, bottom};
    q[3] = {1, -0.5f, 0, -1, 0, 0, colour, 1, bottom};
  }
  uint8_t* p = nullptr;
  if (Failed(D3D.FontQuad->Lock(0, 0, &p, 0))) return;
  std::memcpy(p, corners, sizeof corners);
  D3D.FontQuad->Unlock();
  filled = D3D.FontQuad;
  filledVersion = D3D.FontQuad->Version;
  filledColour = colour;
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

void DrawGlyph(Device* d, Texture* texture, int32_t glyph, float width, const D3DMATRIX& pen) {
  D3DMATRIX scale, world;
  SetScaleMatrix(scale, width, width * GlyphAspect[glyph], 1);
  MatrixMultiply(pen, scale, world);
  d->SetTexture(0, texture);
  d->SetTransform(D3DTS_WORLD, &world);
  d->DrawPrimitive(D3DPT_TRIANGLESTRIP, static_cast<uint32_t>(glyph - 1) * 4, 2);
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
      DrawGlyph(d, texture, glyph, width, pen);
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

int32_t GlyphAtlasRow(int32_t glyph) {
  return glyph >= 1 && glyph <= GlyphCount ? static_cast<int32_t>(Layout().Row[glyph]) : 0;
}

void BuildFontTextures() {
  for (int font = 1; font <= FontCount; ++font) {
    const Picture image = LoadFontImage(font);
    ReleaseFont(font);
    CutGlyphs(font, image);
  }
}

HRESULT CreateFontQuad() {
  SafeRelease(D3D.FontQuad);
  if (!D3D.FD3DDevice) return D3DERR_INVALIDCALL;
  return D3D.FD3DDevice->CreateVertexBuffer(FontQuadBytes, 0, TexModelFVF, D3DPOOL_DEFAULT,
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

void FreeFontResources() {
  for (int font = 0; font <= FontCount; ++font) ReleaseFont(font);
  SafeRelease(D3D.FontQuad);
}

}  // namespace zolvane
