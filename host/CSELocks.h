// The lock bookkeeping that every CSE::Guard implementation shares: which registered locks the
// thread held, and how deeply, when it entered the guard. Internal to host/.
#pragma once

#include <windows.h>

class Optex;

namespace cse {

const int kMaxLocks = 8;

struct LockSnapshot {
    Optex* optexes[kMaxLocks];
    int optexDepths[kMaxLocks];
    CRITICAL_SECTION* sections[kMaxLocks];
    LONG sectionDepths[kMaxLocks];
};

// Records the registered locks and the calling thread's depth in each.
void SnapshotLocks(LockSnapshot& snapshot);

// Leaves every lock of the snapshot down to the depth recorded in it. Runs on the thread that
// took the snapshot, after a fault abandoned the frames that entered the locks.
void ReleaseLocks(const LockSnapshot& snapshot);

bool IsFloatFault(DWORD code);

// Resets the floating-point unit after a float fault, then throws the fault as a CSE.
[[noreturn]] void ThrowFault(EXCEPTION_RECORD& record, CONTEXT& context);

}  // namespace cse
