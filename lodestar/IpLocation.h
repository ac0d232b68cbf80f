// The result of one lookup, laid out as callers of the library's export expect it: two pointers
// to NUL-terminated GBK texts, country first.
#pragma once

extern "C" {
struct IpLocation {
    const char* country;
    const char* area;
};
}
