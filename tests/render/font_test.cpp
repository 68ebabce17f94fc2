#include "render/font.h"

#include <map>
#include <tuple>

#include "../render/render_fixture.h"

namespace zolvane::testing {
namespace {

constexpr char GlyphChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ:,!<>'-\"+/|=?@$.";
constexpr int ZeroGlyph = 1, BarGlyph = 47;  // 41 and 8 pixels wide

class Font : public RenderFixture {
 protected:
  void TearDown() override {
    FreeFontResources();
    RenderFixture::TearDown();
  }

  // Every glyph slot a marker texture, so a draw tells which glyph it is.
  void UseMarkerGlyphs() {
    for (int f = 1; f <= FontCount; ++f)
      for (int g = 1; g <= GlyphCount; ++g) FontGlyphTextures[f][g] = Marker();
    for (int g = 1; g <= GlyphCount; ++g)
      GlyphAspect[g] = 64.0f / static_cast<float>(GlyphLeft[g + 1] - GlyphLeft[g]);
    ASSERT_EQ(CreateFontQuad(), D3D_OK);
  }

  std::string DrawnText(int font) const {
    std::string s;
    for (const DrawSnapshot& d : Dev->Draws)
      for (int g = 1; g <= GlyphCount; ++g)
        if (d.Texture0 == FontGlyphTextures[font][g]) s += GlyphChars[g - 1];
    return s;
  }

  // A white strip with the given pixels set, written as all four font images.
  static void WriteFontImages(int width, int height,
                              const std::vector<std::tuple<int, int, uint8_t, uint8_t, uint8_t>>& px) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, 255);
    for (auto [x, y, r, g, b] : px) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      p[0] = r, p[1] = g, p[2] = b;
    }
    for (int f = 1; f <= FontCount; ++f) WriteBmp24(FontImageFile(f), width, height, rgb);
  }

  static uint32_t Texel(const Texture* t, uint32_t x, uint32_t y) {
    uint32_t v = 0;
    const uint32_t size = FormatBytesPerPixel(t->Format);
    std::memcpy(&v, t->LevelBytes[0].data() + y * t->LevelPitch(0) + x * size, size);
    return v;
  }
};

TEST_F(Font, DrawsTheGlyphsOfDrawableCharactersOnly) {
  UseMarkerGlyphs();
  const struct {
    std::string Text, Drawn;
  } cases[] = {
      {"Next: 42", "NEXT:42"},
      {"abc xyz", "ABCXYZ"},
      {"#A_b#", "AB"},
      {"", ""},
      {":,!<>'-\"+/|=?@$.", ":,!<>'-\"+/|=?@$."},
      {"%&()*;[\\]^`{}~\t\x7f\x80\xff", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    Dev->ClearLog();
    DrawFontText(3, 5, c.Text, 0, 0, 0, 255);
    EXPECT_EQ(DrawnText(3), c.Drawn);
  }
  EXPECT_EQ(Dev->Textures[0], nullptr);
}

TEST_F(Font, PenAdvancesByCellWidthAndSpaceAndQuadsKeepTheCellShape) {
  UseMarkerGlyphs();
  DrawFontText(1, 6, "|0 #_0", 1, 2, 3, 255);
  ASSERT_EQ(Dev->Draws.size(), 3u);
  // | is 8 pixels, 0 is 41, the space 21: at size 6 that is 0.16, 0.82 and 0.42 units.
  const float xs[] = {1.0f, 1.16f, 2.40f}, widths[] = {0.16f, 0.82f, 0.82f};
  for (int i = 0; i < 3; ++i) {
    const D3DMATRIX& w = Dev->Draws[i].World;
    EXPECT_NEAR(w(4, 1), xs[i], 1e-5f) << i;
    EXPECT_FLOAT_EQ(w(4, 2), 2.0f);
    EXPECT_FLOAT_EQ(w(4, 3), 3.0f);
    EXPECT_FLOAT_EQ(w(1, 1), widths[i]);
    EXPECT_FLOAT_EQ(w(2, 2), 6 * 64 / 300.0f);  // every glyph is 64 font pixels high
    EXPECT_FLOAT_EQ(w(3, 3), 1.0f);
  }
}

TEST_F(Font, GlyphsAreDrawnBlendedAndUnlitFromTheQuadWithTheLineAlpha) {
  UseMarkerGlyphs();
  DrawFontText(2, 4, "A", 0, 0, 0, 77);
  ASSERT_EQ(Dev->Draws.size(), 1u);
  const DrawSnapshot& d = Dev->Draws[0];
  EXPECT_EQ(d.Type, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(d.PrimitiveCount, 2u);
  EXPECT_EQ(d.Stream, D3D.FontQuad);
  EXPECT_EQ(d.Stride, 36u);
  EXPECT_EQ(d.FVF, 0x152u);
  const std::map<uint32_t, uint32_t> states = {{D3DRS_ALPHABLENDENABLE, 1}, {D3DRS_LIGHTING, 0},
      {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA}, {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}};
  for (auto [state, value] : states) EXPECT_EQ(d.RenderState(state), value) << state;
  // One unit wide from the pen, centred on the baseline; v runs upwards with the picture.
  const TTexModelVertex quad[4] = {{0, 0.5f, 0, -1, 0, 0, 0x4DFFFFFF, 0, 1},
                                   {1, 0.5f, 0, -1, 0, 0, 0x4DFFFFFF, 1, 1},
                                   {0, -0.5f, 0, -1, 0, 0, 0x4DFFFFFF, 0, 0},
                                   {1, -0.5f, 0, -1, 0, 0, 0x4DFFFFFF, 1, 0}};
  ASSERT_EQ(d.Vertices.size(), sizeof quad);
  EXPECT_EQ(std::memcmp(d.Vertices.data(), quad, sizeof quad), 0);
}

TEST_F(Font, LineLeavesTextStagesWithBlendingOffAndLightingOnEvenWithoutGlyphs) {
  const std::map<uint32_t, uint32_t> stage0 = {
      {D3DTSS_COLOROP, D3DTOP_MODULATE}, {D3DTSS_COLORARG1, D3DTA_TEXTURE},
      {D3DTSS_COLORARG2, D3DTA_DIFFUSE}, {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
      {D3DTSS_ALPHAARG1, D3DTA_TEXTURE}, {D3DTSS_ALPHAARG2, D3DTA_DIFFUSE}};
  const struct {
    std::string Text;
    bool Quad;
  } cases[] = {{"AB", true}, {"", true}, {"#", true}, {"AB", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text + (c.Quad ? "" : " without the quad"));
    FreeFontResources();
    if (c.Quad) UseMarkerGlyphs();
    for (auto [type, value] : stage0)
      Dev->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(type), D3DTOP_DISABLE);
    Dev->SetRenderState(D3DRS_LIGHTING, 0);
    Dev->SetRenderState(D3DRS_ALPHABLENDENABLE, 1);
    DrawFontText(1, 5, c.Text, 0, 0, 0, 255);
    for (auto [type, value] : stage0) EXPECT_EQ(Dev->Stage0States[type], value) << type;
    EXPECT_EQ(Dev->RenderStates[D3DRS_ALPHABLENDENABLE], 0u);
    EXPECT_EQ(Dev->RenderStates[D3DRS_LIGHTING], 1u);
    EXPECT_EQ(Dev->Textures[0], nullptr);
  }
}

TEST_F(Font, CellsGetTheSmallestPowerOfTwoWidthAndAreStretchedToIt) {
  // Cell 0 (columns 4..44) a ramp, one red level per column; cell | (1468..1475) likewise.
  std::vector<std::tuple<int, int, uint8_t, uint8_t, uint8_t>> px;
  for (int c = 0; c < 41; ++c) px.emplace_back(4 + c, 10, static_cast<uint8_t>(c), 0, 0);
  for (int c = 0; c < 8; ++c) px.emplace_back(1468 + c, 10, static_cast<uint8_t>(c), 0, 0);
  WriteFontImages(1613, 64, px);
  BuildFontTextures();

  const std::map<char, uint32_t> widths = {{'|', 8},  {'.', 16}, {'1', 32}, {':', 32},
                                            {'0', 64}, {'M', 64}, {'W', 64}};
  for (auto [c, width] : widths)
    for (int f = 1; f <= FontCount; ++f) {
      const Texture* t = FontGlyphTextures[f][GlyphCode(c)];
      ASSERT_NE(t, nullptr) << c;
      EXPECT_EQ(t->Width, width) << c;
      EXPECT_EQ(t->Height, 64u) << c;
    }
  EXPECT_FLOAT_EQ(GlyphAspect[ZeroGlyph], 64.0f / 41.0f);
  EXPECT_FLOAT_EQ(GlyphAspect[BarGlyph], 8.0f);

  // Image row 10 is texture row 53. Stretched, every cell column shows, in order, from the
  // first texel to the last; an 8-pixel cell is copied as it is.
  auto redAt = [](const Texture* t, uint32_t x) { return (Texel(t, x, 53) >> 16) & 0xFF; };
  const Texture* zero = FontGlyphTextures[2][ZeroGlyph];
  EXPECT_EQ(redAt(zero, 0), 0u);
  EXPECT_EQ(redAt(zero, 63), 40u);
  for (uint32_t x = 1; x < 64; ++x) EXPECT_LE(redAt(zero, x) - redAt(zero, x - 1), 1u) << x;
  for (uint32_t x = 0; x < 8; ++x) EXPECT_EQ(redAt(FontGlyphTextures[4][BarGlyph], x), x);
}

TEST_F(Font, RowsAreStoredUpsideDownWithTheBackgroundTransparent) {
  WriteFontImages(1613, 64, {{1468, 0, 253, 253, 253}, {1469, 0, 252, 255, 255},
                             {1470, 5, 200, 100, 50}, {1475, 63, 0, 0, 0}});
  const struct {
    D3DFORMAT Format;
    uint32_t Background, NearWhite, Colour, Black, White;
  } cases[] = {
      {D3DFMT_A8R8G8B8, 0x00FDFDFDu, 0xFFFCFFFFu, 0xFFC86432u, 0xFF000000u, 0x00FFFFFFu},
      {D3DFMT_A4R4G4B4, 0x0FFFu, 0xFFFFu, 0xFC63u, 0xF000u, 0x0FFFu},
      {D3DFMT_R5G6B5, 0, 0, 0, 0, 0},  // a format the font does not write
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Format);
    D3D.TextureFormat = c.Format;
    BuildFontTextures();
    const Texture* bar = FontGlyphTextures[1][BarGlyph];
    ASSERT_EQ(bar->Format, c.Format);
    EXPECT_EQ(Texel(bar, 0, 63), c.Background);
    EXPECT_EQ(Texel(bar, 1, 63), c.NearWhite);
    EXPECT_EQ(Texel(bar, 2, 58), c.Colour);
    EXPECT_EQ(Texel(bar, 7, 0), c.Black);
    EXPECT_EQ(Texel(bar, 3, 30), c.White);
  }
}

TEST_F(Font, UnusableFontImageStopsTheBuildNamingTheFile) {
  const struct {
    int Width, Height;
    bool Missing;
  } cases[] = {{1613, 64, true}, {1612, 64, false}, {1613, 63, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height));
    WriteFontImages(1613, 64, {});
    if (c.Missing)
      std::filesystem::remove("data/fonts/font3.bmp");
    else
      WriteBmp24("data/fonts/font3.bmp", c.Width, c.Height,
                 std::vector<uint8_t>(static_cast<size_t>(c.Width) * c.Height * 3, 255));
    try {
      BuildFontTextures();
      ADD_FAILURE() << "no error";
    } catch (const FontLoadError& e) {
      EXPECT_NE(std::string(e.what()).find("data/fonts/font3.bmp"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace zolvane::testing
