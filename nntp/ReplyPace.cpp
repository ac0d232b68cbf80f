#include "nntp/ReplyPace.h"

void ReplyPace::StartLine(uint64_t now, uint64_t timeoutMs) {
    kind_ = kLine;
    deadline_ = now + 2 * timeoutMs;
    tooSlow_ = false;
}

void ReplyPace::StartBlock(uint64_t now, uint64_t timeoutMs) {
    kind_ = kBlock;
    window_ = timeoutMs == 0 ? 1 : timeoutMs;
    windowEnd_ = now + window_;
    windowBytes_ = 0;
    tooSlow_ = false;
}

bool ReplyPace::Roll(uint64_t now) {
    while (now >= windowEnd_) {
        if (windowBytes_ < kMinBytesPerWindow)
            return false;
        windowEnd_ += window_;
        windowBytes_ = 0;
    }
    return true;
}

uint64_t ReplyPace::Due(uint64_t now) {
    switch (kind_) {
        case kLine:
            return deadline_;
        case kBlock:
            if (tooSlow_ || !Roll(now)) {
                tooSlow_ = true;
                return now;
            }
            // Once the window has its share, the rest of it is free: the next window decides.
            return windowBytes_ < kMinBytesPerWindow ? windowEnd_ : kNoLimit;
        default:
            return kNoLimit;
    }
}

void ReplyPace::Received(size_t bytes, uint64_t now) {
    if (kind_ != kBlock || tooSlow_)
        return;
    if (!Roll(now)) {
        tooSlow_ = true;
        return;
    }
    windowBytes_ += bytes;
}
