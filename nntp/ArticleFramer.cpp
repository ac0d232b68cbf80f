#include "nntp/ArticleFramer.h"

#include <cstdint>
#include <cstring>

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// True when one of the eight bytes of `w` is CR or LF: a byte equal to the one looked for
// becomes zero under the XOR, and (v - 0x01..) & ~v & 0x80.. is non-zero exactly when some
// byte of v is zero.
bool HasLineEnd(uint64_t w) {
    const uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    uint64_t cr = w ^ (ones * '\r'), lf = w ^ (ones * '\n');
    return (((cr - ones) & ~cr) | ((lf - ones) & ~lf)) & highs;
}

// The first CR or LF in [p, stop), or stop. Eight bytes at a time: article lines run to dozens
// of bytes, and a byte at a time made framing cost as much as sending under a fast link.
const char* FindLineEnd(const char* p, const char* stop) {
    while (stop - p >= 8) {
        uint64_t w;
        memcpy(&w, p, sizeof w);
        if (HasLineEnd(w))
            break;
        p += 8;
    }
    while (p < stop && !IsLineEnd(*p))
        ++p;
    return p;
}

}  // namespace

ArticleFramer::ArticleFramer(const std::string& text) : p_(text.data()), end_(text.data() + text.size()) {
    // Counted ahead, so that progress can be shown against the whole: every byte, one more for
    // each doubled dot, and every line end as CR LF whatever it was.
    bool lineStart = true;
    for (const char* p = p_; p < end_;) {
        if (*p == '.')
            ++size_;
        const char* q = FindLineEnd(p, end_);
        size_ += static_cast<size_t>(q - p);
        lineStart = q < end_;
        if (!lineStart)
            break;
        if (*q == '\r' && q + 1 < end_ && q[1] == '\n')
            ++q;
        size_ += 2;
        p = q + 1;
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
        const char* q = FindLineEnd(p_, stop);
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
