// The texts of a running game: the counters beside the well and the flying message.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane {

// Drawn early in the frame, after the background.
void DrawGameInfo();
// Everything DrawGameInfo's lines are made from: equal values, equal lines.
std::vector<int32_t> GameInfoInputs();
// Drawn last in the frame, in front of the well.
void DrawMessage();
// "mm:ss", each part at least two digits: 754 s is "12:34", 6000 s "100:00".
std::string GameTimeText(int32_t seconds);

}  // namespace zolvane
