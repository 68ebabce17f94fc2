// The real game window for the frame benchmark and the screenshot harness: the SDL window
// at the windowed size, the OpenGL device and the program's own start-up, run from the
// run folder; and the game states they draw.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zolvane {

constexpr int HarnessWidth = 720;
constexpr int HarnessHeight = 540;

// Changes into runDir, opens the window and runs StartUp. False, with the reason in
// *error, when any of it fails.
bool OpenHarnessWindow(const std::string& runDir, std::string* error);
// Releases what the start-up made and closes the window. Unlike the program's shutdown
// it writes neither config.ini nor the high score file: a benchmark's settings must not
// become the player's.
void CloseHarnessWindow();

// The run folder this binary was built with (ZOLVANE_RUN_DIR).
std::string DefaultRunDir();

// A game of the given type as the menu starts it, already on the game screen: no fade,
// the game's clock at the injected clock's time.
void StartHarnessGame(int32_t type);

// Occupies the positions of rows 1..rows with colours that change from cell to cell
// (all eight brick colours). holeColumn 1..10 leaves that column of each row free, so no
// row is complete; 0 fills every position.
void FillWellRows(int rows, int holeColumn);

// count sparks with the given life, spread over the well.
void AddSparkCloud(int count, int32_t life);

// One frame exactly as RenderFrame draws it, with the back buffer read before Present:
// width x height RGB pixels, top row first. False when no device or the read failed.
bool RenderFrameAndRead(std::vector<uint8_t>& rgb, int& width, int& height);

}  // namespace zolvane
