// The main window's own state: whether the loop may run, the first paint that runs the
// start-up, and whether the high score table was read (only then is it written back).
#pragma once

namespace zolvane {

struct MainForm {
  bool FActive = false;  // the loop runs: the window has the focus and nothing fatal happened
  bool FirstPaint = true;
  bool HighScoresLoaded = false;
  bool FatalErrorReported = false;  // the program ends after the message
};

extern MainForm frmD3D;

}  // namespace zolvane
