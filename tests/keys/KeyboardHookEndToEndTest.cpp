// The installed hook against real input: a window of another process
// (KeyRecorder.exe) reports the keyboard messages it receives while this
// process holds the hook, for keys driven both with SendInput and as X events
// (xdotool).
#include "keys/KeyboardHook.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DebuggedProcess.h"
#include "SiblingPath.h"
#include "text/UniqueHandle.h"
#include "WindowSearch.h"

namespace {

using Lines = std::vector<std::wstring>;

INPUT Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
  const bool extended = vk == VK_LWIN || vk == VK_RWIN || vk == VK_APPS;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0);
  return input;
}

// Each key pressed and released in turn; a key after VK_MENU is pressed while
// Alt is held.
bool SendKeys(std::initializer_list<WORD> keys) {
  std::vector<INPUT> inputs;
  bool withAlt = false;
  for (WORD vk : keys) {
    inputs.push_back(Key(vk, false));
    if (vk == VK_MENU) {
      withAlt = true;
      continue;
    }
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
  UniqueHandle thread(created.hThread), process(created.hProcess);
  std::wstring statusFile = L"Z:" + status;
  for (auto& c : statusFile) c = c == L'/' ? L'\\' : c;
  for (int waited = 0; waited < 30000; waited += 20) {
    UniqueHandle file(CreateFileW(statusFile.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_DELETE_ON_CLOSE, nullptr));
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

// Sends X key events (an xdotool command list) to the window named `caption`
// (matched as a regular expression, so free of special characters). X key
// events go to the window with the X focus, so it gets the focus first; the
// search may trip over a window that another process is just destroying,
// hence the retries.
bool Xdotool(const std::wstring& caption, const std::wstring& keyCommands) {
  bool focused = false;
  for (int attempt = 0; attempt < 5 && !focused; ++attempt) {
    focused = RunXdotool(L"search --name '^" + caption + L"$' windowfocus --sync");
    if (!focused) Sleep(200);
  }
  return focused && RunXdotool(keyCommands);
}

const wchar_t kCaption[] = L"Hushpad key recorder";
const wchar_t kEndMarker[] = L"WM_KEYUP 0x5A\n";  // the Z key, sent last in each round

// The recorder's lines round by round: each round runs up to its end marker.
class Rounds {
 public:
  explicit Rounds(DebuggedProcess& recorder)
      : recorder_(recorder), linesSeen_(recorder.Traces().size()) {}
  // The lines after the previous round, or nothing if this round's end
  // marker did not arrive.
  Lines Next() {
    if (!recorder_.WaitForTraceCount(kEndMarker, ++count_, 10000)) return {};
    const Lines lines = recorder_.Traces();
    Lines round;
    while (linesSeen_ < lines.size() && (round.empty() || round.back() != kEndMarker)) {
      round.push_back(lines[linesSeen_++]);
    }
    return round;
  }

 private:
  DebuggedProcess& recorder_;
  size_t linesSeen_;
  size_t count_ = 0;
};

// Plain "key Super_R" or "key alt+super" do not do what they say: xdotool
// also presses Super_L for the first (it reaches a modifier keysym through the
// modifier's first key) and releases Alt before Windows for the second. So the
// right Windows key is sent by its keycode in the X server's standard keymap
// (134), and Alt+Windows key by key.
const wchar_t kHookedXKeys[] =
    L"key a key Super_L key 134 key Menu keydown Alt_L keydown Super_L keyup Super_L keyup Alt_L "
    L"key z";
const wchar_t kUnhookedXKeys[] = L"key Super_L key 134 key z";

const Lines kHookedRound = {
    L"WM_KEYDOWN 0x41\n",    L"WM_KEYUP 0x41\n",       // A
    L"WM_KEYDOWN 0x5D\n",    L"WM_KEYUP 0x5D\n",       // Applications
    L"WM_SYSKEYDOWN 0x12\n", L"WM_SYSKEYDOWN 0x5B\n",  // Alt+Windows
    L"WM_SYSKEYUP 0x5B\n",   L"WM_KEYUP 0x12\n",       //
    L"WM_KEYDOWN 0x5A\n",    L"WM_KEYUP 0x5A\n",       // Z
};
const Lines kUnhookedRound = {
    L"WM_KEYDOWN 0x5B\n", L"WM_KEYUP 0x5B\n",  // left Windows
    L"WM_KEYDOWN 0x5C\n", L"WM_KEYUP 0x5C\n",  // right Windows
    L"WM_KEYDOWN 0x5A\n", L"WM_KEYUP 0x5A\n",  // Z
};

}  // namespace

TEST(KeyboardHookEndToEnd, WindowsKeysSwallowedWhileHooked_OthersPass_BackAfterRemove) {
  DebuggedProcess recorder(L"\"" + SiblingPath(L"KeyRecorder.exe") + L"\" " + kCaption);
  ASSERT_TRUE(recorder.WaitForTrace(L"ready\n", 60000));
  Rounds rounds(recorder);
  const HWND window =
      WaitForTopLevelWindow(recorder.ProcessId(), L"HushpadKeyRecorder", kCaption, 60000);
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  ASSERT_EQ(GetForegroundWindow(), window);

  // The hook's own thread serves it while this thread only sends keys.
  KeyboardHook hook;
  g_keyboardHookHandle = hook.Install(WindowsKeyHookProc);
  ASSERT_NE(g_keyboardHookHandle, nullptr);
  ASSERT_TRUE(SendKeys({'A', VK_LWIN, VK_RWIN, VK_APPS, VK_MENU, VK_LWIN, 'Z'}));
  EXPECT_EQ(rounds.Next(), kHookedRound) << "SendInput";
  ASSERT_TRUE(Xdotool(kCaption, kHookedXKeys));
  EXPECT_EQ(rounds.Next(), kHookedRound) << "X events";

  hook.Remove();
  ASSERT_TRUE(SendKeys({VK_LWIN, VK_RWIN, 'Z'}));
  EXPECT_EQ(rounds.Next(), kUnhookedRound) << "SendInput";
  ASSERT_TRUE(Xdotool(kCaption, kUnhookedXKeys));
  EXPECT_EQ(rounds.Next(), kUnhookedRound) << "X events";
}
