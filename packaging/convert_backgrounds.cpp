// Converts the JPEG backgrounds of a folder's textures/ into bitmaps with the game's own
// conversion. The game does that on its first start, but the installed data is read-only,
// so the install carries the bitmaps already made.
//
// usage: zolvane_convert_backgrounds <folder holding textures/>
#include <unistd.h>

#include <cstdio>
#include <exception>

#include "app/startup.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder holding textures/>\n", argv[0]);
    return 2;
  }
  if (::chdir(argv[1]) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  try {
    zolvane::ConvertPictures();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
    return 1;
  }
  return 0;
}
