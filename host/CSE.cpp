#include "host/CSE.h"

#include <float.h>

#include <cstring>

#include "host/CSELocks.h"
#include "host/Optex.h"

namespace {

using cse::kMaxLocks;

// Registered locks. Written at library start and before shutdown, read by every guard; slots
// change with interlocked exchanges so a guard never sees a torn pointer.
Optex* volatile gOptexes[kMaxLocks];
CRITICAL_SECTION* volatile gSections[kMaxLocks];

bool OwnsSection(const CRITICAL_SECTION* section) {
    return reinterpret_cast<ULONG_PTR>(section->OwningThread) == GetCurrentThreadId();
}

template <class T>
void AddLock(T* volatile* slots, T* lock) {
    for (int i = 0; i < kMaxLocks; ++i) {
        if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&slots[i]), lock, nullptr) == nullptr)
            return;
    }
}

template <class T>
void RemoveLock(T* volatile* slots, T* lock) {
    for (int i = 0; i < kMaxLocks; ++i)
        InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&slots[i]), nullptr, lock);
}

}  // namespace

namespace cse {

void SnapshotLocks(LockSnapshot& snapshot) {
    for (int i = 0; i < kMaxLocks; ++i) {
        snapshot.optexes[i] = gOptexes[i];
        snapshot.optexDepths[i] = snapshot.optexes[i] ? snapshot.optexes[i]->OwnedDepth() : 0;
        snapshot.sections[i] = gSections[i];
        snapshot.sectionDepths[i] =
            snapshot.sections[i] && OwnsSection(snapshot.sections[i]) ? snapshot.sections[i]->RecursionCount : 0;
    }
}

void ReleaseLocks(const LockSnapshot& snapshot) {
    for (int i = 0; i < kMaxLocks; ++i) {
        if (snapshot.optexes[i])
            snapshot.optexes[i]->LeaveTo(snapshot.optexDepths[i]);
        CRITICAL_SECTION* section = snapshot.sections[i];
        while (section && OwnsSection(section) && section->RecursionCount > snapshot.sectionDepths[i])
            LeaveCriticalSection(section);
    }
}

bool IsFloatFault(DWORD code) {
    return (code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW) ||
           code == STATUS_FLOAT_MULTIPLE_FAULTS || code == STATUS_FLOAT_MULTIPLE_TRAPS;
}

void ThrowFault(EXCEPTION_RECORD& record, CONTEXT& context) {
    if (IsFloatFault(record.ExceptionCode))
        _fpreset();
    EXCEPTION_POINTERS info = {&record, &context};
    TranslateStructuredException(record.ExceptionCode, &info);
}

}  // namespace cse

CSE::CSE(const EXCEPTION_RECORD& record, const CONTEXT& context) {
    std::memcpy(&record_, &record, sizeof(record_));
    record_.ExceptionRecord = nullptr;
    std::memcpy(&context_, &context, sizeof(context_));
}

bool CSE::IsProcessorFault(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
            return true;
        default:
            return cse::IsFloatFault(code);
    }
}

void CSE::ReleaseOnFault(Optex* lock) {
    AddLock(gOptexes, lock);
}

void CSE::ReleaseOnFault(CRITICAL_SECTION* lock) {
    AddLock(gSections, lock);
}

void CSE::ForgetLock(Optex* lock) {
    RemoveLock(gOptexes, lock);
}

void CSE::ForgetLock(CRITICAL_SECTION* lock) {
    RemoveLock(gSections, lock);
}

void TranslateStructuredException(unsigned int /*code*/, EXCEPTION_POINTERS* info) {
    throw CSE(*info->ExceptionRecord, *info->ContextRecord);
}
