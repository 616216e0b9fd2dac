#include "Harness.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

#include "SiblingPath.h"

namespace {

std::wstring Quoted(const std::wstring& text) {
  return text.find_first_of(L" \t") == std::wstring::npos ? text : L"\"" + text + L"\"";
}

// A visible dialog of one process: the manual dialog or another one (a
// message box).
HWND FindDialogOf(DWORD processId, bool manual) {
  for (HWND window : VisibleDialogsOf(processId)) {
    if (IsManualDialog(window) == manual) return window;
  }
  return nullptr;
}

HWND WaitForDialogOf(DWORD processId, bool manual, DWORD timeoutMs) {
  HWND found = nullptr;
  Eventually([&] { return (found = FindDialogOf(processId, manual)) != nullptr; }, timeoutMs);
  return found;
}

constexpr ULONG_PTR kObserverMark = 0x48555348;  // "HUSH"
std::atomic<int> g_windowsKeyEventsSeen{0};

LRESULT CALLBACK ObserveWindowsKey(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  if (code == HC_ACTION && key->dwExtraInfo == kObserverMark &&
      (key->vkCode == VK_LWIN || key->vkCode == VK_RWIN)) {
    ++g_windowsKeyEventsSeen;
    return 1;  // the test's own key presses go no further
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

std::wstring HushpadExe() { return BuildPath(HUSHPAD_EXE); }
std::wstring FaultsExe() { return BuildPath(HUSHPAD_FAULTS_EXE); }
std::wstring ProbeExe() { return SiblingPath(L"HushpadProbe.exe"); }

std::wstring TestFolder() {
  static const std::wstring folder = [] {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    std::wstring path =
        std::wstring(temp) + L"hushpad-app-tests-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(path.c_str(), nullptr);
    return path;
  }();
  return folder;
}

std::wstring UniqueName(const wchar_t* stem) {
  static int counter = 0;
  return std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(++counter);
}

std::wstring LaunchingTrace(const std::wstring& commandLine) {
  return L"Hushpad: Launching: " + commandLine + L"\n";
}
std::wstring DeferringTrace(DWORD processId) {
  return L"Hushpad: Deferring to [" + std::to_wstring(processId) + L"]\n";
}
std::wstring WaitingTrace(DWORD processId) {
  return L"Hushpad: Waiting for [" + std::to_wstring(processId) + L"]\n";
}

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Lines Tail(const Lines& lines, size_t count) {
  return Lines(lines.end() - static_cast<ptrdiff_t>(std::min(count, lines.size())), lines.end());
}

std::wstring SystemText(DWORD error) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text(buffer ? buffer : L"", length);
  LocalFree(buffer);
  return text.erase(text.find_last_not_of(L" \t\r\n") + 1);  // npos + 1: all
}

Hushpad::Hushpad(const std::wstring& arguments, const std::wstring& fault) {
  SetEnvironmentVariableW(L"HUSHPAD_FAULT", fault.empty() ? nullptr : fault.c_str());
  const std::wstring program = fault.empty() ? HushpadExe() : FaultsExe();
  process_ = std::make_unique<DebuggedProcess>(Quoted(program) +
                                               (arguments.empty() ? L"" : L" " + arguments));
  SetEnvironmentVariableW(L"HUSHPAD_FAULT", nullptr);
}

Probe::Probe(const std::wstring& extra, bool wait)
    : report_(TestFolder() + UniqueName(L"report") + L".bin"),
      eventName_(UniqueName(L"HushpadProbeEvent")),
      event_(CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str())) {
  DeleteFileW(report_.c_str());  // names repeat when Wine hands out the same process ID
  commandLine_ = Quoted(ProbeExe()) + L" " + Quoted(L"/out:" + report_);
  if (wait) commandLine_ += L" /wait:" + eventName_;
  if (!extra.empty()) commandLine_ += L" " + extra;
}

bool Probe::Started() const {
  return GetFileAttributesW(report_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Probe::WaitForReport(DWORD timeoutMs) {
  if (!Eventually([&] { return Started(); }, timeoutMs)) return false;
  // UTF-16, NUL-separated: process ID, command line, then argv.
  const std::string bytes = ReadWholeFile(report_);
  const std::wstring report(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
  Lines parts;
  size_t start = 0;
  for (size_t end; (end = report.find(L'\0', start)) != std::wstring::npos; start = end + 1) {
    parts.push_back(report.substr(start, end - start));
  }
  if (parts.size() < 2) return false;
  pid_ = std::wcstoul(parts[0].c_str(), nullptr, 10);
  reportedCommandLine_ = parts[1];
  argv_.assign(parts.begin() + 2, parts.end());
  return true;
}

std::string ReadWholeFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes(static_cast<size_t>(GetFileSize(file.get(), nullptr)), '\0');
  DWORD read = 0;
  ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

bool ProcessRunning(DWORD processId) {
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  HWND box = WaitForDialogOf(processId, false, timeoutMs);
  if (!box) return std::nullopt;
  return ReadDialog(box);
}

void CloseMessageBox(const MessageBoxView& box) { PressButton(box.window, IDOK); }

HWND WaitForManualDialog(DWORD processId, DWORD timeoutMs) {
  return WaitForDialogOf(processId, true, timeoutMs);
}

bool ShowsDialog(DWORD processId) {
  return FindDialogOf(processId, false) != nullptr || FindDialogOf(processId, true) != nullptr;
}

WindowsKeyObserver::WindowsKeyObserver()
    : hook_(SetWindowsHookExW(WH_KEYBOARD_LL, ObserveWindowsKey, GetModuleHandleW(nullptr), 0)) {}

bool WindowsKeyObserver::WindowsKeyGetsThrough(double* sendMs) {
  INPUT inputs[2] = {};
  for (INPUT& input : inputs) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_LWIN;
    input.ki.dwExtraInfo = kObserverMark;
  }
  inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
  const int before = g_windowsKeyEventsSeen;
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  SendInput(2, inputs, sizeof(INPUT));
  QueryPerformanceCounter(&end);
  if (sendMs) *sendMs = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
  PumpMessages(300);
  return g_windowsKeyEventsSeen - before == 2;
}

void PumpMessages(DWORD milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + milliseconds;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    const ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
  }
}
