// The main window's own state: whether the loop may run, the first paint that runs the
// start-up, and whether the high score table was read (only then is it written back).
#pragma once
#include <cstdint>

namespace zolvane {

struct MainForm {
  int32_t FActive = 0;  // -1 true, 0 false
  bool FirstPaint = true;
  bool HighScoresLoaded = false;
  bool FatalErrorReported = false;  // the program ends after the message
};

extern MainForm frmD3D;

}  // namespace zolvane
