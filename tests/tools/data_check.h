// What the data file checker's parts share: the failure count, byte and bitmap reading,
// and the plaque check that the break pictures and the menu labels both pass.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane {

extern int Failures;
extern std::string Where;  // the file the next failures belong to

void Check(bool ok, const std::string& what);
std::vector<uint8_t> ReadBytes(const std::string& path);

inline uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
inline uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
  return U16(b, at) | U16(b, at + 2) << 16;
}

struct Rgb {
  int width = 0, height = 0;
  std::vector<float> lightness;  // 0..1, row 0 at the top
  std::vector<std::array<uint8_t, 3>> colour;  // red, green, blue

  const std::array<uint8_t, 3>& At(int x, int y) const { return colour[static_cast<size_t>(y) * width + x]; }
  // The font's background test: red, green and blue all 253 or more.
  bool NearWhite(int x, int y) const {
    const auto& c = At(x, y);
    return c[0] >= 253 && c[1] >= 253 && c[2] >= 253;
  }
  // The colour key: exactly opaque white.
  bool Keyed(int x, int y) const {
    const auto& c = At(x, y);
    return c[0] == 255 && c[1] == 255 && c[2] == 255;
  }
};

// A 24-bit bitmap of the run folder; empty when it is not one.
Rgb ReadBmp(const std::string& run, const std::string& name);
void CheckPlaque(const std::string& run, const std::string& name);

// The font strips, and the menu's labels, option values, volume stripe and logo.
void CheckFonts(const std::string& run);
void CheckMenuPictures(const std::string& run);
// The twenty wave files; the twelve MIDI pieces.
void CheckSounds(const std::string& run);
void CheckMusic(const std::string& run);

}  // namespace zolvane
