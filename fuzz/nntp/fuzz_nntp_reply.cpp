// Feeds arbitrary server bytes through the reply readers in pieces whose sizes come from the
// input itself, then through the group-list parser, and checks the readers' promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "nntp/NntpReply.h"
#include "nntp/NntpText.h"
#include "nntp/ReplyAssembler.h"

namespace {

// The reply as the plain rules read it from the whole input at once: the status line, then, for a
// positive reply, everything up to the first CR LF "." CR LF, each line's stuffing dot removed
// byte by byte. Empty while the reply is incomplete.
std::string ReadWhole(const std::string& wire) {
    size_t lf = wire.find('\n');
    if (lf == std::string::npos)
        return std::string();
    size_t statusEnd = lf + 1;
    int code = 0;
    if (!ParseReplyCode(wire.data(), statusEnd, &code) || !IsPositiveReply(code))
        return wire.substr(0, statusEnd);
    size_t at = wire.find("\r\n.\r\n", statusEnd - 2);
    if (at == std::string::npos)
        return std::string();
    std::string out = wire.substr(0, statusEnd);
    bool lineStart = true;
    for (size_t in = statusEnd; in < at + 2; ++in) {
        if (lineStart && wire[in] == '.' && in + 1 < at + 2 && wire[in + 1] == '.') {
            lineStart = false;
            continue;
        }
        lineStart = wire[in] == '\n';
        out += wire[in];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte picks the piece size, so that splits at every position get explored.
    size_t step = data[0] % 64 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t length = size - 1;

    const size_t cap = 4096;
    MultiLineAssembler reply(cap);
    LineAssembler line(256);
    for (size_t at = 0; at < length; at += step) {
        size_t piece = length - at < step ? length - at : step;
        reply.Append(text + at, piece);
        size_t taken = line.Append(text + at, piece);
        if (taken > piece)
            abort();
    }
    if (line.Line().size() > 256)
        abort();
    if (reply.GetState() == MultiLineAssembler::kComplete) {
        size_t assembled = reply.Size();
        std::string whole = reply.Take();
        // A complete reply holds at least its status line, and unstuffing only shortens it.
        if (whole.find('\n') == std::string::npos || whole.size() > assembled || assembled > cap + step)
            abort();
        // Pieces of any size give what the whole input read at once gives.
        if (whole != ReadWhole(std::string(text, length)))
            abort();
        std::vector<std::string> names;
        ParseGroupList(whole, &names);
        std::string joined, stored;
        for (const std::string& name : names) {
            if (name.find_first_of(" \t\r\n") != std::string::npos)
                abort();
            joined += name + ",";
        }
        // The stored form holds the same names.
        AppendGroupListText(whole, &stored);
        MakeGroupListText(&whole);
        if (stored != joined || whole != joined)
            abort();
    }
    int code = 0;
    if (ParseReplyCode(text, length, &code) && (code < 100 || code > 599))
        abort();
    return 0;
}
