// Any file bytes as "myip.dat": the first four input bytes choose the address, the rest is the
// file.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "lodestar/Lodestar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    lodestar::Lodestar lodestar;
    lodestar.LoadOwnTable(std::vector<unsigned char>(data + 4, data + size));
    char address[16];
    std::snprintf(address, sizeof address, "%u.%u.%u.%u", data[0], data[1], data[2], data[3]);
    lodestar.GetAddress(address);
    return 0;
}
