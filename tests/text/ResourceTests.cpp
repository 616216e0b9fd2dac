// The program's resources as the built module carries them.
#include "res/resource.h"
#include "res/version.h"

#include "TestStrings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

const WORD kEnglishUnitedStates = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::string ResourceBytes(LPCWSTR type, LPCWSTR name) {
  const HRSRC resource = FindResourceExW(nullptr, type, name, kEnglishUnitedStates);
  if (!resource) {
    return std::string();
  }
  const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
  return std::string(data, SizeofResource(nullptr, resource));
}

// Every non-empty entry of the module's string table, read from the raw
// blocks of 16 counted strings, in English (United States) only.
BOOL CALLBACK CollectBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) noexcept {
  auto& entries = *reinterpret_cast<std::map<UINT, std::wstring>*>(param);
  const UINT block = static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name));
  const std::string bytes = ResourceBytes(RT_STRING, name);
  if (bytes.empty()) {
    entries[0xFFFFFFFF] =
        L"block " + std::to_wstring(block) + L" is not in English (United States)";
    return TRUE;
  }
  const auto* data = reinterpret_cast<const WCHAR*>(bytes.data());
  for (UINT i = 0; i < 16; data += 1 + *data, ++i) {
    if (*data > 0) {
      entries[(block - 1) * 16 + i] = std::wstring(data + 1, *data);
    }
  }
  return TRUE;
}

TEST(StringTable, HoldsExactlyTheProgramsEntriesToTheCharacter) {
  // Bare line feeds only: the string table never holds a carriage return.
  const std::map<UINT, std::wstring> expected = {
      {IDS_APP_NAME, L"Hushpad"},
      {IDS_VERSION_TEXT, L"%1 " HUSHPAD_VERSION_TEXT L"\n"
                         L"Written by the Hushpad developers.\nhttps://hushpad.example/"},
      {IDS_USAGE,
       L"Usage:\nHushpad PROGRAM [ARGUMENTS ...]\nHushpad --manual [PROGRAM [ARGUMENTS ...]]\n"
       L"Hushpad --version\nHushpad --help\n"},
      {IDS_HELP_TEXT,
       L"%1: Temporarily disables the Windows key and the accessibility keyboard shortcuts.\n\n"
       L"%2\nOptions:\n--manual \t\tShow a dialog box to re-enable keys manually.\n"
       L"--tree\t\tAlso wait for the programs that PROGRAM starts.\n"
       L"--version\t\tShow version information."},
      {IDS_UNKNOWN_ERROR, L"Unknown error."},
      {IDS_COMMAND_LINE_ERROR, L"Failed to retrieve command-line arguments.  %1"},
      {IDS_USAGE_ERROR, L"%1\n\n%2"},
      {IDS_MUTEX_ERROR, L"Unable to create mutex.  %1"},
      {IDS_THREAD_ERROR, L"Unable to create thread to watch process.  %1"},
      {IDS_CLASS_ERROR, L"Unable to register window class.  %1"},
      {IDS_WINDOW_ERROR, L"Unable to create window.  %1"},
      {IDS_HOOK_ERROR, L"Unable to intercept keyboard actions.  %1"},
      {IDS_LAUNCH_ERROR, L"Unable to start process \"%1\".  %2"},
      {IDS_NO_PROGRAM, L"No program specified."},
      {IDS_OPTION_WITH_VALUE, L"%1: %2"},
      {IDS_OPTION_UNKNOWN_ERROR, L"Unknown error handling option %1"},
      {IDS_OPTION_CONFIGURATION, L"Invalid option configuration"},
      {IDS_OPTION_NO_MEMORY, L"Insufficient memory"},
      {IDS_OPTION_INVALID, L"Invalid option: %1"},
      {IDS_OPTION_VALUE_REQUIRED, L"Value required after option %1"},
      {IDS_OPTION_INVALID_VALUE, L"Invalid value for option %1"},
      {IDS_OPTION_VALUE_TOO_LARGE, L"Value too large for option %1"},
      {IDS_OPTION_VALUE_TOO_SMALL, L"Value too small for option %1"},
  };
  std::map<UINT, std::wstring> entries;
  EnumResourceNamesW(nullptr, RT_STRING, CollectBlock, reinterpret_cast<LONG_PTR>(&entries));
  for (UINT testOnly : {IDS_TEST_254_UNITS, IDS_TEST_255_UNITS, IDS_TEST_600_UNITS}) {
    EXPECT_EQ(entries.erase(testOnly), 1u);
  }
  EXPECT_EQ(entries, expected);
}

// Appends the fields of a dialog template in the layout of DLGTEMPLATEEX.
struct TemplateWriter {
  std::string bytes;
  template <typename T>
  void Put(T value) {
    bytes.append(reinterpret_cast<const char*>(&value), sizeof(T));
  }
  void Text(const wchar_t* text) {
    do {
      Put<WORD>(*text);
    } while (*text++);
  }
  void Control(DWORD style, short x, short y, short cx, short cy, DWORD id, WORD classAtom,
               const wchar_t* text) {
    bytes.resize((bytes.size() + 3) & ~std::size_t{3}, '\0');
    for (DWORD field : {DWORD{0}, DWORD{0}, style}) Put(field);  // help ID, extended style, style
    for (short field : {x, y, cx, cy}) Put(field);
    Put(id);
    for (WORD field : {WORD{0xFFFF}, classAtom}) Put(field);
    Text(text);
    Put<WORD>(0);  // no creation data
  }
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM) noexcept { return FALSE; }

TEST(ManualDialog, IsTheExtendedTemplateWithItsStylesControlsAndFont_AndOpensAsADialog) {
  TemplateWriter expected;
  for (WORD field : {1, 0xFFFF}) expected.Put(field);             // version, signature
  for (DWORD field : {0u, 0u, 0x80C808C8u}) expected.Put(field);  // help ID, extended style, style
  expected.Put<WORD>(3);
  for (short field : {0, 0, 159, 58}) expected.Put(field);
  for (WORD field : {0, 0}) expected.Put(field);  // no menu, the standard class
  expected.Text(L"Hushpad");
  for (WORD field : {8, 0}) expected.Put(field);                // points, weight
  for (BYTE field : {0, DEFAULT_CHARSET}) expected.Put(field);  // italic, character set
  expected.Text(L"MS Shell Dlg");
  expected.Control(0x50020000, 14, 10, 140, 16, 0xFFFFFFFF, 0x82,
                   L"The Windows key and the accessibility keyboard shortcuts are disabled.");
  expected.Control(0x50010001, 81, 38, 70, 14, IDCANCEL, 0x80, L"&Hide");
  expected.Control(0x50010000, 7, 38, 70, 14, IDC_REENABLE, 0x80, L"&Re-enable Keys");

  const std::string bytes = ResourceBytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_MANUAL));
  ASSERT_GE(bytes.size(), expected.bytes.size())
      << "no such English (United States) dialog, or too short";
  EXPECT_LT(bytes.size() - expected.bytes.size(), 4u) << "more than padding after the last control";
  const auto difference =
      std::mismatch(expected.bytes.begin(), expected.bytes.end(), bytes.begin());
  EXPECT_EQ(difference.first, expected.bytes.end())
      << "first difference at byte " << (difference.first - expected.bytes.begin());

  const HWND dialog =
      CreateDialogParamW(nullptr, MAKEINTRESOURCEW(IDD_MANUAL), nullptr, PlainDialogProc, 0);
  ASSERT_NE(dialog, nullptr) << GetLastError();
  EXPECT_NE(GetDlgItem(dialog, IDC_REENABLE), nullptr);
  EXPECT_EQ(LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)), IDCANCEL);
  DestroyWindow(dialog);
}

TEST(VersionRecord, SaysTheVersionInEnglishUnitedStatesUtf16) {
  wchar_t path[MAX_PATH] = {};
  ASSERT_NE(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
  DWORD ignored = 0;
  std::vector<BYTE> info(GetFileVersionInfoSizeW(path, &ignored));
  ASSERT_FALSE(info.empty()) << GetLastError();
  ASSERT_TRUE(GetFileVersionInfoW(path, 0, static_cast<DWORD>(info.size()), info.data()));

  const DWORD kVersionMS = MAKELONG(HUSHPAD_VERSION_MINOR, HUSHPAD_VERSION_MAJOR);
  const DWORD kVersionLS = MAKELONG(HUSHPAD_VERSION_BUILD, HUSHPAD_VERSION_PATCH);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ((std::vector<DWORD>{fixed->dwSignature, fixed->dwFileVersionMS, fixed->dwFileVersionLS,
                                fixed->dwProductVersionMS, fixed->dwProductVersionLS,
                                fixed->dwFileFlags, fixed->dwFileOS, fixed->dwFileType}),
            (std::vector<DWORD>{0xFEEF04BD, kVersionMS, kVersionLS, kVersionMS, kVersionLS, 0,
                                VOS_NT_WINDOWS32, VFT_APP}));
  DWORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  EXPECT_EQ(length, sizeof(DWORD));
  EXPECT_EQ(*translation, MAKELONG(0x0409, 1200)) << "English (United States), UTF-16";

  const std::pair<const wchar_t*, const wchar_t*> strings[] = {
      {L"ProductName", L"Hushpad"},
      {L"ProductVersion", L"" HUSHPAD_VERSION_TEXT},
      {L"FileVersion", L"" HUSHPAD_VERSION_TEXT},
      {L"Comments",
       L"Temporarily disables the Windows key and the accessibility keyboard shortcuts."},
      {L"OriginalFilename", L"Hushpad.exe"},
  };
  for (const auto& [name, text] : strings) {
    void* value = nullptr;
    EXPECT_TRUE(VerQueryValueW(info.data(),
                               (std::wstring(L"\\StringFileInfo\\040904B0\\") + name).c_str(),
                               &value, &length) &&
                value && std::wstring(static_cast<const wchar_t*>(value)) == text)
        << testing::PrintToString(std::wstring(name));
  }
}

TEST(Manifest, IsResource1AndAsksForCommonControls6AsInvokerDpiAware) {
  const std::string manifest = ResourceBytes(RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID);
  ASSERT_FALSE(manifest.empty());
  for (const char* part : {
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "publicKeyToken=\"6595b64144ccf1df\"",
           "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
           "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",  // Vista
           "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
           ">true</dpiAware>",
       }) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  // Its identity carries the program's version, written in at configure time.
  const std::string identity =
      "name=\"Hushpad\" version=\"" + std::to_string(HUSHPAD_VERSION_MAJOR) + "." +
      std::to_string(HUSHPAD_VERSION_MINOR) + "." + std::to_string(HUSHPAD_VERSION_PATCH) + "." +
      std::to_string(HUSHPAD_VERSION_BUILD) + "\"";
  EXPECT_NE(manifest.find(identity), std::string::npos) << identity;
  // The loader applied it: the process's activation context sends
  // comctl32.dll to the side-by-side version 6.
  ACTCTX_SECTION_KEYED_DATA redirection{};
  redirection.cbSize = sizeof(redirection);
  EXPECT_TRUE(FindActCtxSectionStringW(0, nullptr, ACTIVATION_CONTEXT_SECTION_DLL_REDIRECTION,
                                       L"comctl32.dll", &redirection))
      << GetLastError();
}

}  // namespace
