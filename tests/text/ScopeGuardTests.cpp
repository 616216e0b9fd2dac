#include "text/ScopeGuard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

namespace {

std::wstring g_calls;

BOOL WINAPI Record(void* argument) {
  g_calls += argument ? *static_cast<const wchar_t*>(argument) : L'0';
  return TRUE;
}

BOOL WINAPI Throw(void*) { throw std::runtime_error("release failed"); }

TEST(ScopeGuard, CallsOnceAtScopeEndInReverseOrder_UnlessDismissed) {
  g_calls.clear();
  wchar_t a = L'a', b = L'b', c = L'c';
  {
    ScopeGuard first(Record, &a);
    ScopeGuard second(Record, &b);
    ScopeGuard none(Record, nullptr);
    ScopeGuard dismissed(Record, &c);
    dismissed.Dismiss();
    EXPECT_EQ(g_calls, L"");
  }
  EXPECT_EQ(g_calls, L"0ba");
}

TEST(ScopeGuard, CallsWhileAnExceptionUnwinds_AndSwallowsOneFromTheCall) {
  g_calls.clear();
  wchar_t a = L'a';
  EXPECT_THROW(
      {
        ScopeGuard guard(Record, &a);
        ScopeGuard throwing(Throw, nullptr);
        throw std::logic_error("failure");
      },
      std::logic_error);
  EXPECT_EQ(g_calls, L"a");
  EXPECT_NO_THROW({ ScopeGuard guard(Throw, nullptr); });
}

TEST(ScopeGuard, ReleasesRealHandles) {
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(event, nullptr);
  {
    ScopeGuard closeEvent(CloseHandle, event);
    ScopeGuard freeNothing(LocalFree, nullptr);
    ScopeGuard trace(OutputDebugStringW, L"scope guard test\n");
  }
  DWORD flags = 0;
  EXPECT_FALSE(GetHandleInformation(event, &flags));
}

}  // namespace
