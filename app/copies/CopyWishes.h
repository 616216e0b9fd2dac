#pragma once

#include <windows.h>

#include <cstddef>

#include "keys/KeyboardHook.h"

// What each copy of Hushpad asks of the keys. One copy's hook serves all of
// them, so every copy records its wish in the shared state, and that hook
// asks, at each new plain press of a Windows key and at each new Alt+Tab,
// Alt+Esc or Ctrl+Esc, whether any copy that runs wants it swallowed.
//
// A copy wants the keys off all the time, or (--focus) only while a window of
// its program is in front: PROGRAM's process, or with --tree any process of
// its family. Its wish covers the Windows key, and with --task-keys the
// task-switching keys too. With --full-screen, it wants them off only while
// the window in front also fills its monitor (FullScreen.h). Once its run
// is over (its program has ended, or
// its dialog was closed) it wants nothing: the primary may still wait for
// other copies then. A copy counts only while its window exists, so the
// record of a copy that was killed is ignored; a copy with a window but no
// record (one of Hushpad 1.0, whose records are in a layout of their own, or
// one that found no free record) wants the Windows key off, and nothing more.
enum CopyWant : LONG {
  kWantsNothing = 0,
  kWantsKeysOff = 1,
  kWantsKeysOffInFront = 2,
};

// One copy's record, in memory the copies share: only that copy writes it, a
// field at a time and only while its window exists, but for giving it free
// (which takes it back only if no other copy has taken it meanwhile); a hook
// of any copy reads it at any moment.
struct CopyRecord {
  volatile LONG copy;      // the copy's process ID; 0: a free record
  volatile LONG want;      // a CopyWant
  volatile LONG program;   // PROGRAM's process ID, once it runs
  volatile LONG family;    // nonzero: PROGRAM's family is followed in FamilyJobName's job
  volatile LONG taskKeys;  // nonzero: the wish covers the task-switching keys (--task-keys)
  // Nonzero: only while a full-screen window is in front (--full-screen).
  volatile LONG fullScreen;
};
inline constexpr size_t kCopyRecords = 32;

// A record as one read of it saw it.
struct CopyWish {
  DWORD copy;
  LONG want;
  DWORD program;
  bool family;
  bool taskKeys;
  bool fullScreen = false;
};

// Whether a new press of `kind` is swallowed: `running` are the
// process IDs of the copies whose windows exist, `front` the process of the
// window in front (0: none, as while the user switches windows or the secure
// desktop shows), `frontFills` whether that window fills its monitor
// (FillsItsMonitor), `inFamily(wish, front)` whether `front` belongs to the family
// of that copy's program now. A followed family is judged by its members
// alone: PROGRAM is one while it runs, and once it has ended its process ID
// may be given to any other program.
template <typename InFamily>
bool WantsPressSwallowed(PressKind kind, const CopyWish* wishes, size_t wishCount,
                         const DWORD* running, size_t runningCount, DWORD front, bool frontFills,
                         InFamily inFamily) noexcept {
  for (size_t i = 0; i < runningCount; ++i) {
    const CopyWish* wish = nullptr;
    for (size_t j = 0; j < wishCount && !wish; ++j) {
      if (wishes[j].copy == running[i]) wish = &wishes[j];
    }
    if (!wish) {
      if (kind == PressKind::WindowsKey) return true;
      continue;
    }
    if (kind == PressKind::TaskKey && !wish->taskKeys) continue;
    if (wish->fullScreen && !frontFills) continue;
    if (wish->want == kWantsKeysOff) return true;
    if (wish->want == kWantsKeysOffInFront && front != 0 &&
        (wish->family ? inFamily(*wish, front) : wish->program == front)) {
      return true;
    }
  }
  return false;
}

// The name of the job that follows the family of `program`, started by the
// copy `copy`: one that the copy holding the hook can open.
struct FamilyJobName {
  FamilyJobName(DWORD copy, DWORD program) noexcept;
  wchar_t text[96];
};

// This copy's record, from Enter to the end of the copy.
class CopyEntry {
 public:
  CopyEntry() = default;
  // Leave().
  ~CopyEntry() { Leave(); }
  CopyEntry(const CopyEntry&) = delete;
  CopyEntry& operator=(const CopyEntry&) = delete;

  // Takes a free record among `records` (kCopyRecords of them) for this
  // process, wanting `want`; call it under the "-app" mutex, before this
  // copy's window exists. A record whose copy has no window is free. With no
  // record free, the copy stays unrecorded, which the hook takes for a copy
  // that wants the Windows key off all the time. With `taskKeys`, the wish
  // covers the task-switching keys too; with `fullScreen`, it holds only while
  // a full-screen window is in front.
  void Enter(CopyRecord* records, CopyWant want, bool taskKeys, bool fullScreen) noexcept;
  bool WantsTaskKeys() const noexcept { return taskKeys_; }
  bool InFront() const noexcept { return record_ && record_->want == kWantsKeysOffInFront; }
  // PROGRAM runs as `program`; with `family`, its family is followed in
  // FamilyJobName(this process, program)'s job.
  void SetProgram(DWORD program, bool family) noexcept;
  void Want(CopyWant want) noexcept;
  // Gives the record free, unless another copy has taken it since this
  // copy's window was destroyed.
  void Leave() noexcept;

 private:
  CopyRecord* record_ = nullptr;
  bool taskKeys_ = false;
};

// The hook's NewPressTest: WantsPressSwallowed for the records at `context`
// (kCopyRecords CopyRecords), the copies' windows and the window in front.
bool SwallowsNewPress(void* context, PressKind kind) noexcept;
