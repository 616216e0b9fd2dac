#include "app/RunApplication.h"

#include <windows.h>
#include <shellapi.h>

#include <new>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/copies/ElevatedFront.h"
#include "app/dialog/ManualDialog.h"
#include "app/FaultPoints.h"
#include "app/InfoBoxes.h"
#include "app/launch/ChildLaunch.h"
#include "app/ProgramOptions.h"
#include "argot/argot.h"
#include "res/resource.h"
#include "text/ErrorBox.h"
#include "text/OptionErrors.h"
#include "text/ResourceText.h"
#include "text/ScopeGuard.h"
#include "text/Win32Error.h"

namespace {

// "%1\n\n%2": `problem` above the usage text, in the error box.
void ShowUsageError(const wchar_t* problem) {
  const std::wstring usage = LoadResourceString(nullptr, IDS_USAGE);
  ShowErrorMessage(FormatResourceMessage(IDS_USAGE_ERROR, nullptr, problem, usage.c_str()));
}

}  // namespace

void RunApplication(AppState& state) {
  int count = 0;
  wchar_t** arguments = HUSHPAD_FAULT_POINT(CommandLineToArgvW)
                            ? nullptr
                            : CommandLineToArgvW(GetCommandLineW(), &count);
  const DWORD splitError = GetLastError();
  ScopeGuard freeArguments(LocalFree, arguments);  // LocalFree accepts null
  if (!arguments) throw Win32Error{IDS_COMMAND_LINE_ERROR, splitError};

  // Stands for a context that cannot be created, which the constructor reports
  // the same way.
  if (HUSHPAD_FAULT_POINT(argot_create_context)) throw std::bad_alloc();
  ArgotContext context(g_programOptions);
  OptionErrorStrings errorStrings{IDS_OPTION_WITH_VALUE, IDS_OPTION_UNKNOWN_ERROR,
                                  g_optionErrorMessages, nullptr};
  context.InstallErrorHandler(OptionErrorHandler, &errorStrings);

  // Element 0 is this program's own name: never parsed, never passed on.
  const int optionCount = count > 0 ? count - 1 : 0;
  wchar_t** firstRemaining = context.Parse(optionCount, arguments + 1);
  LaunchRequest request;
  request.arguments.assign(arguments + 1, arguments + 1 + optionCount);
  request.program = static_cast<size_t>(firstRemaining - (arguments + 1));
  const bool noProgram = request.program == request.arguments.size();

  if (context.ErrorCode() != ARGOT_ERROR_NONE) {
    ShowUsageError(context.ErrorMessage());
    return;
  }
  if (g_helpFlag) {
    ShowHelp();
    return;
  }
  if (g_versionFlag) {
    ShowVersion();
    return;
  }

  if (noProgram && !g_manualFlag) {
    ShowUsageError(LoadResourceString(nullptr, IDS_NO_PROGRAM).c_str());
    return;
  }

  // --tree has nothing to wait for with --manual, and --focus no program to
  // scope to: the user ends the run. --full-screen needs no program.
  if (g_focusFlag && g_manualFlag) {
    OutputDebugStringW(L"Hushpad: --focus has no effect with --manual.\n");
  }
  StartUp(state, g_focusFlag && !g_manualFlag ? kWantsKeysOffInFront : kWantsKeysOff,
          g_taskKeysFlag, g_fullScreenFlag);
  const ElevatedFrontNotice elevatedFront;
  if (g_fullScreenFlag) ScopeManualDialog(state.shared.Copies());
  if (noProgram) {
    ShowManualDialog();
  } else {
    request.manual = g_manualFlag;
    request.family = g_treeFlag && !g_manualFlag;
    LaunchProgram(request, state.window, state.entry);
  }
}
