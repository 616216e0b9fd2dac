#include "app/launch/ProgramFamily.h"

#include "app/copies/NamedObjectSecurity.h"
#include "app/FaultPoints.h"

DWORD FollowFamily(HANDLE process, ProgramFamily& family, const wchar_t* name) noexcept {
  UniqueHandle job;
  if (name) {
    NamedObjectSecurity& security = NamedObjectSecurity::ForThisProcess();
    if (security.Error()) return security.Error();
    job.reset(CreateJobObjectW(security.Attributes(), name));
    // Another family's job: the name must lead to this family alone.
    if (job && GetLastError() == ERROR_ALREADY_EXISTS) return ERROR_ALREADY_EXISTS;
  } else {
    job.reset(CreateJobObjectW(nullptr, nullptr));
  }
  if (!job) return GetLastError();
  UniqueHandle port(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  if (!port) return GetLastError();

  JOBOBJECT_ASSOCIATE_COMPLETION_PORT notifications{};
  notifications.CompletionKey = job.get();
  notifications.CompletionPort = port.get();
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_BREAKAWAY_OK;
  if (!SetInformationJobObject(job.get(), JobObjectAssociateCompletionPortInformation,
                               &notifications, sizeof notifications) ||
      !SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits) ||
      HUSHPAD_FAULT_POINT(AssignProcessToJobObject) ||
      !AssignProcessToJobObject(job.get(), process)) {
    return GetLastError();
  }
  family.job = std::move(job);
  family.port = std::move(port);
  return ERROR_SUCCESS;
}
