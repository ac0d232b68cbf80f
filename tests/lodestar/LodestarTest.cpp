#include "lodestar/Lodestar.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "lodestar/IpAddress.h"
#include "lodestar/LodestarTexts.h"
#include "tests/lodestar/LookupScenarios.h"

namespace lodestar_test {
namespace {

using lodestar::Lodestar;
using lodestar::QqwryReader;

bool Expects(const Scenario& s, Box box) {
    return std::find(s.boxes.begin(), s.boxes.end(), box) != s.boxes.end();
}

TEST(LodestarLookup, AnswersEveryScenario) {
    for (const Scenario& s : LookupScenarios()) {
        SCOPED_TRACE(s.name);
        Lodestar lodestar;
        if (s.hasOwnTable) {
            const Lodestar::OwnTableLoad loaded = lodestar.LoadOwnTable(s.ownTable);
            EXPECT_EQ(Expects(s, Box::LargeOwnTable), loaded == Lodestar::OwnTableLoad::LoadedLarge);
        }
        if (s.hasDatabase) {
            const QqwryReader::LoadResult loaded = lodestar.LoadDatabase(s.database);
            EXPECT_EQ(Expects(s, Box::Damaged), loaded == QqwryReader::LoadResult::Damaged);
        }
        for (const Query& q : s.queries) {
            SCOPED_TRACE("address '" + q.address + "'");
            const IpLocation* result = lodestar.GetAddress(q.address.c_str());
            ASSERT_NE(nullptr, result);
            EXPECT_EQ(q.country, result->country);
            EXPECT_EQ(q.area, result->area);
        }
    }
}

TEST(LodestarLookup, ResultIsOneRecordOverwrittenByEachCall) {
    Lodestar lodestar;
    lodestar.LoadDatabase(BuildDatabase("1.0.0.0 1.0.0.255 One a\n2.0.0.0 2.0.0.255 Two b\n"));
    const IpLocation* first = lodestar.GetAddress("1.0.0.1");
    const IpLocation* second = lodestar.GetAddress("2.0.0.1");
    EXPECT_EQ(first, second);
    EXPECT_STREQ("Two", first->country);
    EXPECT_STREQ(lodestar::kUnknownCountry, lodestar.GetAddress(nullptr)->country);
}

TEST(LodestarLookup, ParsesDottedAddressMostSignificantFirst) {
    const struct {
        const char* text;
        bool accepted;
        uint32_t value;
    } cases[] = {
        {"1.2.3.4", true, 0x01020304u},
        {"255.255.255.255", true, 0xFFFFFFFFu},
        {"0.0.0.0", true, 0},
        {"000000255.1.1.1", true, 0xFF010101u},  // leading zeros, 15 characters
        {"0000000255.1.1.1", false, 0},          // 16 characters
        {"1.2.3", false, 0},
        {"1.2.3.4.5", false, 0},
        {"1..2.3", false, 0},
        {".1.2.3", false, 0},
        {"1.2.3.", false, 0},
        {"256.1.1.1", false, 0},
        {"1.2.3.256", false, 0},
        {"4294967297.1.1", false, 0},  // a part that would wrap a 32-bit number
        {"1.2.3.4 ", false, 0},
        {"+1.2.3.4", false, 0},
        {"1.2.3.a", false, 0},
        {"", false, 0},
    };
    for (const auto& c : cases) {
        uint32_t value = 7;
        EXPECT_EQ(c.accepted, lodestar::ParseDottedAddress(c.text, value)) << c.text;
        EXPECT_EQ(c.accepted ? c.value : 7u, value) << c.text;
    }
}

// Inputs that fuzzing found. An empty result text once reached memcpy with a null source.
TEST(LodestarLookup, FuzzFoundInputs) {
    Lodestar lodestar;
    lodestar.LoadDatabase({});
    lodestar.LoadOwnTable({0, 0, 0, 0});
    const IpLocation* result = lodestar.GetAddress("0.0.0.0");
    EXPECT_STREQ(lodestar::kWapCountry, result->country);
    EXPECT_STREQ("", result->area);
}

// Redirects that point at themselves or at each other are read as texts, never followed again.
TEST(LodestarLookup, RedirectCyclesEndInAResult) {
    std::vector<unsigned char> db = BuildDatabase("10.0.0.0 10.0.0.255 A a mode1\n10.0.1.0 10.0.1.255 B b mode2\n");
    const size_t first = RecordOf(db, 0);
    const size_t second = RecordOf(db, 1);
    SetLittle(db, first + 5, static_cast<unsigned>(first + 4), 3);    // mode 1 onto itself
    SetLittle(db, second + 5, static_cast<unsigned>(second + 4), 3);  // mode 2 onto itself
    Lodestar lodestar;
    ASSERT_EQ(QqwryReader::LoadResult::Loaded, lodestar.LoadDatabase(db));
    for (const char* address : {"10.0.0.1", "10.0.1.1"}) {
        const IpLocation* result = lodestar.GetAddress(address);
        EXPECT_LT(std::string(result->country).size(), Lodestar::kCountrySize);
        EXPECT_LT(std::string(result->area).size(), Lodestar::kAreaSize);
    }
}

// Databases of many sizes against a plain model of their ranges: every start, end, gap and a
// spread of other addresses must find what the range list says. The ranges spread over the whole
// space or crowd into the top 1/256th of it, hundreds to the slice, as a real database's do.
TEST(LodestarLookup, AgreesWithTheRangeListAtEverySize) {
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    const struct {
        size_t count;
        uint32_t base, span;
    } shapes[] = {{2, 0, 0xFFFFFFFFu},
                  {3, 0, 0xFFFFFFFFu},
                  {17, 0, 0xFFFFFFFFu},
                  {1000, 0, 0xFFFFFFFFu},
                  {70000, 0, 0xFFFFFFFFu},
                  {5000, 0xFF000000u, 0x00FFFFFFu},
                  {70000, 0xFF000000u, 0x00FFFFFFu}};
    for (const auto& shape : shapes) {
        const size_t count = shape.count;
        SCOPED_TRACE(testing::Message() << count << " ranges from " << shape.base);
        struct Model {
            uint32_t start, end;
        };
        std::vector<Model> model;
        std::string list;
        const uint32_t step = static_cast<uint32_t>(shape.span / count);
        for (size_t i = 0; i < count; ++i) {
            const uint32_t start = shape.base + static_cast<uint32_t>(i) * step + 1 + next() % (step / 2);
            const uint32_t end = start + next() % (step / 2);
            model.push_back({start, end});
            list += std::to_string(start) + " " + std::to_string(end) + " C" + std::to_string(i) + " -\n";
        }
        Lodestar lodestar;
        ASSERT_EQ(QqwryReader::LoadResult::Loaded, lodestar.LoadDatabase(BuildDatabase(list)));
        auto expected = [&model](uint32_t address) {
            const auto above = std::upper_bound(model.begin(), model.end(), address,
                                                [](uint32_t a, const Model& m) { return a < m.start; });
            if (above != model.begin() && address <= (above - 1)->end)
                return "C" + std::to_string(above - 1 - model.begin());
            return std::string(lodestar::kUnknownCountry);
        };
        auto text = [](uint32_t a) {
            return std::to_string(a >> 24) + "." + std::to_string(a >> 16 & 255) + "." + std::to_string(a >> 8 & 255) +
                   "." + std::to_string(a & 255);
        };
        std::vector<uint32_t> probes = {1, 0xFFFFFFFFu, model.back().start, model.back().end, model.back().end + 1};
        for (size_t i = 0; i < model.size() && probes.size() < 4000; i += 1 + model.size() / 1000) {
            probes.insert(probes.end(), {model[i].start, model[i].end, model[i].start - 1, model[i].end + 1});
        }
        for (int i = 0; i < 500; ++i)
            probes.push_back(next() * 257u);
        for (int i = 0; i < 500; ++i)
            probes.push_back(shape.base + next() % shape.span);
        for (uint32_t address : probes) {
            if (address == 0)
                continue;
            ASSERT_EQ(expected(address), lodestar.GetAddress(text(address).c_str())->country) << text(address);
        }
    }
}

}  // namespace
}  // namespace lodestar_test
