// The texts of a running game: the counters beside the well and the flying message.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane {

// One line beside the well as DrawFontText draws it: the left end of its baseline at
// (X, Y) in the well's plane.
struct GameInfoLine {
  int32_t Font = 0;
  float Size = 0;
  std::string Text;
  float X = 0, Y = 0;
  bool operator==(const GameInfoLine&) const = default;
};

// The lines DrawGameInfo draws, in its order.
std::vector<GameInfoLine> GameInfoLines();
// Drawn early in the frame, after the background. Lines the filter turns down are left
// out; the states are those of a line drawn all the same.
void DrawGameInfo();
void DrawGameInfo(const std::vector<GameInfoLine>& lines, const std::vector<bool>* wanted);
// Drawn last in the frame, in front of the well.
void DrawMessage();
// "mm:ss", each part at least two digits: 754 s is "12:34", 6000 s "100:00".
std::string GameTimeText(int32_t seconds);

}  // namespace zolvane
