// Assembly of server replies from the pieces that receive calls return. Nothing here touches a
// socket: the blocking socket feeds what it receives and asks whether the reply is complete,
// which keeps the rules testable and fuzzable on their own.
#pragma once

#include <cstddef>
#include <string>

// One reply line, ending with LF (normally CR LF), fed in pieces of any size. A CR LF split
// across two pieces is found like any other. The line may not grow beyond its cap: a server
// that never sends LF cannot make the client buffer without end.
class LineAssembler {
public:
    explicit LineAssembler(size_t maxLength) : maxLength_(maxLength) {}

    // Takes bytes up to and including the first LF and returns how many it took; the rest
    // belongs to whatever follows the line. Takes nothing once complete or overflowed.
    size_t Append(const char* data, size_t length);

    bool IsComplete() const { return complete_; }
    // More than maxLength bytes arrived without an LF.
    bool IsOverflow() const { return overflow_; }
    // The line so far, with its CR LF once complete.
    const std::string& Line() const { return line_; }

private:
    size_t maxLength_;
    std::string line_;
    bool complete_ = false;
    bool overflow_ = false;
};

// A multi-line reply: a status line, then text lines, then the line "." alone. Pieces are fed as
// they arrive; the terminator is searched across piece boundaries. A status line that is not a
// positive reply (an error such as 502, or no reply code at all) has no block behind it, so the
// reply ends with that line instead of waiting for a terminator that never comes.
class MultiLineAssembler {
public:
    enum State { kMore, kComplete, kOverflow };

    // The status line is held to the cap of any other reply line.
    static constexpr size_t kMaxStatusLine = 16 * 1024;

    explicit MultiLineAssembler(size_t maxBytes) : maxBytes_(maxBytes) {}

    // Adds one piece. Bytes after the terminator are not taken (Taken tells how many were).
    // kOverflow once the reply has grown beyond maxBytes without ending, or its status line
    // beyond kMaxStatusLine; further pieces are then ignored.
    State Append(const char* data, size_t length);
    // Makes room at once for a reply of about expectedBytes (the size a server announced, e.g. in
    // its overview), so that a large reply is received into one buffer that never moves: growing
    // as it arrives would hold the old and the new buffer at once. Never more than the reply cap,
    // whatever the announcement says; a wrong size only costs the growing it would have saved.
    // Call before the first piece.
    void Reserve(size_t expectedBytes);
    // How many bytes of the last piece belong to the reply: all of them until it ends, those up
    // to its last LF when it ended in that piece. What follows is the next reply's.
    size_t Taken() const { return taken_; }

    State GetState() const { return state_; }
    // LF characters received so far (the status line's included): the line progress of a list.
    size_t LineFeeds() const { return lineFeeds_; }
    size_t Size() const { return text_.size(); }
    // True when the reply ended with its status line (no block followed).
    bool IsSingleLine() const { return singleLine_; }

    // The complete reply: the status line unchanged, then the text lines with their leading
    // stuffing dot removed, each ending with CR LF; the terminating "." line is cut off. The
    // dots are removed in place, in the buffer the reply was received into, which the result
    // takes over (given back when a reservation left it mostly empty). Leaves the assembler empty.
    std::string Take();

private:
    size_t ScanLines();

    size_t maxBytes_;
    std::string text_;
    size_t statusEnd_ = 0;  // offset after the status line's LF; 0 while it is incomplete
    size_t scanned_ = 0;    // LF characters before this offset are counted and their lines seen
    bool stuffed_ = false;  // some text line starts with ".."
    size_t lineFeeds_ = 0;
    size_t taken_ = 0;
    bool singleLine_ = false;
    State state_ = kMore;
};

// Removes the stuffing dot from every line after `from` that starts with "..". Lines are
// separated by LF; `from` must be the start of a line.
void DotUnstuff(std::string* text, size_t from);
