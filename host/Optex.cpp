#include "host/Optex.h"

#include <string>

namespace {

// -1 until tested, then 1 on a single-processor machine and 0 otherwise.
volatile LONG gSingleProcessor = -1;

volatile LONG gFailEvents = 0;

// How long a thread without an event sleeps between attempts to take the lock.
const DWORD kPollMs = 1;

}  // namespace

void Optex::SetEventFailureForTesting(bool fail) {
    InterlockedExchange(&gFailEvents, fail ? 1 : 0);
}

// A wait on a null handle fails at once, which would let a waiter take a lock that another
// thread still owns; a missing event is therefore noted and waits poll instead.
HANDLE Optex::Checked(HANDLE event) {
    if (event != nullptr && gFailEvents != 0) {
        CloseHandle(event);
        return nullptr;
    }
    return event;
}

bool Optex::IsSingleProcessor() {
    if (gSingleProcessor == -1) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        InterlockedExchange(&gSingleProcessor, info.dwNumberOfProcessors == 1 ? 1 : 0);
    }
    return gSingleProcessor == 1;
}

Optex::Optex(DWORD spinCount) {
    IsSingleProcessor();
    InitLocal(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    SetSpinCount(spinCount);
}

Optex::Optex(const char* name, DWORD spinCount) {
    IsSingleProcessor();
    if (name == nullptr) {
        InitLocal(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        SetSpinCount(spinCount);
        return;
    }
    std::string eventName = std::string("Optex_Event_") + name;
    std::string mappingName = std::string("Optex_MMF_") + name;
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, eventName.c_str());
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedBlock), mappingName.c_str());
    InitShared(event, mapping);
    SetSpinCount(spinCount);
}

Optex::Optex(const wchar_t* name, DWORD spinCount) {
    IsSingleProcessor();
    if (name == nullptr) {
        InitLocal(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        SetSpinCount(spinCount);
        return;
    }
    std::wstring eventName = std::wstring(L"Optex_Event_") + name;
    std::wstring mappingName = std::wstring(L"Optex_MMF_") + name;
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, eventName.c_str());
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(SharedBlock), mappingName.c_str());
    InitShared(event, mapping);
    SetSpinCount(spinCount);
}

void Optex::InitLocal(HANDLE event) {
    // The object's own block is zero-filled: free, no owner, spin count 0 until SetSpinCount.
    event_ = Checked(event);
    block_ = &localBlock_;
}

void Optex::InitShared(HANDLE event, HANDLE mapping) {
    event_ = Checked(event);
    // Other processes sleep on the named event and are woken through it, so a process without
    // it cannot share the block.
    if (event_ == nullptr && mapping != nullptr) {
        CloseHandle(mapping);
        mapping = nullptr;
    }
    if (mapping != nullptr) {
        // A fresh page-file mapping is zero-filled; a mapping another process created already
        // holds the live state, which is exactly what sharing wants.
        block_ = static_cast<SharedBlock*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SharedBlock)));
        if (block_ != nullptr) {
            mapping_ = mapping;
            return;
        }
        CloseHandle(mapping);
    }
    // Without a shared block the lock still serializes this process's threads rather than
    // leaving them unguarded.
    block_ = &localBlock_;
}

Optex::~Optex() {
    if (event_ != nullptr)
        CloseHandle(event_);
    if (mapping_ != nullptr) {
        UnmapViewOfFile(const_cast<SharedBlock*>(block_));
        CloseHandle(mapping_);
    }
}

void Optex::SetSpinCount(DWORD spinCount) {
    if (!IsSingleProcessor())
        InterlockedExchange(&block_->spinCount, static_cast<LONG>(spinCount));
}

bool Optex::TryEnter() {
    DWORD self = GetCurrentThreadId();
    LONG attempts = block_->spinCount + 1;
    for (LONG i = 0; i < attempts; ++i) {
        if (InterlockedCompareExchange(&block_->lockCount, 1, 0) == 0) {
            block_->owner = self;
            block_->recursion = 1;
            return true;
        }
        if (block_->owner == self) {
            InterlockedIncrement(&block_->lockCount);
            block_->recursion = block_->recursion + 1;
            return true;
        }
        YieldProcessor();
    }
    return false;
}

void Optex::Enter() {
    if (TryEnter())
        return;
    if (event_ == nullptr) {
        // Every user of this block polls (it is never shared without an event), so no one
        // counts on a signal from this thread.
        while (!TryEnter())
            Sleep(kPollMs);
        return;
    }
    DWORD self = GetCurrentThreadId();
    if (InterlockedIncrement(&block_->lockCount) != 1) {
        if (block_->owner == self) {
            block_->recursion = block_->recursion + 1;
            return;
        }
        // The releasing thread signals once per waiter it sees counted, so this wait ends with
        // the lock handed over.
        WaitForSingleObject(event_, INFINITE);
    }
    block_->owner = self;
    block_->recursion = 1;
}

void Optex::Leave() {
    if (block_->owner != GetCurrentThreadId())
        return;
    block_->recursion = block_->recursion - 1;
    if (block_->recursion > 0) {
        InterlockedDecrement(&block_->lockCount);
        return;
    }
    block_->owner = 0;
    if (InterlockedDecrement(&block_->lockCount) > 0 && event_ != nullptr)
        SetEvent(event_);
}

int Optex::OwnedDepth() const {
    return block_->owner == GetCurrentThreadId() ? static_cast<int>(block_->recursion) : 0;
}

void Optex::LeaveTo(int depth) {
    while (OwnedDepth() > depth)
        Leave();
}

TimedOptexLock::TimedOptexLock(Optex& optex, unsigned long waitMs) : optex_(optex) {
    DWORD start = GetTickCount();
    while (!(held_ = optex_.TryEnter()) && GetTickCount() - start < waitMs)
        Sleep(20);
}
