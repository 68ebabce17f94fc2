// How a step that must not fail, deep in the drawing, ends the game. The application plugs
// its fatal error report in here, below every layer that can meet such a failure.
#pragma once
#include "platform/d3d8.h"

namespace zolvane {

// Called with the step's name and the code. Without a handler the failure is only
// returned by the step that met it.
using FatalErrorHandler = void (*)(const char* step, HRESULT code);
void SetFatalErrorHandler(FatalErrorHandler handler);

// Hands the failure to the handler, if one is set. The handler may release the device:
// the caller must not touch it afterwards.
void ReportFatalFailure(const char* step, HRESULT code);

}  // namespace zolvane
