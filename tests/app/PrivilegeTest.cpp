// Copies of one user at two privilege levels: the objects they share stay
// open to both, and a copy that the primary's hook cannot serve keeps its own.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "Harness.h"
#include "res/resource.h"

namespace {

std::wstring SidText(PSID sid) {
  wchar_t* text = nullptr;
  std::wstring result = ConvertSidToStringSidW(sid, &text) ? text : L"(unreadable SID)";
  LocalFree(text);
  return result;
}

std::wstring OwnUserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  const UniqueHandle owned(token);
  alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  return SidText(reinterpret_cast<TOKEN_USER*>(user)->User.Sid);
}

// Whom the object's DACL lets in, in its order; anything but a plain grant
// shows as such.
Lines Grantees(HANDLE object) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!object || GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {L"(unreadable)"};
  }
  Lines grantees;
  if (!dacl) grantees.push_back(L"(no DACL: everyone)");
  for (WORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    grantees.push_back(ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? SidText(&ace->SidStart)
                                                                      : L"(not a grant)");
  }
  LocalFree(descriptor);
  return grantees;
}

}  // namespace

TEST(Privileges, SharedObjectsLetInTheUserAndSystemOnly) {
  // Wine keeps no mandatory labels, so the medium label the objects also get
  // cannot be read back here.
  const Lines expected{OwnUserSid(), L"S-1-5-18"};
  Probe probe;
  // Holds the "-app" mutex for a while once the role and the state are made.
  Hushpad hushpad(L"--manual " + probe.CommandLine(), L"ChooseStartRole:0:3000");
  // The role's mutex comes last.
  UniqueHandle app, primary, state;
  ASSERT_TRUE(Eventually(
      [&] {
        primary.reset(OpenMutexW(READ_CONTROL, FALSE, kPrimaryMutexName));
        return static_cast<bool>(primary);
      },
      kTimeoutMs));
  app.reset(OpenMutexW(READ_CONTROL, FALSE, kAppMutexName));
  state.reset(OpenFileMappingW(READ_CONTROL, FALSE, kSharedStateName));
  EXPECT_EQ(Grantees(app.get()), expected) << "-app";
  EXPECT_EQ(Grantees(primary.get()), expected) << "-primary";
  EXPECT_EQ(Grantees(state.get()), expected) << "-state";

  const HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);
  UniqueHandle manual(OpenMutexW(READ_CONTROL, FALSE, kManualMutexName));
  EXPECT_EQ(Grantees(manual.get()), expected) << "-manual";
  PressButton(dialog, IDC_REENABLE);
  EXPECT_TRUE(hushpad.ExitsWithZero());
}

TEST(Privileges, ACopyAboveThePrimaryKeepsAHookOfItsOwn) {
  // Wine runs every process at high integrity: the test build reports the
  // level it is given instead.
  const auto startAt = [](const wchar_t* level, const std::wstring& arguments) {
    SetEnvironmentVariableW(kIntegrityVariable, level);
    auto hushpad = std::make_unique<Hushpad>(arguments);
    SetEnvironmentVariableW(kIntegrityVariable, nullptr);
    return hushpad;
  };
  const std::wstring medium = std::to_wstring(SECURITY_MANDATORY_MEDIUM_RID);
  const std::wstring high = std::to_wstring(SECURITY_MANDATORY_HIGH_RID);
  Probe probeP, probeSame, probeAbove;
  auto primary = startAt(medium.c_str(), probeP.CommandLine());
  ASSERT_TRUE(primary->WaitForTrace(LaunchingTrace(probeP.CommandLine())));
  auto same = startAt(medium.c_str(), probeSame.CommandLine());
  auto above = startAt(high.c_str(), probeAbove.CommandLine());
  ASSERT_TRUE(above->WaitForTrace(LaunchingTrace(probeAbove.CommandLine())));
  ASSERT_TRUE(same->WaitForTrace(LaunchingTrace(probeSame.CommandLine())));
  probeAbove.Release();
  probeSame.Release();
  ASSERT_TRUE(above->ExitsWithZero());
  ASSERT_TRUE(same->ExitsWithZero());
  EXPECT_EQ(above->Traces(),
            (Lines{DeferringTrace(primary->Pid()), kSuppressed[0],
                   LaunchingTrace(probeAbove.CommandLine()), kRestored[1], kExited}));
  EXPECT_EQ(same->Traces(), (Lines{DeferringTrace(primary->Pid()),
                                   LaunchingTrace(probeSame.CommandLine()), kExited}));
  probeP.Release();
  EXPECT_TRUE(primary->ExitsWithZero());
}
