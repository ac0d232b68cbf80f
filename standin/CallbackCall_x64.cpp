#include "standin/CallbackCall.h"

// In the x64 convention every integer or pointer argument takes a full register or stack slot,
// so a callback declared with narrower parameters reads the low bits of each DWORD_PTR.
int CallCallback(const void* fn, const DWORD_PTR* a, int count, int* left) {
    *left = 0;
    using F0 = int(WINAPI*)();
    using F1 = int(WINAPI*)(DWORD_PTR);
    using F2 = int(WINAPI*)(DWORD_PTR, DWORD_PTR);
    using F3 = int(WINAPI*)(DWORD_PTR, DWORD_PTR, DWORD_PTR);
    using F4 = int(WINAPI*)(DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR);
    switch (count) {
        case 0:
            return reinterpret_cast<F0>(fn)();
        case 1:
            return reinterpret_cast<F1>(fn)(a[0]);
        case 2:
            return reinterpret_cast<F2>(fn)(a[0], a[1]);
        case 3:
            return reinterpret_cast<F3>(fn)(a[0], a[1], a[2]);
        case 4:
            return reinterpret_cast<F4>(fn)(a[0], a[1], a[2], a[3]);
        default:
            return 0;
    }
}
