#include "nntp/ArticleFramer.h"

#include <cstring>

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

ArticleFramer::ArticleFramer(const std::string& text) : p_(text.data()), end_(text.data() + text.size()) {
    // Counted ahead, so that progress can be shown against the whole.
    bool lineStart = true;
    for (const char* p = p_; p < end_; ++p) {
        if (IsLineEnd(*p)) {
            if (*p == '\r' && p + 1 < end_ && p[1] == '\n')
                ++p;
            size_ += 2;
            lineStart = true;
            continue;
        }
        size_ += lineStart && *p == '.' ? 2 : 1;
        lineStart = false;
    }
    size_ += lineStart ? 3 : 5;  // the last line's end when it has none, and ".\r\n"
}

size_t ArticleFramer::Fill(char* out, size_t capacity) {
    size_t n = 0;
    while (n < capacity) {
        if (owedLength_ > 0) {
            size_t k = owedLength_ < capacity - n ? owedLength_ : capacity - n;
            memcpy(out + n, owed_, k);
            owed_ += k;
            owedLength_ -= k;
            n += k;
            continue;
        }
        if (p_ == end_) {
            if (finished_)
                break;
            finished_ = true;
            owed_ = lineStart_ ? ".\r\n" : "\r\n.\r\n";
            owedLength_ = strlen(owed_);
            continue;
        }
        if (lineStart_) {
            lineStart_ = false;
            if (*p_ == '.') {
                owed_ = ".";
                owedLength_ = 1;
                continue;
            }
        }
        if (IsLineEnd(*p_)) {
            if (*p_ == '\r' && p_ + 1 < end_ && p_[1] == '\n')
                ++p_;
            ++p_;
            lineStart_ = true;
            owed_ = "\r\n";
            owedLength_ = 2;
            continue;
        }
        // The rest of the line, as far as it fits, in one copy.
        size_t room = capacity - n;
        const char* stop = static_cast<size_t>(end_ - p_) < room ? end_ : p_ + room;
        const char* q = p_;
        while (q < stop && !IsLineEnd(*q))
            ++q;
        memcpy(out + n, p_, q - p_);
        n += q - p_;
        p_ = q;
    }
    return n;
}

std::string FrameArticle(const std::string& article) {
    ArticleFramer framer(article);
    std::string out(framer.Size(), '\0');
    if (!out.empty())
        out.resize(framer.Fill(&out[0], out.size()));
    return out;
}
