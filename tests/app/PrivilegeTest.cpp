// Copies of one user at two privilege levels: the objects they share are the
// user's and stay open to both, and a copy above medium keeps a hook of its
// own.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "Harness.h"
#include "app/NamedObjectSecurity.h"
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

// A security descriptor as lines: its owner, whether its DACL is protected
// from inheritance, whom the DACL lets in (in its order; anything but a plain
// grant shows as such) and its mandatory labels.
Lines Security(PSECURITY_DESCRIPTOR descriptor) {
  if (!descriptor) return {L"(unreadable)"};
  Lines lines;
  PSID owner = nullptr;
  BOOL defaulted = FALSE, present = FALSE;
  GetSecurityDescriptorOwner(descriptor, &owner, &defaulted);
  lines.push_back(L"owner " + (owner ? SidText(owner) : L"(none)"));
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  GetSecurityDescriptorControl(descriptor, &control, &revision);
  if (control & SE_DACL_PROTECTED) lines.push_back(L"protected");
  PACL dacl = nullptr, sacl = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted);
  if (!dacl) lines.push_back(L"(no DACL: everyone)");
  for (WORD i = 0; dacl && i < dacl->AceCount; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    GetAce(dacl, i, reinterpret_cast<void**>(&ace));
    lines.push_back(ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE ? SidText(&ace->SidStart)
                                                                   : L"(not a grant)");
  }
  GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted);
  for (WORD i = 0; sacl && i < sacl->AceCount; ++i) {
    SYSTEM_MANDATORY_LABEL_ACE* ace = nullptr;
    GetAce(sacl, i, reinterpret_cast<void**>(&ace));
    lines.push_back(L"label " + SidText(&ace->SidStart) +
                    (ace->Mask == SYSTEM_MANDATORY_LABEL_NO_WRITE_UP ? L" no-write-up" : L""));
  }
  return lines;
}

// The owner and DACL of a named object, as Security shows them.
Lines ObjectSecurity(HANDLE object) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!object || GetSecurityInfo(object, SE_KERNEL_OBJECT,
                                 OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
    return {L"(unreadable)"};
  }
  Lines lines = Security(descriptor);
  LocalFree(descriptor);
  return lines;
}

}  // namespace

TEST(Privileges, SharedObjectsAreTheUsersAndLetInTheUserAndSystemOnly) {
  const std::wstring user = OwnUserSid();
  // Wine keeps no mandatory labels: the medium label with no-write-up is read
  // back from the descriptor the objects are created with.
  EXPECT_EQ(
      Security(NamedObjectSecurity::ForThisProcess().Attributes()->lpSecurityDescriptor),
      (Lines{L"owner " + user, L"protected", user, L"S-1-5-18", L"label S-1-16-8192 no-write-up"}));
  const Lines expected{L"owner " + user, L"protected", user, L"S-1-5-18"};
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
  EXPECT_EQ(ObjectSecurity(app.get()), expected) << "-app";
  EXPECT_EQ(ObjectSecurity(primary.get()), expected) << "-primary";
  EXPECT_EQ(ObjectSecurity(state.get()), expected) << "-state";

  const HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);
  UniqueHandle manual(OpenMutexW(READ_CONTROL, FALSE, kManualMutexName));
  EXPECT_EQ(ObjectSecurity(manual.get()), expected) << "-manual";
  PressButton(dialog, IDC_REENABLE);
  EXPECT_TRUE(hushpad.ExitsWithZero());
}

TEST(Privileges, ACopyAboveMediumKeepsAHookOfItsOwnWhoeverThePrimaryIs) {
  // Wine runs every process at high integrity: the test build reports the
  // level it is given instead. An elevated primary P dies while an elevated
  // copy E holds before its own hook: with a medium copy M watching, M takes
  // over, and E keeps its own hook all the same; without M, E takes over,
  // and its own hook is the one the takeover finds.
  WindowsKeyObserver keys(WindowsKeyObserver::Via::FocusedWindow);
  const auto startAt = [](DWORD level, const std::wstring& arguments,
                          const std::wstring& fault = {}) {
    return std::make_unique<Hushpad>(arguments, fault, level);
  };
  const std::wstring ownHook = kSuppressed[0];
  for (const bool mediumCopy : {true, false}) {
    SCOPED_TRACE(mediumCopy ? "a medium copy takes over" : "the elevated copy takes over");
    Probe probeP, probeM, probeE;
    auto p = startAt(SECURITY_MANDATORY_HIGH_RID, probeP.CommandLine());
    ASSERT_TRUE(p->WaitForTrace(LaunchingTrace(probeP.CommandLine())));
    std::unique_ptr<Hushpad> m;
    if (mediumCopy) {
      m = startAt(SECURITY_MANDATORY_MEDIUM_RID, probeM.CommandLine());
      ASSERT_TRUE(m->WaitForTrace(LaunchingTrace(probeM.CommandLine())));
    }
    auto e = startAt(SECURITY_MANDATORY_HIGH_RID, probeE.CommandLine(), L"InstallOwnHook:0:1500");
    ASSERT_TRUE(e->WaitForTrace(DeferringTrace(p->Pid())));
    p->Kill();
    ASSERT_TRUE(e->WaitForTrace(LaunchingTrace(probeE.CommandLine())));
    Hushpad& successor = mediumCopy ? *m : *e;
    ASSERT_TRUE(successor.WaitForTrace(TakingOverTrace(p->Pid())));
    // Wine may let a key pass for a moment after a kill.
    EXPECT_TRUE(Eventually([&] { return !keys.WindowsKeyGetsThrough(10); }, 1000));

    // E's own hook is its first, and only, one; M has none until it takes over.
    const Lines eTraces = e->Traces();
    EXPECT_EQ(Lines(eTraces.begin(), eTraces.begin() + 2),
              (Lines{DeferringTrace(p->Pid()), ownHook}));
    EXPECT_EQ(std::count(eTraces.begin(), eTraces.end(), ownHook), 1);
    if (mediumCopy) {
      EXPECT_EQ(m->Traces(), (Lines{DeferringTrace(p->Pid()), LaunchingTrace(probeM.CommandLine()),
                                    TakingOverTrace(p->Pid()), kSuppressed[0], kSuppressed[1]}));
      probeM.Release();
    }
    probeE.Release();
    ASSERT_TRUE(e->ExitsWithZero());
    EXPECT_EQ(e->Traces().back(), kExited);
    if (m) {
      ASSERT_TRUE(m->ExitsWithZero());
    }
    EXPECT_TRUE(keys.WindowsKeyGetsThrough());
    probeP.Release();
  }
}
