// Writes music/theme1.mid .. theme12.mid: twelve pieces from our own composer, the same
// bytes on every build.
//
// usage: zolvane_make_music <run folder>
#include <cstdio>
#include <string>

#include "tools/common/image.h"
#include "tools/music/composer.h"

int main(int argc, char** argv) {
  using namespace zolvane::music;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <run folder>\n", argv[0]);
    return 2;
  }
  const std::string run = argv[1];
  const std::vector<Style> pieces = Pieces();
  for (size_t i = 0; i < pieces.size(); ++i) {
    const Song song = Compose(pieces[i]);
    zolvane::gen::WriteFile(run + "/music/theme" + std::to_string(i + 1) + ".mid", EncodeSmf(song));
  }
  return 0;
}
