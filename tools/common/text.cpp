#include "tools/common/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include FT_STROKER_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zolvane::gen {

namespace {

FT_Pos To26Dot6(float v) { return static_cast<FT_Pos>(std::lround(v * 64.0f)); }

void MaxSpans(int y, int count, const FT_Span* spans, void* user) {
  Mask& mask = *static_cast<Mask*>(user);
  const int row = mask.Height - 1 - y;  // the rasteriser counts rows upwards
  if (row < 0 || row >= mask.Height) return;
  for (int i = 0; i < count; ++i) {
    const float v = spans[i].coverage / 255.0f;
    const int end = std::min<int>(spans[i].x + spans[i].len, mask.Width);
    for (int x = std::max<int>(spans[i].x, 0); x < end; ++x) mask.At(x, row) = std::max(mask.At(x, row), v);
  }
}

// The outline's coordinates are 26.6 pixels with y upwards from the mask's bottom edge.
void Render(FT_Library library, FT_Outline* outline, Mask& mask) {
  FT_Raster_Params params{};
  params.source = outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.gray_spans = MaxSpans;
  params.user = &mask;
  params.clip_box = {0, 0, mask.Width, mask.Height};
  FT_Outline_Render(library, outline, &params);
}

// Growing is the outside border of a round stroke, which also shrinks the counters.
void RenderGrown(FT_Library library, FT_Outline* outline, float grow, Mask& mask) {
  if (grow <= 0) {
    Render(library, outline, mask);
    return;
  }
  FT_Stroker stroker;
  FT_Stroker_New(library, &stroker);
  FT_Stroker_Set(stroker, To26Dot6(grow), FT_STROKER_LINECAP_ROUND, FT_STROKER_LINEJOIN_ROUND, 0);
  const FT_StrokerBorder border = FT_Outline_GetOutsideBorder(outline);
  FT_Stroker_ParseOutline(stroker, outline, false);
  FT_UInt points = 0, contours = 0;
  FT_Stroker_GetBorderCounts(stroker, border, &points, &contours);
  FT_Outline grown;
  FT_Outline_New(library, points, static_cast<FT_Int>(contours), &grown);
  grown.n_points = 0;
  grown.n_contours = 0;
  FT_Stroker_ExportBorder(stroker, border, &grown);
  Render(library, &grown, mask);
  FT_Outline_Done(library, &grown);
  FT_Stroker_Done(stroker);
}

}  // namespace

void FillPolygon(Mask& mask, const std::vector<Point>& polygon, float grow) {
  if (polygon.size() < 3) return;
  FT_Library library;
  FT_Init_FreeType(&library);
  FT_Outline outline;
  FT_Outline_New(library, static_cast<FT_UInt>(polygon.size()), 1, &outline);
  for (size_t i = 0; i < polygon.size(); ++i) {
    outline.points[i] = {To26Dot6(polygon[i].X), To26Dot6(mask.Height - polygon[i].Y)};
    outline.tags[i] = FT_CURVE_TAG_ON;
  }
  outline.contours[0] = static_cast<short>(polygon.size() - 1);
  RenderGrown(library, &outline, grow, mask);
  FT_Outline_Done(library, &outline);
  FT_Done_FreeType(library);
}

struct Font::Impl {
  FT_Library library = nullptr;
  FT_Face face = nullptr;

  void SetSize(int pixelSize) const { FT_Set_Pixel_Sizes(face, 0, pixelSize); }
  void Load(unsigned char c) const {
    if (FT_Load_Char(face, c, FT_LOAD_RENDER)) {
      std::fprintf(stderr, "font: no glyph for %c\n", c);
      std::exit(1);
    }
  }
  long Kerning(unsigned char previous, unsigned char c) const {
    if (!previous || !FT_HAS_KERNING(face)) return 0;
    FT_Vector delta;
    FT_Get_Kerning(face, FT_Get_Char_Index(face, previous), FT_Get_Char_Index(face, c),
                   FT_KERNING_DEFAULT, &delta);
    return delta.x;
  }

  // Outline work: unhinted, so shapes scale smoothly with fractional sizes.
  void SetOutlineSize(float pixelSize) const { FT_Set_Char_Size(face, 0, To26Dot6(pixelSize), 72, 72); }
  // Loads c's outline scaled by the style about its pen; returns the pen advance.
  float LoadOutline(unsigned char c, const GlyphStyle& style) const {
    if (FT_Load_Char(face, c, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) ||
        face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
      std::fprintf(stderr, "font: no outline for %c\n", c);
      std::exit(1);
    }
    FT_Matrix m{static_cast<FT_Fixed>(std::lround(style.ScaleX * 65536.0f)), 0, 0,
                static_cast<FT_Fixed>(std::lround(style.ScaleY * 65536.0f))};
    FT_Outline_Transform(&face->glyph->outline, &m);
    return face->glyph->linearHoriAdvance / 65536.0f * style.ScaleX;
  }
  float ScaledKerning(unsigned char previous, unsigned char c, float pixelSize, const GlyphStyle& style) const {
    if (!previous || !FT_HAS_KERNING(face)) return 0;
    FT_Vector delta;
    FT_Get_Kerning(face, FT_Get_Char_Index(face, previous), FT_Get_Char_Index(face, c), FT_KERNING_UNSCALED,
                   &delta);
    return delta.x * pixelSize / face->units_per_EM * style.ScaleX;
  }
};

Font::Font(const std::string& path) : impl_(new Impl) {
  if (FT_Init_FreeType(&impl_->library) || FT_New_Face(impl_->library, path.c_str(), 0, &impl_->face)) {
    std::fprintf(stderr, "font: cannot load %s\n", path.c_str());
    std::exit(1);
  }
}

Font::~Font() {
  FT_Done_Face(impl_->face);
  FT_Done_FreeType(impl_->library);
  delete impl_;
}

int Font::Measure(const std::string& text, int pixelSize) const {
  impl_->SetSize(pixelSize);
  long pen = 0;
  unsigned char previous = 0;
  for (unsigned char c : text) {
    pen += impl_->Kerning(previous, c);
    impl_->Load(c);
    pen += impl_->face->glyph->advance.x;
    previous = c;
  }
  return static_cast<int>(pen >> 6);
}

int Font::CapHeight(int pixelSize) const {
  impl_->SetSize(pixelSize);
  impl_->Load('H');
  return impl_->face->glyph->bitmap_top;
}

void Font::Draw(Mask& mask, const std::string& text, int pixelSize, int x, int baseline) const {
  impl_->SetSize(pixelSize);
  long pen = static_cast<long>(x) << 6;
  unsigned char previous = 0;
  for (unsigned char c : text) {
    pen += impl_->Kerning(previous, c);
    impl_->Load(c);
    const FT_GlyphSlot g = impl_->face->glyph;
    const int left = static_cast<int>(pen >> 6) + g->bitmap_left;
    const int top = baseline - g->bitmap_top;
    for (unsigned row = 0; row < g->bitmap.rows; ++row)
      for (unsigned col = 0; col < g->bitmap.width; ++col) {
        const int px = left + static_cast<int>(col), py = top + static_cast<int>(row);
        if (px < 0 || py < 0 || px >= mask.Width || py >= mask.Height) continue;
        const float v = g->bitmap.buffer[row * g->bitmap.pitch + col] / 255.0f;
        mask.At(px, py) = std::max(mask.At(px, py), v);
      }
    pen += g->advance.x;
    previous = c;
  }
}

InkBox Font::TextBox(const std::string& text, float pixelSize, const GlyphStyle& style) const {
  impl_->SetOutlineSize(pixelSize);
  InkBox box;
  float pen = 0;
  unsigned char previous = 0;
  for (unsigned char c : text) {
    pen += impl_->ScaledKerning(previous, c, pixelSize, style);
    const float advance = impl_->LoadOutline(c, style);
    if (impl_->face->glyph->outline.n_points > 0) {
      FT_BBox b;
      FT_Outline_Get_BBox(&impl_->face->glyph->outline, &b);
      const float left = pen + b.xMin / 64.0f - style.Grow, right = pen + b.xMax / 64.0f + style.Grow;
      const float top = -b.yMax / 64.0f - style.Grow, bottom = -b.yMin / 64.0f + style.Grow;
      if (box.Empty) box = {left, top, right, bottom, false};
      box = {std::min(box.Left, left), std::min(box.Top, top), std::max(box.Right, right),
             std::max(box.Bottom, bottom), false};
    }
    pen += advance;
    previous = c;
  }
  return box;
}

float Font::Advance(const std::string& text, float pixelSize, const GlyphStyle& style) const {
  impl_->SetOutlineSize(pixelSize);
  float pen = 0;
  unsigned char previous = 0;
  for (unsigned char c : text) {
    pen += impl_->ScaledKerning(previous, c, pixelSize, style);
    pen += impl_->LoadOutline(c, style);
    previous = c;
  }
  return pen;
}

void Font::DrawOutline(Mask& mask, const std::string& text, float pixelSize, const GlyphStyle& style, float x,
                       float baseline) const {
  impl_->SetOutlineSize(pixelSize);
  float pen = x;
  unsigned char previous = 0;
  for (unsigned char c : text) {
    pen += impl_->ScaledKerning(previous, c, pixelSize, style);
    const float advance = impl_->LoadOutline(c, style);
    FT_Outline* outline = &impl_->face->glyph->outline;
    FT_Outline_Translate(outline, To26Dot6(pen), To26Dot6(mask.Height - baseline));
    if (outline->n_points > 0) RenderGrown(impl_->library, outline, style.Grow, mask);
    pen += advance;
    previous = c;
  }
}

}  // namespace zolvane::gen
