#include "host/HostVersion.h"

#include <gtest/gtest.h>

namespace {

struct VersionCase {
    const char* version;
    bool hasSetStatus;
    bool accepted;
};

class HostVersionRule : public ::testing::TestWithParam<VersionCase> {};

TEST_P(HostVersionRule, DecidesWhetherTheHostMayLoadThePlugin) {
    const VersionCase& c = GetParam();
    EXPECT_EQ(HostVersionAccepted(c.version, c.hasSetStatus), c.accepted)
        << (c.version ? c.version : "(null)") << " setStatus=" << c.hasSetStatus;
}

INSTANTIATE_TEST_SUITE_P(Cases,
                         HostVersionRule,
                         ::testing::Values(
                             // Older hosts bind without BKA_SetStatus.
                             VersionCase{"2.00.05", false, true},
                             VersionCase{"2.00.00", false, true},
                             VersionCase{"1.26.04", false, true},
                             VersionCase{"", false, true},
                             // From 2.00.06 on the export is required; comparison is byte-wise, not numeric.
                             VersionCase{"2.00.06", false, false},
                             VersionCase{"2.00.10", false, false},
                             VersionCase{"2.1", false, false},
                             VersionCase{"3", false, false},
                             VersionCase{"10.00.00", false, false},
                             // Longer than 7 characters never binds without it, even when it sorts lower.
                             VersionCase{"2.00.05a", false, false},
                             VersionCase{"1.00.00.1", false, false},
                             // With the export any version binds.
                             VersionCase{"2.00.06", true, true},
                             VersionCase{"2.75.00 beta", true, true},
                             // A host that reports no version at all is unknown and needs the export.
                             VersionCase{nullptr, false, false},
                             VersionCase{nullptr, true, true}));

TEST(HostVersionRule, ComparesBytesAsUnsigned) {
    // A high byte sorts after every ASCII digit, so such a text is "newer".
    EXPECT_FALSE(
        HostVersionAccepted("\xA1"
                            "00",
                            false));
}

}  // namespace
