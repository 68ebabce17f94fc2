// The bitmap font: four strips of 52 glyph cells, cut at start-up into one small texture
// per glyph, and drawn as a row of textured quads in the 3-D scene.
#pragma once
#include <cstdint>
#include <string>

#include "platform/data_file_error.h"
#include "platform/device.h"

namespace zolvane {

constexpr int FontCount = 4;
constexpr int GlyphCount = 52;
constexpr int FontImageHeight = 64;
constexpr int32_t SpaceAdvance = 21;  // pixels

// Index g = 1..53: cell g spans GlyphLeft[g] .. GlyphLeft[g+1] - 1; index 0 unused.
extern const int32_t GlyphLeft[GlyphCount + 2];
// [font 1..4][glyph 1..52]; index 0 unused.
extern Texture* FontGlyphTextures[FontCount + 1][GlyphCount + 1];
// Image height / cell width, by glyph 1..52.
extern float GlyphAspect[GlyphCount + 1];

// "data/fonts/font" N ".bmp".
std::string FontImageFile(int font);
// The glyph code 1..52 of a character (lower case drawn as upper case); 0 for the space and
// for every character the font ignores.
int32_t GlyphCode(char c);
// True for the characters the font draws and for the space.
bool FontDraws(char c);

// A font image that is missing or cannot be decoded.
class FontLoadError : public DataFileError {
 public:
  using DataFileError::DataFileError;
};

// Cuts the four font images into FontGlyphTextures and fills GlyphAspect. Throws
// FontLoadError naming the file when an image cannot be read.
void BuildFontTextures();
// (Re)creates FontQuad, the shared four-vertex strip every glyph is drawn with.
HRESULT CreateFontQuad();
// One line of text: Font 1..4, Size in 300ths of a world unit per font pixel, the left end
// of the baseline at (X, Y, Z), Alpha 0..255.
void DrawFontText(int32_t font, float size, const std::string& text, float x, float y,
                  float z, int32_t alpha);
// The states a line of text leaves, without drawing one: for a frame whose texts come
// from the static layer.
void LeaveTextStates();
// The length of the line DrawFontText draws at Size, in world units.
float FontTextWidth(float size, const std::string& text);
// Size, or the smaller size at which the line is Room wide.
float FontSizeWithin(float size, const std::string& text, float room);
// DrawFontText, the line made smaller if need be so that it ends by Right.
void DrawFontTextWithin(int32_t font, int32_t size, const std::string& text, float x,
                        float right, float y, float z, int32_t alpha);
void FreeFontResources();

}  // namespace zolvane
