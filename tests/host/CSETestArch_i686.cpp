#include "tests/host/CSETestArch.h"

void* GuardState() {
    void* head;
    asm volatile("movl %%fs:0, %0" : "=r"(head));
    return head;
}

DWORD_PTR ContextIp(const CONTEXT& context) {
    return context.Eip;
}

bool CalleeSavedRegistersSurvive(void (*fn)()) {
    unsigned ebx = 0, esi = 0, edi = 0;
    asm volatile(
        "movl $0x11111111, %%ebx\n\t"
        "movl $0x22222222, %%esi\n\t"
        "movl $0x33333333, %%edi\n\t"
        "call *%3\n\t"
        "movl %%ebx, %0\n\t"
        "movl %%esi, %1\n\t"
        "movl %%edi, %2"
        : "=m"(ebx), "=m"(esi), "=m"(edi)
        : "m"(fn)
        : "eax", "ebx", "ecx", "edx", "esi", "edi", "memory", "cc");
    return ebx == 0x11111111u && esi == 0x22222222u && edi == 0x33333333u;
}
