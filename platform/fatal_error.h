// How a step that must not fail, deep in the drawing, ends the game. The application plugs
// its fatal error report in here, below every layer that can meet such a failure.
#pragma once
#include <string>

#include "platform/d3d8.h"

namespace zolvane {

// Called with the step's name and the code. Without a handler the failure is only
// returned by the step that met it.
using FatalErrorHandler = void (*)(const char* step, HRESULT code);
void SetFatalErrorHandler(FatalErrorHandler handler);

// Hands the failure to the handler, if one is set. The handler may release the device:
// the caller must not touch it afterwards.
void ReportFatalFailure(const char* step, HRESULT code);

// The same for a data file that can no longer be read once the game runs (a picture loaded
// again): the message names the file, as at the start-up.
using FatalMessageHandler = void (*)(const char* step, const std::string& message);
void SetFatalMessageHandler(FatalMessageHandler handler);
void ReportFatalFailure(const char* step, const std::string& message);

}  // namespace zolvane
