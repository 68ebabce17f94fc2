#include "platform/fatal_error.h"

namespace zolvane {

namespace {
FatalErrorHandler OnFatalError = nullptr;
FatalMessageHandler OnFatalMessage = nullptr;
}  // namespace

void SetFatalErrorHandler(FatalErrorHandler handler) { OnFatalError = handler; }

void ReportFatalFailure(const char* step, HRESULT code) {
  if (OnFatalError) OnFatalError(step, code);
}

void SetFatalMessageHandler(FatalMessageHandler handler) { OnFatalMessage = handler; }

void ReportFatalFailure(const char* step, const std::string& message) {
  if (OnFatalMessage) OnFatalMessage(step, message);
}

}  // namespace zolvane
