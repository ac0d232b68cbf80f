#include "host/CSE.h"

#include <excpt.h>
#include <float.h>

#include <cstring>

#include "host/Optex.h"

namespace {

const int kMaxLocks = 8;

// Registered locks. Written at library start and before shutdown, read by every guard; slots
// change with interlocked exchanges so a guard never sees a torn pointer.
Optex* volatile gOptexes[kMaxLocks];
CRITICAL_SECTION* volatile gSections[kMaxLocks];

// Register state at the guard's resume point, as setjmp keeps it: the callee-saved registers,
// the stack pointer after the call returned and the return address. GCC's own
// __builtin_setjmp cannot be used: an optimizing build assumes that the guard's caller still
// finds its callee-saved registers intact, which a jump out of the fault handler breaks.
struct ResumePoint {
    DWORD ebx, esi, edi, ebp, esp, eip;
};

// One guard on the stack. The first two words are the registration record that the system
// walks (next record, handler), so the record is the frame itself.
struct GuardFrame {
    void* next;
    void* handler;
    ResumePoint resume;
    EXCEPTION_RECORD record;
    CONTEXT context;
    Optex* optexes[kMaxLocks];
    int optexDepths[kMaxLocks];
    CRITICAL_SECTION* sections[kMaxLocks];
    LONG sectionDepths[kMaxLocks];
};

}  // namespace

// SaveResumePoint returns 0 when called and 1 when ResumeAt continues it; ResumeAt never returns.
extern "C" int __attribute__((returns_twice)) __cdecl RpSaveResumePoint(ResumePoint* point);
extern "C" void __attribute__((noreturn)) __cdecl RpResumeAt(const ResumePoint* point);

asm(".text\n"
    ".globl _RpSaveResumePoint\n"
    "_RpSaveResumePoint:\n"
    "    movl 4(%esp), %eax\n"
    "    movl %ebx, 0(%eax)\n"
    "    movl %esi, 4(%eax)\n"
    "    movl %edi, 8(%eax)\n"
    "    movl %ebp, 12(%eax)\n"
    "    leal 4(%esp), %ecx\n"
    "    movl %ecx, 16(%eax)\n"
    "    movl (%esp), %ecx\n"
    "    movl %ecx, 20(%eax)\n"
    "    xorl %eax, %eax\n"
    "    ret\n"
    ".globl _RpResumeAt\n"
    "_RpResumeAt:\n"
    "    movl 4(%esp), %eax\n"
    "    movl 0(%eax), %ebx\n"
    "    movl 4(%eax), %esi\n"
    "    movl 8(%eax), %edi\n"
    "    movl 12(%eax), %ebp\n"
    "    movl 16(%eax), %esp\n"
    "    movl 20(%eax), %ecx\n"
    "    movl $1, %eax\n"
    "    jmp *%ecx\n");

namespace {

void* ReadChainHead() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

void WriteChainHead(void* head) {
    asm volatile("movl %0, %%fs:0" : : "r"(head) : "memory");
}

bool OwnsSection(const CRITICAL_SECTION* section) {
    return reinterpret_cast<ULONG_PTR>(section->OwningThread) == GetCurrentThreadId();
}

void SnapshotLocks(GuardFrame& frame) {
    for (int i = 0; i < kMaxLocks; ++i) {
        frame.optexes[i] = gOptexes[i];
        frame.optexDepths[i] = frame.optexes[i] ? frame.optexes[i]->OwnedDepth() : 0;
        frame.sections[i] = gSections[i];
        frame.sectionDepths[i] =
            frame.sections[i] && OwnsSection(frame.sections[i]) ? frame.sections[i]->RecursionCount : 0;
    }
}

void ReleaseLocks(const GuardFrame& frame) {
    for (int i = 0; i < kMaxLocks; ++i) {
        if (frame.optexes[i])
            frame.optexes[i]->LeaveTo(frame.optexDepths[i]);
        CRITICAL_SECTION* section = frame.sections[i];
        while (section && OwnsSection(section) && section->RecursionCount > frame.sectionDepths[i])
            LeaveCriticalSection(section);
    }
}

bool IsFloatFault(DWORD code) {
    return (code >= EXCEPTION_FLT_DENORMAL_OPERAND && code <= EXCEPTION_FLT_UNDERFLOW) ||
           code == STATUS_FLOAT_MULTIPLE_FAULTS || code == STATUS_FLOAT_MULTIPLE_TRAPS;
}

// Unwinds the structured-exception chain down to (not including) target: every inner frame's
// handler runs with the unwinding flag, and the chain head becomes target. Some system versions
// return from RtlUnwind with the callee-saved registers changed, so they are kept here around it.
void UnwindChainTo(void* target, EXCEPTION_RECORD* record) {
    void* unwind = reinterpret_cast<void*>(&RtlUnwind);
    asm volatile(
        "pushl %%ebp\n\t"
        "pushl %%ebx\n\t"
        "pushl %%esi\n\t"
        "pushl %%edi\n\t"
        "pushl $0\n\t"   // return value
        "pushl %1\n\t"   // exception record
        "pushl $1f\n\t"  // continuation: right after the call
        "pushl %0\n\t"   // target frame
        "call *%2\n"
        "1:\n\t"
        "popl %%edi\n\t"
        "popl %%esi\n\t"
        "popl %%ebx\n\t"
        "popl %%ebp\n\t"
        :
        : "r"(target), "r"(record), "r"(unwind)
        : "eax", "ecx", "edx", "memory", "cc");
}

// The structured-exception handler of a guard frame. It sees a fault only when every handler
// registered inside the guarded body has passed it on. It never returns for a fault it takes:
// it resumes the guard, as an __except block resumes its function.
extern "C" EXCEPTION_DISPOSITION __cdecl GuardHandler(EXCEPTION_RECORD* record,
                                                      void* establisher,
                                                      CONTEXT* context,
                                                      void* /*dispatcher*/) {
    if (record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    if (!CSE::IsProcessorFault(record->ExceptionCode))
        return ExceptionContinueSearch;
    GuardFrame* frame = static_cast<GuardFrame*>(establisher);
    std::memcpy(&frame->record, record, sizeof(EXCEPTION_RECORD));
    frame->record.ExceptionRecord = nullptr;
    std::memcpy(&frame->context, context, sizeof(CONTEXT));
    UnwindChainTo(frame, record);
    WriteChainHead(frame->next);
    RpResumeAt(&frame->resume);
}

// Kept out of line so that the resume point in Guard is in a frame that the body never
// shares. The guard frame is taken off the chain on every way out.
__attribute__((noinline)) void RunBody(void (*body)(void*), void* arg, GuardFrame* frame) {
    try {
        body(arg);
    } catch (...) {
        WriteChainHead(frame->next);
        throw;
    }
    WriteChainHead(frame->next);
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
            return IsFloatFault(code);
    }
}

void CSE::Guard(void (*body)(void*), void* arg) {
    GuardFrame frame;
    GuardFrame* volatile resumed = &frame;
    frame.next = ReadChainHead();
    frame.handler = reinterpret_cast<void*>(&GuardHandler);
    SnapshotLocks(frame);
    if (RpSaveResumePoint(&frame.resume) == 0) {
        WriteChainHead(&frame);
        RunBody(body, arg, &frame);
        return;
    }
    // Resumed by GuardHandler after a fault; the chain head is already our caller's.
    GuardFrame* faulted = resumed;
    ReleaseLocks(*faulted);
    if (IsFloatFault(faulted->record.ExceptionCode))
        _fpreset();
    EXCEPTION_POINTERS info = {&faulted->record, &faulted->context};
    TranslateStructuredException(faulted->record.ExceptionCode, &info);
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
