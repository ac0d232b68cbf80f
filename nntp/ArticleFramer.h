// The bytes of an article as they go out after the server's 340: every line end made CR LF (a
// bare CR or LF included), one more "." before every line that starts with ".", then the
// terminating "." line. Made a piece at a time, so that an article of megabytes is never held
// twice and each piece can be sent while the next is made. Portable.
#pragma once

#include <cstddef>
#include <string>

class ArticleFramer {
public:
    // `text` must outlive the framer and stay unchanged.
    explicit ArticleFramer(const std::string& text);

    // The length of the whole framed text.
    size_t Size() const { return size_; }
    // Writes the next framed bytes, at most `capacity`; fewer only at the end, 0 once done.
    size_t Fill(char* out, size_t capacity);

private:
    const char* p_;
    const char* end_;
    size_t size_ = 0;
    bool lineStart_ = true;
    bool finished_ = false;
    // Bytes of a fixed text still owed to the output: a doubled dot, a line end, the last line.
    const char* owed_ = nullptr;
    size_t owedLength_ = 0;
};

// The whole framed text at once.
std::string FrameArticle(const std::string& article);
