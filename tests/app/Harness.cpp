#include "Harness.h"

#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <atomic>
#include <cwchar>

#include <gtest/gtest.h>

#include "app/launch/ShellCom.h"

namespace {

std::wstring Quoted(const std::wstring& text) {
  return text.find_first_of(L" \t") == std::wstring::npos ? text : L"\"" + text + L"\"";
}

// A visible dialog of one process: the manual dialog or another one (a
// message box), or null on timeout.
HWND WaitForDialogOf(DWORD processId, bool manual, DWORD timeoutMs) {
  HWND found = nullptr;
  Eventually(
      [&] {
        for (HWND window : VisibleDialogsOf(processId)) {
          if (!found && IsManualDialog(window) == manual) found = window;
        }
        return found != nullptr;
      },
      timeoutMs);
  return found;
}

// The test's own key presses carry the mark and a number of their own, so
// that a press that arrives late is not counted for the next.
constexpr ULONG_PTR kObserverMark = 0x48550000;  // "HU"
ULONG_PTR g_pressNumber = 0;
// The observer's hook runs on the test's thread, inside its message pumping.
int g_sentinelsSeen = 0;  // of a harmless key sent after the strokes
constexpr DWORD kSentinel = VK_F24;
WindowsKeyObserver::Strokes g_strokesSeen;

// Counts one event of the current press; the test's own presses go no
// further in any case.
bool Observe(ULONG_PTR extraInfo, UINT message, DWORD vk) noexcept {
  if ((extraInfo & 0xFFFF0000) != kObserverMark) return false;
  if (extraInfo != (kObserverMark | g_pressNumber)) return true;
  if (vk == kSentinel) {
    ++g_sentinelsSeen;
    return true;
  }
  g_strokesSeen.push_back({static_cast<WORD>(vk), message == WM_KEYUP || message == WM_SYSKEYUP});
  return true;
}

LRESULT CALLBACK ObserveKeys(int code, WPARAM wParam, LPARAM lParam) noexcept {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
  // Shift, Ctrl and Alt go on to the system: the flags and messages with which
  // the hooks before this one see a key come from the system's key state.
  const bool modifier = key->vkCode >= VK_LSHIFT && key->vkCode <= VK_RMENU;
  if (code == HC_ACTION && Observe(key->dwExtraInfo, static_cast<UINT>(wParam), key->vkCode) &&
      !modifier) {
    return 1;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK KeyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message >= WM_KEYDOWN && message <= WM_SYSKEYUP &&
      Observe(static_cast<ULONG_PTR>(GetMessageExtraInfo()), message, static_cast<DWORD>(wParam))) {
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

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

Lines Concat(std::initializer_list<Lines> parts) {
  Lines all;
  for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Lines Tail(const Lines& lines, size_t count) {
  return Lines(lines.end() - static_cast<ptrdiff_t>(std::min(count, lines.size())), lines.end());
}

void MakeShortcut(const std::wstring& path, const std::wstring& commandLine,
                  const std::wstring& folder) {
  const ComApartment com;
  ComPointer<IShellLinkW> link;
  ComPointer<IPersistFile> file;
  CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put());
  const size_t blank = std::min(commandLine.find(L' '), commandLine.size());
  link->SetPath(commandLine.substr(0, blank).c_str());
  link->SetArguments(commandLine.c_str() + std::min(blank + 1, commandLine.size()));
  link->SetWorkingDirectory(folder.c_str());
  link->QueryInterface(IID_IPersistFile, file.put());
  ASSERT_EQ(file->Save(path.c_str(), TRUE), S_OK);
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

Hushpad::Hushpad(const std::wstring& arguments, const std::wstring& fault, DWORD integrityLevel) {
  SetEnvironmentVariableW(kFaultVariable, fault.empty() ? nullptr : fault.c_str());
  if (integrityLevel) {
    SetEnvironmentVariableW(kIntegrityVariable, std::to_wstring(integrityLevel).c_str());
  }
  const bool simulated = GetEnvironmentVariableW(kSettingsVariable, nullptr, 0) != 0 ||
                         GetEnvironmentVariableW(kIntegrityVariable, nullptr, 0) != 0;
  const std::wstring program = fault.empty() && !simulated ? HushpadExe() : FaultsExe();
  process_ = std::make_unique<DebuggedProcess>(Quoted(program) +
                                               (arguments.empty() ? L"" : L" " + arguments));
  SetEnvironmentVariableW(kFaultVariable, nullptr);
  if (integrityLevel) SetEnvironmentVariableW(kIntegrityVariable, nullptr);
}

void Hushpad::Kill() {
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, Pid()));
  TerminateProcess(process.get(), 9);
  process_->WaitForExit(kTimeoutMs);
}

Probe::Probe(const std::wstring& extra, bool wait)
    : report_(TestFolder() + UniqueName(L"report") + L".bin"),
      eventName_(UniqueName(L"HushpadProbeEvent")),
      event_(CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str())) {
  // Names repeat when Wine hands out the same process ID again.
  for (const wchar_t* descendant : {L"", L".grandchild", L".grandchild.grandchild"}) {
    DeleteFileW((report_ + descendant).c_str());
  }
  commandLine_ = Quoted(ProbeExe()) + L" " + Quoted(L"/out:" + report_);
  if (wait) commandLine_ += L" /wait:" + eventName_;
  if (!extra.empty()) commandLine_ += L" " + extra;
}

bool Probe::Started() const {
  return GetFileAttributesW(report_.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Probe::WaitForReport(DWORD timeoutMs) {
  if (!Eventually([&] { return Started(); }, timeoutMs)) return false;
  // UTF-16, NUL-separated: process ID, command line, folder, then argv (unread).
  const std::string bytes = ReadWholeFile(report_);
  const std::wstring report(reinterpret_cast<const wchar_t*>(bytes.data()),
                            bytes.size() / sizeof(wchar_t));
  Lines parts;
  size_t start = 0;
  for (size_t end; (end = report.find(L'\0', start)) != std::wstring::npos; start = end + 1) {
    parts.push_back(report.substr(start, end - start));
  }
  if (parts.size() < 3) return false;
  pid_ = std::wcstoul(parts[0].c_str(), nullptr, 10);
  reportedCommandLine_ = parts[1];
  reportedFolder_ = parts[2];
  return true;
}

std::string ReadWholeFile(const std::wstring& path) {
  UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes(static_cast<size_t>(GetFileSize(file.get(), nullptr)), '\0');
  DWORD read = 0;
  ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  return bytes;
}

DWORD ReportedPid(const std::wstring& path) {
  if (!Eventually([&] { return !ReadWholeFile(path).empty(); })) return 0;
  const std::string bytes = ReadWholeFile(path);
  return std::wcstoul(reinterpret_cast<const wchar_t*>(bytes.c_str()), nullptr, 10);
}

HWND ProbeWindow(DWORD processId) {
  return FindWindowW(L"HushpadProbe", (L"HushpadProbe " + std::to_wstring(processId)).c_str());
}

bool BringToFront(HWND window) {
  // Under Wine the X focus follows a moment later: the window's thread then
  // sets the key state to the X server's, which holds none of the test's
  // keys, and a late focus event may even hand the foreground back. So the
  // window must stay in front a while, its thread having caught up.
  for (const ULONGLONG end = GetTickCount64() + 3000; GetTickCount64() < end;) {
    SetForegroundWindow(window);
    PumpMessagesUntil([&] { return GetForegroundWindow() == window; }, 1000);
    PumpMessagesUntil([] { return false; }, 100);
    DWORD_PTR result;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result);
    if (GetForegroundWindow() == window) return true;
  }
  return false;
}

bool ProcessRunning(DWORD processId) {
  UniqueHandle process(OpenProcess(SYNCHRONIZE, FALSE, processId));
  return process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DialogView> WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
  HWND box = WaitForDialogOf(processId, false, timeoutMs);
  if (!box) return std::nullopt;
  return ReadDialog(box);
}

void CloseMessageBox(const DialogView& box) { PressButton(box.window, IDOK); }

HWND WaitForManualDialog(DWORD processId, DWORD timeoutMs) {
  return WaitForDialogOf(processId, true, timeoutMs);
}

WindowsKeyObserver::WindowsKeyObserver(Via via) {
  if (via == Via::EarlierHook) {
    hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, ObserveKeys, GetModuleHandleW(nullptr), 0);
    return;
  }
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = KeyWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"HushpadTestKeys";
  RegisterClassW(&windowClass);  // fails harmlessly from the second time on
  window_ = CreateWindowExW(0, windowClass.lpszClassName, L"Hushpad test keys",
                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr,
                            windowClass.hInstance, nullptr);
}

WindowsKeyObserver::~WindowsKeyObserver() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (window_) DestroyWindow(window_);
}

void WindowsKeyObserver::Send(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  input.ki.dwExtraInfo = kObserverMark | g_pressNumber;
  SendInput(1, &input, sizeof(INPUT));
}

WindowsKeyObserver::Strokes WindowsKeyObserver::Through(const Strokes& strokes, DWORD waitMs) {
  if (window_) SetForegroundWindow(window_);
  g_pressNumber = (g_pressNumber + 1) & 0xFFFF;
  g_sentinelsSeen = 0;
  g_strokesSeen.clear();
  // A key's Alt (WM_SYSKEYDOWN) comes from the key state that the strokes
  // before it left: after a modifier, and at the end, a harmless key shows
  // when every hook has judged the strokes so far. Every stroke is sent in
  // any case: a modifier must not stay down.
  bool late = false;
  for (size_t i = 0; i < strokes.size(); ++i) {
    Send(strokes[i].vk, strokes[i].up);
    if (i + 1 < strokes.size() && (strokes[i].vk < VK_LSHIFT || strokes[i].vk > VK_RMENU)) continue;
    const int sentinels = g_sentinelsSeen + 2;
    Send(kSentinel, false);
    Send(kSentinel, true);
    late |= !PumpMessagesUntil([&] { return g_sentinelsSeen >= sentinels; }, waitMs);
  }
  return late ? Strokes{{0, false}} : g_strokesSeen;
}

void ExpectSuppressedWithKeysFlowing(WindowsKeyObserver& keys, DWORD durationMs,
                                     ULONGLONG maxDelayMs) {
  int windowsKeysThrough = 0, presses = 0;
  ULONGLONG worstDelayMs = 0;
  for (const ULONGLONG end = GetTickCount64() + durationMs; GetTickCount64() < end; ++presses) {
    const ULONGLONG sent = GetTickCount64();
    windowsKeysThrough += keys.WindowsKeyGetsThrough(100);
    const ULONGLONG sentA = GetTickCount64();
    const bool through = keys.Through({{'A', false}, {'A', true}}).size() == 2;
    worstDelayMs = through ? std::max(worstDelayMs, GetTickCount64() - sentA) : ~0ull;
    PumpMessagesUntil([&] { return GetTickCount64() - sent >= 100; }, 100);  // a fast typist's pace
  }
  EXPECT_EQ(windowsKeysThrough, 0) << "of " << presses << " Windows-key presses";
  EXPECT_LE(worstDelayMs, maxDelayMs) << "A must reach the hooks installed before Hushpad's";
}

SimulatedSettings::SimulatedSettings(const SimulatedAccessibility& initial) {
  const std::wstring name = L"Local\\" + UniqueName(L"HushpadTestSettings");
  section_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                    sizeof initial, name.c_str()));
  view_ = static_cast<SimulatedAccessibility*>(
      MapViewOfFile(section_.get(), FILE_MAP_WRITE, 0, 0, sizeof initial));
  *view_ = initial;
  SetEnvironmentVariableW(kSettingsVariable, name.c_str());
}

SimulatedSettings::~SimulatedSettings() {
  SetEnvironmentVariableW(kSettingsVariable, nullptr);
  UnmapViewOfFile(view_);
}

void PumpMessages(DWORD milliseconds) {
  PumpMessagesUntil([] { return false; }, milliseconds);
}
