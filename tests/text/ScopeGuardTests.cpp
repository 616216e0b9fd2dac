#include "text/ScopeGuard.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <stdexcept>
#include <string>

namespace {

std::wstring g_calls;

BOOL WINAPI Record(void *argument) {
    g_calls += argument ? *static_cast<const wchar_t *>(argument) : L'0';
    return TRUE;
}

BOOL WINAPI Throw(void *) { throw std::runtime_error("release failed"); }

TEST(ScopeGuard, CallsOnceAtScopeEndInReverseOrder) {
    g_calls.clear();
    wchar_t a = L'a', b = L'b';
    {
        ScopeGuard first(Record, &a);
        ScopeGuard second(Record, &b);
        ScopeGuard none(Record, nullptr);
        EXPECT_EQ(g_calls, L"");
    }
    EXPECT_EQ(g_calls, L"0ba");
}

TEST(ScopeGuard, CallsWhileAnExceptionUnwinds) {
    g_calls.clear();
    wchar_t a = L'a';
    try {
        ScopeGuard guard(Record, &a);
        throw std::runtime_error("failure");
    } catch (const std::runtime_error &) {
        EXPECT_EQ(g_calls, L"a");
    }
}

TEST(ScopeGuard, SwallowsAnExceptionFromTheCallAndCanBeDismissed) {
    g_calls.clear();
    wchar_t a = L'a';
    EXPECT_NO_THROW({ ScopeGuard guard(Throw, nullptr); });
    {
        ScopeGuard guard(Record, &a);
        guard.Dismiss();
    }
    EXPECT_EQ(g_calls, L"");
}

TEST(ScopeGuard, ReleasesRealHandles) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    HANDLE duplicate = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &duplicate, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    {
        ScopeGuard closeEvent(CloseHandle, event);
        ScopeGuard freeNothing(LocalFree, nullptr);
        ScopeGuard trace(OutputDebugStringW, L"scope guard test\n");
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(event, &flags));
    EXPECT_TRUE(CloseHandle(duplicate));
}

} // namespace
