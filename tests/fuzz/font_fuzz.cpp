// The four font images, cut into one texture per glyph. The input is every one of them
// (fonts 2 to 4 are links to font 1).
#include <unistd.h>

#include "device_support.h"
#include "fuzz_support.h"
#include "render/font.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool ready = [] {
    fuzz::InstallRecordingDevice();
    fuzz::WriteFile(FontImageFile(1), "");
    for (int font = 2; font <= FontCount; ++font)
      if (::symlink("font1.bmp", FontImageFile(font).c_str()) != 0) return false;
    return true;
  }();
  fuzz::Require(ready, "the font links could not be made");
  fuzz::WriteFile(FontImageFile(1), data, size);
  try {
    BuildFontTextures();
  } catch (const FontLoadError&) {
    FreeFontResources();
    return 0;
  }
  for (int32_t glyph = 1; glyph <= GlyphCount; ++glyph)
    fuzz::Require(GlyphAspect[glyph] > 0, "a glyph without its aspect");
  FreeFontResources();
  return 0;
}
