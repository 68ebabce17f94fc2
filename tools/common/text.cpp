#include "tools/common/text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace zolvane::gen {

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

}  // namespace zolvane::gen
