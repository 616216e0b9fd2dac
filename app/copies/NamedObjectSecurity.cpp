#include "app/copies/NamedObjectSecurity.h"

#include <aclapi.h>

#include "app/FaultPoints.h"
#include "text/UniqueHandle.h"

namespace {

UniqueHandle OpenOwnToken() noexcept {
  HANDLE token = nullptr;
  return UniqueHandle(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) ? token : nullptr);
}

DWORD IntegrityLevelOf(HANDLE token) noexcept {
  alignas(TOKEN_MANDATORY_LABEL) BYTE label[sizeof(TOKEN_MANDATORY_LABEL) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenIntegrityLevel, label, sizeof label, &size)) return 0;
  const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label)->Label.Sid;
  return *GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u);
}

}  // namespace

DWORD ProcessIntegrityLevel() noexcept {
  return HUSHPAD_INTEGRITY_LEVEL(NamedObjectSecurity::ForThisProcess().integrityLevel_);
}

// Built with the other statics, before any thread of ours runs: no guard
// for a first use is needed.
NamedObjectSecurity NamedObjectSecurity::thisProcess_;

NamedObjectSecurity& NamedObjectSecurity::ForThisProcess() noexcept { return thisProcess_; }

NamedObjectSecurity::NamedObjectSecurity() noexcept : error_(Build()) {}

DWORD NamedObjectSecurity::Build() noexcept {
  const UniqueHandle token = OpenOwnToken();
  if (!token) return GetLastError();
  integrityLevel_ = IntegrityLevelOf(token.get());
  alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD userSize = 0;
  DWORD systemSize = sizeof system_;
  auto* dacl = reinterpret_cast<ACL*>(dacl_);
  if (!GetTokenInformation(token.get(), TokenUser, user, sizeof user, &userSize) ||
      !CopySid(sizeof user_, user_, reinterpret_cast<TOKEN_USER*>(user)->User.Sid) ||
      !CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize) ||
      !InitializeAcl(dacl, sizeof dacl_, ACL_REVISION) ||
      !AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, user_) ||
      !AddAccessAllowedAce(dacl, ACL_REVISION, GENERIC_ALL, system_) ||
      !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
      // An elevated token's default owner is the Administrators group.
      !SetSecurityDescriptorOwner(&descriptor_, user_, FALSE) ||
      !SetSecurityDescriptorDacl(&descriptor_, TRUE, dacl, FALSE) ||
      // Nothing inherited from the namespace's directory joins the two.
      !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
    return GetLastError();
  }
  if (integrityLevel_ >= SECURITY_MANDATORY_MEDIUM_RID) {
    auto* sacl = reinterpret_cast<ACL*>(sacl_);
    DWORD labelSize = sizeof mediumLabel_;
    if (!CreateWellKnownSid(WinMediumLabelSid, nullptr, mediumLabel_, &labelSize) ||
        !InitializeAcl(sacl, sizeof sacl_, ACL_REVISION) ||
        !AddMandatoryAce(sacl, ACL_REVISION, 0, SYSTEM_MANDATORY_LABEL_NO_WRITE_UP, mediumLabel_) ||
        !SetSecurityDescriptorSacl(&descriptor_, TRUE, sacl, FALSE)) {
      return GetLastError();
    }
  }
  attributes_.nLength = sizeof attributes_;
  attributes_.lpSecurityDescriptor = &descriptor_;
  attributes_.bInheritHandle = FALSE;
  return ERROR_SUCCESS;
}

DWORD NamedObjectSecurity::CheckExisting(HANDLE object) const noexcept {
  PSID owner = nullptr;
  PACL sacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(object, SE_KERNEL_OBJECT,
                                      OWNER_SECURITY_INFORMATION | LABEL_SECURITY_INFORMATION,
                                      &owner, nullptr, nullptr, &sacl, &descriptor);
  if (error != ERROR_SUCCESS) return error;
  bool trusted = owner && EqualSid(owner, const_cast<BYTE*>(user_));
  // No label counts as medium.
  for (WORD i = 0; trusted && sacl && i < sacl->AceCount; ++i) {
    ACE_HEADER* ace = nullptr;
    if (!GetAce(sacl, i, reinterpret_cast<void**>(&ace)) ||
        ace->AceType != SYSTEM_MANDATORY_LABEL_ACE_TYPE) {
      continue;
    }
    const PSID label = &reinterpret_cast<SYSTEM_MANDATORY_LABEL_ACE*>(ace)->SidStart;
    trusted = *GetSidSubAuthority(label, *GetSidSubAuthorityCount(label) - 1u) >=
              SECURITY_MANDATORY_MEDIUM_RID;
  }
  LocalFree(descriptor);
  return trusted ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}
