// Holds a critical section for the lifetime of the scope, so that an exception thrown while it
// is held (an allocation failing, say) cannot leave it entered.
#pragma once

#include <windows.h>

class SectionLock {
public:
    explicit SectionLock(CRITICAL_SECTION* section) : section_(section) { EnterCriticalSection(section_); }
    ~SectionLock() { LeaveCriticalSection(section_); }
    SectionLock(const SectionLock&) = delete;
    SectionLock& operator=(const SectionLock&) = delete;

private:
    CRITICAL_SECTION* section_;
};
