#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "geomark/AddressExtractor.h"
#include "geomark/LocationMarker.h"
#include "lodestar/Lodestar.h"
#include "lodestar/LodestarTexts.h"
#include "mime/MimeMessage.h"
#include "tests/lodestar/LookupScenarios.h"

namespace {

using geomark::MarkResult;

std::string ExtractFrom(const std::string& header) {
    const std::string text = header + "\r\nbody\r\n";
    MimeMessage message;
    EXPECT_GT(message.Load(text.c_str(), static_cast<int>(text.size())), 0);
    return geomark::ExtractAddress(message.Fields());
}

TEST(GeomarkAddress, FollowsTheHeaderRules) {
    struct Case {
        const char* what;
        const char* header;
        const char* address;
    };
    const Case cases[] = {
        {"originating after received", "Received: from a (b [1.1.1.1]) by r\r\nX-Originating-IP: [10.1.2.3]\r\n",
         "10.1.2.3"},
        {"originating before received", "X-Originating-IP: 10.1.2.3\r\nReceived: from a (b [1.1.1.1]) by r\r\n",
         "10.1.2.3"},
        {"posting host", "Received: from a ([1.1.1.1]) by r\r\nNNTP-Posting-Host: 1.2.3.4\r\n", "1.2.3.4"},
        {"first single value wins", "NNTP-Posting-Host: 1.2.3.4\r\nX-Originating-IP: 5.6.7.8\r\n", "1.2.3.4"},
        {"names are case-sensitive", "x-originating-ip: 10.1.2.3\r\nReceived: from a ([1.1.1.1]) by r\r\n", "1.1.1.1"},
        {"all brackets stripped", "X-Originating-IP: [[10.1.2.3]]\r\n", "10.1.2.3"},
        {"text after the first blank", "NNTP-Posting-Host: news.example.com 10.9.8.7\r\n", "10.9.8.7"},
        {"host name passed on", "NNTP-Posting-Host: news.example.com\r\n", "news.example.com"},
        {"lowest hop wins", "Received: from a ([8.8.8.8]) by b\r\nReceived: from c ([9.9.9.9]) by d\r\n", "9.9.9.9"},
        {"192.168 falls back one hop up",
         "Received: from a ([8.8.8.8]) by b\r\nReceived: from c ([192.168.1.2]) by d\r\n", "8.8.8.8"},
        {"only 192.168 hops: the last one worked on",
         "Received: from a ([192.168.2.2]) by b\r\nReceived: from c ([192.168.1.1]) by d\r\n", "192.168.2.2"},
        {"name and bracket form", "Received: from host (name [11.22.33.44]) by relay with SMTP\r\n", "11.22.33.44"},
        {"bare address", "Received: from 12.0.0.1 by relay\r\n", "12.0.0.1"},
        {"bare host name skipped", "Received: from 7.7.7.7 by x\r\nReceived: from mail.example.com by relay\r\n",
         "7.7.7.7"},
        {"folded value", "Received: from host (name [5.6.7.8])\r\n\tby relay; Mon, 1 Jan 2026\r\n", "5.6.7.8"},
        {"by inside a host name", "Received: from bytes.example.com ([4.4.4.4]) by relay\r\n", "4.4.4.4"},
        {"no by at all", "Received: from x ([4.4.4.4])\r\n", ""},
        {"unclosed bracket", "Received: from x ([1.2.3.4 by r\r\n", "1.2.3.4"},
        {"no candidates", "Subject: hi\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.address, ExtractFrom(c.header));
    }
}

// A lookup that answers from a database built for the test and counts its calls.
class FakeLookup {
public:
    geomark::LocationLookup Fn() {
        return [this](const std::string& address, std::string& country, std::string& area) {
            addresses.push_back(address);
            country = "Country";
            area = "Area";
            return true;
        };
    }
    std::vector<std::string> addresses;
};

const char kPlain[] =
    "From: a@example.com\r\n"
    "Subject: test\r\n"
    "X-Originating-IP: [10.1.2.3]\r\n"
    "\r\n"
    "Body line\r\n";

TEST(GeomarkMark, AppendsTheHeaderAfterTheLastOne) {
    FakeLookup lookup;
    std::string out;
    ASSERT_EQ(MarkResult::Marked, geomark::MarkMessage(kPlain, false, lookup.Fn(), out));
    EXPECT_EQ(std::vector<std::string>{"10.1.2.3"}, lookup.addresses);
    EXPECT_EQ(
        "From: a@example.com\r\nSubject: test\r\nX-Originating-IP: [10.1.2.3]\r\n"
        "X-Geomark-Location: Country Area\r\n\r\nBody line\r\n",
        out);
}

TEST(GeomarkMark, ReplacesAnExistingHeaderOfAnySpelling) {
    const std::string message =
        "x-geomark-location: old place\r\nX-Originating-IP: 10.1.2.3\r\nSubject: s\r\n\r\nBody\r\n";
    FakeLookup lookup;
    std::string out;
    ASSERT_EQ(MarkResult::Marked, geomark::MarkMessage(message.c_str(), false, lookup.Fn(), out));
    EXPECT_EQ("X-Geomark-Location: Country Area\r\nX-Originating-IP: 10.1.2.3\r\nSubject: s\r\n\r\nBody\r\n", out);
}

TEST(GeomarkMark, LooksUpOnlyAddressTextsUpTo16Characters) {
    struct Case {
        const char* address;
        bool lookedUp;
    };
    const Case cases[] = {
        {"123.123.123.1234", true}, {"123.123.123.12345", false}, {"a-very-long-host.example", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const std::string message = std::string("NNTP-Posting-Host: ") + c.address + "\r\n\r\nBody\r\n";
        for (bool writeAlways : {false, true}) {
            FakeLookup lookup;
            std::string out;
            const MarkResult result = geomark::MarkMessage(message.c_str(), writeAlways, lookup.Fn(), out);
            EXPECT_EQ(c.lookedUp ? 1u : 0u, lookup.addresses.size());
            if (c.lookedUp)
                EXPECT_EQ(MarkResult::Marked, result);
            else
                EXPECT_EQ(writeAlways ? MarkResult::Unchanged : MarkResult::NotWritten, result);
        }
    }
}

TEST(GeomarkMark, WritesUnchangedOnlyWhenAskedOrWhenTheLookupIsMissing) {
    const char noAddress[] = "Subject: s\r\n\r\nBody\r\n";
    std::string out;
    EXPECT_EQ(MarkResult::NotWritten, geomark::MarkMessage(noAddress, false, nullptr, out));
    EXPECT_EQ(MarkResult::Unchanged, geomark::MarkMessage(noAddress, true, nullptr, out));
    EXPECT_EQ(noAddress, out);
    EXPECT_EQ(MarkResult::NotWritten, geomark::MarkMessage(nullptr, true, nullptr, out));

    // No lookup library: the message goes back as it came, even without the write-always flag.
    out.clear();
    EXPECT_EQ(MarkResult::Unchanged, geomark::MarkMessage(kPlain, false, nullptr, out));
    EXPECT_EQ(kPlain, out);
    const geomark::LocationLookup missing = [](const std::string&, std::string&, std::string&) { return false; };
    EXPECT_EQ(MarkResult::Unchanged, geomark::MarkMessage(kPlain, false, missing, out));
    EXPECT_EQ(kPlain, out);
}

TEST(GeomarkMark, RemovesTheUnknownAreaMarker) {
    EXPECT_EQ("Country ", geomark::LocationValue("Country", lodestar::kUnknownAreaMarker));
    EXPECT_EQ("Country x-y", geomark::LocationValue("Country", std::string("x") + lodestar::kUnknownAreaMarker + "-" +
                                                                   lodestar::kUnknownAreaMarker + "y"));
}

// The whole chain in one process: a builder-made database, the lookup and the header.
TEST(GeomarkMark, ShowsWhatTheDatabaseSays) {
    lodestar::Lodestar lodestar;
    lodestar.LoadDatabase(
        lodestar_test::BuildDatabase("10.0.0.0 10.255.255.255 \xb1\xb1\xbe\xa9 \xba\xa3\xb5\xed\n"  // 北京 海淀
                                     "20.0.0.0 20.0.0.255 Nowhere\n"));
    const geomark::LocationLookup lookup = [&lodestar](const std::string& address, std::string& country,
                                                       std::string& area) {
        const IpLocation* result = lodestar.GetAddress(address.c_str());
        country = result->country;
        area = result->area;
        return true;
    };
    struct Case {
        const char* address;
        std::string value;
    };
    const Case cases[] = {
        {"10.1.2.3", "\xb1\xb1\xbe\xa9 \xba\xa3\xb5\xed"},
        {"20.0.0.7", "Nowhere "},
        {"30.0.0.1", std::string(lodestar::kUnknownCountry) + " "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const std::string message = std::string("X-Originating-IP: ") + c.address + "\r\n\r\nBody\r\n";
        std::string out;
        ASSERT_EQ(MarkResult::Marked, geomark::MarkMessage(message.c_str(), false, lookup, out));
        EXPECT_EQ(
            std::string("X-Originating-IP: ") + c.address + "\r\nX-Geomark-Location: " + c.value + "\r\n\r\nBody\r\n",
            out);
    }
}

}  // namespace
