// The font strips and the menu pictures of a run folder, as the game reads them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/data_files.h"
#include "tests/tools/data_check.h"

namespace zolvane {
namespace {

// The game cuts glyph cells at fixed columns, treats
// near-white as background and every other pixel as opaque, so ink must stay inside its
// cell and meet the background with a dark edge, never a light one.

constexpr std::array<int, 53> GlyphLeft = {
    4,    45,   62,   94,   125,  163,  191,  224,  256,  290,  323,  361,  397,  432,  473,  505,  537,  577,
    616,  633,  655,  693,  725,  770,  803,  843,  878,  918,  957,  984,  1018, 1052, 1088, 1133, 1165, 1198,
    1229, 1246, 1264, 1284, 1307, 1330, 1349, 1372, 1395, 1428, 1468, 1476, 1500, 1526, 1569, 1598, 1613};
constexpr int GlyphH = 17, GlyphHyphen = 42;  // cell indexes from 0
constexpr float DarkEdge = 0.35f;

// Opaque pixels next to background that are not dark; the hyphen's ends are bare on
// purpose, so a row of hyphens joins into one rule.
int LightEdges(const Rgb& p, int x0, int x1, bool bareEnds, bool (Rgb::*background)(int, int) const) {
  int light = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = x0; x < x1; ++x) {
      if ((p.*background)(x, y) || p.lightness[static_cast<size_t>(y) * p.width + x] < DarkEdge) continue;
      const bool side = (x > 0 && (p.*background)(x - 1, y)) || (x + 1 < p.width && (p.*background)(x + 1, y));
      const bool above = (y > 0 && (p.*background)(x, y - 1)) || (y + 1 < p.height && (p.*background)(x, y + 1));
      if (above || (side && !bareEnds)) ++light;
    }
  return light;
}

// Returns the mean colour of the glyphs' ink, to tell the styles apart.
std::array<double, 3> CheckFontStrip(const std::string& run, int n) {
  const Rgb p = ReadBmp(run, "data/fonts/font" + std::to_string(n) + ".bmp");
  std::array<double, 3> mean{};
  if (p.colour.empty()) return mean;
  Check(p.height == 64, "not 64 rows high");
  Check(p.width >= GlyphLeft.back(), "narrower than the glyph cells");
  if (p.height != 64 || p.width < GlyphLeft.back()) return mean;

  int offWhite = 0, ink = 0, outside = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      if (p.NearWhite(x, y) && !p.Keyed(x, y)) ++offWhite;
      if (!p.NearWhite(x, y) && (x < GlyphLeft.front() || x >= GlyphLeft.back())) ++outside;
      if (p.NearWhite(x, y)) continue;
      ++ink;
      for (int c = 0; c < 3; ++c) mean[c] += p.At(x, y)[c];
    }
  Check(offWhite == 0, std::to_string(offWhite) + " background pixels not pure white");
  Check(outside == 0, "ink outside the glyph cells");
  for (double& m : mean) m /= std::max(ink, 1);

  for (size_t g = 0; g + 1 < GlyphLeft.size(); ++g) {
    const int left = GlyphLeft[g], right = GlyphLeft[g + 1] - 1;
    const std::string cell = "cell " + std::to_string(g + 1);
    bool edgesClear = true, inked = false;
    for (int y = 0; y < p.height; ++y) {
      edgesClear = edgesClear && p.NearWhite(left, y) && p.NearWhite(right, y);
      for (int x = left; x <= right; ++x) inked = inked || !p.NearWhite(x, y);
    }
    Check(inked, cell + " is empty");
    Check(edgesClear, cell + ": ink reaches the cell's first or last column");
    const int light = LightEdges(p, left, right + 1, g == GlyphHyphen, &Rgb::NearWhite);
    Check(light == 0, cell + ": " + std::to_string(light) + " light pixels against the background");
  }

  // The game centres the quad on the line of text: capitals sit on the middle row.
  int top = p.height, bottom = -1;
  for (int y = 0; y < p.height; ++y)
    for (int x = GlyphLeft[GlyphH]; x < GlyphLeft[GlyphH + 1]; ++x)
      if (!p.NearWhite(x, y)) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  Check(std::fabs((top + bottom + 1) / 2.0 - 32) <= 1.5, "capitals not centred on the middle row");
  Check(bottom - top > 36, "capitals smaller than 36 rows");
  return mean;
}

}  // namespace

void CheckFonts(const std::string& run) {
  std::vector<std::array<double, 3>> means;
  for (int n = 1; n <= 4; ++n) means.push_back(CheckFontStrip(run, n));
  Where = "data/fonts";
  for (size_t a = 0; a < means.size(); ++a)
    for (size_t b = a + 1; b < means.size(); ++b) {
      double d = 0;
      for (int c = 0; c < 3; ++c) d += std::fabs(means[a][c] - means[b][c]);
      Check(d > 20, "fonts " + std::to_string(a + 1) + " and " + std::to_string(b + 1) + " look alike");
    }
}

namespace {

bool Shaped(const Rgb& p, double aspect, double tolerance) {
  Check(std::fabs(static_cast<double>(p.width) / p.height - aspect) < tolerance,
        "not the " + std::to_string(aspect) + " : 1 shape of its quad");
  return !p.colour.empty();
}

int CountKeyed(const Rgb& p) {
  int keyed = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) keyed += p.Keyed(x, y);
  return keyed;
}

// Option values show their keyed white as black, so the lettering's edge must be dark.
void CheckOptionValue(const std::string& run, const std::string& name) {
  const Rgb p = ReadBmp(run, name);
  if (!Shaped(p, 2.08, 0.1)) return;
  const int keyed = CountKeyed(p), all = p.width * p.height;
  Check(keyed > all / 3 && keyed < all * 19 / 20, "no keyed background with lettering on it");
  const int light = LightEdges(p, 0, p.width, false, &Rgb::Keyed);
  Check(light == 0, std::to_string(light) + " light pixels against the key");
}

// The volume stripe: a bar under each of the ten mark positions, growing to the right and
// turning from green to red.
void CheckStripe(const std::string& run) {
  const Rgb p = ReadBmp(run, "textures/stripe.bmp");
  if (!Shaped(p, 4.93, 0.15)) return;
  Check(LightEdges(p, 0, p.width, false, &Rgb::Keyed) == 0, "light pixels against the key");
  int previous = 0;
  std::array<uint8_t, 3> first{}, last{};
  for (int v = 0; v < 10; ++v) {
    const int x = static_cast<int>((0.084 + 0.0936 * v) * p.width);
    int height = 0, y = p.height - 1;
    for (int k = 0; k < p.height; ++k)
      if (!p.Keyed(x, k)) {
        ++height;
        y = std::min(y, k);
      }
    Check(height > previous, "bar " + std::to_string(v) + " not taller than the one before");
    previous = height;
    (v == 0 ? first : last) = p.At(x, std::min(p.height - 1, y + height / 2));
  }
  Check(first[1] > first[0] && last[0] > last[1], "bars do not run from green to red");
}

// The logo is added to the screen: only the keyed white adds nothing, so its edge must be
// all key and no near-black pixel may be left standing.
void CheckLogo(const std::string& run) {
  const Rgb p = ReadBmp(run, "textures/name.bmp");
  if (!Shaped(p, 7.7, 0.2)) return;
  bool edgeKeyed = true;
  int nearBlack = 0, bright = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      if (x < 2 || y < 2 || x >= p.width - 2 || y >= p.height - 2) edgeKeyed = edgeKeyed && p.Keyed(x, y);
      if (p.Keyed(x, y)) continue;
      const auto& c = p.At(x, y);
      if (std::max({c[0], c[1], c[2]}) <= 4) ++nearBlack;
      if (p.lightness[static_cast<size_t>(y) * p.width + x] > 0.6f) ++bright;
    }
  Check(edgeKeyed, "the picture's edge is not all key: its rectangle would show");
  Check(nearBlack == 0, std::to_string(nearBlack) + " near-black pixels not keyed out");
  Check(bright > p.width * p.height / 30, "no bright lettering");
}

}  // namespace

void CheckMenuPictures(const std::string& run) {
  // The manifest's order: the labels, the option values, then the stripe and the logo.
  constexpr int Labels = 15, OptionValues = 5;
  static_assert(Labels + OptionValues + 2 == MenuPictureCount);
  const auto file = [](int i) { return std::string("textures/") + MenuPictureNames[i] + ".bmp"; };
  for (int i = 0; i < Labels; ++i) CheckPlaque(run, file(i));
  for (int i = Labels; i < Labels + OptionValues; ++i) CheckOptionValue(run, file(i));
  CheckStripe(run);
  CheckLogo(run);
}

}  // namespace zolvane
