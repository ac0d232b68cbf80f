// Any file bytes as "QQwry.dat": the first four input bytes choose the address, the rest is the
// file. The same leading bytes are also tried as address text.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "lodestar/Lodestar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    lodestar::Lodestar lodestar;
    lodestar.LoadDatabase(std::vector<unsigned char>(data + 4, data + size));
    char address[16];
    std::snprintf(address, sizeof address, "%u.%u.%u.%u", data[0], data[1], data[2], data[3]);
    const IpLocation* result = lodestar.GetAddress(address);
    if (!result->country || !result->area)
        __builtin_trap();
    const std::string text(reinterpret_cast<const char*>(data), size < 20 ? size : 20);
    lodestar.GetAddress(text.c_str());
    return 0;
}
