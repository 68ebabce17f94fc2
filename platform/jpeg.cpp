#include "platform/jpeg.h"

#include <jpeglib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace zolvane {

namespace {
struct ErrorManager {
  jpeg_error_mgr Public;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  info->err->format_message(info, err->Message);
  std::longjmp(err->Jump, 1);
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void PutLE(uint8_t* p, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
}  // namespace

bool DecodeJpeg(const std::string& path, Picture& out, std::string& error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.Public);
  err.Public.error_exit = OnJpegError;
  // Everything the jump can skip past lives outside this frame's automatic objects.
  Picture picture;
  std::vector<uint8_t> row;
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&info);
    error = path + ": " + err.Message;
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, file.get());
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  // Before the decoder sets up its buffers, which for a progressive picture hold all of it.
  if (!UsablePictureSize(info.image_width, info.image_height)) {
    error = path + ": the picture is " + std::to_string(info.image_width) + " x " +
            std::to_string(info.image_height) + " pixels, more than a picture may have";
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  picture.Width = static_cast<int>(info.output_width);
  picture.Height = static_cast<int>(info.output_height);
  picture.Rgba.assign(static_cast<size_t>(picture.Width) * picture.Height * 4, 255);
  row.resize(static_cast<size_t>(picture.Width) * 3);
  while (info.output_scanline < info.output_height) {
    const int y = static_cast<int>(info.output_scanline);
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&info, rows, 1);
    uint8_t* dst = &picture.Rgba[static_cast<size_t>(y) * picture.Width * 4];
    for (int x = 0; x < picture.Width; ++x) std::memcpy(dst + x * 4, row.data() + x * 3, 3);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  out = std::move(picture);
  return true;
}

bool SaveBmp24(const std::string& path, const Picture& picture, std::string& error) {
  const uint32_t rowBytes = (static_cast<uint32_t>(picture.Width) * 3 + 3) & ~3u;
  const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(picture.Height);
  uint8_t header[54] = {'B', 'M'};
  PutLE(header + 2, 54 + dataBytes, 4);
  PutLE(header + 10, 54, 4);
  PutLE(header + 14, 40, 4);
  PutLE(header + 18, static_cast<uint32_t>(picture.Width), 4);
  PutLE(header + 22, static_cast<uint32_t>(picture.Height), 4);
  PutLE(header + 26, 1, 2);
  PutLE(header + 28, 24, 2);
  PutLE(header + 34, dataBytes, 4);

  const std::string temp = path + ".new";
  bool ok = false;
  {
    File file(std::fopen(temp.c_str(), "wb"));
    if (file) {
      ok = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header;
      std::unique_ptr<uint8_t[]> row(new uint8_t[rowBytes]());
      for (int y = picture.Height - 1; ok && y >= 0; --y) {  // bottom-up
        for (int x = 0; x < picture.Width; ++x) {
          const uint8_t* p = picture.Pixel(x, y);
          row[x * 3] = p[2];
          row[x * 3 + 1] = p[1];
          row[x * 3 + 2] = p[0];
        }
        ok = std::fwrite(row.get(), 1, rowBytes, file.get()) == rowBytes;
      }
      ok = ok && std::fflush(file.get()) == 0;
    }
    if (!ok) error = temp + ": " + std::strerror(errno);
  }
  if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
    error = path + ": " + std::strerror(errno);
    ok = false;
  }
  if (!ok) std::remove(temp.c_str());
  return ok;
}

}  // namespace zolvane
