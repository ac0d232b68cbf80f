#include "tests/host/CSETestArch.h"

#include "host/CSEFilter_x64.h"

void* GuardState() {
    return RpCurrentFaultSlot();
}

DWORD_PTR ContextIp(const CONTEXT& context) {
    return context.Rip;
}

bool CalleeSavedRegistersSurvive(void (*fn)()) {
    unsigned long long saved[7] = {};
    unsigned long long* out = saved;
    // rbx, rsi, rdi and r12-r15 are callee-saved in the Windows x64 convention. The call keeps
    // the stack 16-byte aligned and leaves the 32-byte home area that the callee may use.
    asm volatile(
        "movabsq $0x1111111111111111, %%rbx\n\t"
        "movabsq $0x2222222222222222, %%rsi\n\t"
        "movabsq $0x3333333333333333, %%rdi\n\t"
        "movabsq $0x4444444444444444, %%r12\n\t"
        "movabsq $0x5555555555555555, %%r13\n\t"
        "movabsq $0x6666666666666666, %%r14\n\t"
        "movabsq $0x7777777777777777, %%r15\n\t"
        "movq %1, %%rcx\n\t"
        "movq %%rsp, %%rax\n\t"
        "andq $-16, %%rsp\n\t"
        "pushq %%rax\n\t"
        "subq $40, %%rsp\n\t"
        "call *%%rcx\n\t"
        "addq $40, %%rsp\n\t"
        "popq %%rsp\n\t"
        "movq %0, %%rax\n\t"
        "movq %%rbx, 0(%%rax)\n\t"
        "movq %%rsi, 8(%%rax)\n\t"
        "movq %%rdi, 16(%%rax)\n\t"
        "movq %%r12, 24(%%rax)\n\t"
        "movq %%r13, 32(%%rax)\n\t"
        "movq %%r14, 40(%%rax)\n\t"
        "movq %%r15, 48(%%rax)"
        :
        : "m"(out), "m"(fn)
        : "rax", "rbx", "rcx", "rdx", "rsi", "rdi", "r8", "r9", "r10", "r11", "r12", "r13", "r14", "r15",
          "memory", "cc");
    for (int i = 0; i < 7; ++i) {
        if (saved[i] != 0x1111111111111111ull * (i + 1))
            return false;
    }
    return true;
}
