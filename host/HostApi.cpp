#include "host/HostApi.h"

#include <cstring>

#include "host/HostVersion.h"

HostApi gHostApi;

#define RP_HOST_COUNT(name, type) +1
static_assert(0 RP_HOST_FUNCTIONS(RP_HOST_COUNT) == HostApi::kFunctionCount, "one table entry per host function");
#undef RP_HOST_COUNT

const char* const HostApi::kNames[HostApi::kFunctionCount] = {
#define RP_HOST_NAME(name, type) #name,
    RP_HOST_FUNCTIONS(RP_HOST_NAME)
#undef RP_HOST_NAME
};

namespace {

// Two exports may be missing: BKA_SetStatus (older hosts; the version rule decides) and
// BKA_NextUnread (any host).
bool IsOptional(const char* name) {
    return std::strcmp(name, "BKA_SetStatus") == 0 || std::strcmp(name, "BKA_NextUnread") == 0;
}

}  // namespace

bool HostApi::Bind() {
    if (host != nullptr)
        return true;
    return BindTo(GetModuleHandleA(nullptr));
}

bool HostApi::BindTo(HMODULE module) {
    if (host != nullptr)
        return true;
    if (module == nullptr)
        return false;
        // Required exports are checked in table order, so a missing one refuses the host before the
        // later names are looked at. The optional two are looked up after BKA_Connect, which their
        // place at the end of the table gives.
#define RP_HOST_RESOLVE(name, type)                                                             \
    name = reinterpret_cast<name##_Fn>(reinterpret_cast<void*>(GetProcAddress(module, #name))); \
    if (name == nullptr && !IsOptional(#name)) {                                                \
        Unbind();                                                                               \
        return false;                                                                           \
    }
    RP_HOST_FUNCTIONS(RP_HOST_RESOLVE)
#undef RP_HOST_RESOLVE

    if (!HostVersionAccepted(BKA_GetVersion(), BKA_SetStatus != nullptr)) {
        Unbind();
        return false;
    }
    host = module;
    return true;
}

void HostApi::Unbind() {
    *this = HostApi();
}
