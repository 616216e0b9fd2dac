#include "keys/KeyboardHook.h"

std::atomic<HHOOK> g_keyboardHookHandle{nullptr};

namespace {

// The state of the thread that runs WindowsKeyHookProc: set before the hook is
// installed, then read and written only by the procedure, which the system
// calls on that thread alone.
WindowsKeyPresses g_presses;
NewPressTest g_newPress;

bool SwallowsNewPress() noexcept {
  return g_newPress.swallows == nullptr || g_newPress.swallows(g_newPress.context);
}

}  // namespace

LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
  if (DecideWindowsKey(nCode, wParam, reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam), g_presses,
                       SwallowsNewPress)) {
    return 1;
  }
  return CallNextHookEx(g_keyboardHookHandle.load(std::memory_order_relaxed), nCode, wParam,
                        lParam);
}

namespace {

// What Install hands the hook thread and what it hands back. It lives on
// Install's stack: the thread reads and writes it only until it sets `done`.
struct HookStart {
  HOOKPROC procedure;
  NewPressTest newPress;
  HANDLE done;
  HHOOK hook = nullptr;
  DWORD error = ERROR_SUCCESS;
};

DWORD WINAPI HookThread(LPVOID parameter) noexcept {
  auto* start = static_cast<HookStart*>(parameter);
  MSG message;
  // The queue exists before Install returns, so Remove's WM_QUIT is never lost.
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  // Above every thread of a game that keeps the processors busy: a hook that
  // answers too late is removed without notice (LowLevelHooksTimeout). The
  // thread runs for microseconds a keystroke and sleeps otherwise, so it
  // cannot starve anyone.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
  if (start->procedure == WindowsKeyHookProc) {  // other hooks (benchmarks) keep their hands off
    g_presses = {};
    g_newPress = start->newPress;
  }
  const HHOOK hook =
      SetWindowsHookExW(WH_KEYBOARD_LL, start->procedure, GetModuleHandleW(nullptr), 0);
  start->hook = hook;
  start->error = hook ? ERROR_SUCCESS : GetLastError();
  SetEvent(start->done);
  if (!hook) return 0;
  // The system calls the hook from inside GetMessageW; no message of ours
  // arrives but WM_QUIT.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
  }
  UnhookWindowsHookEx(hook);  // a failure leaves nothing for us to undo
  return 0;
}

}  // namespace

KeyboardHook::~KeyboardHook() { Remove(); }

HHOOK KeyboardHook::Install(HOOKPROC procedure, NewPressTest newPress) {
  if (handle_) return handle_;
  UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return nullptr;
  HookStart start{procedure, newPress, done.get()};
  DWORD threadId = 0;
  UniqueHandle thread(CreateThread(nullptr, 0, HookThread, &start, 0, &threadId));
  if (!thread) return nullptr;
  const HANDLE doneOrEnded[] = {done.get(), thread.get()};
  WaitForMultipleObjects(2, doneOrEnded, FALSE, INFINITE);
  if (!start.hook) {
    WaitForSingleObject(thread.get(), INFINITE);
    thread.reset();
    // Nothing may run between here and the return: the caller reads
    // GetLastError() for its error message.
    SetLastError(start.error != ERROR_SUCCESS ? start.error : ERROR_GEN_FAILURE);
    return nullptr;
  }
  handle_ = start.hook;
  thread_ = std::move(thread);
  threadId_ = threadId;
  OutputDebugStringW(L"Hushpad: Disabled the Windows key.\n");
  return handle_;
}

void KeyboardHook::Remove() noexcept {
  if (handle_ == nullptr) return;
  // A posted message can be refused while the thread's queue is full; the
  // thread ends soon after one gets through.
  do {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  } while (WaitForSingleObject(thread_.get(), 100) == WAIT_TIMEOUT);
  thread_.reset();
  handle_ = nullptr;
  OutputDebugStringW(L"Hushpad: Re-enabled the Windows key.\n");
}
