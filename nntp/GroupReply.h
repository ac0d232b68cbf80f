// The GROUP answer and the choice of the overview range that a headers-only update asks for.
// Portable: the update worker sends the commands, these functions decide what they say.
#pragma once

#include <string>

// The server's answer to "GROUP name".
struct GroupReply {
    // True only for a well-formed "211 count first last [name]". Anything else (411 no such
    // group, 480 login required, 502, garbage, a 211 without its numbers) leaves it false: the
    // caller shows the reply line, keeps the stored LastNumber and sends no XOVER.
    bool selected = false;
    int code = 0;  // the reply code when the line has one, else 0
    long long count = 0;
    long long first = 0;
    long long last = 0;
    std::string name;
};

// Reads one reply line (with or without its CR LF). Numbers are decimal, at most 18 digits.
GroupReply ParseGroupReply(const std::string& line);

// The range to ask for, and the LastNumber to store before asking.
struct XoverRange {
    bool send = false;  // false: nothing new (start > end), send no XOVER
    long long start = 0;
    long long end = 0;
    long long newLastNumber = 0;  // last + 1 of the group; stored whether or not XOVER is sent
};

// The range rule, for a group that `reply` selected (reply.selected must be true):
//   lastNumber 0 (first update): the newest min(count, maxNum) articles;
//   otherwise with downloadStyle non-zero: everything from lastNumber;
//   otherwise: from lastNumber, but at most the newest maxNum articles.
// The range always ends at the group's last article, and never starts below 1. A negative
// maxNum counts as 0.
XoverRange ChooseXoverRange(long long lastNumber, const GroupReply& reply, int maxNum, int downloadStyle);

// "XOVER start-end\r\n", or the same with OVER for a server that lists it among its capabilities
// (the two answer alike but for an empty range).
std::string FormatXoverCommand(const XoverRange& range, bool over = false);
