// How long a server may take over one reply, beyond the time-out of each single read: a server
// that trickles a byte now and then would otherwise keep a reply (and the folder or dialog
// waiting for it) going for ever. Times are milliseconds on any steady clock the caller reads.
// Portable and clock-free, so that the rules are tested without waiting.
#pragma once

#include <cstddef>
#include <cstdint>

class ReplyPace {
public:
    // A block must bring at least this much in every window.
    static constexpr size_t kMinBytesPerWindow = 1024;
    static constexpr uint64_t kNoLimit = UINT64_MAX;

    // A single-line reply: it must be complete within twice the read time-out.
    void StartLine(uint64_t now, uint64_t timeoutMs);
    // A multi-line reply: it ends (too slow) when fewer than kMinBytesPerWindow arrive in a
    // window of one read time-out.
    void StartBlock(uint64_t now, uint64_t timeoutMs);
    void Stop() { kind_ = kNone; }
    bool IsActive() const { return kind_ != kNone; }

    // The time by which the next bytes must arrive: kNoLimit when only the read's own time-out
    // applies, and `now` or earlier when the reply is already too slow.
    uint64_t Due(uint64_t now);
    // Bytes that a read brought at `now`.
    void Received(size_t bytes, uint64_t now);

private:
    enum Kind { kNone, kLine, kBlock };
    // Moves the window on past `now`; false when a window that ended had too few bytes.
    bool Roll(uint64_t now);

    Kind kind_ = kNone;
    uint64_t deadline_ = 0;  // a line's
    uint64_t window_ = 0;    // a block's window length
    uint64_t windowEnd_ = 0;
    size_t windowBytes_ = 0;
    bool tooSlow_ = false;
};
