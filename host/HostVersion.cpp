#include "host/HostVersion.h"

#include <cstring>

bool HostVersionAccepted(const char* version, bool hasSetStatus) {
    if (hasSetStatus)
        return true;
    if (version == nullptr)
        return false;
    return std::strlen(version) <= 7 && std::strcmp(version, "2.00.06") < 0;
}
