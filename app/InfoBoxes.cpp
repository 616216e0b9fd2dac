#include "app/InfoBoxes.h"

#include <windows.h>

#include <string>

#include "res/resource.h"
#include "text/ResourceText.h"

void ShowHelp() {
  const std::wstring name = LoadResourceString(nullptr, IDS_APP_NAME);
  const std::wstring usage = LoadResourceString(nullptr, IDS_USAGE);
  const std::wstring text =
      FormatResourceMessage(IDS_HELP_TEXT, nullptr, name.c_str(), usage.c_str());
  MessageBoxW(nullptr, text.c_str(), name.c_str(), MB_OK | MB_ICONINFORMATION);
}

void ShowVersion() {
  const std::wstring name = LoadResourceString(nullptr, IDS_APP_NAME);
  const std::wstring text = FormatResourceMessage(IDS_VERSION_TEXT, nullptr, name.c_str());
  MessageBoxW(nullptr, text.c_str(), name.c_str(), MB_OK | MB_ICONINFORMATION);
}
