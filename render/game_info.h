// The texts of a running game: the counters beside the well and the flying message.
#pragma once

namespace zolvane {

// Drawn early in the frame, after the background.
void DrawGameInfo();
// Drawn last in the frame, in front of the well.
void DrawMessage();

}  // namespace zolvane
