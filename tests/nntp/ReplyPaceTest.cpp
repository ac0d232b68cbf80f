#include "nntp/ReplyPace.h"

#include <gtest/gtest.h>

namespace {

// A line has twice the read time-out in all, however its bytes come.
TEST(ReplyPace, ALineMustBeWholeWithinTwiceTheTimeout) {
    ReplyPace pace;
    pace.StartLine(1000, 30000);
    EXPECT_EQ(pace.Due(1000), 61000u);
    pace.Received(1, 60000);
    EXPECT_EQ(pace.Due(60000), 61000u);
}

// A block is too slow once a whole window brought less than 1 KB; a window that has its share
// leaves the next read to its own time-out.
TEST(ReplyPace, ABlockNeedsOneKilobyteInEveryWindow) {
    const struct {
        const char* name;
        size_t bytesPerSecond;
        int seconds;   // how long the bytes keep coming at that rate
        bool tooSlow;  // Due(61 s) has passed: two windows of 30 s at most
    } cases[] = {
        {"a trickle", 10, 100, true},
        {"steady and just enough", 40, 100, false},
        {"fast, then a stall", 100000, 1, true},
        {"fast throughout", 100000, 100, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReplyPace pace;
        pace.StartBlock(0, 30000);
        uint64_t now = 0;
        for (int second = 0; second < 61; ++second) {
            now = static_cast<uint64_t>(second) * 1000;
            if (pace.Due(now) <= now)
                break;
            if (second < c.seconds)
                pace.Received(c.bytesPerSecond, now);
        }
        now = 61000;
        EXPECT_EQ(pace.Due(now) <= now, c.tooSlow);
    }
    ReplyPace idle;
    idle.StartBlock(0, 30000);
    EXPECT_EQ(idle.Due(0), 30000u) << "the first read may wait up to the window's end";
    idle.Received(2048, 10);
    EXPECT_EQ(idle.Due(20), ReplyPace::kNoLimit);
    idle.Stop();
    EXPECT_EQ(idle.Due(999999), ReplyPace::kNoLimit);
}

}  // namespace
