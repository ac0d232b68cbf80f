#include "nntp/ReplyAssembler.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "nntp/NntpReply.h"

namespace {

const char kTerminator[] = "\r\n.\r\n";
const size_t kTerminatorLength = 5;
const size_t kReserveSlack = 4096;

}  // namespace

size_t LineAssembler::Append(const char* data, size_t length) {
    if (complete_ || overflow_)
        return 0;
    const void* lf = std::memchr(data, '\n', length);
    size_t take = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) + 1 : length;
    if (line_.size() + take > maxLength_) {
        overflow_ = true;
        return 0;
    }
    line_.append(data, take);
    complete_ = lf != nullptr;
    return take;
}

MultiLineAssembler::State MultiLineAssembler::Append(const char* data, size_t length) {
    taken_ = 0;
    if (state_ != kMore)
        return state_;
    size_t oldSize = text_.size();
    text_.append(data, length);
    taken_ = length;

    if (statusEnd_ == 0) {
        size_t lf = text_.find('\n', oldSize);
        // A status line that goes on and on is no reply: without this a server could make the
        // client hold a whole reply's worth of bytes before a single line was read.
        if ((lf == std::string::npos ? text_.size() : lf + 1) > kMaxStatusLine) {
            text_.clear();
            text_.shrink_to_fit();
            state_ = kOverflow;
            return state_;
        }
        if (lf != std::string::npos) {
            statusEnd_ = lf + 1;
            int code = 0;
            if (!ParseReplyCode(text_.data(), statusEnd_, &code) || !IsPositiveReply(code)) {
                taken_ = statusEnd_ - oldSize;
                lineFeeds_ += 1;
                text_.resize(statusEnd_);
                singleLine_ = true;
                state_ = kComplete;
                return state_;
            }
        }
    }
    // The terminator's leading CR LF may be the status line's own, or may have arrived in an
    // earlier piece: look back far enough to catch a terminator split at any byte.
    size_t from = oldSize >= kTerminatorLength - 1 ? oldSize - (kTerminatorLength - 1) : 0;
    size_t at = text_.find(kTerminator, from, kTerminatorLength);
    if (statusEnd_ != 0 && at != std::string::npos && at + 2 >= statusEnd_) {
        taken_ = at + kTerminatorLength - oldSize;
        lineFeeds_ += static_cast<size_t>(std::count(data, data + taken_, '\n'));
        text_.resize(at + 2);
        state_ = kComplete;
        return state_;
    }
    lineFeeds_ += static_cast<size_t>(std::count(data, data + length, '\n'));
    if (text_.size() > maxBytes_) {
        text_.clear();
        text_.shrink_to_fit();
        state_ = kOverflow;
    }
    return state_;
}

void MultiLineAssembler::Reserve(size_t expectedBytes) {
    // Room for a status line and for the stuffing dots that the announced size does not count.
    size_t wanted = expectedBytes + expectedBytes / 16 + kReserveSlack;
    if (wanted < expectedBytes || wanted > maxBytes_)
        wanted = maxBytes_;
    try {
        text_.reserve(wanted);
    } catch (const std::bad_alloc&) {
        // Only a hint: the reply grows as it arrives instead.
    }
}

std::string MultiLineAssembler::Take() {
    std::string result;
    result.swap(text_);
    if (state_ == kComplete && !singleLine_)
        DotUnstuff(&result, statusEnd_);
    // A reservation far beyond what came (a size announced too large) is not kept for as long as
    // the reply lives: the copy is of the small reply.
    if (result.capacity() > kReserveSlack && result.capacity() / 4 > result.size())
        result.shrink_to_fit();
    statusEnd_ = 0;
    lineFeeds_ = 0;
    singleLine_ = false;
    state_ = kMore;
    return result;
}

void DotUnstuff(std::string* text, size_t from) {
    std::string& s = *text;
    size_t out = from;
    bool lineStart = true;
    for (size_t in = from; in < s.size(); ++in) {
        if (lineStart && s[in] == '.' && in + 1 < s.size() && s[in + 1] == '.') {
            lineStart = false;
            continue;  // drop the first of the two dots
        }
        lineStart = s[in] == '\n';
        s[out++] = s[in];
    }
    s.resize(out);
}
