#include "app/copies/CopyWishes.h"

#include <algorithm>

#include "app/copies/FullScreen.h"
#include "app/copies/InstanceNames.h"
#include "app/FaultPoints.h"
#include "text/UniqueHandle.h"

namespace {

// Calls `visit(process ID)` for the window of every copy that runs, until it
// returns false. Copies of every version have such a window.
template <typename Visit>
void ForEachRunningCopy(Visit visit) noexcept {
  for (HWND window = nullptr;
       (window = FindWindowExW(HWND_MESSAGE, window, kWindowClassName, kWindowTitle)) != nullptr;) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (!visit(processId)) return;
  }
}

bool CopyRuns(DWORD processId) noexcept {
  bool runs = false;
  ForEachRunningCopy([&](DWORD running) {
    runs = running == processId;
    return !runs;
  });
  return runs;
}

CopyWish Read(const CopyRecord& record) noexcept {
  return {static_cast<DWORD>(record.copy),
          record.want,
          static_cast<DWORD>(record.program),
          record.family != 0,
          record.taskKeys != 0,
          record.fullScreen != 0};
}

// Whether `front` is among the processes of that copy's family now. The
// job's list of them needs no access to the process itself, which may run at
// a higher integrity level than this one, or be protected. Of a family larger
// than the list, the part that fits is searched.
bool InFamily(const CopyWish& wish, DWORD front) noexcept {
  const UniqueHandle job(
      OpenJobObjectW(JOB_OBJECT_QUERY, FALSE, FamilyJobName(wish.copy, wish.program).text));
  if (!job) return false;
  constexpr DWORD kListed = 256;
  struct {
    JOBOBJECT_BASIC_PROCESS_ID_LIST list;
    ULONG_PTR more[kListed - 1];
  } members{};
  if (!QueryInformationJobObject(job.get(), JobObjectBasicProcessIdList, &members, sizeof members,
                                 nullptr) &&
      GetLastError() != ERROR_MORE_DATA) {
    return false;
  }
  const ULONG_PTR* const ids = members.list.ProcessIdList;
  const DWORD count = std::min(members.list.NumberOfProcessIdsInList, kListed);
  return std::find(ids, ids + count, ULONG_PTR{front}) != ids + count;
}

}  // namespace

FamilyJobName::FamilyJobName(DWORD copy, DWORD program) noexcept {
  wsprintfW(text, L"Local\\Hushpad-" HUSHPAD_GUID L"-family-%lu-%lu", copy, program);
}

void CopyEntry::Enter(CopyRecord* records, CopyWant want, bool taskKeys, bool fullScreen) noexcept {
  taskKeys_ = taskKeys;
  const DWORD self = GetCurrentProcessId();
  CopyRecord* slot = nullptr;
  for (size_t i = 0; i < kCopyRecords; ++i) {
    const DWORD copy = static_cast<DWORD>(records[i].copy);
    // The record of a killed copy whose process ID this one has now.
    if (copy == self) {
      slot = &records[i];
      break;
    }
    if (!slot && (copy == 0 || !CopyRuns(copy))) slot = &records[i];
  }
  if (!slot) return;
  record_ = slot;
  InterlockedExchange(&record_->want, want);
  InterlockedExchange(&record_->program, 0);
  InterlockedExchange(&record_->family, 0);
  InterlockedExchange(&record_->taskKeys, taskKeys);
  InterlockedExchange(&record_->fullScreen, fullScreen);
  InterlockedExchange(&record_->copy, static_cast<LONG>(self));  // last: now it speaks
}

void CopyEntry::SetProgram(DWORD program, bool family) noexcept {
  if (!record_) return;
  InterlockedExchange(&record_->family, family);
  InterlockedExchange(&record_->program, static_cast<LONG>(program));
}

void CopyEntry::Want(CopyWant want) noexcept {
  if (record_) InterlockedExchange(&record_->want, want);
}

void CopyEntry::Leave() noexcept {
  if (!record_) return;
  // By now this copy's window is gone, and with it its claim on the record:
  // a copy that started meanwhile may have taken it, and keeps it.
  HUSHPAD_PAUSE_POINT(LeaveCopyRecord);
  InterlockedCompareExchange(&record_->copy, 0, static_cast<LONG>(GetCurrentProcessId()));
  record_ = nullptr;
}

bool SwallowsNewPress(void* context, PressKind kind) noexcept {
  const auto* records = static_cast<const CopyRecord*>(context);
  CopyWish wishes[kCopyRecords];
  bool focus = false, fullScreen = false, taskKeys = false;
  for (size_t i = 0; i < kCopyRecords; ++i) {
    wishes[i] = Read(records[i]);
    if (wishes[i].copy == 0) continue;
    focus = focus || wishes[i].want == kWantsKeysOffInFront;
    fullScreen = fullScreen || (wishes[i].fullScreen && wishes[i].want != kWantsNothing);
    taskKeys = taskKeys || (wishes[i].taskKeys && wishes[i].want != kWantsNothing);
  }
  // Without a copy that scopes its wish, every press of a Windows key is
  // swallowed, as it always was; without a copy that asks for them, every
  // task-switching key passes: neither looks further.
  if (kind == PressKind::WindowsKey && !focus && !fullScreen) return true;
  if (kind == PressKind::TaskKey && !taskKeys) return false;
  DWORD running[kCopyRecords];
  size_t runningCount = 0;
  bool unrecorded = false;  // more copies run than records hold
  ForEachRunningCopy([&](DWORD copy) {
    if (runningCount == kCopyRecords) {
      unrecorded = true;
      return false;
    }
    running[runningCount++] = copy;
    return true;
  });
  // A console program's window belongs to its console host, which names the
  // program as the window's owner (ConsoleSetWindowOwner, Windows 7 and
  // later), so it counts as the program's; a terminal's own window does not.
  DWORD front = 0;
  const HWND window = GetForegroundWindow();
  if (window) GetWindowThreadProcessId(window, &front);
  // Read now, at the press: a verdict kept from the last change of the window
  // in front could be stale by a missed event.
  const bool frontFills = fullScreen && FillsItsMonitor(window);
  return (unrecorded && kind == PressKind::WindowsKey) ||
         WantsPressSwallowed(kind, wishes, kCopyRecords, running, runningCount, front, frontFills,
                             InFamily);
}
