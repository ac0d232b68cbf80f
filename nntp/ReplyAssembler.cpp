#include "nntp/ReplyAssembler.h"

#include <cstring>
#include <new>

#include "nntp/NntpReply.h"
#include "nntp/ReplyBufferPool.h"

namespace {

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
    if (statusEnd_ != 0) {
        size_t end = ScanLines();
        if (end != 0) {
            // The terminator's CR LF ends the last text line; the "." line is cut off.
            taken_ = end + 3 - oldSize;
            text_.resize(end);
            state_ = kComplete;
            return state_;
        }
    }
    if (text_.size() > maxBytes_) {
        text_.clear();
        text_.shrink_to_fit();
        state_ = kOverflow;
    }
    return state_;
}

// One pass over the lines that arrived since the last piece: counts the line feeds, notes a line
// that starts with a stuffing dot, and finds the terminator, the line "." alone after a CR LF
// (the status line's own CR LF included). A line whose first bytes have not all come yet is
// looked at again with the next piece. Returns the offset of the terminator's "." line, 0 while
// there is none.
size_t MultiLineAssembler::ScanLines() {
    const char* s = text_.data();
    const size_t size = text_.size();
    size_t pos = scanned_;
    while (pos < size) {
        const void* hit = std::memchr(s + pos, '\n', size - pos);
        if (!hit)
            break;
        size_t start = static_cast<size_t>(static_cast<const char*>(hit) - s) + 1;
        if (start < size && s[start] != '.') {
            ++lineFeeds_;
            pos = start;
            continue;
        }
        // A line that starts with a dot, or one whose first bytes are still to come.
        if (start + 1 >= size || (s[start + 1] == '\r' && start + 2 >= size)) {
            scanned_ = start - 1;
            return 0;
        }
        ++lineFeeds_;
        if (s[start + 1] == '.') {
            stuffed_ = true;
        } else if (s[start + 1] == '\r' && s[start + 2] == '\n' && start >= 2 && s[start - 2] == '\r') {
            ++lineFeeds_;
            return start;
        }
        pos = start;
    }
    scanned_ = size;
    return 0;
}

void MultiLineAssembler::Reserve(size_t expectedBytes) {
    // Room for a status line and for the stuffing dots that the announced size does not count.
    size_t wanted = expectedBytes + expectedBytes / 16 + kReserveSlack;
    if (wanted < expectedBytes || wanted > maxBytes_)
        wanted = maxBytes_;
    try {
        text_ = ReplyBufferPool::Take(wanted);
    } catch (const std::bad_alloc&) {
        // Only a hint: the reply grows as it arrives instead.
    }
}

std::string MultiLineAssembler::Take() {
    std::string result;
    result.swap(text_);
    // Most replies have no stuffed line at all, and then nothing moves.
    if (state_ == kComplete && !singleLine_ && stuffed_)
        DotUnstuff(&result, statusEnd_);
    // A reservation far beyond what came (a size announced too large) is not kept for as long as
    // the reply lives: the copy is of the small reply.
    if (result.capacity() > kReserveSlack && result.capacity() / 4 > result.size())
        result.shrink_to_fit();
    statusEnd_ = 0;
    scanned_ = 0;
    stuffed_ = false;
    lineFeeds_ = 0;
    singleLine_ = false;
    state_ = kMore;
    return result;
}

void DotUnstuff(std::string* text, size_t from) {
    if (from >= text->size())
        return;
    char* s = &(*text)[0];
    const size_t size = text->size();
    size_t out = from;
    // `in` is always the start of a line: each line is moved as a whole, less a stuffing dot.
    for (size_t in = from; in < size;) {
        if (s[in] == '.' && in + 1 < size && s[in + 1] == '.')
            ++in;  // drop the first of the two dots
        const void* lf = std::memchr(s + in, '\n', size - in);
        size_t end = lf ? static_cast<size_t>(static_cast<const char*>(lf) - s) + 1 : size;
        if (out != in)
            std::memmove(s + out, s + in, end - in);
        out += end - in;
        in = end;
    }
    text->resize(out);
}
