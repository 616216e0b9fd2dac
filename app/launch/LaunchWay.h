#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

// "The requested operation requires elevation." (winerror.h), which
// MinGW-w64's copy of that header lacks.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

// What PROGRAM looks like, for the way to start it when CreateProcessW cannot.
enum class ProgramForm {
  File,      // anything else: a program, a document, an internet shortcut (.url)
  Shortcut,  // a name that ends in ".lnk"
  Url,       // a scheme of two or more characters, then ":" (steam://...)
};

// How PROGRAM starts after CreateProcessW has failed on it.
enum class LaunchWay {
  ReportError,       // the launch error box, with CreateProcessW's error
  StartElevated,     // Hushpad again, as administrator, which then starts it
  ResolveShortcut,   // the shortcut's target, started as PROGRAM
  OpenThroughShell,  // opened by the program registered for it
};

// A character of a URI's scheme (RFC 3986, 3.1): a letter first, then
// letters, digits, "+", "-" and ".".
inline bool IsSchemeCharacter(wchar_t c, bool first) noexcept {
  const bool letter = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
  return letter || (!first && ((c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.'));
}

inline ProgramForm FormOf(const std::wstring& program) noexcept {
  constexpr wchar_t kShortcutExtension[] = L".lnk";
  constexpr size_t kExtensionLength = ARRAYSIZE(kShortcutExtension) - 1;
  if (program.size() > kExtensionLength &&
      _wcsicmp(program.c_str() + program.size() - kExtensionLength, kShortcutExtension) == 0) {
    return ProgramForm::Shortcut;
  }
  // Two characters at least, so that a drive ("C:") is no scheme.
  size_t length = 0;
  while (length < program.size() && IsSchemeCharacter(program[length], length == 0)) ++length;
  return length >= 2 && length < program.size() && program[length] == L':' ? ProgramForm::Url
                                                                           : ProgramForm::File;
}

// Whether Hushpad may start itself as administrator: only where the copy run
// as administrator is the same account, an administrator's filtered token
// under UAC. On a standard account the prompt asks for another account, whose
// copy cannot open this account's named objects; an elevated copy, or one
// without UAC, has every right it can get.
inline bool MayStartElevated(TOKEN_ELEVATION_TYPE elevation) noexcept {
  return elevation == TokenElevationTypeLimited;
}

// The way for a PROGRAM of `form` that CreateProcessW refused with `error`,
// in a copy whose token is of the type `elevation`. A program that needs
// administrator rights gets them once: an elevated copy that is still refused
// reports it, so Hushpad never starts itself again and again. Only errors
// that say what PROGRAM is lead another way; every other one (a file that is
// not there, say) is reported as it always was.
inline LaunchWay ChooseLaunchWay(ProgramForm form, DWORD error,
                                 TOKEN_ELEVATION_TYPE elevation) noexcept {
  if (error == ERROR_ELEVATION_REQUIRED) {
    return MayStartElevated(elevation) ? LaunchWay::StartElevated : LaunchWay::ReportError;
  }
  switch (form) {
    case ProgramForm::Url:
      return LaunchWay::OpenThroughShell;
    case ProgramForm::Shortcut:
      return error == ERROR_BAD_EXE_FORMAT ? LaunchWay::ResolveShortcut : LaunchWay::ReportError;
    case ProgramForm::File:
    default:
      return error == ERROR_BAD_EXE_FORMAT ? LaunchWay::OpenThroughShell : LaunchWay::ReportError;
  }
}
