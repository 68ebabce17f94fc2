// The JPEG backgrounds as the first start converts them: decoded with libjpeg and written as
// 24-bit bitmaps that read back the same.
#include "platform/jpeg.h"

#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/temp_folder.h"

namespace zolvane {
namespace {

using namespace test;

// A file of the scratch folder these tests share.
std::string TempPath(const std::string& name) { return (ProgramTempFolder() / name).string(); }

// A baseline JPEG of one grey level, at quality 100.
std::vector<uint8_t> EncodeGrey(int width, int height, uint8_t level) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3, level);
  while (info.next_scanline < info.image_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> bytes(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return bytes;
}

// Rewrites the size in the frame header (SOF0): a damaged or hostile header.
void DeclareSize(std::vector<uint8_t>& jpeg, uint16_t width, uint16_t height) {
  for (size_t i = 0; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8), jpeg[i + 6] = static_cast<uint8_t>(height);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8), jpeg[i + 8] = static_cast<uint8_t>(width);
      return;
    }
  ADD_FAILURE() << "no frame header";
}

TEST(Jpeg, DecodesAndConvertsToABitmapThatReadsBackTheSame) {
  const std::string jpg = TempPath("grey.jpg"), bmp = TempPath("grey.bmp");
  WriteFile(jpg, EncodeGrey(5, 3, 128));
  Picture picture;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(jpg, picture, error)) << error;
  ASSERT_EQ(picture.Width, 5);
  ASSERT_EQ(picture.Height, 3);
  EXPECT_NEAR(picture.Pixel(4, 2)[1], 128, 2);
  EXPECT_EQ(picture.Pixel(4, 2)[3], 255);
  ASSERT_TRUE(SaveBmp24(bmp, picture, error)) << error;
  Picture back;
  ASSERT_TRUE(LoadPicture(bmp, back));
  EXPECT_EQ(back.Width, 5);
  EXPECT_EQ(back.Rgba, picture.Rgba);
  std::remove(jpg.c_str());
  std::remove(bmp.c_str());
}

// The texture loader reads the game's own formats only; JPEG pictures are converted by
// libjpeg. Its copy of stb_image once decoded JPEG too, reading past a table on a damaged file.
TEST(Jpeg, IsNotAPictureTheTextureLoaderTakes) {
  const std::string jpg = TempPath("texture.jpg");
  WriteFile(jpg, EncodeGrey(4, 4, 90));
  Picture picture;
  EXPECT_FALSE(LoadPicture(jpg, picture));
  std::remove(jpg.c_str());
}

// A frame header claiming a huge size once made the converter allocate and decode all of it
// from a file of a few hundred bytes.
TEST(Jpeg, SizesPastThePictureLimitAreRefusedNamingTheFile) {
  const struct {
    uint16_t Width, Height;
  } cases[] = {{9000, 8}, {8, 9000}, {4097, 4096}, {8192, 8192}};
  for (const auto& c : cases) {
    const std::string size = std::to_string(c.Width) + " x " + std::to_string(c.Height);
    SCOPED_TRACE(size);
    std::vector<uint8_t> bytes = EncodeGrey(8, 8, 200);
    DeclareSize(bytes, c.Width, c.Height);
    const std::string jpg = TempPath("huge.jpg");
    WriteFile(jpg, bytes);
    Picture picture;
    std::string error;
    EXPECT_FALSE(DecodeJpeg(jpg, picture, error));
    EXPECT_NE(error.find(jpg), std::string::npos) << error;
    EXPECT_NE(error.find(size), std::string::npos) << error;
    EXPECT_EQ(picture.Width, 0);
    std::remove(jpg.c_str());
  }
}

}  // namespace
}  // namespace zolvane
