// Processor faults carried as C++ exceptions.
//
// Why this exists: a fault such as an access violation inside the host's functions (or our own
// code) would otherwise end the host process. The plug-ins want it to end only the callback or
// worker in which it happened. With Microsoft's compiler a per-thread translator turns such a
// fault into a C++ exception; GCC has no such translator, and on 32-bit Windows its C++
// exceptions use DWARF tables that the host's and the system's frames do not have, so nothing
// can be thrown straight through them. CSE::Guard fills the gap, with one implementation per
// processor architecture (CSEGuard_i686.cpp, CSEGuard_x64.cpp) and the same guarantee on each:
//
//  - A structured-exception handler belongs to the guard for the duration of the guarded body:
//    a frame on the thread's handler chain on i686, a scope in the guard function's unwind
//    table on x86_64. Handlers that inner code registered (the system's and the host's own)
//    still see a fault first and may handle it; only a fault that they pass on reaches ours. A
//    vectored handler would see every fault before them and take over faults they expect.
//  - Our handler copies the exception record and processor context, unwinds the inner frames
//    (their termination handlers run) and resumes in the guard's own frame, where the fault is
//    thrown as a CSE from code that has unwind tables. The frames between the guard and the
//    fault are abandoned as a longjmp abandons them: their destructors do not run.
//  - Because of that, a lock taken inside the guarded body would stay held by the faulting
//    thread and every other thread would wait for it forever. Locks registered with
//    ReleaseOnFault are therefore released down to the depth the thread held when the guard was
//    entered (the configuration Optex is one of them). Memory owned by abandoned frames leaks;
//    that is the price of surviving the fault.
//
// Stack overflow is not translated: the guard page is gone after it, and the thread could not
// survive the next one.
#pragma once

#include <windows.h>

#include <type_traits>

class Optex;

class CSE {
public:
    static constexpr DWORD kAccessViolation = EXCEPTION_ACCESS_VIOLATION;

    CSE(const EXCEPTION_RECORD& record, const CONTEXT& context);

    DWORD GetExceptionCode() const { return record_.ExceptionCode; }
    const EXCEPTION_RECORD& GetRecord() const { return record_; }
    const CONTEXT& GetContext() const { return context_; }

    // Runs body(arg) on this thread. A processor fault inside it that no inner handler takes is
    // thrown out of Guard as CSE; C++ exceptions pass through unchanged. Guards nest: the
    // innermost one takes the fault.
    static void Guard(void (*body)(void*), void* arg);
    template <class F>
    static void Guard(F&& body) {
        using Body = typename std::remove_reference<F>::type;
        Guard([](void* p) { (*static_cast<Body*>(p))(); }, static_cast<void*>(&body));
    }

    // Locks that a guard releases after a fault, down to the depth the faulting thread held when
    // it entered the guard. Registered at library start, removed before the lock is destroyed;
    // at most eight of each kind.
    static void ReleaseOnFault(Optex* lock);
    static void ReleaseOnFault(CRITICAL_SECTION* lock);
    static void ForgetLock(Optex* lock);
    static void ForgetLock(CRITICAL_SECTION* lock);

    // True for the exception codes that are translated.
    static bool IsProcessorFault(DWORD code);

private:
    EXCEPTION_RECORD record_;  // record_.ExceptionRecord is cleared: the chain it points to is gone
    CONTEXT context_;
};

// On i686 the record and context have the 32-bit layout that the host's own handlers see; on
// x86_64 CSE carries the native 64-bit ones.
#if defined(__i386__)
static_assert(sizeof(EXCEPTION_RECORD) == 80, "32-bit exception record");
static_assert(sizeof(CONTEXT) == 716, "32-bit processor context");
#endif

// Throws the fault described by info as a CSE; never returns. The guard calls it once it has
// resumed on its own frame.
[[noreturn]] void TranslateStructuredException(unsigned int code, EXCEPTION_POINTERS* info);
