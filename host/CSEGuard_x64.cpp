// CSE::Guard on x86_64: a scope in the unwind table of RpRunWithFaultFilter (CSEFilter_x64.c).
#include "host/CSE.h"

#include "host/CSEFilter_x64.h"
#include "host/CSELocks.h"

namespace {

// Puts the outer guard's slot back on every way out, C++ exceptions from the body included.
class CurrentSlotScope {
public:
    explicit CurrentSlotScope(RpFaultSlot* slot) : slot_(slot) {
        slot_->outer = RpCurrentFaultSlot();
        RpSetCurrentFaultSlot(slot_);
    }
    ~CurrentSlotScope() { RpSetCurrentFaultSlot(slot_->outer); }
    CurrentSlotScope(const CurrentSlotScope&) = delete;
    CurrentSlotScope& operator=(const CurrentSlotScope&) = delete;

private:
    RpFaultSlot* slot_;
};

int IsFault(DWORD code) {
    return CSE::IsProcessorFault(code) ? 1 : 0;
}

}  // namespace

void CSE::Guard(void (*body)(void*), void* arg) {
    RpIsProcessorFault = &IsFault;
    cse::LockSnapshot locks;
    cse::SnapshotLocks(locks);
    alignas(16) RpFaultSlot slot;
    int faulted;
    {
        CurrentSlotScope current(&slot);
        faulted = RpRunWithFaultFilter(body, arg);
    }
    if (!faulted)
        return;
    cse::ReleaseLocks(locks);
    cse::ThrowFault(slot.record, slot.context);
}
