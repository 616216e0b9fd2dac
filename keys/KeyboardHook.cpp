#include "keys/KeyboardHook.h"

#include <wtsapi32.h>

std::atomic<HHOOK> g_keyboardHookHandle{nullptr};

namespace {

// The state of the thread that runs WindowsKeyHookProc: set before the hook is
// installed, then read and written only by the procedure, which the system
// calls on that thread alone, whichever of its renewed hooks is in place.
KeyPresses g_presses;
NewPressTest g_newPress;

bool SwallowsNewPress(PressKind kind) noexcept {
  if (!g_newPress.swallows) return kind == PressKind::WindowsKey;
  return g_newPress.swallows(g_newPress.context, kind);
}

bool SystemHolds(DWORD vk) noexcept {
  return (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0;
}

}  // namespace

LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
  if (DecideKey(nCode, wParam, reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam), g_presses,
                SwallowsNewPress, SystemHolds)) {
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
  HookRenewalSeam seam;
  HANDLE done;
  HHOOK hook = nullptr;
  DWORD error = ERROR_SUCCESS;
};

HHOOK InstallHook(HOOKPROC procedure) noexcept {
  return SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0);
}

// The hook as the hook thread keeps it: installed, renewed, removed.
class RenewedHook {
 public:
  RenewedHook(HOOKPROC procedure, HHOOK hook, HookRenewalSeam seam) noexcept
      : procedure_(procedure), hook_(hook), seam_(seam) {}
  ~RenewedHook() { UnhookWindowsHookEx(hook_); }  // a failure leaves nothing for us to undo
  RenewedHook(const RenewedHook&) = delete;
  RenewedHook& operator=(const RenewedHook&) = delete;

  // A new hook first, then the old one out: never a moment without one. A new
  // hook that cannot be installed now is tried again at the next renewal.
  void Renew() noexcept {
    if (renewing_) return;  // a notification that came in while it renews
    renewing_ = true;
    const HHOOK renewed = InstallHook(procedure_);
    if (renewed) {
      // A key that came before the new hook went to the old one alone: it is
      // judged now, while that one is still there, not passed unjudged once
      // it has gone. A key that both see is judged the same by both.
      MSG message;
      PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
      if (seam_.betweenSteps) seam_.betweenSteps();
      if (!UnhookWindowsHookEx(hook_)) {  // ERROR_INVALID_HOOK_HANDLE: no longer ours to remove
        OutputDebugStringW(L"Hushpad: Windows had removed the keyboard hook; it is back.\n");
      }
      hook_ = renewed;
      if (procedure_ == WindowsKeyHookProc) g_keyboardHookHandle = renewed;
      if (seam_.removeSilently && seam_.removeSilently()) UnhookWindowsHookEx(hook_);
    }
    renewing_ = false;
  }

 private:
  const HOOKPROC procedure_;
  HHOOK hook_;
  const HookRenewalSeam seam_;
  bool renewing_ = false;
};

// Whether a session or power notification means that the hook may have been
// lost: the session unlocked or reconnected, or the machine resumed.
bool MayHaveLostHook(UINT message, WPARAM wParam) noexcept {
  if (message == WM_WTSSESSION_CHANGE) {
    return wParam == WTS_SESSION_UNLOCK || wParam == WTS_CONSOLE_CONNECT ||
           wParam == WTS_REMOTE_CONNECT;
  }
  return message == WM_POWERBROADCAST &&
         (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND);
}

LRESULT CALLBACK NotificationWindowProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
  if (MayHaveLostHook(message, wParam)) {
    // Keys went up unseen while the session was elsewhere or the machine slept.
    ForgetReleasedKeys(g_presses, SystemHolds);
    reinterpret_cast<RenewedHook*>(GetWindowLongPtrW(window, GWLP_USERDATA))->Renew();
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A hidden top-level window that hears of resume (WM_POWERBROADCAST goes to
// top-level windows only) and of the session's changes. Null if it cannot be
// made: the timer still renews.
HWND CreateNotificationWindow(RenewedHook& hook) noexcept {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = NotificationWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kHookWindowClassName;
  RegisterClassW(&windowClass);  // fails harmlessly for a later hook of this process
  const HWND window = CreateWindowExW(0, kHookWindowClassName, nullptr, WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return nullptr;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&hook));
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  return window;
}

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
  const HOOKPROC procedure = start->procedure;
  const HookRenewalSeam seam = start->seam;
  if (procedure == WindowsKeyHookProc) {  // other hooks (benchmarks) keep their hands off
    // No press is known yet; of the modifiers, the ones the system holds now.
    g_presses = {};
    g_presses.modifiers = 15;
    ForgetReleasedModifiers(g_presses, SystemHolds);
    g_newPress = start->newPress;
  }
  const HHOOK installed = InstallHook(procedure);
  start->hook = installed;
  start->error = installed ? ERROR_SUCCESS : GetLastError();
  SetEvent(start->done);
  if (!installed) return 0;

  RenewedHook hook(procedure, installed, seam);
  const HWND window = CreateNotificationWindow(hook);
  const UINT_PTR timer = SetTimer(nullptr, 0, kHookRenewalPeriodMs, nullptr);
  // The system calls the hook from inside GetMessageW; the thread's own
  // messages are its timer, its window's and WM_QUIT.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr) {
      hook.Renew();
    } else {
      DispatchMessageW(&message);
    }
  }
  KillTimer(nullptr, timer);
  if (window) {
    WTSUnRegisterSessionNotification(window);
    DestroyWindow(window);
  }
  return 0;
}

}  // namespace

KeyboardHook::~KeyboardHook() { Remove(); }

HHOOK KeyboardHook::Install(HOOKPROC procedure, NewPressTest newPress, HookRenewalSeam seam) {
  if (handle_) return handle_;
  UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return nullptr;
  HookStart start{procedure, newPress, seam, done.get()};
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
