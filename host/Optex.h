// A recursive lock that spins before it blocks, optionally shared between processes by name.
//
// Its state lives in a 16-byte block: spin count, lock count (threads that hold or wait for the
// lock), owning thread id (0 when free) and recursion count. A process-local instance allocates
// the block; a named instance maps it from the page file under "Optex_MMF_<name>" and waits on
// the auto-reset event "Optex_Event_<name>", so every process that uses the same name shares one
// lock. Thread ids are unique across processes, so ownership holds across them too.
#pragma once

#include <windows.h>

class Optex {
public:
    static constexpr DWORD kDefaultSpinCount = 4000;

    // Process-local lock.
    explicit Optex(DWORD spinCount = kDefaultSpinCount);
    // Named lock shared by every process that uses the same name; a null name gives a
    // process-local lock.
    Optex(const char* name, DWORD spinCount = kDefaultSpinCount);
    Optex(const wchar_t* name, DWORD spinCount = kDefaultSpinCount);
    ~Optex();

    Optex(const Optex&) = delete;
    Optex& operator=(const Optex&) = delete;

    void Enter();
    // True when the lock was acquired (or re-entered by its owner) without blocking.
    bool TryEnter();
    // Releases one level. A call from a thread that does not own the lock does nothing.
    void Leave();
    // Spin attempts before blocking; ignored on a single-processor machine, where spinning
    // cannot help.
    void SetSpinCount(DWORD spinCount);

    // How many levels the calling thread holds (0 when it is not the owner).
    int OwnedDepth() const;
    // Leaves until the calling thread holds `depth` levels. Used to release what a thread still
    // holds after a processor fault cut its normal Leave calls off.
    void LeaveTo(int depth);

    // False when a named instance could not map its shared block or create its event and fell
    // back to a block of its own: the lock then still works inside this process but is not shared.
    bool IsShared() const { return mapping_ != nullptr; }
    // False when no event could be created. Blocked threads then wait by polling instead of
    // sleeping on the event, so the lock still never has two owners.
    bool WaitsOnEvent() const { return event_ != nullptr; }

    // For tests: while set, instances constructed act as if the event could not be created.
    static void SetEventFailureForTesting(bool fail);

private:
    struct SharedBlock {
        volatile LONG spinCount;
        volatile LONG lockCount;
        volatile DWORD owner;
        volatile LONG recursion;
    };
    static_assert(sizeof(SharedBlock) == 16, "the block is shared with other processes");

    void InitLocal(HANDLE event);
    void InitShared(HANDLE event, HANDLE mapping);
    static HANDLE Checked(HANDLE event);
    static bool IsSingleProcessor();

    // The block of a process-local instance lives in the object itself, so it cannot fail to
    // be allocated.
    SharedBlock localBlock_ = {};
    SharedBlock* block_ = &localBlock_;
    HANDLE event_ = nullptr;
    HANDLE mapping_ = nullptr;  // only for a named instance whose block is shared
};

// Holds an Optex for the lifetime of the scope.
class OptexLock {
public:
    explicit OptexLock(Optex& optex) : optex_(optex) { optex_.Enter(); }
    ~OptexLock() { optex_.Leave(); }
    OptexLock(const OptexLock&) = delete;
    OptexLock& operator=(const OptexLock&) = delete;

private:
    Optex& optex_;
};

// Holds an Optex when it could be taken within waitMs: for the user-interface thread, which must
// never wait behind a worker without bound (the worker may be inside a host call that needs this
// very thread).
class TimedOptexLock {
public:
    TimedOptexLock(Optex& optex, unsigned long waitMs);
    ~TimedOptexLock() {
        if (held_)
            optex_.Leave();
    }
    TimedOptexLock(const TimedOptexLock&) = delete;
    TimedOptexLock& operator=(const TimedOptexLock&) = delete;
    bool Held() const { return held_; }

private:
    Optex& optex_;
    bool held_ = false;
};
