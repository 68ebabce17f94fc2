// The JPEG backgrounds, as the first start converts them: decoded, written as a 24-bit BMP,
// and that BMP read back with the same pixels.
#include "fuzz_support.h"
#include "platform/jpeg.h"
#include "platform/picture.h"

using namespace zolvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::WriteFile("picture.jpg", data, size);
  Picture picture;
  std::string error;
  if (!DecodeJpeg("picture.jpg", picture, error)) {
    fuzz::Require(!error.empty(), "a refused picture without a reason");
    return 0;
  }
  fuzz::Require(UsablePictureSize(picture.Width, picture.Height) &&
                    picture.Rgba.size() == static_cast<size_t>(picture.Width) * picture.Height * 4,
                "a decoded picture of the wrong size");
  fuzz::Require(SaveBmp24("picture.bmp", picture, error), "the converted picture was not written");
  Picture back;
  fuzz::Require(LoadPicture("picture.bmp", back), "the converted picture does not load");
  fuzz::Require(back.Width == picture.Width && back.Height == picture.Height,
                "the converted picture changed its size");
  for (size_t i = 0; i < back.Rgba.size(); ++i)
    fuzz::Require(back.Rgba[i] == picture.Rgba[i], "the converted picture changed a pixel");
  return 0;
}
