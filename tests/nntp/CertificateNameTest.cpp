#include "nntp/CertificateName.h"

#include <gtest/gtest.h>

namespace {

const std::string kLoopback("\x7f\x00\x00\x01", 4);
const std::string kOtherAddress("\x7f\x00\x00\x02", 4);

TEST(CertificateName, AltNamesOutrankTheCommonNameAndWildcardsCoverOneLeftLabel) {
    const struct {
        const char* what;
        CertificateNames names;
        const char* host;
        std::string address;
        bool matches;
    } cases[] = {
        {"exact, any case", {{"News.Example.com"}, {}, ""}, "news.example.COM", "", true},
        {"trailing root dot", {{"news.example.com."}, {}, ""}, "news.example.com", "", true},
        {"second alt name", {{"a.example.com", "news.example.com"}, {}, ""}, "news.example.com", "", true},
        {"other name", {{"other.invalid"}, {}, ""}, "news.example.com", "", false},
        {"alt names hide the common name", {{"other.invalid"}, {}, "news.example.com"}, "news.example.com", "", false},
        {"common name without alt names", {{}, {}, "news.example.com"}, "news.example.com", "", true},
        {"no names at all", {{}, {}, ""}, "news.example.com", "", false},
        {"wildcard, one label", {{"*.example.com"}, {}, ""}, "news.example.com", "", true},
        {"wildcard, two labels", {{"*.example.com"}, {}, ""}, "a.news.example.com", "", false},
        {"wildcard, no label", {{"*.example.com"}, {}, ""}, "example.com", "", false},
        {"wildcard, empty label", {{"*.example.com"}, {}, ""}, ".example.com", "", false},
        {"wildcard under a top-level name", {{"*.com"}, {}, ""}, "example.com", "", false},
        {"wildcard not left-most", {{"news.*.com"}, {}, ""}, "news.example.com", "", false},
        {"partial-label wildcard", {{"n*.example.com"}, {}, ""}, "news.example.com", "", false},
        {"bare wildcard", {{"*"}, {}, ""}, "localhost", "", false},
        {"wildcard common name", {{}, {}, "*.example.com"}, "news.example.com", "", true},
        {"address in alt names", {{}, {kOtherAddress, kLoopback}, ""}, "127.0.0.1", kLoopback, true},
        {"other address", {{}, {kOtherAddress}, "127.0.0.1"}, "127.0.0.1", kLoopback, false},
        {"address only as DNS name", {{"127.0.0.1"}, {}, ""}, "127.0.0.1", kLoopback, false},
        {"address as common name", {{}, {}, "127.0.0.1"}, "127.0.0.1", kLoopback, true},
        {"no wildcard for an address", {{}, {}, "*.0.0.1"}, "127.0.0.1", kLoopback, false},
        {"address entry for a name", {{}, {kLoopback}, ""}, "localhost", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.matches, CertificateIsForHost(c.names, c.host, c.address)) << c.what;
}

}  // namespace
