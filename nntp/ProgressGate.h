// Which progress updates of a transfer are shown. Every shown update costs calls into the host
// (and the check which mail is on display), so a fast transfer would spend its time showing
// progress: a value is shown when it changed since the last one shown and the last one is at
// least kIntervalMs old; the last value of a transfer is always shown. Portable and clock-free:
// the caller passes its steady clock in milliseconds.
#pragma once

#include <cstdint>

class ProgressGate {
public:
    // At most 20 updates a second.
    static constexpr uint64_t kIntervalMs = 50;

    // True when the update of `value` at `now` is to be shown; `last` marks the transfer's end.
    bool Pass(long long value, uint64_t now, bool last);

private:
    bool shown_ = false;
    long long value_ = 0;
    uint64_t at_ = 0;
};
