// JPEG pictures decoded with libjpeg, and Windows bitmaps written from them: the game ships
// its backgrounds as JPEG and reads them as BMP.
#pragma once
#include <string>

#include "platform/picture.h"

namespace zolvane {

// False, with a reason, when the file is missing or not a JPEG picture.
bool DecodeJpeg(const std::string& path, Picture& out, std::string& error);
// A 24-bit bottom-up BMP; written to a new file that replaces the target only when complete.
bool SaveBmp24(const std::string& path, const Picture& picture, std::string& error);

}  // namespace zolvane
