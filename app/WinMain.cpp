// Hushpad's entry point: the only place where failures are caught and shown.
#include <windows.h>

#include <exception>
#include <string>

#include "app/AppState.h"
#include "app/RunApplication.h"
#include "res/resource.h"
#include "text/ErrorBox.h"
#include "text/ResourceText.h"
#include "text/SystemErrorText.h"
#include "text/TextUtil.h"
#include "text/Win32Error.h"

namespace {

// Shows the text that `describe` builds. Describing a failure may fail in
// turn (memory, a text that cannot be converted); the box then stays empty
// rather than let a second exception end the process.
template <typename Describe>
void ReportFailure(Describe describe) noexcept {
  std::wstring text;
  try {
    text = describe();
  } catch (...) {
  }
  ShowErrorMessage(text);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // The AppState is destroyed inside the try block, so its teardown has
  // restored the keys before any error is shown, and a teardown failure is
  // caught like any other.
  try {
    AppState state;
    RunApplication(state);
  } catch (const Win32Error& error) {
    ReportFailure([&] {
      return FormatResourceMessage(error.messageId, nullptr,
                                   SystemErrorText(error.errorCode).c_str());
    });
  } catch (const std::exception& error) {
    ReportFailure([&] { return ToWideString(error.what(), CP_ACP); });
  } catch (...) {
    ReportFailure([] { return LoadResourceString(nullptr, IDS_UNKNOWN_ERROR); });
  }
  return 0;
}
