// Tells whether Windows programs of this build's architecture run on this machine: it prints
// one line naming the architecture it was built for, which the test runner compares.
#include <cstdio>

int main() {
#if defined(__x86_64__)
    const char* arch = "x86_64";
#else
    const char* arch = "i686";
#endif
    std::printf("rillpost arch probe: %s %d-bit\n", arch, static_cast<int>(sizeof(void*) * 8));
    return 0;
}
