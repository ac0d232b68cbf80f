// The reply to LIST read as it arrives: each complete line yields its group name at once, so a
// list of a hundred thousand groups is never held whole. The names and the end of the reply are
// exactly those of assembling the whole reply (MultiLineAssembler) and parsing it
// (ParseGroupList): a status line that is no positive reply ends it, the line "." after a CR LF
// ends the block, a text line's stuffing dot is dropped, and the same caps apply. Portable.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "nntp/ReplyAssembler.h"

class GroupListReader {
public:
    using State = MultiLineAssembler::State;

    // Names are appended to `names`, which must outlive the reader. `maxBytes` caps the reply.
    GroupListReader(size_t maxBytes, std::vector<std::string>* names) : maxBytes_(maxBytes), names_(names) {}

    // Takes one piece as received. Bytes after the reply's end are ignored.
    State Append(const char* data, size_t length);
    State GetState() const { return state_; }
    // LF characters received so far (the status line's included): the list's progress.
    size_t LineFeeds() const { return lineFeeds_; }
    // The status line with its line end, once complete.
    const std::string& Status() const { return status_; }
    // The whole reply as MultiLineAssembler::Take gives it, for a reply other than 215 (which
    // is shown to the user); for a 215 reply only its status line. Valid once complete.
    std::string Text() const;

private:
    // Handles the complete lines at the front of pending_ (each ending in CR LF). Returns the
    // offset in pending_ just after the terminator when it was among them, else 0.
    size_t TakeLines();
    void TakeLine(const char* line, size_t length);

    size_t maxBytes_;
    std::vector<std::string>* names_;
    std::string status_;
    std::string pending_;  // received bytes not yet taken as lines: one partial line at most
    std::string kept_;     // the block's wire bytes, kept only when the status is not 215
    bool keepText_ = false;
    bool afterLineEnd_ = false;  // the next line follows a CR LF (and may be the terminator)
    bool skipNext_ = false;      // the next line still counts as part of the status line
    size_t total_ = 0;
    size_t lineFeeds_ = 0;
    State state_ = MultiLineAssembler::kMore;
};
