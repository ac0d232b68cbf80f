#include "nntp/HeaderEdit.h"

#include <gtest/gtest.h>

namespace {

TEST(HeaderEdit, ChangesOneFieldAndNoOtherByte) {
    struct Case {
        const char* name;
        const char* text;
        const char* value;
        const char* expected;
    } cases[] = {
        {"replaced in place", "Subject: s\r\nX-RILLPOST-FLAG: TRUE\r\nA: b\r\n\r\nbody\r\n", "FALSE",
         "Subject: s\r\nX-RILLPOST-FLAG: FALSE\r\nA: b\r\n\r\nbody\r\n"},
        {"name compared without case, continuation lines replaced too",
         "x-rillpost-flag: TRUE\r\n  more\r\nA: b\r\n\r\n=3D\r\n", "FALSE",
         "X-RILLPOST-FLAG: FALSE\r\nA: b\r\n\r\n=3D\r\n"},
        {"added before the empty line", "Subject: s\r\n\r\nX-RILLPOST-FLAG: TRUE\r\n", "FALSE",
         "Subject: s\r\nX-RILLPOST-FLAG: FALSE\r\n\r\nX-RILLPOST-FLAG: TRUE\r\n"},
        {"bare LF kept", "Subject: s\nX-RILLPOST-FLAG: TRUE\n\nb\n", "FALSE",
         "Subject: s\nX-RILLPOST-FLAG: FALSE\n\nb\n"},
        {"no empty line", "Subject: s", "FALSE", "Subject: s\r\nX-RILLPOST-FLAG: FALSE\r\n"},
        {"a value cannot add lines", "Subject: s\r\n\r\nb", "A\r\n\r\nB", "Subject: s\r\nX-RILLPOST-FLAG: A    B\r\n\r\nb"},
        {"a longer name is another field", "X-RILLPOST-FLAGS: 1\r\n\r\n", "FALSE",
         "X-RILLPOST-FLAGS: 1\r\nX-RILLPOST-FLAG: FALSE\r\n\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SetHeaderInText(c.text, "X-RILLPOST-FLAG", c.value), c.expected) << c.name;
}

}  // namespace
