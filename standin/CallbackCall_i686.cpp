#include "standin/CallbackCall.h"

// The thunk is assembly because only it can see how many argument bytes the callee removed.
extern "C" int __cdecl StandinCallStdcall(const void* fn, const DWORD_PTR* args, int count, int* left);
asm(R"(
    .text
    .globl _StandinCallStdcall
_StandinCallStdcall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 16(%ebp), %ecx
    movl 12(%ebp), %edx
    movl %esp, %ebx
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:  call *8(%ebp)
    movl %ebx, %ecx
    subl %esp, %ecx
    movl %ebx, %esp
    movl 20(%ebp), %edx
    movl %ecx, (%edx)
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

int CallCallback(const void* fn, const DWORD_PTR* args, int count, int* left) {
    return StandinCallStdcall(fn, args, count, left);
}
