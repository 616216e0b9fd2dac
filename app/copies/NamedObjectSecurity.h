#pragma once

#include <windows.h>

// The mandatory integrity level of this process: the last part of its token's
// label, SECURITY_MANDATORY_MEDIUM_RID for an ordinary program and
// SECURITY_MANDATORY_HIGH_RID for one run as administrator; 0 when it cannot
// be read.
DWORD ProcessIntegrityLevel() noexcept;

// How every named object that the copies of Hushpad share is created: owned
// by the user's own account, full access for that account and for SYSTEM,
// nobody else, and a medium mandatory label with no-write-up. Without it, an object that a copy run
// as administrator creates would have that token's defaults: a DACL for the Administrators group
// (which the user's ordinary token holds for denial only) and a high label, and every ordinary copy
// of the same user would be locked out. The account is the user SID of the token, which an elevated
// and an ordinary token of one sign-in share; not its owner, which for an elevated token is the
// Administrators group.
//
// A process below medium integrity cannot set a medium label; its objects get
// no label of ours, which leaves them at its own level.
//
// When an object of the name exists already, the system ignores the
// descriptor given for it and opens that one, whoever made it: another
// account of the session, or a program of the user's own running at low
// integrity, could make every copy hang or feed them settings of its choice.
// So an object that existed is used only after CheckExisting.
class NamedObjectSecurity {
 public:
  // This process's: built once, from its token, as the program starts.
  static NamedObjectSecurity& ForThisProcess() noexcept;
  NamedObjectSecurity(const NamedObjectSecurity&) = delete;
  NamedObjectSecurity& operator=(const NamedObjectSecurity&) = delete;

  // 0, or why the descriptor could not be built: the object must then be
  // reported as not created, with this code, rather than created without it.
  DWORD Error() const noexcept { return error_; }
  // For CreateMutexW and its kin; valid while this object lives.
  SECURITY_ATTRIBUTES* Attributes() noexcept { return &attributes_; }
  // For an object that existed before its creation was asked for (the
  // creation's last error was ERROR_ALREADY_EXISTS): 0 when the user's own
  // account owns it and its mandatory label, if any, is not below medium;
  // otherwise ERROR_ACCESS_DENIED, or why its security cannot be read. Needs
  // READ_CONTROL on `object`.
  DWORD CheckExisting(HANDLE object) const noexcept;

 private:
  friend DWORD ProcessIntegrityLevel() noexcept;
  NamedObjectSecurity() noexcept;
  DWORD Build() noexcept;

  static constexpr DWORD kAclSize =
      sizeof(ACL) + 2 * (sizeof(ACCESS_ALLOWED_ACE) + SECURITY_MAX_SID_SIZE);
  BYTE user_[SECURITY_MAX_SID_SIZE] = {};
  BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  BYTE mediumLabel_[SECURITY_MAX_SID_SIZE] = {};
  alignas(DWORD) BYTE dacl_[kAclSize] = {};
  alignas(DWORD) BYTE sacl_[kAclSize] = {};
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  DWORD integrityLevel_ = 0;  // the token's, 0 when it cannot be read
  DWORD error_;
  static NamedObjectSecurity thisProcess_;
};
