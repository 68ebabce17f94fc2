#include "platform/picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/recording_device.h"
#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

using namespace test;

struct Rgba {
  uint8_t r, g, b, a;
};

// Pixels given top row first, as one looks at the picture.
using Pixels = std::vector<std::vector<Rgba>>;

// A file of the scratch folder these tests share.
std::string TempPath(const std::string& name) { return (ProgramTempFolder() / name).string(); }

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

// A 24-bit Windows bitmap: rows stored bottom-up, each padded to four bytes.
std::string WriteBmp(const std::string& name, const Pixels& px) {
  const uint32_t h = static_cast<uint32_t>(px.size()), w = static_cast<uint32_t>(px[0].size());
  const uint32_t rowBytes = (w * 3 + 3) & ~3u;
  std::vector<uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put32(v, 54 + rowBytes * h);
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, w);
  Put32(v, h);
  Put16(v, 1);
  Put16(v, 24);
  Put32(v, 0);
  Put32(v, rowBytes * h);
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, 0);
  Put32(v, 0);
  for (uint32_t y = h; y-- > 0;) {
    for (uint32_t x = 0; x < w; ++x) {
      v.push_back(px[y][x].b);
      v.push_back(px[y][x].g);
      v.push_back(px[y][x].r);
    }
    for (uint32_t pad = w * 3; pad < rowBytes; ++pad) v.push_back(0);
  }
  const std::string path = TempPath(name);
  WriteFile(path, v);
  return path;
}

// An uncompressed 32-bit Targa, stored bottom-up (the usual) or top-down.
std::string WriteTga(const std::string& name, const Pixels& px, bool topDown) {
  const uint32_t h = static_cast<uint32_t>(px.size()), w = static_cast<uint32_t>(px[0].size());
  std::vector<uint8_t> v = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(v, w);
  Put16(v, h);
  v.push_back(32);
  v.push_back(static_cast<uint8_t>(8 | (topDown ? 0x20 : 0)));
  for (uint32_t i = 0; i < h; ++i) {
    const uint32_t y = topDown ? i : h - 1 - i;
    for (uint32_t x = 0; x < w; ++x) {
      v.push_back(px[y][x].b);
      v.push_back(px[y][x].g);
      v.push_back(px[y][x].r);
      v.push_back(px[y][x].a);
    }
  }
  const std::string path = TempPath(name);
  WriteFile(path, v);
  return path;
}

// Through Level: the loader makes the smaller levels only when they are asked for.
uint32_t Texel32(Texture* t, uint32_t level, uint32_t x, uint32_t y) {
  uint32_t v;
  std::memcpy(&v, &t->Level(level)[y * t->LevelPitch(level) + x * 4], 4);
  return v;
}
uint16_t Texel16(Texture* t, uint32_t level, uint32_t x, uint32_t y) {
  uint16_t v;
  std::memcpy(&v, &t->Level(level)[y * t->LevelPitch(level) + x * 2], 2);
  return v;
}

HRESULT Load(Device& dev, const std::string& path, D3DFORMAT format, D3DCOLOR key, Texture** out) {
  return D3DXCreateTextureFromFileExA(&dev, path, 0, 0, 0, 0, format, D3DPOOL_MANAGED,
                                      D3DX_FILTER_TRIANGLE, D3DX_DEFAULT, key, out);
}

const Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255},
    kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 255};

TEST(LoadPicture, BitmapAndTargaComeOutTopRowFirst) {
  const Pixels px = {{kRed, kGreen, kBlue}, {kWhite, kBlack, {10, 20, 30, 255}}};
  Picture bmp;
  ASSERT_TRUE(LoadPicture(WriteBmp("orient.bmp", px), bmp));
  ASSERT_EQ(bmp.Width, 3);
  ASSERT_EQ(bmp.Height, 2);
  EXPECT_EQ(bmp.Pixel(0, 0)[0], 255);  // red, top left
  EXPECT_EQ(bmp.Pixel(0, 0)[1], 0);
  EXPECT_EQ(bmp.Pixel(2, 0)[2], 255);  // blue, top right
  EXPECT_EQ(bmp.Pixel(2, 1)[0], 10);
  EXPECT_EQ(bmp.Pixel(2, 1)[1], 20);
  EXPECT_EQ(bmp.Pixel(2, 1)[2], 30);
  EXPECT_EQ(bmp.Pixel(1, 1)[3], 255);  // 24-bit pictures are opaque

  const Pixels alpha = {{{1, 2, 3, 0}, {4, 5, 6, 128}}, {{7, 8, 9, 255}, {10, 11, 12, 64}}};
  for (bool topDown : {false, true}) {
    Picture tga;
    ASSERT_TRUE(LoadPicture(WriteTga(topDown ? "td.tga" : "bu.tga", alpha, topDown), tga));
    ASSERT_EQ(tga.Width, 2);
    ASSERT_EQ(tga.Height, 2);
    EXPECT_EQ(tga.Pixel(0, 0)[0], 1) << topDown;
    EXPECT_EQ(tga.Pixel(0, 0)[3], 0) << topDown;
    EXPECT_EQ(tga.Pixel(1, 0)[3], 128) << topDown;
    EXPECT_EQ(tga.Pixel(0, 1)[2], 9) << topDown;
    EXPECT_EQ(tga.Pixel(1, 1)[3], 64) << topDown;
  }
}

TEST(TextureFromFile, SizeFromFileFullChainAndTopRowAtRowZero) {
  RecordingDevice dev;
  Pixels px(3, std::vector<Rgba>(5, kBlack));
  px[0][0] = kRed;
  px[2][4] = kBlue;
  Texture* t = nullptr;
  ASSERT_EQ(Load(dev, WriteBmp("five_by_three.bmp", px), D3DFMT_A8R8G8B8, 0, &t), D3D_OK);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->Width, 5u);
  EXPECT_EQ(t->Height, 3u);
  EXPECT_EQ(t->Format, D3DFMT_A8R8G8B8);
  ASSERT_EQ(t->GetLevelCount(), 3u);  // 5x3, 2x1, 1x1
  EXPECT_EQ(t->LevelWidth(1), 2u);
  EXPECT_EQ(t->LevelHeight(1), 1u);
  EXPECT_EQ(t->LevelWidth(2), 1u);
  EXPECT_EQ(t->LevelHeight(2), 1u);
  EXPECT_TRUE(t->MipsGenerated);
  EXPECT_GT(t->Version, 0u);  // a backend must see that there is something to upload
  EXPECT_EQ(Texel32(t, 0, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel32(t, 0, 4, 2), 0xFF0000FFu);
  EXPECT_EQ(Texel32(t, 0, 4, 0), 0xFF000000u);
  t->Release();
}

TEST(TextureFromFile, MipLevelsAverageTheAreaTheyCover) {
  RecordingDevice dev;
  // Columns of grey 0, 50, 100, 150, 200 over three rows. Level 1 is 2 x 1: its left
  // texel covers columns 0, 1 and half of 2, its right one the other half of 2, 3 and 4.
  Pixels px(3, std::vector<Rgba>(5));
  for (auto& row : px)
    for (int x = 0; x < 5; ++x) {
      const uint8_t g = static_cast<uint8_t>(50 * x);
      row[x] = {g, g, g, 255};
    }
  Texture* t = nullptr;
  ASSERT_EQ(Load(dev, WriteBmp("ramp.bmp", px), D3DFMT_A8R8G8B8, 0, &t), D3D_OK);
  ASSERT_EQ(t->GetLevelCount(), 3u);
  EXPECT_EQ(Texel32(t, 1, 0, 0), 0xFF282828u);  // (0 + 50 + 50) / 2.5 = 40
  EXPECT_EQ(Texel32(t, 1, 1, 0), 0xFFA0A0A0u);  // (50 + 150 + 200) / 2.5 = 160
  EXPECT_EQ(Texel32(t, 2, 0, 0), 0xFF646464u);  // the mean, 100
  t->Release();

  // Even sizes: each texel of level 1 is the mean of its 2 x 2 block.
  Pixels quad = {{kRed, kRed, kGreen, kBlack},
                 {kRed, kRed, kBlack, kBlack},
                 {kBlue, kWhite, kBlack, kBlack},
                 {kWhite, kBlue, kBlack, kBlack}};
  ASSERT_EQ(Load(dev, WriteBmp("quad.bmp", quad), D3DFMT_A8R8G8B8, 0, &t), D3D_OK);
  ASSERT_EQ(t->GetLevelCount(), 3u);
  EXPECT_EQ(Texel32(t, 1, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel32(t, 1, 1, 0), 0xFF004000u);  // 255 / 4 rounds to 64
  EXPECT_EQ(Texel32(t, 1, 0, 1), 0xFF8080FFu);  // two blue, two white
  EXPECT_EQ(Texel32(t, 1, 1, 1), 0xFF000000u);
  t->Release();
}

TEST(TextureFromFile, ColourKeyMakesTransparentBlackBeforeFiltering) {
  RecordingDevice dev;
  const Pixels px = {{kWhite, kRed}, {{254, 255, 255, 255}, kWhite}};
  const std::string path = WriteBmp("keyed.bmp", px);
  Texture* t = nullptr;
  ASSERT_EQ(Load(dev, path, D3DFMT_A8R8G8B8, 0xFFFFFFFFu, &t), D3D_OK);
  EXPECT_EQ(Texel32(t, 0, 0, 0), 0x00000000u);
  EXPECT_EQ(Texel32(t, 0, 1, 1), 0x00000000u);
  EXPECT_EQ(Texel32(t, 0, 1, 0), 0xFFFF0000u);
  EXPECT_EQ(Texel32(t, 0, 0, 1), 0xFFFEFFFFu);  // near-white is not the key
  // Level 1: two transparent black texels, red and near-white: alpha (0+0+255+255)/4.
  EXPECT_EQ(Texel32(t, 1, 0, 0) >> 24, 128u);
  EXPECT_EQ((Texel32(t, 1, 0, 0) >> 16) & 0xFF, 127u);  // red (255 + 254) / 4
  EXPECT_EQ(Texel32(t, 1, 0, 0) & 0xFF, 64u);           // blue 255 / 4
  t->Release();

  // Key 0: nothing is keyed.
  ASSERT_EQ(Load(dev, path, D3DFMT_A8R8G8B8, 0, &t), D3D_OK);
  EXPECT_EQ(Texel32(t, 0, 0, 0), 0xFFFFFFFFu);
  t->Release();
}

TEST(TextureFromFile, TargaAlphaSurvivesInAlphaFormats) {
  RecordingDevice dev;
  const Pixels px = {{{255, 255, 255, 0}, {255, 0, 0, 128}}};
  const std::string path = WriteTga("alpha.tga", px, false);
  Texture* t = nullptr;
  ASSERT_EQ(Load(dev, path, D3DFMT_A8R8G8B8, 0, &t), D3D_OK);
  EXPECT_EQ(Texel32(t, 0, 0, 0), 0x00FFFFFFu);
  EXPECT_EQ(Texel32(t, 0, 1, 0), 0x80FF0000u);
  t->Release();
  // Without alpha in the format the texels are opaque.
  ASSERT_EQ(Load(dev, path, D3DFMT_X8R8G8B8, 0, &t), D3D_OK);
  EXPECT_EQ(Texel32(t, 0, 0, 0), 0xFFFFFFFFu);
  t->Release();
}

TEST(TextureFromFile, SixteenBitFormatsPackTheirFields) {
  RecordingDevice dev;
  const Pixels px = {{{255, 128, 17, 255}, kWhite, kRed, kBlue}};
  const std::string path = WriteBmp("packing.bmp", px);
  Texture* t = nullptr;

  ASSERT_EQ(Load(dev, path, D3DFMT_A4R4G4B4, 0xFFFFFFFFu, &t), D3D_OK);
  EXPECT_EQ(t->Format, D3DFMT_A4R4G4B4);
  EXPECT_EQ(t->LevelPitch(0), 8u);
  EXPECT_EQ(Texel16(t, 0, 0, 0), 0xFF81);  // a 15, r 15, g 128 -> 8, b 17 -> 1
  EXPECT_EQ(Texel16(t, 0, 1, 0), 0x0000);  // keyed white
  EXPECT_EQ(Texel16(t, 0, 2, 0), 0xFF00);
  EXPECT_EQ(Texel16(t, 0, 3, 0), 0xF00F);
  t->Release();

  ASSERT_EQ(Load(dev, path, D3DFMT_R5G6B5, 0, &t), D3D_OK);
  EXPECT_EQ(Texel16(t, 0, 1, 0), 0xFFFF);
  EXPECT_EQ(Texel16(t, 0, 2, 0), 0xF800);
  EXPECT_EQ(Texel16(t, 0, 3, 0), 0x001F);
  t->Release();

  ASSERT_EQ(Load(dev, path, D3DFMT_A1R5G5B5, 0xFFFFFFFFu, &t), D3D_OK);
  EXPECT_EQ(Texel16(t, 0, 1, 0), 0x0000);
  EXPECT_EQ(Texel16(t, 0, 2, 0), 0xFC00);
  EXPECT_EQ(Texel16(t, 0, 3, 0), 0x801F);
  t->Release();

  ASSERT_EQ(Load(dev, path, D3DFMT_X1R5G5B5, 0, &t), D3D_OK);
  EXPECT_EQ(Texel16(t, 0, 1, 0) & 0x7FFF, 0x7FFF);
  EXPECT_EQ(Texel16(t, 0, 2, 0) & 0x7FFF, 0x7C00);
  t->Release();

  // Format 0: the loader chooses A8R8G8B8.
  ASSERT_EQ(Load(dev, path, D3DFMT_UNKNOWN, 0, &t), D3D_OK);
  EXPECT_EQ(t->Format, D3DFMT_A8R8G8B8);
  EXPECT_EQ(Texel32(t, 0, 2, 0), 0xFFFF0000u);
  t->Release();
}

// The pixels are decoded when first asked for; a picture gone by then leaves the
// texture black rather than failing a draw.
TEST(TextureFromFile, APictureGoneBeforeItsFirstUseLeavesItBlack) {
  RecordingDevice dev;
  const std::string path = WriteBmp("gone.bmp", {{kRed, kGreen}, {kBlue, kWhite}});
  Texture* t = nullptr;
  ASSERT_EQ(Load(dev, path, D3DFMT_A8R8G8B8, 0, &t), D3D_OK);
  ASSERT_EQ(std::remove(path.c_str()), 0);
  EXPECT_EQ(Texel32(t, 0, 0, 0), 0u);
  EXPECT_EQ(Texel32(t, 1, 0, 0), 0u);
  t->Release();
}

TEST(TextureFromFile, FailuresLeaveNoTextureBehind) {
  Picture p;
  EXPECT_FALSE(LoadPicture(TempPath("does_not_exist.bmp"), p));
  const std::string truncated = TempPath("truncated.bmp");
  WriteFile(truncated, {'B', 'M', 1, 2, 3, 4, 5});
  EXPECT_FALSE(LoadPicture(truncated, p));

  RecordingDevice dev;
  Texture* t = reinterpret_cast<Texture*>(&dev);  // must be overwritten with empty
  EXPECT_TRUE(Failed(Load(dev, TempPath("missing.bmp"), D3DFMT_A8R8G8B8, 0, &t)));
  EXPECT_EQ(t, nullptr);

  const std::string junk = TempPath("junk.tga");
  WriteFile(junk, {0, 0, 2, 0, 0, 0});
  t = reinterpret_cast<Texture*>(&dev);
  EXPECT_TRUE(Failed(Load(dev, junk, D3DFMT_A8R8G8B8, 0, &t)));
  EXPECT_EQ(t, nullptr);

  const std::string good = WriteBmp("good.bmp", {{kRed}});
  EXPECT_EQ(D3DXCreateTextureFromFileExA(nullptr, good, 0, 0, 0, 0, D3DFMT_A8R8G8B8, 1, 4,
                                         D3DX_DEFAULT, 0, &t),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(t, nullptr);
  EXPECT_EQ(D3DXCreateTextureFromFileExA(&dev, good, 0, 0, 0, 0, D3DFMT_A8R8G8B8, 1, 4,
                                         D3DX_DEFAULT, 0, nullptr),
            D3DERR_INVALIDCALL);
  // A format no texture can have (a depth format) is refused, not half-written.
  t = reinterpret_cast<Texture*>(&dev);
  EXPECT_TRUE(Failed(Load(dev, good, D3DFMT_D16, 0, &t)));
  EXPECT_EQ(t, nullptr);
}

// A run-length Targa picture of one colour: the smallest file a large picture can be.
std::string WriteRunLengthTga(const std::string& name, uint32_t w, uint32_t h) {
  std::vector<uint8_t> v = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  Put16(v, w);
  Put16(v, h);
  v.push_back(32);
  v.push_back(8 | 0x20);
  // Packets do not cross rows: 128 pixels at most, each row on its own.
  for (uint32_t y = 0; y < h; ++y)
    for (uint32_t left = w; left > 0;) {
      const uint32_t run = std::min<uint32_t>(left, 128);
      v.insert(v.end(), {static_cast<uint8_t>(0x80 | (run - 1)), 10, 20, 30, 255});
      left -= run;
    }
  const std::string path = TempPath(name);
  WriteFile(path, v);
  return path;
}

bool LoadsAsTexture(const std::string& path) {
  RecordingDevice dev;
  Texture* t = nullptr;
  const HRESULT hr = D3DXCreateTextureFromFileExA(&dev, path, 0, 0, 1, 0, D3DFMT_A8R8G8B8, 1, 4,
                                                  D3DX_DEFAULT, 0, &t);
  EXPECT_EQ(t != nullptr, !Failed(hr));
  if (t) t->Release();
  return !Failed(hr);
}

// A damaged header of a few bytes once made the loader allocate and fill what it declared,
// up to gigabytes; sizes past the limit are refused before any decoding.
TEST(LoadPicture, SizesPastTheLimitAreRefusedBeforeDecoding) {
  const struct {
    uint32_t Width, Height;
    bool Usable;
  } cases[] = {{8192, 1, true},    {1, 8192, true},     {8193, 1, false},
               {1, 8193, false},   {8192, 2048, true},  {4096, 4097, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height));
    const std::string path = WriteRunLengthTga("declared.tga", c.Width, c.Height);
    Picture p;
    EXPECT_EQ(LoadPicture(path, p), c.Usable);
    if (c.Usable) {
      EXPECT_EQ(p.Rgba.size(), size_t{c.Width} * c.Height * 4);
      EXPECT_EQ(p.Pixel(c.Width - 1, c.Height - 1)[0], 30);  // stored b, g, r
    }
    EXPECT_EQ(LoadsAsTexture(path), c.Usable);
  }
}

// Bitmaps and Targa pictures keep their pixels at a known size: a file shorter than that is
// cut short or has a damaged size, and once loaded with the missing part black, whatever its
// header claimed (a 30-byte file could ask for a gigabyte).
TEST(LoadPicture, BitmapsAndTargasShorterThanTheirPixelsAreRefused) {
  const Pixels twoByTwo = {{kRed, kGreen}, {kBlue, kWhite}};
  const std::string bmp = WriteBmp("whole.bmp", twoByTwo);
  const std::string tga = WriteTga("whole.tga", twoByTwo, true);
  const std::vector<uint8_t> bmpBytes = ReadBytes(bmp), tgaBytes = ReadBytes(tga);
  auto header = [](std::vector<uint8_t> bytes, size_t length) {
    bytes.resize(length);
    return bytes;
  };
  std::vector<uint8_t> hugeBmp = header(bmpBytes, 54), hugeTga = header(tgaBytes, 18);
  hugeBmp[18] = hugeBmp[22] = 0;
  hugeBmp[19] = hugeBmp[23] = 0x40;  // 16384 x 16384
  hugeTga[12] = hugeTga[14] = 0;
  hugeTga[13] = hugeTga[15] = 0x10;  // 4096 x 4096
  const struct {
    const char* Name;
    std::vector<uint8_t> Bytes;
    bool Usable;
  } cases[] = {{"whole.bmp", bmpBytes, true},
               {"whole.tga", tgaBytes, true},
               {"one_byte_short.bmp", header(bmpBytes, bmpBytes.size() - 1), false},
               {"one_byte_short.tga", header(tgaBytes, tgaBytes.size() - 1), false},
               {"bmp_header_only.bmp", header(bmpBytes, 54), false},
               {"tga_header_only.tga", header(tgaBytes, 18), false},
               {"bmp_declaring_16384.bmp", hugeBmp, false},
               {"tga_declaring_4096.tga", hugeTga, false},
               // Shorter than its own header: 3011 x 4246 grey pixels declared in 17 bytes.
               {"short_of_its_header.tga",
                {0x42, 0, 3, 0, 0x81, 0x4d, 0x96, 0, 0x23, 0, 0x81, 0x65, 0xc3, 0x0b, 0x96, 0x10, 0x10},
                false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string path = TempPath(c.Name);
    WriteFile(path, c.Bytes);
    Picture p;
    EXPECT_EQ(LoadPicture(path, p), c.Usable);
    EXPECT_EQ(LoadsAsTexture(path), c.Usable);
  }
}

}  // namespace
}  // namespace zolvane
