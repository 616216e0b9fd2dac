#include "keys/KeyboardHook.h"

#include <wtsapi32.h>

namespace {

// The state of the hook thread: set before the hook is installed, then read
// and written only on that thread, by WindowsKeyHookProc, which the system
// calls there alone, whichever of its renewed hooks is in place, and by the
// loop that renews it.
KeyPresses g_presses;
NewPressTest g_newPress;

bool ConsultNewPressTest(PressKind kind) noexcept {
  if (!g_newPress.swallows) return kind == PressKind::WindowsKey;
  return g_newPress.swallows(g_newPress.context, kind);
}

bool SystemHolds(DWORD vk) noexcept {
  return (GetAsyncKeyState(static_cast<int>(vk)) & 0x8000) != 0;
}

}  // namespace

LRESULT CALLBACK WindowsKeyHookProc(int nCode, WPARAM wParam, LPARAM lParam) noexcept {
  if (DecideKey(nCode, wParam, reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam), g_presses,
                ConsultNewPressTest, SystemHolds)) {
    return 1;
  }
  return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

namespace {

// What Install hands the hook thread and what it hands back. It lives on
// Install's stack: the thread reads and writes it only until it sets `done`.
struct HookStart {
  HOOKPROC procedure;
  NewPressTest newPress;
  HookRenewalSeam seam;
  HANDLE done;
  bool installed = false;
  DWORD error = ERROR_SUCCESS;
};

// Posted to the hook thread when a notification says that the hook may have
// been lost.
constexpr UINT kHookMayBeLost = WM_APP;

HHOOK SetKeyboardHook(HOOKPROC procedure) noexcept {
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
    const HHOOK renewed = SetKeyboardHook(procedure_);
    if (!renewed) return;
    // A key that came before the new hook went to the old one alone: it is
    // judged now, while that one is still there, not passed unjudged once it
    // has gone. A key that both see is judged the same by both.
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (seam_.betweenSteps) seam_.betweenSteps();
    if (!UnhookWindowsHookEx(hook_)) {  // ERROR_INVALID_HOOK_HANDLE: no longer ours to remove
      OutputDebugStringW(L"Hushpad: Windows had removed the keyboard hook; it is back.\n");
    }
    hook_ = renewed;
    if (seam_.removeSilently && seam_.removeSilently()) UnhookWindowsHookEx(hook_);
  }

 private:
  const HOOKPROC procedure_;
  HHOOK hook_;
  const HookRenewalSeam seam_;
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
    PostThreadMessageW(static_cast<DWORD>(GetWindowLongPtrW(window, GWLP_USERDATA)), kHookMayBeLost,
                       0, 0);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// Posts WM_QUIT to `threadId` until `thread` has ended: a posted message can be
// refused while the thread's queue is full, or before it has one.
void EndThread(HANDLE thread, DWORD threadId) noexcept {
  do {
    PostThreadMessageW(threadId, WM_QUIT, 0, 0);
  } while (WaitForSingleObject(thread, 100) == WAIT_TIMEOUT);
}

// Keeps a hidden top-level window, which hears of resume (WM_POWERBROADCAST
// goes to top-level windows only) and of the session's changes, and tells the
// hook thread `parameter`. A thread of its own: the hook thread renews from
// its loop alone, never inside a renewal's PeekMessageW, and owns no window,
// which under Wine would make every key wait on the X display too (the
// keystroke benchmark's figures).
DWORD WINAPI NotificationThread(LPVOID parameter) noexcept {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = NotificationWindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kHookWindowClassName;
  RegisterClassW(&windowClass);  // fails harmlessly for a later hook of this process
  const HWND window = CreateWindowExW(0, kHookWindowClassName, nullptr, WS_POPUP, 0, 0, 0, 0,
                                      nullptr, nullptr, windowClass.hInstance, nullptr);
  if (!window) return 0;  // the timer still renews
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(parameter));
  WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  WTSUnRegisterSessionNotification(window);
  DestroyWindow(window);
  return 0;
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
  // No press is known yet; of the modifiers, the ones the system holds now.
  g_presses = {};
  g_presses.modifiers = 15;
  ForgetReleasedModifiers(g_presses, SystemHolds);
  g_newPress = start->newPress;
  const HHOOK installed = SetKeyboardHook(procedure);
  start->installed = installed != nullptr;
  start->error = installed ? ERROR_SUCCESS : GetLastError();
  SetEvent(start->done);
  if (!installed) return 0;

  RenewedHook hook(procedure, installed, seam);
  const UINT_PTR timer = SetTimer(nullptr, 0, kHookRenewalPeriodMs, nullptr);
  DWORD notifierId = 0;
  const UniqueHandle notifier(CreateThread(
      nullptr, 0, NotificationThread,
      reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(GetCurrentThreadId())), 0, &notifierId));
  // The system calls the hook from inside GetMessageW; the thread's own
  // messages are its timer, kHookMayBeLost and WM_QUIT.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == kHookMayBeLost) {
      // Keys went up unseen while the session was elsewhere or the machine slept.
      ForgetReleasedKeys(g_presses, SystemHolds);
      hook.Renew();
    } else if (message.message == WM_TIMER) {
      hook.Renew();
    }
  }
  if (notifier) EndThread(notifier.get(), notifierId);
  KillTimer(nullptr, timer);
  return 0;
}

}  // namespace

KeyboardHook::~KeyboardHook() { Remove(); }

bool KeyboardHook::Install(HOOKPROC procedure, NewPressTest newPress, HookRenewalSeam seam) {
  if (thread_) return true;
  UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) return false;
  HookStart start{procedure, newPress, seam, done.get()};
  DWORD threadId = 0;
  UniqueHandle thread(CreateThread(nullptr, 0, HookThread, &start, 0, &threadId));
  if (!thread) return false;
  const HANDLE doneOrEnded[] = {done.get(), thread.get()};
  WaitForMultipleObjects(2, doneOrEnded, FALSE, INFINITE);
  if (!start.installed) {
    WaitForSingleObject(thread.get(), INFINITE);
    thread.reset();
    // Nothing may run between here and the return: the caller reads
    // GetLastError() for its error message.
    SetLastError(start.error != ERROR_SUCCESS ? start.error : ERROR_GEN_FAILURE);
    return false;
  }
  thread_ = std::move(thread);
  threadId_ = threadId;
  OutputDebugStringW(L"Hushpad: Disabled the Windows key.\n");
  return true;
}

void KeyboardHook::Remove() noexcept {
  if (!thread_) return;
  EndThread(thread_.get(), threadId_);
  thread_.reset();
  OutputDebugStringW(L"Hushpad: Re-enabled the Windows key.\n");
}
