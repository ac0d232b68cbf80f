#include "nntp/ProgressGate.h"

bool ProgressGate::Pass(long long value, uint64_t now, bool last) {
    bool pass = last || !shown_ || (value != value_ && now - at_ >= kIntervalMs);
    if (pass) {
        shown_ = true;
        value_ = value;
        at_ = now;
    }
    return pass;
}
