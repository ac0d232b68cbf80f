#include "ui/ResourceModule.h"

HMODULE ResourceModule() {
    // Asked once: the module does not change while its code runs.
    static const HMODULE module = [] {
        HMODULE found = nullptr;
        GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(&ResourceModule), &found);
        return found;
    }();
    return module;
}
