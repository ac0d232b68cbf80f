// CSE::Guard on i686: a registration frame on the thread's structured-exception chain (fs:0).
#include "host/CSE.h"

#include <excpt.h>

#include <cstring>

#include "host/CSELocks.h"

namespace {

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
    cse::LockSnapshot locks;
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

}  // namespace

void CSE::Guard(void (*body)(void*), void* arg) {
    GuardFrame frame;
    GuardFrame* volatile resumed = &frame;
    frame.next = ReadChainHead();
    frame.handler = reinterpret_cast<void*>(&GuardHandler);
    cse::SnapshotLocks(frame.locks);
    if (RpSaveResumePoint(&frame.resume) == 0) {
        WriteChainHead(&frame);
        RunBody(body, arg, &frame);
        return;
    }
    // Resumed by GuardHandler after a fault; the chain head is already our caller's.
    GuardFrame* faulted = resumed;
    cse::ReleaseLocks(faulted->locks);
    cse::ThrowFault(faulted->record, faulted->context);
}

