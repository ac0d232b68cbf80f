#include "nntp/GroupListReader.h"

#include <algorithm>
#include <cstring>

#include "nntp/NntpReply.h"

namespace {

bool IsNameEnd(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

GroupListReader::State GroupListReader::Append(const char* data, size_t length) {
    if (state_ != MultiLineAssembler::kMore)
        return state_;
    size_t used = 0;
    if (status_.empty() || status_.back() != '\n') {
        const void* lf = std::memchr(data, '\n', length);
        used = lf ? static_cast<size_t>(static_cast<const char*>(lf) - data) + 1 : length;
        status_.append(data, used);
        total_ += used;
        if (status_.size() > MultiLineAssembler::kMaxStatusLine || (!lf && total_ > maxBytes_)) {
            state_ = MultiLineAssembler::kOverflow;
            return state_;
        }
        if (!lf)
            return state_;
        lineFeeds_ += 1;
        int code = 0;
        if (!ParseReplyCode(status_.data(), status_.size(), &code) || !IsPositiveReply(code)) {
            state_ = MultiLineAssembler::kComplete;
            return state_;
        }
        keepText_ = code != 215;
        // A status line ended by LF alone leaves no CR LF before the first text line: that line
        // can be no terminator, and the list's parse takes it as part of the status line.
        bool crlf = status_.size() >= 2 && status_[status_.size() - 2] == '\r';
        afterLineEnd_ = crlf;
        skipNext_ = !crlf;
    }
    const size_t carried = pending_.size();
    pending_.append(data + used, length - used);
    total_ += length - used;
    size_t through = TakeLines();
    if (state_ == MultiLineAssembler::kComplete) {
        // The piece's line feeds up to the terminator's end, as the assembler counts them.
        lineFeeds_ += static_cast<size_t>(std::count(data + used, data + used + (through - carried), '\n'));
        return state_;
    }
    lineFeeds_ += static_cast<size_t>(std::count(data + used, data + length, '\n'));
    if (total_ > maxBytes_)
        state_ = MultiLineAssembler::kOverflow;
    return state_;
}

size_t GroupListReader::TakeLines() {
    size_t start = 0;
    for (;;) {
        size_t end = pending_.find("\r\n", start);
        if (end == std::string::npos)
            break;
        const char* line = pending_.data() + start;
        size_t length = end - start;
        if (afterLineEnd_ && length == 1 && line[0] == '.') {
            state_ = MultiLineAssembler::kComplete;
            if (keepText_)
                kept_.append(pending_.data(), start);
            pending_.clear();
            return end + 2;
        }
        TakeLine(line, length);
        afterLineEnd_ = true;
        start = end + 2;
    }
    if (keepText_)
        kept_.append(pending_.data(), start);
    pending_.erase(0, start);
    return 0;
}

void GroupListReader::TakeLine(const char* line, size_t length) {
    if (skipNext_) {
        skipNext_ = false;
        return;
    }
    // The stuffing dot; a line "." that remains is the escaped terminator, no group.
    if (length >= 2 && line[0] == '.' && line[1] == '.') {
        ++line;
        --length;
    }
    if (length == 0 || (length == 1 && line[0] == '.'))
        return;
    size_t nameEnd = 0;
    while (nameEnd < length && !IsNameEnd(line[nameEnd]))
        ++nameEnd;
    names_->emplace_back(line, nameEnd);
}

std::string GroupListReader::Text() const {
    std::string text = status_;
    if (keepText_) {
        text += kept_;
        DotUnstuff(&text, status_.size());
    }
    return text;
}
