// The sockets version the plug-in works with. Start-up asks for Windows sockets 1.1; a layer that
// answers with any other version (the WSADATA version word, major version in the low byte) ends
// the plug-in's start with the same message as a failed start-up.
#pragma once

#include <cstdint>

constexpr uint16_t kWinsockVersion = 0x0101;

constexpr bool IsWinsockVersionUsable(uint16_t version) {
    return version == kWinsockVersion;
}
