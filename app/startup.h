// The program's life: the ordered start-up, the fatal error report, the device rebuild
// after a restore, and the orderly shutdown.
#pragma once
#include <string>

#include "app/window_system.h"
#include "platform/d3d8.h"

namespace zolvane {

enum class StartUpResult {
  Ready,      // the loop may run
  Fatal,      // a step failed and was reported; everything is released
  EndAtOnce,  // the keyboard could not be had: end without a message
};

StartUpResult StartUp(WindowSystem& window);

HRESULT InitD3D(WindowSystem& window);
HRESULT InitD3DFullScreen(WindowSystem& window);
// Stops the loop, releases everything and shows the code's description titled by the step.
void ReportFatalError(WindowSystem& window, const std::string& step, HRESULT code);
// The same for a failure that has its own text (a missing or damaged data file).
void ReportFatalMessage(WindowSystem& window, const std::string& step, const std::string& text);
void ReleaseAll();
// The JPEG backgrounds become bitmaps on the first start; an existing bitmap is kept.
void ConvertPictures();
const char* D3DErrorText(HRESULT code);

// The window was restored: rebuild a full-screen device, take the keyboard again.
StartUpResult RestoreAfterMinimize(WindowSystem& window);
// The window is destroyed: release, save the settings and the high scores.
void Shutdown(WindowSystem& window);

}  // namespace zolvane
