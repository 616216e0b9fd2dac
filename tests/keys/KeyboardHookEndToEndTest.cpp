// The installed hook against real input: a window of another process
// (KeyRecorder.exe) reports the keyboard messages it receives while this
// process holds the hook, for keys driven both as X events (xdotool) and
// with SendInput.
#include "keys/KeyboardHook.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

#include "DebuggedProcess.h"
#include "SiblingPath.h"
#include "UniqueHandle.h"
#include "WindowSearch.h"

namespace {

const wchar_t kEndMarker[] = L"WM_KEYUP 0x5A\n";  // the Z key, sent last in each round

using Lines = std::vector<std::wstring>;

// Holds the hook on a thread of its own that keeps retrieving messages, as
// the program's main thread does, while the test thread sends keys.
class HookThread {
 public:
  HookThread() {
    std::promise<DWORD> installed;
    std::future<DWORD> threadId = installed.get_future();
    thread_ = std::thread([this, &installed]() noexcept { Run(installed); });
    threadId_ = threadId.get();
  }
  ~HookThread() { Stop(); }
  bool Installed() const { return installed_; }
  void Stop() {
    if (!thread_.joinable()) return;
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }

 private:
  void Run(std::promise<DWORD>& installed) noexcept {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts
    KeyboardHook hook;
    g_keyboardHookHandle = hook.Install(WindowsKeyHookProc);
    installed_ = g_keyboardHookHandle != nullptr;
    installed.set_value(GetCurrentThreadId());
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    hook.Remove();
  }

  std::thread thread_;
  DWORD threadId_ = 0;
  bool installed_ = false;
};

// The recorder's window and what it reported, round by round.
class Recorder {
 public:
  explicit Recorder(const std::wstring& caption)
      : caption_(caption),
        process_(L"\"" + SiblingPath(L"KeyRecorder.exe") + L"\" " + caption) {}

  bool Start() {
    if (!process_.WaitForTrace(L"ready\n", 10000)) return false;
    window_ = WaitForTopLevelWindow(process_.ProcessId(), L"HushpadKeyRecorder", caption_.c_str(), 5000);
    return window_ != nullptr;
  }
  HWND Window() const { return window_; }
  const std::wstring& Caption() const { return caption_; }

  // The messages received since the previous round, up to this round's end
  // marker; empty if the marker did not arrive.
  Lines NextRound() {
    ++rounds_;
    if (!process_.WaitForTraceCount(kEndMarker, rounds_, 10000)) return {};
    Lines round;
    size_t markers = 0;
    for (const auto& line : process_.Traces()) {
      if (line == kEndMarker && ++markers == rounds_) {
        round.push_back(line);
        break;
      }
      if (markers == rounds_ - 1 && line != kEndMarker && line != L"ready\n") round.push_back(line);
    }
    return round;
  }

 private:
  std::wstring caption_;
  DebuggedProcess process_;
  HWND window_ = nullptr;
  size_t rounds_ = 0;
};

INPUT Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  const bool extended = vk == VK_LWIN || vk == VK_RWIN || vk == VK_APPS;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

// Each key pressed and released in turn; a key prefixed by VK_MENU is pressed
// while Alt is held.
bool SendKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  bool withAlt = false;
  for (WORD vk : keys) {
    if (vk == VK_MENU) {
      withAlt = true;
      inputs.push_back(Key(VK_MENU, false));
      continue;
    }
    inputs.push_back(Key(vk, false));
    inputs.push_back(Key(vk, true));
    if (withAlt) inputs.push_back(Key(VK_MENU, true));
    withAlt = false;
  }
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// Runs xdotool, a Linux program, and returns whether it succeeded. Wine starts
// Unix executables given by their Unix path but hands back no process handle
// that can be waited on, so a shell reports the exit status in a file, which
// is read through Wine's drive Z: (the Unix root).
bool RunXdotool(const std::wstring& arguments) {
  static int runs = 0;
  const std::wstring status = L"/tmp/hushpad-test-keys-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++runs);
  std::wstring commandLine = L"/bin/sh -c \"/usr/bin/xdotool " + arguments + L"; echo $? >" +
                             status + L".part && mv " + status + L".part " + status + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION created{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &created)) {
    ADD_FAILURE() << "xdotool cannot start: " << GetLastError();
    return false;
  }
  CloseHandle(created.hThread);
  CloseHandle(created.hProcess);
  std::wstring statusFile = L"Z:" + status;
  for (auto& c : statusFile) c = c == L'/' ? L'\\' : c;
  for (int waited = 0; waited < 30000; waited += 20) {
    UniqueHandle file(CreateFileW(statusFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    if (file) {
      char text[16] = {};
      DWORD read = 0;
      ReadFile(file.get(), text, sizeof(text) - 1, &read, nullptr);
      return text[0] == '0' && (text[1] == '\n' || text[1] == '\0');
    }
    Sleep(20);
  }
  ADD_FAILURE() << "xdotool did not finish";
  return false;
}

// Sends X key events (an xdotool command list) to the window named
// `caption` (matched as a regular expression, so free of special characters).
// X key events go to the window with the X focus, so it gets the focus first;
// the search may trip over a window that another process is just destroying,
// hence the retries.
bool Xdotool(const std::wstring& caption, const std::wstring& keyCommands) {
  bool focused = false;
  for (int attempt = 0; attempt < 5 && !focused; ++attempt) {
    focused = RunXdotool(L"search --name '^" + caption + L"$' windowfocus --sync");
    if (!focused) Sleep(200);
  }
  return focused && RunXdotool(keyCommands);
}

// Plain "key Super_R" or "key alt+super" do not do what they say: xdotool
// also presses Super_L for the first (it reaches a modifier keysym through the
// modifier's first key) and releases Alt before Windows for the second. So the
// right Windows key is sent by its keycode in the X server's standard keymap
// (134), and Alt+Windows key by key.
const wchar_t kRightWindowsKey[] = L" key 134";

const Lines kHookedRound = {
    L"WM_KEYDOWN 0x41\n",    L"WM_KEYUP 0x41\n",      // A
    L"WM_KEYDOWN 0x5D\n",    L"WM_KEYUP 0x5D\n",      // Applications
    L"WM_SYSKEYDOWN 0x12\n", L"WM_SYSKEYDOWN 0x5B\n",  // Alt+Windows
    L"WM_SYSKEYUP 0x5B\n",   L"WM_KEYUP 0x12\n",      //
    L"WM_KEYDOWN 0x5A\n",    L"WM_KEYUP 0x5A\n",      // Z
};
const Lines kUnhookedRound = {
    L"WM_KEYDOWN 0x5B\n", L"WM_KEYUP 0x5B\n",  // left Windows
    L"WM_KEYDOWN 0x5C\n", L"WM_KEYUP 0x5C\n",  // right Windows
    L"WM_KEYDOWN 0x5A\n", L"WM_KEYUP 0x5A\n",  // Z
};

}  // namespace

TEST(KeyboardHookEndToEnd, SendInput_WindowsKeysSwallowedWhileHooked_OthersPass_BackAfterRemove) {
  Recorder recorder(L"Hushpad key recorder SendInput");
  ASSERT_TRUE(recorder.Start());
  SetForegroundWindow(recorder.Window());
  ASSERT_EQ(GetForegroundWindow(), recorder.Window());

  HookThread hook;
  ASSERT_TRUE(hook.Installed());
  ASSERT_TRUE(SendKeys({'A', VK_LWIN, VK_RWIN, VK_APPS, VK_MENU, VK_LWIN, 'Z'}));
  EXPECT_EQ(recorder.NextRound(), kHookedRound);

  hook.Stop();
  ASSERT_TRUE(SendKeys({VK_LWIN, VK_RWIN, 'Z'}));
  EXPECT_EQ(recorder.NextRound(), kUnhookedRound);
}

TEST(KeyboardHookEndToEnd, XKeyEvents_WindowsKeysSwallowedWhileHooked_OthersPass_BackAfterRemove) {
  Recorder recorder(L"Hushpad key recorder X events");
  ASSERT_TRUE(recorder.Start());

  HookThread hook;
  ASSERT_TRUE(hook.Installed());
  ASSERT_TRUE(Xdotool(recorder.Caption(), std::wstring(L"key a key Super_L") + kRightWindowsKey +
                                              L" key Menu keydown Alt_L keydown Super_L"
                                              L" keyup Super_L keyup Alt_L key z"));
  EXPECT_EQ(recorder.NextRound(), kHookedRound);

  hook.Stop();
  ASSERT_TRUE(Xdotool(recorder.Caption(), std::wstring(L"key Super_L") + kRightWindowsKey + L" key z"));
  EXPECT_EQ(recorder.NextRound(), kUnhookedRound);
}
