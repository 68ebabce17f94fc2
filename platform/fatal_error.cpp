#include "platform/fatal_error.h"

namespace zolvane {

namespace {
FatalErrorHandler OnFatalError = nullptr;
}  // namespace

void SetFatalErrorHandler(FatalErrorHandler handler) { OnFatalError = handler; }

void ReportFatalFailure(const char* step, HRESULT code) {
  if (OnFatalError) OnFatalError(step, code);
}

}  // namespace zolvane
