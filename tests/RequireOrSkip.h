// Tests that need a service of the machine (the scripted or the INN2 news server, an X display,
// a built plug-in) skip without it when run by hand. Under `make test` (RP_STRICT set) such a
// missing service is a failure: the suite must not pass by testing less.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

inline bool RpStrict() {
    const char* strict = std::getenv("RP_STRICT");
    return strict && *strict && *strict != '0';
}

#define RP_REQUIRE_OR_SKIP(condition, what)                                             \
    do {                                                                                \
        if (!(condition)) {                                                             \
            if (RpStrict())                                                             \
                GTEST_FAIL() << what << " (required when RP_STRICT is set, as in make test)"; \
            else                                                                        \
                GTEST_SKIP() << what;                                                   \
        }                                                                               \
    } while (0)
