// Copies of one user at two privilege levels: the objects they share are the
// user's, and a copy above medium keeps a hook of its own.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/copies/NamedObjectSecurity.h"
#include "Harness.h"
#include "res/resource.h"

namespace {

std::wstring OwnUserSid() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  const UniqueHandle owned(token);
  alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE] = {};
  DWORD size = 0;
  wchar_t* text = nullptr;
  GetTokenInformation(token, TokenUser, user, sizeof user, &size);
  ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &text);
  const std::wstring sid = text ? text : L"(unreadable)";
  LocalFree(text);
  return sid;
}

// A security descriptor's owner and DACL as SDDL ("O:...D:P(A;;GA;;;...)").
std::wstring Sddl(PSECURITY_DESCRIPTOR descriptor) {
  constexpr SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
  wchar_t* text = nullptr;
  std::wstring sddl = descriptor && ConvertSecurityDescriptorToStringSecurityDescriptorW(
                                        descriptor, SDDL_REVISION_1, parts, &text, nullptr)
                          ? text
                          : L"(unreadable)";
  LocalFree(text);
  return sddl;
}

// A named object's owner and DACL.
std::wstring ObjectSddl(HANDLE object) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (object) {
    GetSecurityInfo(object, SE_KERNEL_OBJECT,
                    OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, nullptr, nullptr,
                    nullptr, nullptr, &descriptor);
  }
  const std::wstring sddl = Sddl(descriptor);
  LocalFree(descriptor);
  return sddl;
}

}  // namespace

TEST(Privileges, SharedObjectsAreTheUsersAndLetInTheUserAndSystemOnly) {
  // The user owns them, and only the user and SYSTEM get in, whatever they
  // inherit. Wine keeps no mandatory labels: the medium label with
  // no-write-up is read back from the descriptor the objects are made with.
  const std::wstring user = OwnUserSid(),
                     expected = L"O:" + user + L"D:P(A;;GA;;;" + user + L")(A;;GA;;;SY)";
  const PSECURITY_DESCRIPTOR descriptor =
      NamedObjectSecurity::ForThisProcess().Attributes()->lpSecurityDescriptor;
  EXPECT_EQ(Sddl(descriptor), expected);
  PACL sacl = nullptr;
  BOOL present = FALSE, defaulted = FALSE;
  SYSTEM_MANDATORY_LABEL_ACE* label = nullptr;
  ASSERT_TRUE(GetSecurityDescriptorSacl(descriptor, &present, &sacl, &defaulted) && sacl &&
              sacl->AceCount == 1 && GetAce(sacl, 0, reinterpret_cast<void**>(&label)));
  EXPECT_EQ(label->Header.AceType, SYSTEM_MANDATORY_LABEL_ACE_TYPE);
  EXPECT_EQ(label->Mask, SYSTEM_MANDATORY_LABEL_NO_WRITE_UP);
  EXPECT_EQ(*GetSidSubAuthority(&label->SidStart, 0), SECURITY_MANDATORY_MEDIUM_RID);
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
  EXPECT_EQ(ObjectSddl(app.get()), expected) << "-app";
  EXPECT_EQ(ObjectSddl(primary.get()), expected) << "-primary";
  EXPECT_EQ(ObjectSddl(state.get()), expected) << "-state";

  const HWND dialog = WaitForManualDialog(hushpad.Pid());
  ASSERT_NE(dialog, nullptr);
  UniqueHandle manual(OpenMutexW(READ_CONTROL, FALSE, kManualMutexName));
  EXPECT_EQ(ObjectSddl(manual.get()), expected) << "-manual";
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
  const std::wstring ownHook = kSuppressed[0];
  for (const bool mediumCopy : {true, false}) {
    SCOPED_TRACE(mediumCopy ? "a medium copy takes over" : "the elevated copy takes over");
    Probe probeP, probeM, probeE;
    auto p = std::make_unique<Hushpad>(probeP.CommandLine(), L"", SECURITY_MANDATORY_HIGH_RID);
    ASSERT_TRUE(p->WaitForTrace(LaunchingTrace(probeP.CommandLine())));
    std::unique_ptr<Hushpad> m;
    if (mediumCopy) {
      m = std::make_unique<Hushpad>(probeM.CommandLine(), L"", SECURITY_MANDATORY_MEDIUM_RID);
      ASSERT_TRUE(m->WaitForTrace(LaunchingTrace(probeM.CommandLine())));
    }
    auto e = std::make_unique<Hushpad>(probeE.CommandLine(), L"InstallOwnHook:0:1500",
                                       SECURITY_MANDATORY_HIGH_RID);
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
